// Values the Oracle side cannot carry whole (a LONG or LONG RAW longer than the reader's
// buffer) fail their own record only, on both roads: the error names the record, the
// table's other records and the later tables arrive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

constexpr const char* store_sql =
    "CREATE USER scott IDENTIFIED BY tiger;\n"
    "CREATE TABLE T_LONG (ID NUMBER(5) NOT NULL, TXT LONG, CONSTRAINT PK_T_LONG PRIMARY KEY (ID));\n"
    "INSERT INTO T_LONG VALUES (1, 'first');\n"
    "INSERT INTO T_LONG VALUES (2, RPAD('x', 1000000, 'y'));\n"
    "INSERT INTO T_LONG VALUES (3, 'after');\n"
    "CREATE TABLE T_LRAW (ID NUMBER(5) NOT NULL, BIN LONG RAW, CONSTRAINT PK_T_LRAW PRIMARY KEY (ID));\n"
    "INSERT INTO T_LRAW VALUES (1, HEXTORAW('01'));\n"
    "INSERT INTO T_LRAW VALUES (2, OCILITE_RANDOM_BYTES(1000000, 7));\n"
    "INSERT INTO T_LRAW VALUES (3, HEXTORAW('03'));\n"
    "CREATE TABLE T_NEXT (ID NUMBER(5) NOT NULL, V VARCHAR2(5));\n"
    "INSERT INTO T_NEXT VALUES (1, 'next');\n"
    "COMMIT;\n";

class SourceValues : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = sandbox_port();
        ws_.stores().build_text("VALS", store_sql);
        db_ = test_db_name("src");
        conn_ = std::make_unique<connection>(port_);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    void expect_cut_records_reported(const proc_result& conv) {
        // The run goes on to its end: not the status of a failed or stopped run.
        EXPECT_NE(conv.code, 255) << conv.out << conv.err;
        for (const char* table : {"T_LONG", "T_LRAW"}) {
            const std::string line = std::string(table) + ", record #2: ORA-01406";
            EXPECT_NE(conv.out.find(line), std::string::npos) << line << "\n" << conv.out;
        }
    }
    void expect_other_records_arrived() {
        EXPECT_EQ(conn_->rows("SELECT ID, TXT FROM `" + db_ + "`.T_LONG ORDER BY ID"),
                  (std::vector<std::vector<std::string>>{{"1", "first"}, {"3", "after"}}));
        EXPECT_EQ(conn_->rows("SELECT ID, HEX(BIN) FROM `" + db_ + "`.T_LRAW ORDER BY ID"),
                  (std::vector<std::vector<std::string>>{{"1", "01"}, {"3", "03"}}));
        EXPECT_EQ(conn_->count(db_, "T_NEXT"), 1);
    }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
};

TEST_F(SourceValues, CutLongFailsItsRecordOnlyInTheDump) {
    const std::string dump = ws_.file("vals.sql");
    proc_result conv = run(ws_.tollspar("VALS", {"--dump", "--dest=" + dump}), ws_.dir());
    expect_cut_records_reported(conv);
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    proc_result load = run(ws_.mariadb_client(db_, port_, dump), ws_.dir());
    ASSERT_EQ(load.code, 0) << load.err;
    expect_other_records_arrived();
}

TEST_F(SourceValues, CutLongFailsItsRecordOnlyOnTheLiveRoad) {
    proc_result conv = run(ws_.tollspar("VALS", workspace::live_args(db_, port_)), ws_.dir());
    expect_cut_records_reported(conv);
    expect_other_records_arrived();
}

}  // namespace
}  // namespace rel_test
