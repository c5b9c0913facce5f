// Converts a computed value to what a column stores, as Oracle would: NUMBER(p,s) rounding and
// ORA-01438, length checks (ORA-12899), CHAR padding, '' as NULL, date and interval forms.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "ocilite/ora_value.h"
#include "ocilite/store.h"

namespace ocilite {

struct stored_value {
    enum class kind { null, integer, real, text, blob } k = kind::null;
    int64_t integer = 0;
    double real = 0;
    std::string bytes;

    void bind(sqlite3_stmt* st, int index) const;
};

// `owner` and `table` name the column in error texts ("OWNER"."TABLE"."COLUMN").
stored_value convert_for_column(const ora_value& v, const stored_column& column, const std::string& owner,
                                const std::string& table);

// The store's value of a column read back as a computed value (INSERT ... SELECT).
ora_value value_from_store(sqlite3_stmt* st, int col, const ora_column_type& type);

}  // namespace ocilite
