// The Oracle source database: the user's table names and view definitions, read from the
// data dictionary when it is built; tables and stored queries are opened through it.
#pragma once

#include <memory>

#include "UDB/udb_db.h"

class ora_database : public udb_database {
public:
    // Reads the table list (its errors propagate) and the view list (its errors are logged
    // and dropped).
    ora_database(const compat::wstring& name, int mode);
    ~ora_database() override = default;

    // Destination side: not reachable on a source database.
    std::unique_ptr<udb_recordset> create_table(const compat::wstring& name, const udb_schema& schema,
                                                const udb_indexes& indexes) override;
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
};
