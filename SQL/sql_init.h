// Builders of the pieces ("chunks") of a MySQL CREATE TABLE: one column definition per
// field, and the PRIMARY KEY, UNIQUE and INDEX clauses. Both make names acceptable for the
// server and record the renames; the callers own the surrounding statement text.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_rowsz.h"
#include "SQL/sql_target.h"
#include "UDB/udb_idx.h"
#include "UDB/udb_nmap.h"
#include "UDB/udb_sche.h"
#include "UDB/udb_vali.h"
#include "compat/text/text.h"

using sql_chunks = std::vector<compat::wstring>;

class sql_schema_initializer {
public:
    // auto_column receives the name of the AUTO_INCREMENT column (empty when none) while
    // the chunks are built.
    sql_schema_initializer(const compat::wstring& table, const udb_schema& schema, const udb_indexes& indexes,
                           compat::wstring& auto_column, sql_target target = sql_target::server);
    sql_schema_initializer(const sql_schema_initializer&) = delete;
    sql_schema_initializer& operator=(const sql_schema_initializer&) = delete;

    void get_init_chunks(sql_chunks& chunks);
    static bool can_have_auto_num(const t_ftd* field);
    static bool can_have_def_value(const t_ftd* field);

    // The columns with their final names.
    const udb_schema& get_schema() const { return schema_; }
    // Source name -> generated name of every renamed column.
    const t_names_map& get_names_map() const { return validator_->get_mapped_pairs(); }

    // What the builder changed so that the server takes the table, one text per column
    // ("column C is TEXT instead of VARCHAR(60): ..."); nothing of the data is lost by it.
    const std::vector<compat::wstring>& notes() const { return notes_; }

    // The definitions of the character columns of primary and unique keys with the named
    // collation, for a dump's ALTER TABLE ... MODIFY that only the servers having it run
    // (no AUTO_INCREMENT, a DEFAULT without quotes or comments).
    std::vector<compat::wstring> key_text_chunks(const char16_t* collation);

private:
    // collation: see key_text_chunks; null for the CREATE TABLE's own definition.
    compat::wstring column_chunk(const t_ftd& field, const t_ftd& source, const char16_t* collation = nullptr);
    // A character column of a primary or unique key, which compares as Oracle compares it.
    bool is_key_text(const t_ftd& field, const t_ftd& source) const;
    // A key column written as VARCHAR or VARBINARY where its size would make it TEXT or a
    // BLOB, which no key holds.
    bool is_varying_key(const t_ftd& field, const t_ftd& source) const;
    bool is_not_null(const t_ftd& field, const t_ftd& source) const;
    // The column as created takes a DEFAULT (TEXT, BLOB and AUTO_INCREMENT columns take none).
    bool writes_default(const t_ftd& field, const t_ftd& source) const;
    compat::wstring key_collation_clause(const char16_t* collation) const;

    // Changes the columns' types and defaults where the server would refuse the table:
    // the widest character columns in no index become TEXT while the row is too long, a
    // default the type cannot hold is dropped; each change is a note.
    void fit_types();
    // What the column takes of a row, as created.
    sql::row_column row_shape(const t_ftd& field, const t_ftd& source) const;
    // The default is one the column's type holds (or there is none to write).
    bool default_fits(const t_ftd& field, const t_ftd& source) const;

    compat::wstring table_;
    udb_schema schema_;
    std::unique_ptr<udb_validator> validator_;
    compat::wstring& auto_column_;
    const udb_indexes& indexes_;
    const udb_schema& source_;
    sql_target target_;
    std::vector<compat::wstring> notes_;
};

class sql_indexes_initializer {
public:
    // Most columns in one index, and most indexes in one table (by server generation).
    static constexpr size_t max_index_columns = 16;
    static constexpr int max_indexes_new = 31, max_indexes_old = 15;

    sql_indexes_initializer(const udb_schema& final_schema, const udb_indexes& indexes,
                            const compat::wstring& auto_column, const t_names_map& column_map,
                            sql_target target = sql_target::server);

    void get_init_chunks(sql_chunks& chunks);
    // The keys and indexes get_init_chunks left out, one message each.
    const std::vector<compat::wstring>& dropped() const { return dropped_; }

    // The longest key in bytes that the table's engine takes.
    static int key_limit_bytes(sql_target target);
    // Bytes that one column adds to a key.
    static int key_bytes(const t_ftd& column, sql_target target);

private:
    static compat::wstring dropped_text(const udb_index& idx, const compat::wstring& reason);

    compat::wstring auto_column_;
    std::vector<compat::wstring> dropped_;
    udb_indexes indexes_;
    const udb_schema& schema_;
    const udb_indexes& source_indexes_;
    sql_target target_;
};
