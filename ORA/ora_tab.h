// One source table, or one stored query under a name, as a forward-only recordset: its
// described columns with their defaults, its keys and indexes, the foreign keys that point
// at it, and its rows.
#pragma once

#include "ORA/ora_qres.h"
#include "ORA/ora_util.h"
#include "UDB/udb_rel.h"

class ora_database;

// Receives the ROWID of a row that the destination writer inserts.
class ora_get_rowid {
public:
    ora_get_rowid();
    ~ora_get_rowid();
    ora_get_rowid(const ora_get_rowid&) = delete;
    ora_get_rowid& operator=(const ora_get_rowid&) = delete;

    static sb4 cbf_no_data(void* context, OCIBind* bind, ub4 iteration, ub4 index, void** buffer, ub4* length,
                           ub1* piece, void** indicator);
    static sb4 cbf_get_data(void* context, OCIBind* bind, ub4 iteration, ub4 index, void** buffer, ub4** length,
                            ub1* piece, void** indicator, ub2** return_code);

    ub4 returned_length = 512;
    ora_stmt stmt;
    OCIBind* bind = nullptr;
    compat::wchar rowid[256] = {};
};

class ora_table : public ora_query_results {
public:
    ora_table(ora_database* db, const compat::wstring& name, udb_relationships* rel);
    ora_table(ora_database* db, const compat::wstring& name, const compat::wstring& query, udb_relationships* rel);
    ~ora_table() override;

    // Fetches the next row; true once the server has no more.
    bool is_eof() override;
    void next() override;

    // A column default from its data-dictionary text; empty when the text is not a literal
    // of the column's type.
    static ole_variant get_def_value(VARTYPE type, const compat::wstring& text);

    int record_index() const { return record_index_; }

private:
    void init_schema();
    void init_defaults();
    void init_indexes();
    void init_foreign_keys(const compat::wstring& key_name, const udb_names& key_columns);
    // Position of the described column of that name (exact first, then without case), or -1.
    int find_column(const compat::wstring& name) const;

    int record_index_ = 0;
    ora_get_rowid rowid_;
    udb_relationships* rel_;
    bool at_end_ = false;
};
