// The interfaces through which the conversion driver talks to any database: an engine
// (create, open, delete, test a database), a database (tables, queries, views,
// relationships) and a recordset (one table or query result, read row by row and, for a
// destination table, written).
//
// Ownership: engines and databases return new objects that the caller owns. A record
// returned by get_item stays the recordset's until the next get_item or its destruction.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_idx.h"
#include "UDB/udb_nmap.h"
#include "UDB/udb_rel.h"
#include "UDB/udb_sche.h"
#include "compat/text/text.h"

class udb_recordset {
public:
    udb_recordset(const compat::wstring& name, const compat::wstring& query);
    explicit udb_recordset(const compat::wstring& name);
    virtual ~udb_recordset() = default;
    udb_recordset(const udb_recordset&) = delete;
    udb_recordset& operator=(const udb_recordset&) = delete;

    // A record that get_item, append_record, update or flush cannot carry, and that costs no
    // other record, raises udb_record_exception (UDB/udb_rec_exc.h); any other error ends
    // the table.
    virtual void append_record(const udb_record& record) = 0;
    // Rewrites the row with the same key; the base does nothing.
    virtual void update(const udb_record& record);
    // The current row, kept by the recordset; the base has none.
    virtual udb_record* get_item();
    // get_item's record keeps its fields from row to row and has every value replaced whole
    // by the next get_item: a reader may take the values out of it (leaving others there,
    // whose storage the recordset reuses) instead of copying them. The base says no.
    virtual bool refills_item() const { return false; }
    virtual bool is_eof();
    virtual bool is_query() const;
    virtual void next();
    virtual void prev();
    virtual void reset();
    // Sends what a writing recordset still buffers; errors raise here, since destructors
    // must not throw. Reading recordsets have nothing to send.
    virtual void flush() {}
    // Waits for records a writing recordset is still sending on its own thread; what their
    // sending raised raises here, as appending raises it.
    virtual void settle() {}
    // A record of the run lost before it was appended: a writing recordset that names its
    // records by number counts it, so that later records keep the run's numbers.
    virtual void skip_record() {}

    // Ignored when an index of that name exists (any case, or exactly with exact_name: the
    // source's names are case-sensitive); the first primary or unique index becomes the key.
    void add_index(const udb_index& index, bool exact_name = false);

    const compat::wstring& get_query() const { return query_; }
    const compat::wstring& get_name() const { return name_; }
    udb_schema& get_schema() { return schema_; }
    const udb_schema& get_schema() const { return schema_; }
    udb_indexes& get_indexes() { return indexes_; }
    const udb_indexes& get_indexes() const { return indexes_; }
    int get_record_count() const { return record_count_; }
    void set_record_count(int count) { record_count_ = count; }
    // Position in the indexes of the first primary or unique index, -1 when none.
    int get_pk_index() const { return pk_index_; }

protected:
    compat::wstring query_;
    compat::wstring name_;
    udb_schema schema_;
    udb_indexes indexes_;
    int record_count_ = 0;
    int pk_index_ = -1;
};

using udb_views = std::map<compat::wstring, compat::wstring>;

// How the opener opened a database: one of the first four, to which the live MySQL database
// also takes skip_views. The trace log prints the number.
enum class udb_open_mode : int {
    read_only = 0x01,   // the source: creating or dropping a table is an internal error
    created = 0x02,     // a destination made for this run
    existing = 0x04,    // an existing destination
    append = 0x08,      // an existing destination whose tables are kept and written into
    skip_views = 0x80,  // the views are not read
};

constexpr udb_open_mode operator|(udb_open_mode a, udb_open_mode b) {
    return static_cast<udb_open_mode>(static_cast<int>(a) | static_cast<int>(b));
}

// The mode carries the flag.
constexpr bool udb_has_flag(udb_open_mode mode, udb_open_mode flag) {
    return (static_cast<int>(mode) & static_cast<int>(flag)) != 0;
}

class udb_database {
public:
    // case_sensitive: table names compare exactly.
    udb_database(const compat::wstring& name, udb_open_mode mode, bool case_sensitive);
    virtual ~udb_database();
    udb_database(const udb_database&) = delete;
    udb_database& operator=(const udb_database&) = delete;

    virtual std::unique_ptr<udb_recordset> create_table(const compat::wstring& name, const udb_schema& schema,
                                                        const udb_indexes& indexes) = 0;
    // Removes the name from the table names; a missing one is an internal error.
    virtual bool delete_tab(const compat::wstring& name);
    virtual std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, bool flag) = 0;
    virtual std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, const compat::wstring& query,
                                                     bool flag) = 0;
    virtual bool test_query(const compat::wstring& text) = 0;
    // A class that does not override it raises the internal error.
    virtual std::unique_ptr<udb_recordset> query(const compat::wstring& text);
    virtual void create_views(const udb_views& views);
    virtual void create_relationships(const udb_relationships& relationships);
    virtual bool is_table_exist(const compat::wstring& name);
    // Completes the destination (a dump file writes its end and closes); errors raise here,
    // since destructors must not throw.
    virtual void close() {}

    udb_open_mode get_mode() const { return mode_; }
    const compat::wstring& get_name() const { return name_; }
    bool is_case_sensitive() const { return case_sensitive_; }
    udb_views& get_queries() { return queries_; }
    const udb_views& get_queries() const { return queries_; }
    std::vector<compat::wstring>& get_table_names() { return table_names_; }
    const std::vector<compat::wstring>& get_table_names() const { return table_names_; }
    udb_names_map& get_names_map() { return names_map_; }
    const udb_names_map& get_names_map() const { return names_map_; }
    udb_relationships& get_relationships() { return relationships_; }
    const udb_relationships& get_relationships() const { return relationships_; }

    // What the last create_table could not make (a key the server cannot take), one text
    // each; handed to the caller once, to be reported as errors of that table.
    std::vector<compat::wstring> take_creation_errors() { return std::exchange(creation_errors_, {}); }
    // What the user should know of how the destination was written (no loss: what a dump
    // writes differently, what its load needs), one text each; handed to the caller once.
    std::vector<compat::wstring> take_notes() { return std::exchange(notes_, {}); }

protected:
    void add_creation_error(compat::wstring text) { creation_errors_.push_back(std::move(text)); }
    void add_note(compat::wstring text) { notes_.push_back(std::move(text)); }

    // Position of the first table name matching by the database's case rule, or -1.
    int find_table(const compat::wstring& name) const;

    udb_open_mode mode_;
    compat::wstring name_;
    bool case_sensitive_;
    udb_views queries_;  // stored queries: name -> SQL text
    std::vector<compat::wstring> table_names_;
    udb_names_map names_map_;
    udb_relationships relationships_;
    std::vector<compat::wstring> creation_errors_;
    std::vector<compat::wstring> notes_;
};

// A database server or file store. The base treats a database name as a file name.
class udb_engine {
public:
    udb_engine() = default;
    virtual ~udb_engine() = default;
    udb_engine(const udb_engine&) = delete;
    udb_engine& operator=(const udb_engine&) = delete;

    virtual std::unique_ptr<udb_database> create_db(const compat::wstring& name) = 0;
    virtual std::unique_ptr<udb_database> open_db(const compat::wstring& name, udb_open_mode mode) = 0;
    // Deletes the file; failure raises the toolkit's system error.
    virtual void db_delete(const compat::wstring& name);
    // The file exists and can be read.
    virtual bool is_db_exist(const compat::wstring& name);
};
