// Proves the server road on a fresh machine: Connector/C reaches the sandbox.
#include <gtest/gtest.h>
#include <mysql.h>

#include <string>

#include "tests/support/sandbox.h"

TEST(SandboxServer, AnswersSelectVersion) {
    MYSQL* db = mysql_init(nullptr);
    ASSERT_NE(db, nullptr);
    ASSERT_NE(mysql_real_connect(db, "127.0.0.1", "root", "", nullptr, test_support::sandbox_port(), nullptr, 0),
              nullptr)
        << mysql_error(db);
    ASSERT_EQ(mysql_query(db, "SELECT VERSION()"), 0) << mysql_error(db);
    MYSQL_RES* res = mysql_store_result(db);
    ASSERT_NE(res, nullptr);
    MYSQL_ROW row = mysql_fetch_row(res);
    ASSERT_NE(row, nullptr);
    std::string version = row[0];
    EXPECT_NE(version.find("MariaDB"), std::string::npos) << version;
    mysql_free_result(res);
    mysql_close(db);
}
