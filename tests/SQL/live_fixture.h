// A connected MySQL engine and a fresh database of the test's own name on the sandbox
// server (port from MG_MYSQL_PORT), dropped again afterwards.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "SQL/sql_db.h"
#include "SQL/sql_engi.h"
#include "UDB/udb_sche.h"
#include "compat/text/text.h"
#include "tests/support/records.h"
#include "tests/support/sandbox.h"
#include "values/ole_var.h"

namespace live_test {

using test_support::field;
using test_support::record;

class LiveDb : public ::testing::Test {
protected:
    void SetUp() override {
        engine_ = std::make_unique<sql_engine>();
        install_live_databases(*engine_);
        engine_->connect("127.0.0.1", "root", "", test_support::sandbox_port());
        db_name_ = test_support::test_db_name("live");
        exec("DROP DATABASE IF EXISTS `" + db_name_ + "`");
        exec("CREATE DATABASE `" + db_name_ + "`");
        exec("USE `" + db_name_ + "`");
    }

    void TearDown() override {
        db_.reset();
        if (engine_) {
            exec("DROP DATABASE IF EXISTS `" + db_name_ + "`");
            engine_.reset();
        }
    }

    // Opens the test's database as the run opens an existing one.
    sql_database& open(udb_open_mode mode = udb_open_mode::append) {
        db_.reset();
        db_ = engine_->open_db(compat::utf8_to_utf16(db_name_), mode);
        auto* live = dynamic_cast<sql_database*>(db_.get());
        EXPECT_NE(live, nullptr);
        return *live;
    }

    void exec(const std::string& sql) {
        MYSQL* h = engine_->connection().handle();
        ASSERT_EQ(mysql_real_query(h, sql.data(), sql.size()), 0) << sql << ": " << mysql_error(h);
        if (MYSQL_RES* r = mysql_store_result(h)) mysql_free_result(r);
    }

    // The first column of the first row of a statement, as text ("NULL" for NULL).
    std::string scalar(const std::string& sql) {
        MYSQL* h = engine_->connection().handle();
        EXPECT_EQ(mysql_real_query(h, sql.data(), sql.size()), 0) << sql << ": " << mysql_error(h);
        std::string out = "<no row>";
        if (MYSQL_RES* r = mysql_store_result(h)) {
            if (MYSQL_ROW row = mysql_fetch_row(r)) out = row[0] ? row[0] : "NULL";
            mysql_free_result(r);
        }
        return out;
    }

    long count(const std::string& table) { return std::atol(scalar("SELECT COUNT(*) FROM `" + table + "`").c_str()); }

    std::unique_ptr<sql_engine> engine_;
    std::unique_ptr<udb_database> db_;
    std::string db_name_;
};

}  // namespace live_test
