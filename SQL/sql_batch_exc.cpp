#include "SQL/sql_batch_exc.h"

const sql_row_error& sql_batch_exception::primary(const std::vector<sql_row_error>& rows) {
    for (const sql_row_error& r : rows)
        if (!is_duplicate_key(r.code())) return r;
    static const sql_row_error none{0, 0, std::string()};
    return rows.empty() ? none : rows.front();
}

sql_batch_exception::sql_batch_exception(std::vector<sql_row_error> rows)
    : sql_exception(primary(rows).message, primary(rows).mysql_errno), rows_(std::move(rows)) {}
