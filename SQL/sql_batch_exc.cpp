#include "SQL/sql_batch_exc.h"

namespace {
constexpr unsigned er_dup_entry = 1062;
}

const sql_row_error& sql_batch_exception::primary(const std::vector<sql_row_error>& rows) {
    for (const sql_row_error& r : rows)
        if (r.mysql_errno != er_dup_entry) return r;
    static const sql_row_error none{0, 0, std::string()};
    return rows.empty() ? none : rows.front();
}

sql_batch_exception::sql_batch_exception(std::vector<sql_row_error> rows)
    : sql_exception(primary(rows).message, primary(rows).mysql_errno), rows_(std::move(rows)) {}
