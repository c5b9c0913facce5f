// A BLOB of 100 MB arrives whole on both roads, with the NULL, empty and small values around
// it and the table after it: the source's locator reads it from where it is stored, piece by
// piece.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

using rows_t = std::vector<std::vector<std::string>>;

constexpr size_t large = 100000000;

const std::string store_sql =
    "CREATE USER scott IDENTIFIED BY tiger;\n"
    "CREATE TABLE T_BIG (ID NUMBER(5) NOT NULL, BIN BLOB, CONSTRAINT PK_T_BIG PRIMARY KEY (ID));\n"
    "INSERT INTO T_BIG VALUES (1, NULL);\n"
    "INSERT INTO T_BIG VALUES (2, EMPTY_BLOB());\n"
    "INSERT INTO T_BIG SELECT 3, OCILITE_RANDOM_BYTES(" +
    std::to_string(large) +
    ", 11) FROM DUAL;\n"
    "INSERT INTO T_BIG VALUES (4, HEXTORAW('00FF27'));\n"
    "CREATE TABLE T_NEXT (ID NUMBER(5) NOT NULL, V VARCHAR2(5));\n"
    "INSERT INTO T_NEXT VALUES (1, 'next');\n"
    "COMMIT;\n";

class LargeLob : public ::testing::Test {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        port_ = sandbox_port();
        ws_.stores().build_text("BIG", store_sql);
        db_ = test_db_name("lob");
        conn_ = std::make_unique<connection>(port_);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    std::string t(const std::string& table) const { return "`" + db_ + "`.`" + table + "`"; }

    void expect_every_value_arrived(const proc_result& conv) {
        EXPECT_EQ(conv.code, 0) << conv.out << conv.err;
        // the source's bytes beside them, a few MB a statement
        const test_support::store_folder& stores = ws_.stores();
        const std::string tab = stores.table_name("BIG", "T_BIG"), id = stores.column_name("BIG", "T_BIG", "ID"),
                          bin = stores.column_name("BIG", "T_BIG", "BIN");
        conn_->exec("CREATE TABLE " + t("SOURCE") + " (ID INT, BIN LONGBLOB)");
        conn_->exec("INSERT INTO " + t("SOURCE") + " VALUES (3, '')");
        constexpr size_t piece = 4000000;
        for (size_t at = 0; at < large; at += piece) {
            const auto rows =
                stores.rows("BIG", "SELECT hex(substr(" + bin + ", " + std::to_string(at + 1) + ", " +
                                       std::to_string(piece) + ")) FROM " + tab + " WHERE " + id + " = 3");
            ASSERT_EQ(rows.size(), 1u);
            conn_->exec("UPDATE " + t("SOURCE") + " SET BIN = CONCAT(BIN, X'" + rows[0][0] + "')");
        }
        EXPECT_EQ(
            conn_->rows("SELECT b.ID, LENGTH(b.BIN), CASE b.ID WHEN 3 THEN b.BIN = s.BIN ELSE HEX(b.BIN) END "
                        "FROM " +
                        t("T_BIG") + " b LEFT JOIN " + t("SOURCE") + " s USING (ID) ORDER BY b.ID"),
            (rows_t{{"1", "NULL", "NULL"}, {"2", "0", ""}, {"3", std::to_string(large), "1"}, {"4", "3", "00FF27"}}));
        EXPECT_EQ(conn_->count(db_, "T_NEXT"), 1);
    }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
};

// Values whose literals are each longer than a statement of rows: bytes, text beyond ASCII
// with characters outside the Basic Multilingual Plane, ASCII text full of characters to
// escape; in a table whose name is not ASCII (its statements are prepared on the server from
// their text) and in one whose name is, between small rows.
std::string wide_values_sql(const std::string& table, const std::string& key) {
    const std::string into = "INSERT INTO " + table;
    return "CREATE TABLE " + table + " (ID NUMBER(5) NOT NULL, BIN BLOB, TXT CLOB, CONSTRAINT " + key +
           " PRIMARY KEY (ID));\n" + into + " VALUES (1, HEXTORAW('01'), 'a');\n" + into +
           " SELECT 2, OCILITE_RANDOM_BYTES(3000000, 5), RPAD('\u00e9', 1500000, '\u00fc\U0001F600') FROM DUAL;\n" +
           into + " VALUES (3, NULL, NULL);\n" + into +
           " SELECT 4, OCILITE_RANDOM_BYTES(600000, 6), RPAD('a', 1200000, '''\\') FROM DUAL;\n" + into +
           " VALUES (5, HEXTORAW('00FF27'), 'z');\n";
}

class WideValues : public destination_test {
protected:
    WideValues() : destination_test("WIDE", "wide") {}

    // Each cell of the two tables arrived as the source holds it, byte for byte.
    void expect_every_value_arrived() {
        const test_support::store_folder& stores = ws_.stores();
        conn_->exec("CREATE TABLE " + t("SOURCE") +
                    " (T VARCHAR(8), ID INT, BIN LONGBLOB, TXT LONGBLOB, PRIMARY KEY (T, ID))");
        for (const std::string table : {"T\u00dcR", "PLAIN"}) {
            const std::string tab = stores.table_name("WIDE", table), id = stores.column_name("WIDE", table, "ID");
            for (const std::string column : {"BIN", "TXT"}) {
                const std::string c = stores.column_name("WIDE", table, column);
                // a million bytes (characters of text) a statement
                for (size_t at = 1; at <= 3000000; at += 1000000) {
                    const auto cells =
                        stores.rows("WIDE", "SELECT " + id + ", hex(substr(" + c + ", " + std::to_string(at) +
                                                ", 1000000)) FROM " + tab + " WHERE " + c + " IS NOT NULL");
                    for (const auto& cell : cells)
                        conn_->exec("INSERT INTO " + t("SOURCE") + " (T, ID, " + column + ") VALUES ('" + table +
                                    "', " + cell[0] + ", X'" + cell[1] + "') ON DUPLICATE KEY UPDATE " + column +
                                    " = CONCAT(COALESCE(" + column + ", ''), VALUES(" + column + "))");
                }
            }
            EXPECT_EQ(rows("SELECT d.ID, LENGTH(d.BIN), CHAR_LENGTH(d.TXT), d.BIN <=> s.BIN, "
                           "CAST(d.TXT AS BINARY) <=> s.TXT FROM " +
                           t(table) + " d LEFT JOIN " + t("SOURCE") + " s ON s.T = '" + table +
                           "' AND s.ID = d.ID ORDER BY d.ID"),
                      (rows_t{{"1", "1", "1", "1", "1"},
                              {"2", "3000000", "1500000", "1", "1"},
                              {"3", "NULL", "NULL", "1", "1"},
                              {"4", "600000", "1200000", "1", "1"},
                              {"5", "3", "1", "1", "1"}}))
                << table;
        }
    }
};

TEST_F(WideValues, ArriveExactOnBothRoads) {
    store(wide_values_sql("\"T\u00dcR\"", "PK_WIDE") + wide_values_sql("PLAIN", "PK_PLAIN") + "COMMIT;\n");
    for (const bool dump : {true, false}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        const proc_result conv = dump ? dump_and_load() : live();
        EXPECT_EQ(conv.code, 0) << conv.out << conv.err;
        expect_every_value_arrived();
    }
}

TEST_F(LargeLob, ArrivesWholeInTheDump) {
    const std::string dump = ws_.file("big.sql");
    proc_result conv = run(ws_.tollspar("BIG", {"--dump", "--dest=" + dump}), ws_.dir());
    // the dump says what packet its largest statement needs
    EXPECT_NE(conv.out.find("--max-allowed-packet"), std::string::npos) << conv.out;
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    proc_spec client = ws_.mariadb_client(db_, port_, dump);
    client.argv.insert(client.argv.end() - 1, "--max-allowed-packet=256M");
    proc_result load = run(client, ws_.dir());
    ASSERT_EQ(load.code, 0) << load.err;
    expect_every_value_arrived(conv);
}

TEST_F(LargeLob, ArrivesWholeOnTheLiveRoad) {
    proc_result conv = run(ws_.tollspar("BIG", workspace::live_args(db_, port_)), ws_.dir());
    expect_every_value_arrived(conv);
}

}  // namespace
}  // namespace rel_test
