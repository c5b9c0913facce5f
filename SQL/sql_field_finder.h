// Finds a column's field in a record by the MySQL-safe name that the field's own name
// gets, under the same acceptance and safe-name rules as the table's creation.
#pragma once

#include <memory>
#include <vector>

#include "UDB/udb_sche.h"
#include "UDB/udb_vali.h"
#include "compat/text/text.h"

class sql_field_finder {
public:
    explicit sql_field_finder(const udb_record& record);

    // 0-based index of the record field whose (safe) name is exactly name, or -1.
    int get_field_idx(const compat::wstring& name) const;

    const std::vector<compat::wstring>& names() const { return names_; }

private:
    void intialize(const udb_record& record);

    std::unique_ptr<udb_validator> validator_;
    std::vector<compat::wstring> names_;
};
