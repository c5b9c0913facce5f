// Errors of many records: a cause that is the table's or the connection's (no INSERT
// privilege) ends the table with one error, and repeats of one record error are shown up
// to a limit and then counted in one closing line per table, on both roads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

constexpr int many_rows = 50;
constexpr int infinite_rows = 25;  // of T_INF's 30: then 2 with -Infinity, 3 that arrive

std::string store_sql() {
    std::string sql =
        "CREATE TABLE T_MANY (ID NUMBER(5) NOT NULL, V VARCHAR2(10), CONSTRAINT PK_T_MANY PRIMARY KEY (ID));\n"
        "CREATE TABLE T_INF (ID NUMBER(5) NOT NULL, BD BINARY_DOUBLE, CONSTRAINT PK_T_INF PRIMARY KEY (ID));\n"
        "CREATE TABLE T_NEXT (ID NUMBER(5) NOT NULL, V VARCHAR2(10));\n"
        "INSERT INTO T_NEXT VALUES (1, 'next');\n";
    for (int id = 1; id <= many_rows; ++id)
        sql += "INSERT INTO T_MANY VALUES (" + std::to_string(id) + ", 'v" + std::to_string(id) + "');\n";
    for (int id = 1; id <= 30; ++id)
        sql += "INSERT INTO T_INF VALUES (" + std::to_string(id) + ", " + std::to_string(id) + ");\n";
    return sql + "COMMIT;\n";
}

// Every line of the output that an error report puts after its "Error:" line.
std::vector<std::string> error_messages(const std::string& out) {
    std::vector<std::string> messages;
    const std::vector<std::string> lines = lines_of(out);
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i] == "Error:") messages.push_back(lines[i + 1]);
    return messages;
}

class RecordErrors : public destination_test {
protected:
    RecordErrors() : destination_test("MANY", "rec") {}

    void SetUp() override {
        destination_test::SetUp();
        store(store_sql());
        // Infinities, which the SQL scripts cannot write.
        const std::string table = ws_.stores().table_name("MANY", "T_INF");
        const std::string bd = ws_.stores().column_name("MANY", "T_INF", "BD");
        const std::string id = ws_.stores().column_name("MANY", "T_INF", "ID");
        ws_.stores().exec(
            "MANY", "UPDATE " + table + " SET " + bd + " = 9e999 WHERE " + id + " <= " + std::to_string(infinite_rows));
        ws_.stores().exec("MANY", "UPDATE " + table + " SET " + bd + " = -9e999 WHERE " + id + " IN (26, 27)");
        user_ = "u_" + db_;
        conn_->exec("DROP USER IF EXISTS '" + user_ + "'@'%'");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP USER IF EXISTS '" + user_ + "'@'%'");
        destination_test::TearDown();
    }

    // A live run as an account that may do everything in the database but INSERT.
    proc_result live_without_insert(const std::string& mode) {
        conn_->exec("CREATE USER IF NOT EXISTS '" + user_ + "'@'%' IDENTIFIED BY 'pw'");
        conn_->exec(
            "GRANT SELECT, UPDATE, DELETE, CREATE, DROP, ALTER, INDEX, LOCK TABLES, CREATE TEMPORARY TABLES ON `" +
            db_ + "`.* TO '" + user_ + "'@'%'");
        return tollspar({"--dest=" + db_, "--mysqlh=127.0.0.1", "--myport=" + std::to_string(port_),
                         "--mysqlu=" + user_, "--mysqlp=pw", "--mode=" + mode, "--tab_file=" + tables_file()});
    }
    std::string tables_file() {
        const std::string path = ws_.file("tables.txt");
        test_support::write_file(path, "T_MANY\nT_NEXT\n");
        return path;
    }

    std::string user_;
};

// The T_INF part of a run's errors: the first 20 Infinity records, both -Infinity ones,
// then the count of the Infinity records beyond them.
std::vector<std::string> expected_inf_errors() {
    std::vector<std::string> expected;
    for (int record = 1; record <= 20; ++record)
        expected.push_back("T_INF, record #" + std::to_string(record) +
                           ": The value of column BD is Infinity, which MySQL cannot store");
    for (int record : {26, 27})
        expected.push_back("T_INF, record #" + std::to_string(record) +
                           ": The value of column BD is -Infinity, which MySQL cannot store");
    expected.push_back("T_INF: ... and 5 more records failed with the same error");
    return expected;
}

TEST_F(RecordErrors, RepeatsOfOneRecordErrorAreCountedInOneClosingLineOnBothRoads) {
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        const proc_result conv = dump ? dump_and_load() : live();
        EXPECT_EQ(conv.code, 1) << conv.out << conv.err;
        EXPECT_EQ(error_messages(conv.out), expected_inf_errors()) << conv.out;
        EXPECT_EQ(rows("SELECT ID, BD FROM " + t("T_INF") + " ORDER BY ID"),
                  (rows_t{{"28", "28"}, {"29", "29"}, {"30", "30"}}));
        EXPECT_EQ(conn_->count(db_, "T_MANY"), many_rows);
        EXPECT_EQ(conn_->count(db_, "T_NEXT"), 1);
    }
}

TEST_F(RecordErrors, ADestinationThatRefusesEveryRecordShowsTwentyAndCountsTheRest) {
    ASSERT_EQ(live({"--tab_file=" + tables_file()}).code, 0);
    conn_->exec("DELETE FROM " + t("T_MANY"));
    conn_->exec("CREATE TRIGGER `" + db_ + "`.refuse BEFORE INSERT ON " + t("T_MANY") +
                " FOR EACH ROW BEGIN IF NEW.ID < 48 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                "'refused by the trigger'; END IF; END");
    // merge: each record is its own statement; the table's other rows arrive
    const proc_result conv = live({"--mode=3", "--tab_file=" + tables_file()});
    EXPECT_EQ(conv.code, 1) << conv.out << conv.err;
    std::vector<std::string> expected;
    for (int record = 1; record <= 20; ++record)
        expected.push_back("T_MANY, record #" + std::to_string(record) + ": refused by the trigger");
    expected.push_back("T_MANY: ... and 27 more records failed with the same error");
    EXPECT_EQ(error_messages(conv.out), expected) << conv.out;
    EXPECT_EQ(rows("SELECT ID FROM " + t("T_MANY") + " ORDER BY ID"), (rows_t{{"48"}, {"49"}, {"50"}}));
}

TEST_F(RecordErrors, AnAccountWithoutInsertEndsEachTableWithOneError) {
    // Mode 0 sends the rows in batches; a merge into the tables a first run made sends each
    // record alone.
    for (const char* mode : {"0", "3"}) {
        SCOPED_TRACE(std::string("mode ") + mode);
        if (std::string(mode) == "3") {
            ASSERT_EQ(live({"--tab_file=" + tables_file()}).code, 0);
            conn_->exec("DELETE FROM " + t("T_MANY"));
            conn_->exec("DELETE FROM " + t("T_NEXT"));
        }
        const proc_result conv = live_without_insert(mode);
        EXPECT_EQ(conv.code, 1) << conv.out << conv.err;
        const std::vector<std::string> errors = error_messages(conv.out);
        ASSERT_EQ(errors.size(), 2u) << conv.out;
        EXPECT_TRUE(errors[0].starts_with("T_MANY: INSERT command denied to user")) << errors[0];
        EXPECT_TRUE(errors[1].starts_with("T_NEXT: INSERT command denied to user")) << errors[1];
        // Both tables were taken up: the run went on past the first.
        EXPECT_TRUE(test_support::has_line(conv.out, "Converting table T_NEXT(1 records)")) << conv.out;
        EXPECT_EQ(conn_->count(db_, "T_MANY"), 0);
    }
}

}  // namespace
}  // namespace rel_test
