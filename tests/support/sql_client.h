// A plain client connection to the MariaDB sandbox, for setting up a destination and
// reading back what a run wrote. Cells are read with their lengths, so bytes after a NUL
// are kept.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

namespace test_support {

class sql_client {
public:
    explicit sql_client(unsigned port);
    ~sql_client();
    sql_client(const sql_client&) = delete;
    sql_client& operator=(const sql_client&) = delete;

    void exec(const std::string& sql);
    // Every row of the result; "NULL" stands for a NULL cell.
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // The first column of the first row ("NULL" for NULL, "<no row>" without a row).
    std::string scalar(const std::string& sql);
    MYSQL* handle() { return mysql_; }

private:
    MYSQL* mysql_;
};

}  // namespace test_support
