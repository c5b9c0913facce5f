// Runs an Oracle SQL script against a store: CREATE USER / TABLE / INDEX / VIEW, ALTER TABLE ADD
// constraint, INSERT (VALUES, or SELECT ... FROM DUAL CONNECT BY LEVEL <= n for generated rows),
// COMMIT. Each statement is one SQLite transaction: a failing statement leaves nothing behind,
// and the statements before it stay.
#pragma once

#include <sqlite3.h>

#include <string_view>

namespace ocilite {

class script_loader {
public:
    explicit script_loader(sqlite3* db);

    // Runs the statements in order and stops at the first failure, throwing sql_error with the
    // line it was found on (an unreadable text, an Oracle error) or store_error.
    void run(std::string_view script);
    int statements_run() const { return statements_; }
    long long rows_inserted() const { return rows_; }

private:
    sqlite3* db_;
    int statements_ = 0;
    long long rows_ = 0;
};

}  // namespace ocilite
