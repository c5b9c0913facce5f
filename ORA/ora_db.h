// The Oracle source database: the user's table names and view definitions, read from the
// data dictionary when it is built; tables and stored queries are opened through it.
#pragma once

#include <functional>
#include <memory>

#include "TK/tk_excep.h"
#include "UDB/udb_db.h"

class ora_in_validator;

class ora_database : public udb_database {
public:
    // Reads the table list (its errors propagate) and the view list (its errors are logged
    // and dropped).
    ora_database(const compat::wstring& name, udb_open_mode mode);
    ~ora_database() override;

    // ---- destination side (no run makes an Oracle database its destination) ----
    // Creates the table with its columns, keys and indexes and returns it opened.
    std::unique_ptr<udb_recordset> create_table(const compat::wstring& name, const udb_schema& schema,
                                                const udb_indexes& indexes) override;
    // Runs one statement, without a commit of its own; returns no recordset.
    std::unique_ptr<udb_recordset> query(const compat::wstring& statement) override;
    // Foreign keys between destination tables; each failure goes to the error sink.
    void create_relationships(const udb_relationships& relationships) override;
    // A unique key on the referenced columns, unless the table starts an index with them.
    void create_fk_index_if(const compat::wstring& table, const udb_names& columns);

    // Where failures that must not stop the other keys are reported (context, error); the
    // default writes them to the trace log as user-visible messages.
    using error_sink = std::function<void(const compat::wstring& context, const tk_exception& error)>;
    void set_error_sink(error_sink sink) { error_sink_ = std::move(sink); }

    // Column names are upper-cased before they are validated; off unless set.
    bool upper_case_names() const { return upper_case_names_; }
    void set_upper_case_names(bool on) { upper_case_names_ = on; }

    // A table of the table list; another name is an internal error.
    std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, bool flag) override;
    // A stored query under a name.
    std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, const compat::wstring& query,
                                             bool flag) override;
    // Asks the server to parse text; a text it rejects raises ora_exception.
    bool test_query(const compat::wstring& text) override;

    compat::wstring get_tn_mapped_name_ex(const compat::wstring& name);
    compat::wstring get_fn_mapped_name_ex(const compat::wstring& table, const compat::wstring& field);

    // The owner name as Oracle stores it for a login: upper case unless written in double
    // quotes.
    static compat::wstring stored_owner_name(const compat::wstring& user);

private:
    void init_tables();
    void init_views();
    void report(const compat::wstring& context, const tk_exception& error) const;
    // The index-name validator exists while a database may need it: the database that made it
    // may be gone while this one goes on.
    void ensure_index_names();

    bool upper_case_names_ = false;
    error_sink error_sink_;
    // Index and constraint names are one namespace per schema: the first database of the
    // process keeps the names its tables took.
    std::unique_ptr<ora_in_validator> index_names_;
};
