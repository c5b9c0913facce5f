// LONG and LONG RAW values of any length arrive whole on both roads (the reader fetches them
// piece by piece), with the records around them and the later tables; their MySQL columns
// are LONGTEXT and LONGBLOB.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

using rows_t = std::vector<std::vector<std::string>>;

// 1,000,000 and 5,000,000 bytes each: a LONG of ASCII, one of two-byte characters (é),
// LONG RAWs of random bytes.
constexpr const char* store_sql =
    "CREATE USER scott IDENTIFIED BY tiger;\n"
    "CREATE TABLE T_LONG (ID NUMBER(5) NOT NULL, TXT LONG, CONSTRAINT PK_T_LONG PRIMARY KEY (ID));\n"
    "INSERT INTO T_LONG VALUES (1, 'first');\n"
    "INSERT INTO T_LONG VALUES (2, RPAD('x', 1000000, 'y'));\n"
    "INSERT INTO T_LONG VALUES (3, RPAD('\xC3\xA9', 2500000, '\xC3\xA9'));\n"
    "INSERT INTO T_LONG VALUES (4, 'after');\n"
    "CREATE TABLE T_LRAW (ID NUMBER(5) NOT NULL, BIN LONG RAW, CONSTRAINT PK_T_LRAW PRIMARY KEY (ID));\n"
    "INSERT INTO T_LRAW VALUES (1, HEXTORAW('01'));\n"
    "INSERT INTO T_LRAW VALUES (2, OCILITE_RANDOM_BYTES(1000000, 7));\n"
    "INSERT INTO T_LRAW VALUES (3, OCILITE_RANDOM_BYTES(5000000, 8));\n"
    "INSERT INTO T_LRAW VALUES (4, HEXTORAW('03'));\n"
    "CREATE TABLE T_NEXT (ID NUMBER(5) NOT NULL, V VARCHAR2(5));\n"
    "INSERT INTO T_NEXT VALUES (1, 'next');\n"
    "COMMIT;\n";

class SourceValues : public ::testing::Test {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        port_ = sandbox_port();
        ws_.stores().build_text("VALS", store_sql);
        db_ = test_db_name("src");
        conn_ = std::make_unique<connection>(port_);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    std::string t(const std::string& table) const { return "`" + db_ + "`.`" + table + "`"; }

    void expect_every_value_arrived(const proc_result& conv) {
        EXPECT_EQ(conv.code, 0) << conv.out << conv.err;
        EXPECT_EQ(conn_->rows("SELECT ID, LENGTH(TXT), CASE ID WHEN 2 THEN TXT = CONCAT('x', REPEAT('y', 999999)) "
                              "WHEN 3 THEN TXT = REPEAT(_utf8mb4 0xC3A9, 2500000) ELSE TXT END FROM " +
                              t("T_LONG") + " ORDER BY ID"),
                  (rows_t{{"1", "5", "first"}, {"2", "1000000", "1"}, {"3", "5000000", "1"}, {"4", "5", "after"}}));
        // the source's bytes beside them
        const test_support::store_folder& stores = ws_.stores();
        const std::string tab = stores.table_name("VALS", "T_LRAW"), id = stores.column_name("VALS", "T_LRAW", "ID"),
                          bin = stores.column_name("VALS", "T_LRAW", "BIN");
        conn_->exec("CREATE TABLE " + t("SOURCE") + " (ID INT, BIN LONGBLOB)");
        for (const auto& row : stores.rows("VALS", "SELECT " + id + ", hex(" + bin + ") FROM " + tab))
            conn_->exec("INSERT INTO " + t("SOURCE") + " VALUES (" + row[0] + ", X'" + row[1] + "')");
        EXPECT_EQ(conn_->rows("SELECT r.ID, LENGTH(r.BIN), r.BIN = s.BIN FROM " + t("T_LRAW") + " r JOIN " +
                              t("SOURCE") + " s USING (ID) ORDER BY r.ID"),
                  (rows_t{{"1", "1", "1"}, {"2", "1000000", "1"}, {"3", "5000000", "1"}, {"4", "1", "1"}}));
        EXPECT_EQ(
            conn_->rows("SELECT TABLE_NAME, DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" + db_ +
                        "' AND TABLE_NAME LIKE 'T\\_L%' AND COLUMN_NAME IN ('TXT', 'BIN') ORDER BY TABLE_NAME"),
            (rows_t{{"T_LONG", "longtext"}, {"T_LRAW", "longblob"}}));
        EXPECT_EQ(conn_->count(db_, "T_NEXT"), 1);
    }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
};

TEST_F(SourceValues, LongsArriveWholeInTheDump) {
    const std::string dump = ws_.file("vals.sql");
    proc_result conv = run(ws_.tollspar("VALS", {"--dump", "--dest=" + dump}), ws_.dir());
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    proc_result load = run(ws_.mariadb_client(db_, port_, dump), ws_.dir());
    ASSERT_EQ(load.code, 0) << load.err;
    expect_every_value_arrived(conv);
}

TEST_F(SourceValues, LongsArriveWholeOnTheLiveRoad) {
    proc_result conv = run(ws_.tollspar("VALS", workspace::live_args(db_, port_)), ws_.dir());
    expect_every_value_arrived(conv);
}

}  // namespace
}  // namespace rel_test
