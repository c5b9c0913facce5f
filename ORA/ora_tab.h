// One source table, or one stored query under a name, as a forward-only recordset: its
// described columns with their defaults, its keys and indexes, the foreign keys that point
// at it, and its rows.
#pragma once

#include <vector>

#include "ORA/ora_qres.h"
#include "ORA/ora_util.h"
#include "UDB/udb_rel.h"
#include "UDB/udb_vali.h"

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

    // Runs insert_text (an INSERT whose VALUES list is still open) with RETURNING ROWID, its
    // placeholders bound to binds in order, and commits it when asked; returns the new row's
    // ROWID.
    compat::wstring do_insert(const compat::wstring& insert_text, std::vector<ora_bind_value>& binds, bool commit);

    static constexpr ub4 buffer_bytes = 512;
    ub4 returned_length = buffer_bytes;
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

    // ---- destination side ----
    // One INSERT per record, then its large values into the row's LOBs; the row and its LOBs
    // are committed together or not at all.
    void append_record(const udb_record& record) override;
    // Rewrites the row with the record's key values; a table without a key is left alone. A
    // record whose key is NULL or matches no row is an error of the record.
    void update(const udb_record& record) override;
    // The VALUES entry of field for the column at position.
    compat::wstring get_fld_append_wstr(int position, const udb_field* field, const t_ftd* column);
    // Drops NOT NULL from the column at position, so that a NULL can go in.
    void reset_not_null_flag(int position);

private:
    // How the column at position takes its value, by the column's real type: in the statement
    // (a literal, or a bind when too long for one), or in its LOB after the INSERT.
    enum class storage { in_row, clob, blob, long_text, long_raw };
    storage storage_of(size_t position) const;
    // The statement text of field's value for the column at position: its literal, or a
    // placeholder whose value goes to binds. in_update: LOB columns take the value itself.
    compat::wstring value_or_bind(size_t position, const udb_field* field, const compat::wstring& literal,
                                  bool in_update, std::vector<ora_bind_value>& binds) const;
    // The destination name a record field is written under.
    compat::wstring destination_name(const udb_validator& validator, const compat::wstring& field) const;
    // The column names the column builder changed, when this database created the table.
    const t_names_map* field_map() const;
    bool upper_case() const;
    compat::wstring value_text(int position, const udb_field* field);

    void init_schema();
    void init_defaults();
    void init_indexes();
    // The key columns of NUMBER without precision become whole numbers (ora_type::hold_whole_key).
    void hold_whole_keys();
    void init_foreign_keys(const compat::wstring& key_name, const udb_names& key_columns);
    // Position of the described column of that name (exact first, then without case), or -1.
    int find_column(const compat::wstring& name) const;

    ora_database* db_;
    int record_index_ = 0;
    ora_get_rowid rowid_;
    // The binds of the INSERT being built.
    std::vector<ora_bind_value> binds_;
    udb_relationships* rel_;
    bool at_end_ = false;
};
