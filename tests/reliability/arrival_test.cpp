// Every value, key and default arrives, or its loss is reported: the built tollspar on the
// road where each fault showed (a dump file loaded by the stock client, the live server),
// with the exit status telling a clean run (0) from one with losses (1).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"
#include "tests/support/own_server.h"

namespace rel_test {
namespace {

int count_lines(const std::string& out, const std::string& line) {
    int n = 0;
    for (const auto& l : lines_of(out))
        if (l == line) ++n;
    return n;
}

class Arrival : public destination_test {
protected:
    Arrival() : destination_test("ARR", "arr") {}

    // A profile in synchronize mode (the command line refuses mode 4) reaching the store
    // and the sandbox.
    std::string synchronize_profile() {
        const std::string path = ws_.file("sync.qrn");
        std::ofstream(path, std::ios::binary) << "[Generic settings]\nmode=4\n[Oracle settings]\nuser=scott\n"
                                                 "password=tiger\n[MySQL settings]\nhost=127.0.0.1\nport="
                                              << port_ << "\nuser=root\n";
        return path;
    }
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

// ---- keys and indexes ------------------------------------------------------------------

const char* const keyed_tables =
    // an unnamed (system-named) unique constraint
    "CREATE TABLE K1 (ID NUMBER(5) NOT NULL, CODE VARCHAR2(10), CONSTRAINT PK_K1 PRIMARY KEY (ID), UNIQUE (CODE));\n"
    "INSERT INTO K1 VALUES (1, 'a');\n"
    // a unique index named Primary, and two indexes whose names differ only in case
    "CREATE TABLE K2 (ID NUMBER(5) NOT NULL, A VARCHAR2(10), B VARCHAR2(10));\n"
    "CREATE UNIQUE INDEX \"Primary\" ON K2 (A);\n"
    "CREATE INDEX ix_b ON K2 (B);\n"
    "CREATE INDEX \"IX_b\" ON K2 (ID);\n"
    "INSERT INTO K2 VALUES (1, 'a', 'b');\n"
    // the usual GUID key, and a unique key over a column longer than 255 characters
    "CREATE TABLE K3 (G RAW(16) NOT NULL, V VARCHAR2(256) DEFAULT 'v', CONSTRAINT PK_K3 PRIMARY KEY (G), "
    "CONSTRAINT UQ_K3 UNIQUE (V));\n"
    "INSERT INTO K3 VALUES (HEXTORAW('00112233445566778899AABBCCDDEEFF'), 'x');\n"
    // keys over long VARCHAR columns, which utf8mb4 makes 1,004 and 3,060 bytes long
    "CREATE TABLE K4 (V VARCHAR2(251) NOT NULL, CONSTRAINT PK_K4 PRIMARY KEY (V));\n"
    "INSERT INTO K4 VALUES ('v');\n"
    "CREATE TABLE K5 (A VARCHAR2(255) NOT NULL, B VARCHAR2(255) NOT NULL, C VARCHAR2(255) NOT NULL, "
    "CONSTRAINT PK_K5 PRIMARY KEY (A, B, C));\n"
    "INSERT INTO K5 VALUES ('a', 'b', 'c');\n"
    // a key that no server takes: the table arrives, the key is reported
    "CREATE TABLE K6 (A VARCHAR2(1000) NOT NULL, B VARCHAR2(10), CONSTRAINT PK_K6 PRIMARY KEY (A, B));\n"
    "INSERT INTO K6 VALUES ('a', 'b');\n";

TEST_F(Arrival, EveryKeyArrivesOrIsReported) {
    store(keyed_tables);
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        proc_result r = dump ? dump_and_load() : live();
        EXPECT_EQ(r.code, 1) << r.out << r.err;
        EXPECT_EQ(count_lines(r.out, "Error:"), 1) << r.out;
        EXPECT_TRUE(has_line_starting(r.out, "K6: The primary key is not created: ")) << r.out;
        // key name, unique, columns
        EXPECT_EQ(rows("SELECT TABLE_NAME, INDEX_NAME, NON_UNIQUE, GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX) "
                       "FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = '" +
                       db_ + "' GROUP BY TABLE_NAME, INDEX_NAME, NON_UNIQUE ORDER BY TABLE_NAME, INDEX_NAME"),
                  (rows_t{{"K1", "PRIMARY", "0", "ID"},
                          {"K1", "SYS_C0010000", "0", "CODE"},
                          {"K2", "IX_B", "1", "B"},
                          {"K2", "IX_b00000", "1", "ID"},
                          {"K2", "Primary00000", "0", "A"},
                          {"K3", "PRIMARY", "0", "G"},
                          {"K3", "UQ_K3", "0", "V"},
                          {"K4", "PRIMARY", "0", "V"},
                          {"K5", "PRIMARY", "0", "A,B,C"}}));
        EXPECT_EQ(rows("SELECT COLUMN_NAME, COLUMN_TYPE, IFNULL(COLUMN_DEFAULT, 'none') FROM "
                       "information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                       db_ + "' AND TABLE_NAME = 'K3' ORDER BY ORDINAL_POSITION"),
                  (rows_t{{"G", "varbinary(16)", "none"}, {"V", "varchar(256)", "'v'"}}));
        EXPECT_EQ(conn_->scalar("SELECT HEX(G) FROM " + t("K3")), "00112233445566778899AABBCCDDEEFF");
        EXPECT_EQ(conn_->scalar("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db_ +
                                "' AND TABLE_NAME = 'K5'"),
                  "InnoDB");
        EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("K6")), "1");
    }
}

// ---- reruns and table names --------------------------------------------------------------

TEST_F(Arrival, ARerunFindsTheTablesTheFirstRunMade) {
    store(
        "CREATE TABLE \"Plain\" (ID NUMBER(5) NOT NULL, CONSTRAINT PK_P1 PRIMARY KEY (ID));\n"
        "INSERT INTO \"Plain\" VALUES (1);\n"
        "CREATE TABLE PLAIN (ID NUMBER(5) NOT NULL, CONSTRAINT PK_P2 PRIMARY KEY (ID));\n"
        "INSERT INTO PLAIN VALUES (2);\n"
        "INSERT INTO PLAIN VALUES (3);\n");
    proc_result first = live();
    ASSERT_EQ(first.code, 0) << first.out << first.err;
    const rows_t tables = rows("SELECT TABLE_NAME, TABLE_ROWS FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" +
                               db_ + "' ORDER BY TABLE_NAME");
    ASSERT_EQ(tables.size(), 2u);
    for (const char* mode : {"--mode=1", "--mode=2", "--mode=3"}) {
        SCOPED_TRACE(mode);
        proc_result again = live({mode});
        EXPECT_EQ(again.code, 0) << again.out << again.err;
        EXPECT_EQ(rows("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db_ +
                       "' ORDER BY TABLE_NAME"),
                  (rows_t{{tables[0][0]}, {tables[1][0]}}));
        EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("PLAIN")), "2");
        EXPECT_EQ(
            conn_->scalar("SELECT GROUP_CONCAT(ID) FROM " + t(tables[0][0] == "PLAIN" ? tables[1][0] : tables[0][0])),
            "1");
    }
}

TEST_F(Arrival, AUsersTableInAnotherCaseIsNotTheSourcesTable) {
    // the sandbox runs with lower_case_table_names=0, as Linux servers do
    ASSERT_EQ(conn_->scalar("SELECT @@lower_case_table_names"), "0");
    store(three_columns);
    conn_->exec("CREATE DATABASE `" + db_ + "`");
    conn_->exec("CREATE TABLE " + t("t1") + " (mine INT)");
    conn_->exec("INSERT INTO " + t("t1") + " VALUES (42)");
    for (const char* mode : {"--mode=1", "--mode=2", "--mode=3"}) {
        SCOPED_TRACE(mode);
        proc_result r = live({mode});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(conn_->scalar("SELECT GROUP_CONCAT(mine) FROM " + t("t1")), "42");
        EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("T1")), "3");
    }
}

// ---- defaults ----------------------------------------------------------------------------

const char* const defaults_table =
    "CREATE TABLE DEFS (ID NUMBER(5) NOT NULL,\n"
    "  S1 VARCHAR2(10) DEFAULT 'a' || 'b',\n"
    "  S2 VARCHAR2(10) DEFAULT 'it''s',\n"
    "  S3 VARCHAR2(10) DEFAULT SUBSTR('abc', 1, 1),\n"
    "  N12 NUMBER(12) DEFAULT 123456789012,\n"
    "  N20 NUMBER(20) DEFAULT 12345678901234567890,\n"
    "  I1 NUMBER(5) DEFAULT 1e3,\n"
    "  I2 NUMBER(5) DEFAULT 1.5,\n"
    "  I3 NUMBER(5) DEFAULT 007,\n"
    "  D1 DATE DEFAULT '03-FEB-01',\n"
    "  D2 DATE DEFAULT DATE '2001-02-03',\n"
    "  D3 DATE DEFAULT TIMESTAMP '2001-02-03 04:05:06',\n"
    "  D4 DATE DEFAULT '31-FEB-2005',\n"
    "  D5 DATE DEFAULT SYSDATE,\n"
    "  CONSTRAINT PK_DEFS PRIMARY KEY (ID));\n"
    "INSERT INTO DEFS (ID, D1, D2, D3, D4, D5) VALUES (1, TO_DATE('2020-01-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS'), "
    "TO_DATE('2020-01-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS'), TO_DATE('2020-01-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS'), "
    "TO_DATE('2020-01-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS'), TO_DATE('2020-01-01 10:00:00', 'YYYY-MM-DD "
    "HH24:MI:SS'));\n"
    // a time-only column with a date default: the default narrows with it
    "CREATE TABLE TDEF (ID NUMBER(5) NOT NULL, T DATE DEFAULT '03-FEB-2001', CONSTRAINT PK_TDEF PRIMARY KEY (ID));\n"
    "INSERT INTO TDEF VALUES (1, OCILITE_TIME('08:30:00'));\n";

TEST_F(Arrival, DefaultsArriveAsTheSourceMeantThem) {
    store(defaults_table);
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        proc_result r = dump ? dump_and_load() : live();
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        if (dump) {
            EXPECT_EQ(load_.err, "");
        }
        EXPECT_EQ(rows("SELECT COLUMN_NAME, IFNULL(COLUMN_DEFAULT, 'none') FROM information_schema.COLUMNS WHERE "
                       "TABLE_SCHEMA = '" +
                       db_ + "' AND TABLE_NAME = 'DEFS' AND COLUMN_NAME <> 'ID' ORDER BY ORDINAL_POSITION"),
                  (rows_t{{"S1", "NULL"},
                          {"S2", "'it''s'"},
                          {"S3", "NULL"},
                          {"N12", "123456789012"},
                          {"N20", "12345678901234567890"},
                          {"I1", "1000"},
                          {"I2", "NULL"},
                          {"I3", "7"},
                          {"D1", "'2001-02-03 00:00:00'"},
                          {"D2", "'2001-02-03 00:00:00'"},
                          {"D3", "'2001-02-03 04:05:06'"},
                          {"D4", "NULL"},
                          {"D5", "NULL"}}));
        EXPECT_EQ(rows("SELECT COLUMN_TYPE, IFNULL(COLUMN_DEFAULT, 'none') FROM information_schema.COLUMNS WHERE "
                       "TABLE_SCHEMA = '" +
                       db_ + "' AND TABLE_NAME = 'TDEF' AND COLUMN_NAME = 'T'"),
                  (rows_t{{"time", "NULL"}}));
    }
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

// ---- a server of the test's own, set as users' servers are ------------------------------

// One MariaDB server of its own for the tests below, so that its global settings never reach
// the server the other tests share.
class HostileServer : public Arrival {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<test_support::own_server>(); }
    static void TearDownTestSuite() { server_.reset(); }
    static unsigned own_port() { return static_cast<unsigned>(std::stoul(server_->port())); }
    void SetUp() override {
        Arrival::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(server_->started()) << server_->failure();
        own_ = std::make_unique<connection>(own_port());
        own_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (own_) own_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        Arrival::TearDown();
    }
    proc_result live_on_own(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = workspace::live_args(db_, own_port());
        args.insert(args.end(), extra.begin(), extra.end());
        return run(ws_.tollspar("ARR", args), ws_.dir());
    }

    static std::unique_ptr<test_support::own_server> server_;
    std::unique_ptr<connection> own_;
};

std::unique_ptr<test_support::own_server> HostileServer::server_;

const char* const large_rows =
    "CREATE TABLE BLOBS (ID NUMBER(5) NOT NULL, C CLOB, CONSTRAINT PK_BLOBS PRIMARY KEY (ID));\n"
    "INSERT INTO BLOBS VALUES (1, RPAD('a', 300000, 'b'));\n"
    "INSERT INTO BLOBS VALUES (2, RPAD('c', 300000, 'd'));\n"
    "INSERT INTO BLOBS VALUES (3, RPAD('e', 300000, 'f'));\n"
    "INSERT INTO BLOBS VALUES (4, RPAD('g', 2000000, 'h'));\n"
    "INSERT INTO BLOBS VALUES (5, RPAD('i', 300000, 'j'));\n"
    "INSERT INTO BLOBS VALUES (6, RPAD('k', 300000, 'l'));\n"
    "INSERT INTO BLOBS VALUES (7, RPAD('m', 900000, 'n'));\n"
    "CREATE TABLE ZLATER (ID NUMBER(5) NOT NULL, CONSTRAINT PK_ZLATER PRIMARY KEY (ID));\n"
    "INSERT INTO ZLATER VALUES (1);\n";

TEST_F(HostileServer, StatementsStayUnderTheServersPacketSize) {
    store(large_rows);
    own_->exec("SET GLOBAL max_allowed_packet = 1048576");
    proc_result r = live_on_own();
    own_->exec("SET GLOBAL max_allowed_packet = 268435456");
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_EQ(count_lines(r.out, "Error:"), 1) << r.out;
    EXPECT_TRUE(has_line_starting(r.out, "BLOBS, record #4: ")) << r.out;
    EXPECT_EQ(
        own_->rows("SELECT ID, LENGTH(C) FROM `" + db_ + "`.`BLOBS` ORDER BY ID"),
        (rows_t{{"1", "300000"}, {"2", "300000"}, {"3", "300000"}, {"5", "300000"}, {"6", "300000"}, {"7", "900000"}}));
    EXPECT_EQ(own_->scalar("SELECT COUNT(*) FROM `" + db_ + "`.`ZLATER`"), "1");
}

TEST_F(HostileServer, ZeroDateModesDoNotRefuseWhatTheRunWritesOnPurpose) {
    store(
        "CREATE TABLE TIMES (ID NUMBER(5) NOT NULL, T DATE, CONSTRAINT PK_TIMES PRIMARY KEY (ID));\n"
        "INSERT INTO TIMES VALUES (1, OCILITE_TIME('08:30:00'));\n"
        "INSERT INTO TIMES VALUES (2, OCILITE_TIME('23:59:59'));\n");
    // MySQL 8's default modes
    own_->exec(
        "SET GLOBAL sql_mode = 'ONLY_FULL_GROUP_BY,STRICT_TRANS_TABLES,NO_ZERO_IN_DATE,NO_ZERO_DATE,"
        "ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION'");
    proc_result r = live_on_own();
    own_->exec("SET GLOBAL sql_mode = DEFAULT");
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(own_->rows("SELECT ID, T FROM `" + db_ + "`.`TIMES` ORDER BY ID"),
              (rows_t{{"1", "08:30:00"}, {"2", "23:59:59"}}));
    EXPECT_EQ(own_->scalar("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" + db_ +
                           "' AND COLUMN_NAME = 'T'"),
              "time");
}

TEST_F(HostileServer, ModesThatChangeStoredValuesDoNotReachTheRowsOnEitherRoad) {
    store(
        "CREATE TABLE EMPTIES (ID NUMBER(5) NOT NULL, C CLOB NOT NULL, B BLOB, CH CHAR(4), T DATE,\n"
        "  CONSTRAINT PK_EMPTIES PRIMARY KEY (ID));\n"
        "INSERT INTO EMPTIES VALUES (1, EMPTY_CLOB(), EMPTY_BLOB(), 'ab', OCILITE_TIME('08:30:00'));\n"
        "INSERT INTO EMPTIES VALUES (2, 'x', HEXTORAW('00'), NULL, NULL);\n");
    const rows_t expected{{"1", "0", "0", "ab  ", "08:30:00"}, {"2", "1", "1", "NULL", "NULL"}};
    const std::string select = "SELECT ID, LENGTH(C), LENGTH(B), CH, T FROM `" + db_ + "`.`EMPTIES` ORDER BY ID";
    // TRADITIONAL as a name brings the zero-date modes back whenever it is set again
    own_->exec("SET GLOBAL sql_mode = 'EMPTY_STRING_IS_NULL,PAD_CHAR_TO_FULL_LENGTH,TRADITIONAL'");
    proc_result r = live_on_own();
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(own_->rows(select), expected);

    own_->exec("DROP DATABASE `" + db_ + "`");
    own_->exec("CREATE DATABASE `" + db_ + "`");
    const std::string dump = ws_.file("modes.sql");
    r = run(ws_.tollspar("ARR", {"--dump", "--dest=" + dump}), ws_.dir());
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    const proc_result load = run(ws_.mariadb_client(db_, own_port(), dump), ws_.dir());
    own_->exec("SET GLOBAL sql_mode = DEFAULT");
    EXPECT_EQ(load.code, 0) << load.err;
    EXPECT_EQ(own_->rows(select), expected);
}

TEST_F(HostileServer, AZeroMergedIntoAnAutoIncrementKeyStaysZero) {
    store(
        "CREATE TABLE COUNTED (ID NUMBER(5) NOT NULL, V VARCHAR2(5), CONSTRAINT PK_COUNTED PRIMARY KEY (ID));\n"
        "INSERT INTO COUNTED VALUES (0, 'zero');\n"
        "INSERT INTO COUNTED VALUES (7, 'seven');\n");
    own_->exec("CREATE DATABASE `" + db_ + "`");
    own_->exec("CREATE TABLE `" + db_ + "`.`COUNTED` (ID INT NOT NULL AUTO_INCREMENT PRIMARY KEY, V VARCHAR(5))");
    proc_result r = live_on_own({"--mode=3"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(own_->rows("SELECT ID, V FROM `" + db_ + "`.`COUNTED` ORDER BY ID"),
              (rows_t{{"0", "zero"}, {"7", "seven"}}));
}

TEST_F(HostileServer, NineMegabyteValuesFitASixteenMegabytePacketOnTheLiveRoad) {
    // ¿\'" NUL 漢: 6 characters, 9 bytes of UTF-8 holding 0xBF 0x5C, which gbk reads as one
    // character; 1,000,000 of them make 9,000,000 bytes, beyond half the packet
    const std::string pattern = "'\xC2\xBF\\''\"' || CHR(0) || '\xE6\xBC\xA2'";
    store(
        "CREATE TABLE BIG (ID NUMBER(5) NOT NULL, B BLOB, C CLOB, CONSTRAINT PK_BIG PRIMARY KEY (ID));\n"
        "INSERT INTO BIG VALUES (1, OCILITE_RANDOM_BYTES(9000000, 11), NULL);\n"
        "INSERT INTO BIG VALUES (2, HEXTORAW('BF5C2700225C1A0D0A'), RPAD(" +
        pattern + ", 6000000, " + pattern + "));\n");
    own_->exec("SET GLOBAL max_allowed_packet = 16777216");
    own_->exec("SET GLOBAL sql_mode = 'NO_BACKSLASH_ESCAPES,STRICT_ALL_TABLES'");
    proc_result r = live_on_own();
    own_->exec("SET GLOBAL max_allowed_packet = 268435456");
    own_->exec("SET GLOBAL sql_mode = DEFAULT");
    EXPECT_EQ(r.code, 0) << r.out << r.err;

    // The source's bytes beside them, through a connection that takes the larger packet.
    const test_support::store_folder& stores = ws_.stores();
    const std::string blob = stores.value("ARR", "SELECT hex(" + stores.column_name("ARR", "BIG", "B") + ") FROM " +
                                                     stores.table_name("ARR", "BIG") + " WHERE " +
                                                     stores.column_name("ARR", "BIG", "ID") + " = 1");
    ASSERT_EQ(blob.size(), 18000000u);
    connection check(own_port());
    check.exec("CREATE TABLE `" + db_ + "`.`SOURCE` (B LONGBLOB)");
    check.exec("INSERT INTO `" + db_ + "`.`SOURCE` VALUES (X'" + blob + "')");
    EXPECT_EQ(
        check.rows("SELECT ID, LENGTH(B), B = (SELECT B FROM `" + db_ +
                   "`.`SOURCE`), IF(LENGTH(B) < 100, HEX(B), '-'), "
                   "LENGTH(C), CAST(C AS BINARY) = REPEAT(0xC2BF5C272200E6BCA2, 1000000) FROM `" +
                   db_ + "`.`BIG` ORDER BY ID"),
        (rows_t{{"1", "9000000", "1", "-", "NULL", "NULL"}, {"2", "9", "0", "BF5C2700225C1A0D0A", "9000000", "1"}}));
}

TEST_F(Arrival, DumpInsertsStayUnderAMillionBytesUnlessOneRowIsLarger) {
    store(large_rows);
    proc_result r = dump_and_load();
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    const std::string dump = read_file(ws_.file("arr.sql"));
    int inserts = 0;
    for (std::string line : lines_of(dump)) {
        if (line.rfind("INSERT INTO `BLOBS`", 0) != 0) continue;
        if (line.ends_with('\r')) line.pop_back();
        ++inserts;
        const bool one_row = line.find("), (") == std::string::npos;
        EXPECT_TRUE(line.size() <= 1000000 || one_row) << line.size();
    }
    EXPECT_GE(inserts, 4);
    EXPECT_EQ(conn_->scalar("SELECT SUM(LENGTH(C)) FROM " + t("BLOBS")), "4400000");
}

}  // namespace
}  // namespace rel_test
