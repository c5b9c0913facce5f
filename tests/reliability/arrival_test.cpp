// Every value, key and default arrives, or its loss is reported: the built tollspar on the
// road where each fault showed (a dump file loaded by the stock client, the live server),
// with the exit status telling a clean run (0) from one with losses (1).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

using rows_t = std::vector<std::vector<std::string>>;

int count_lines(const std::string& out, const std::string& line) {
    int n = 0;
    for (const auto& l : lines_of(out))
        if (l == line) ++n;
    return n;
}

bool has_line_starting(const std::string& out, const std::string& start) {
    for (const auto& l : lines_of(out))
        if (l.rfind(start, 0) == 0) return true;
    return false;
}

class Arrival : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = sandbox_port();
        if (port_ == 0) GTEST_SKIP() << "MG_MYSQL_PORT is not set";
        db_ = test_db_name("arr");
        conn_ = std::make_unique<connection>(port_);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    void store(const std::string& sql) {
        ws_.build_store_from_text("ARR", "CREATE USER scott IDENTIFIED BY tiger;\n" + sql);
    }
    proc_result live(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = workspace::live_args(db_, port_);
        args.insert(args.end(), extra.begin(), extra.end());
        return run(ws_.tollspar("ARR", args), ws_.dir());
    }
    // The dump written and loaded into the test's database; the load's output is kept.
    proc_result dump_and_load(const std::vector<std::string>& extra = {}) {
        const std::string dump = ws_.file("arr.sql");
        std::vector<std::string> args = {"--dump", "--dest=" + dump};
        args.insert(args.end(), extra.begin(), extra.end());
        proc_result conv = run(ws_.tollspar("ARR", args), ws_.dir());
        conn_->exec("CREATE DATABASE IF NOT EXISTS `" + db_ + "`");
        load_ = run(ws_.mariadb_client(db_, port_, dump), ws_.dir());
        EXPECT_EQ(load_.code, 0) << load_.err;
        return conv;
    }
    // A profile in synchronize mode (the command line refuses mode 4) reaching the store
    // and the sandbox.
    std::string synchronize_profile() {
        const std::string path = ws_.file("sync.qrn");
        std::ofstream(path, std::ios::binary) << "[Generic settings]\nmode=4\n[Oracle settings]\nuser=scott\n"
                                                 "password=tiger\n[MySQL settings]\nhost=127.0.0.1\nport="
                                              << port_ << "\nuser=root\n";
        return path;
    }
    rows_t rows(const std::string& select) { return conn_->rows(select); }
    std::string t(const std::string& table) const { return "`" + db_ + "`.`" + table + "`"; }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
    proc_result load_;
};

// ---- merge and synchronize into a table that is already there ----------------------------

const char* const three_columns =
    "CREATE TABLE T1 (ID NUMBER(5) NOT NULL, A VARCHAR2(10), B VARCHAR2(10), CONSTRAINT PK_T1 PRIMARY KEY (ID));\n"
    "INSERT INTO T1 VALUES (1, 'a1', 'b1');\n"
    "INSERT INTO T1 VALUES (2, 'a2', 'b2');\n"
    "INSERT INTO T1 VALUES (3, 'a3', 'b3');\n";

TEST_F(Arrival, MergeWritesEachFieldIntoTheColumnOfItsName) {
    store(three_columns);
    // as many columns as the source, in another order
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    conn_->exec("CREATE TABLE " + t("T1") + " (ID INT PRIMARY KEY, B VARCHAR(10), A VARCHAR(10))");
    conn_->exec("INSERT INTO " + t("T1") + " VALUES (1, 'old b', 'old a')");
    proc_result r = live({"--mode=3"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(rows("SELECT ID, A, B FROM " + t("T1") + " ORDER BY ID"),
              (rows_t{{"1", "old a", "old b"}, {"2", "a2", "b2"}, {"3", "a3", "b3"}}));
}

TEST_F(Arrival, MergeRefusesAFieldTheTableLacks) {
    store(three_columns);
    // the same number of columns, but B is not there: nothing of B goes into C
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    conn_->exec("CREATE TABLE " + t("T1") + " (ID INT PRIMARY KEY, A VARCHAR(10), C VARCHAR(10))");
    proc_result r = live({"--mode=3"});
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_TRUE(has_line_starting(r.out, "T1: The structure of data source does not conform")) << r.out;
    EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("T1")), "0");
}

TEST_F(Arrival, SynchronizeReportsAnUpdateThatFailsAndGoesOn) {
    store(
        "CREATE TABLE T2 (ID NUMBER(5) NOT NULL, CODE VARCHAR2(10), V VARCHAR2(10), CONSTRAINT PK_T2 PRIMARY KEY "
        "(ID));\n"
        "INSERT INTO T2 VALUES (1, 'c1', 'new1');\n"
        "INSERT INTO T2 VALUES (2, 'c2', 'new2');\n"
        "INSERT INTO T2 VALUES (3, 'c3', 'new3');\n"
        "INSERT INTO T2 VALUES (4, 'c4', 'new4');\n"
        "INSERT INTO T2 VALUES (5, 'c5', 'new5');\n");
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    conn_->exec("CREATE TABLE " + t("T2") +
                " (ID INT PRIMARY KEY, CODE VARCHAR(10), V VARCHAR(10), UNIQUE KEY (CODE))");
    // record 2: its key is there, but its CODE belongs to row 9 (the UPDATE is refused);
    // record 4: its CODE is there under another key (the UPDATE by ID matches nothing)
    conn_->exec("INSERT INTO " + t("T2") +
                " VALUES (1, 'c1', 'old1'), (2, 'cX', 'old2'), (9, 'c2', 'old9'), "
                "(8, 'c4', 'old8')");
    proc_result r = run(ws_.tollspar("ARR", {"--profile=" + synchronize_profile(), "--dest=" + db_}), ws_.dir());
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_TRUE(has_line_starting(r.out, "T2, record #2: ")) << r.out;
    EXPECT_TRUE(has_line_starting(r.out, "T2, record #4: ")) << r.out;
    EXPECT_EQ(count_lines(r.out, "Error:"), 2) << r.out;
    EXPECT_EQ(rows("SELECT ID, CODE, V FROM " + t("T2") + " ORDER BY ID"), (rows_t{{"1", "c1", "new1"},
                                                                                   {"2", "cX", "old2"},
                                                                                   {"3", "c3", "new3"},
                                                                                   {"5", "c5", "new5"},
                                                                                   {"8", "c4", "old8"},
                                                                                   {"9", "c2", "old9"}}));
}

// ---- values that do not fit --------------------------------------------------------------

const char* const huge_number =
    "CREATE TABLE BIGN (ID NUMBER(5) NOT NULL, N NUMBER(38,-5), CONSTRAINT PK_BIGN PRIMARY KEY (ID));\n"
    "INSERT INTO BIGN VALUES (1, 500000);\n"
    "INSERT INTO BIGN VALUES (2, 99999999999999999999999999999999999999e5);\n"
    "INSERT INTO BIGN VALUES (3, 700000);\n"
    "CREATE TABLE LATER (ID NUMBER(5) NOT NULL, CONSTRAINT PK_LATER PRIMARY KEY (ID));\n"
    "INSERT INTO LATER VALUES (1);\n";

TEST_F(Arrival, AValueThatDoesNotFitLosesItsRecordOnly) {
    store(huge_number);
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        proc_result r = dump ? dump_and_load() : live();
        EXPECT_EQ(r.code, 1) << r.out << r.err;
        EXPECT_EQ(count_lines(r.out, "Error:"), 1) << r.out;
        EXPECT_TRUE(has_line_starting(r.out, "BIGN, record #2: ")) << r.out;
        EXPECT_EQ(rows("SELECT ID, N FROM " + t("BIGN") + " ORDER BY ID"), (rows_t{{"1", "500000"}, {"3", "700000"}}));
        EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("LATER")), "1");
    }
}

// ---- exit status and error lines ---------------------------------------------------------

TEST_F(Arrival, ExitStatusTellsACleanRunFromOneWithLosses) {
    store(three_columns);
    proc_result clean = live();
    EXPECT_EQ(clean.code, 0) << clean.out << clean.err;
    proc_result merged = live({"--mode=3"});
    EXPECT_EQ(merged.code, 0) << "every key is there: merge skips them silently\n" << merged.out;
    // A row the server refuses: lost and reported, the run finishes.
    conn_->exec("DELETE FROM " + t("T1"));
    conn_->exec("ALTER TABLE " + t("T1") + " ADD CONSTRAINT no_a2 CHECK (A <> 'a2')");
    proc_result lossy = live({"--mode=3"});
    EXPECT_EQ(lossy.code, 1) << lossy.out << lossy.err;
    EXPECT_TRUE(has_line_starting(lossy.out, "T1, record #2: ")) << lossy.out;
    EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("T1")), "2");
    // A run that could not be done is still 255.
    proc_result failed =
        run(ws_.tollspar("ARR", {"--dest=" + db_, "--mysqlh=127.0.0.1", "--myport=1", "--mysqlu=root"}), ws_.dir());
    EXPECT_EQ(failed.code, 255) << failed.out << failed.err;
}

TEST_F(Arrival, ErrorLinesCarryNoCarriageReturnOrTrailingBlank) {
    store(three_columns);
    proc_result r = live();
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    r = run(ws_.tollspar("ARR", workspace::live_args("bad/name", port_)), ws_.dir());
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_TRUE(has_line_starting(r.out, "Not a valid MySQL database name.")) << r.out;
    for (const std::string& text : {r.out, r.err}) {
        EXPECT_EQ(text.find('\r'), std::string::npos) << text;
        for (const auto& line : lines_of(text)) EXPECT_TRUE(line.empty() || line.back() != ' ') << "[" << line << "]";
    }
}

}  // namespace
}  // namespace rel_test
