// Which field of a record goes into which column of a table. Built once for the shape of
// the records a table receives (the field names in order) and reused while the shape
// stays. Fields meet columns by exact names only, first through the map of names that the
// table's creation made, then by the field's MySQL-safe name; a name that matches without
// case is taken only when exactly one column is left for it; and when the names leave a
// gap, a record with as many fields as the table has columns is matched by position. So
// columns whose names differ only in case (ID and id) each get their own field.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_nmap.h"
#include "UDB/udb_sche.h"
#include "compat/text/text.h"

class sql_column_map {
public:
    // fields: the table's field-name map from its creation (source -> column name), or
    // null when the table was not created in this run.
    sql_column_map(const udb_record& record, const udb_schema& schema, const t_names_map* fields);

    // The record has the field names this map was built for, in the same order.
    bool fits(const udb_record& record) const;

    // Every field to write has its column.
    bool complete() const { return complete_; }
    // The name that broke the match: a record field without a column when the record is
    // smaller than the table, else a column without a record field.
    const compat::wstring& missing() const { return missing_; }
    bool record_smaller() const { return record_smaller_; }

    // (field index, column index) pairs in the order they are written.
    const std::vector<std::pair<size_t, size_t>>& pairs() const { return pairs_; }

private:
    std::vector<compat::wstring> record_names_;
    std::vector<std::pair<size_t, size_t>> pairs_;
    compat::wstring missing_;
    bool complete_ = false;
    bool record_smaller_ = false;
};
