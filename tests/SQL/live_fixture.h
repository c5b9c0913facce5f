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
#include "values/ole_var.h"

namespace live_test {

// Field values for building records.
inline udb_field field(const char16_t* name, const ole_variant& value) {
    return udb_field(name, 0, value, false, false);
}

// A record holding copies of the given fields.
inline std::unique_ptr<udb_record> record(std::initializer_list<udb_field> fields) {
    auto r = std::make_unique<udb_record>();
    for (const udb_field& f : fields) r->push_back(std::make_unique<udb_field>(f));
    return r;
}

class LiveDb : public ::testing::Test {
protected:
    void SetUp() override {
        const char* port = std::getenv("MG_MYSQL_PORT");
        if (!port) GTEST_SKIP() << "MG_MYSQL_PORT is not set (no MariaDB sandbox)";
        engine_ = std::make_unique<sql_engine>();
        install_live_databases(*engine_);
        engine_->connect("127.0.0.1", "root", "", static_cast<unsigned>(std::atoi(port)));
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        db_name_ = "live_" + std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : db_name_)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        if (db_name_.size() > 60) db_name_.resize(60);
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
