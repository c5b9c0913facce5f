// Which field of a record goes into which column of a table, for the live tables and the
// dump alike. Built once for the shape of the records a table receives (the field names in
// order) and reused while the shape stays. A field goes only into the column of its own
// name: first through the map of names that the table's creation made, then by the field's
// MySQL-safe name; a name that matches only without case is taken when exactly one column
// is left for it (MySQL itself compares column names without case). Never by position: a
// table with as many columns as the record has fields may hold them in another order, or
// other columns altogether. Columns without a field are left to their defaults.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_nmap.h"
#include "UDB/udb_sche.h"
#include "compat/text/text.h"

namespace sql {
class value_writer;
}

class sql_column_map {
public:
    // fields: the table's field-name map from its creation (source -> column name), or
    // null when the table was not created in this run.
    sql_column_map(const udb_record& record, const udb_schema& schema, const t_names_map* fields);

    // The record has the field names this map was built for, in the same order.
    bool fits(const udb_record& record) const;

    // Every field of the record has its column.
    bool complete() const { return complete_; }
    // The first record field without a column.
    const compat::wstring& missing() const { return missing_; }

    // (field index, column index) pairs in column order: the order they are written.
    const std::vector<std::pair<size_t, size_t>>& pairs() const { return pairs_; }

    // What both roads write for the pairs: the head "INSERT INTO `T`(`A`, `B`) VALUES",
    // and a record's "(1, 'x')", each value a literal of its column's type, its texts and
    // bytes as values writes them.
    std::string insert_head(const compat::wstring& table, const udb_schema& schema) const;
    void append_row(std::string& out, const udb_record& record, const udb_schema& schema,
                    const sql::value_writer& values) const;

private:
    std::vector<compat::wstring> record_names_;
    std::vector<std::pair<size_t, size_t>> pairs_;
    size_t schema_columns_;  // the pairs' columns are those of a schema of this size
    compat::wstring missing_;
    bool complete_ = true;
};
