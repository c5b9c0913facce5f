// The failure of rows sent together: after a multi-row INSERT is refused its rows are
// sent one by one, and only those that fail again are reported, each with its number.
#pragma once

#include <string>
#include <vector>

#include "SQL/sql_exc.h"

struct sql_row_error {
    int record_number;  // 1-based, in the order the table received its records
    unsigned mysql_errno;
    std::string message;
    int code() const { return sql_exception::code_of(mysql_errno); }
};

class sql_batch_exception : public sql_exception {
public:
    // rows is not empty. The exception's own code and message are those of the first row
    // that failed for another reason than a duplicate key (else of the first row), so that
    // a handler that skips duplicate keys never skips a real error.
    explicit sql_batch_exception(std::vector<sql_row_error> rows);

    const std::vector<sql_row_error>& rows() const { return rows_; }

private:
    static const sql_row_error& primary(const std::vector<sql_row_error>& rows);
    std::vector<sql_row_error> rows_;
};
