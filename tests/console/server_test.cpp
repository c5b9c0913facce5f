// Runs of tollspar straight into a database on the MariaDB sandbox (MG_MYSQL_PORT).
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>

#include "tests/console/con_fixture.h"
#include "tests/support/sandbox.h"

namespace con_test {
namespace {

class ServerRun : public tollspar_test {
protected:
    void SetUp() override {
        port_ = std::to_string(test_support::sandbox_port());
        tollspar_test::SetUp();
        // Every test has databases of its own: ctest runs them side by side.
        db_ = "con_" + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        sql("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (!db_.empty()) sql("DROP DATABASE IF EXISTS `" + db_ + "`");
        for (const auto& u : users_) sql("DROP USER IF EXISTS '" + u + "'@'%'");
    }

    // Runs statements as root; returns standard output (tab-separated, no headers).
    std::string sql(const std::string& statements, bool expect_ok = true) {
        proc_result r = run_process({"/usr/bin/mariadb", "--no-defaults", "-h", "127.0.0.1", "-P", port_, "-u", "root",
                                     "-N", "-B", "-e", statements});
        if (expect_ok) {
            EXPECT_EQ(r.code, 0) << statements << "\n" << r.err;
        }
        return r.out;
    }
    std::string count(const std::string& table) { return sql("SELECT COUNT(*) FROM `" + db_ + "`.`" + table + "`"); }
    // A user who may connect but has only the given privileges.
    std::string limited_user(const std::string& grant) {
        std::string u = "lim" + std::to_string(getpid()) + std::to_string(users_.size());
        users_.push_back(u);
        sql("CREATE USER '" + u + "'@'%' IDENTIFIED BY 'pw'; " + grant + " TO '" + u + "'@'%'");
        return u;
    }
    std::vector<std::string> server_args(const std::string& user = "root", const std::string& password = "") const {
        std::vector<std::string> a = source_args();
        a.insert(a.end(), {"--mysqlh=127.0.0.1", "--myport=" + port_, "--mysqlu=" + user, "--mysqlp=" + password,
                           "--dest=" + db_});
        return a;
    }
    static std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    std::string port_;
    std::string db_;
    std::vector<std::string> users_;
};

TEST_F(ServerRun, ConvertsEveryTableIntoTheDatabase) {
    proc_result r = tollspar(server_args());
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(lines_of(r.out), (std::vector<std::string>{
                                   "Converting database CONS(3 tables)",
                                   "Converting table Café(1 records)",
                                   "Converting table DEPT(3 records)",
                                   "Converting table EMP(5 records)",
                               }));
    EXPECT_EQ(count("DEPT"), "3\n");
    EXPECT_EQ(count("EMP"), "5\n");
    // Mode 2 keeps what is there and succeeds.
    sql("DELETE FROM `" + db_ + "`.`EMP` WHERE EMPNO = 7369");
    r = tollspar(plus(server_args(), {"--mode=2"}));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(count("EMP"), "4\n");
    // Mode 0 replaces the whole database.
    r = tollspar(plus(server_args(), {"--mode=0"}));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(count("EMP"), "5\n");
}

TEST_F(ServerRun, RecordErrorsAreReportedAndTheRunGoesOn) {
    // An existing table that refuses the source's NULL date: in merge mode each record is
    // sent alone, so only that record fails.
    sql("CREATE DATABASE `" + db_ + "`; CREATE TABLE `" + db_ +
        "`.`EMP` (EMPNO INT PRIMARY KEY, ENAME VARCHAR(10), DEPTNO INT, HIRED DATETIME NOT NULL)");
    write_file(file("t.txt"), "EMP\nDEPT\n");
    proc_result r = tollspar(plus(server_args(), {"--mode=3", "--tab_file=" + file("t.txt")}));
    // the run finished, with a record lost
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    // Tables go in name order: DEPT, then EMP with its one refused record.
    auto l = lines_of(r.out);
    ASSERT_EQ(l.size(), 5u) << r.out;
    EXPECT_EQ(l[2], "Converting table EMP(5 records)");
    EXPECT_EQ(l[3], "Error:");
    EXPECT_TRUE(l[4].starts_with("EMP, record #5: ")) << l[4];
    EXPECT_EQ(count("EMP"), "4\n");
    EXPECT_EQ(count("DEPT"), "3\n");
}

// A batch is sent while the next is written: the rows the server refuses in the first
// batch, in the second (sent while the third is written) and in the last (sent at the close)
// are reported in record order around a later record's own loss, and every other row of
// every batch arrives.
TEST_F(ServerRun, LossesAreReportedInRecordOrderAcrossBatches) {
    dir_.build_text("ROWS",
                    "CREATE USER scott IDENTIFIED BY tiger;\n"
                    "CREATE TABLE T (ID NUMBER(5), S NUMBER(6,4), PAD VARCHAR2(1000));\n"
                    "INSERT INTO T (ID, S, PAD) SELECT LEVEL, 1, RPAD('row', 900, 'x') FROM DUAL "
                    "CONNECT BY LEVEL <= 2500;\n"
                    "COMMIT;\n");
    const std::string table = dir_.table_name("ROWS", "T");
    const std::string id = dir_.column_name("ROWS", "T", "ID");
    const std::string s = dir_.column_name("ROWS", "T", "S");
    // A batch holds about 1,050 rows. Records 10, 1800 and 2499 hold a value DECIMAL(6,4)
    // cannot hold, refused by the server; record 1500 one no DECIMAL holds, lost before it
    // is sent.
    const struct {
        int record;
        std::string value;
        std::string line;
    } losses[] = {
        {10, "123.4", "T, record #10: Out of range value for column 'S'"},
        {1500, std::string(43, '7'), "T, record #1500: A value of this record does not fit the type of its column."},
        {1800, "-123.4", "T, record #1800: Out of range value for column 'S'"},
        {2499, "1234", "T, record #2499: Out of range value for column 'S'"},
    };
    for (const auto& loss : losses)
        dir_.exec("ROWS", "UPDATE " + table + " SET " + s + " = '" + loss.value + "' WHERE " + id + " = " +
                              std::to_string(loss.record));
    std::vector<std::string> a = server_args();
    a[0] = "--src=ROWS";
    proc_result r = tollspar(a);
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    const auto l = lines_of(r.out);
    ASSERT_EQ(l.size(), 2 + 2 * std::size(losses)) << r.out;
    EXPECT_EQ(l[1], "Converting table T(2500 records)");
    for (size_t k = 0; k < std::size(losses); ++k) {
        EXPECT_EQ(l[2 + 2 * k], "Error:");
        EXPECT_TRUE(l[3 + 2 * k].starts_with(losses[k].line)) << l[3 + 2 * k];
    }
    EXPECT_EQ(count("T"), "2496\n");
    EXPECT_EQ(sql("SELECT COUNT(*) FROM `" + db_ + "`.`T` WHERE ID IN (10, 1500, 1800, 2499)"), "0\n");
}

// A date column whose values all fall at midnight becomes DATE after the table. A refused
// batch is reported while a later row is written, and that row is in the table: its time
// counts too, or the column would lose it. Each row fills a batch of its own; the time is
// on the row written when the refusal of row 2 is reported (the third or the fourth).
TEST_F(ServerRun, ARowWrittenWhileARefusalIsReportedKeepsItsTime) {
    std::string store = "CREATE USER scott IDENTIFIED BY tiger;\n";
    for (const int timed : {3, 4}) {
        const std::string t = "AT" + std::to_string(timed);
        store += "CREATE TABLE " + t + " (ID NUMBER(5), S NUMBER(6,4), TXT CLOB, AT DATE);\n";
        for (int id = 1; id <= 6; ++id)
            store += "INSERT INTO " + t + " (ID, S, TXT, AT) SELECT " + std::to_string(id) + ", " +
                     (id == 2 ? "99.9999" : "1") + ", RPAD('x', 600000, 'y'), DATE '2020-01-01'" +
                     (id == timed ? " + 720 / 1440" : "") + " FROM DUAL;\n";
    }
    dir_.build_text("TIMES", store + "COMMIT;\n");
    for (const std::string t : {"AT3", "AT4"})
        dir_.exec("TIMES", "UPDATE " + dir_.table_name("TIMES", t) + " SET " + dir_.column_name("TIMES", t, "S") +
                               " = '123.4' WHERE " + dir_.column_name("TIMES", t, "ID") + " = 2");
    std::vector<std::string> a = server_args();
    a[0] = "--src=TIMES";
    proc_result r = tollspar(a);
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_TRUE(test_support::has_line_starting(r.out, "AT3, record #2: Out of range value for column 'S'")) << r.out;
    EXPECT_TRUE(test_support::has_line_starting(r.out, "AT4, record #2: Out of range value for column 'S'")) << r.out;
    for (const int timed : {3, 4}) {
        const std::string t = "AT" + std::to_string(timed);
        SCOPED_TRACE(t);
        EXPECT_EQ(count(t), "5\n");
        EXPECT_EQ(sql("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" + db_ +
                      "' AND TABLE_NAME = '" + t + "' AND COLUMN_NAME = 'AT'"),
                  "datetime\n");
        EXPECT_EQ(sql("SELECT GROUP_CONCAT(ID, ' ', AT ORDER BY ID) FROM `" + db_ + "`.`" + t + "`"),
                  "1 2020-01-01 00:00:00,3 2020-01-01 " + std::string(timed == 3 ? "12" : "00") +
                      ":00:00,4 2020-01-01 " + (timed == 4 ? "12" : "00") +
                      ":00:00,5 2020-01-01 00:00:00,6 2020-01-01 00:00:00\n");
    }
}

TEST_F(ServerRun, EveryServerFailureExitsWith255) {
    sql("CREATE DATABASE `" + db_ + "`");
    const std::string reader = limited_user("GRANT SELECT ON `" + db_ + "`.* ");
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string out;  // exact standard output; empty: any error report
    } cases[] = {
        {"wrong MySQL password", server_args("root", "wrong"),
         "Error:\nAccess denied. Verify the user name and password are correct, and you have the necessary "
         "privileges to connect to the target MySQL server.\n"},
        {"DROP DATABASE refused", plus(server_args(reader, "pw"), {"--mode=0"}),
         "Error:\nAccess denied. Ask your system administrator to grant you the necessary privileges to write "
         "into the database.\n"},
        {"CREATE DATABASE refused", plus(server_args(reader, "pw"), {"--dest=" + db_ + "_new"}), ""},
    };
    for (const auto& c : cases) {
        proc_result r = tollspar(c.args);
        EXPECT_EQ(r.code, 255) << c.what << "\n" << r.out << r.err;
        if (c.out.empty()) {
            EXPECT_NE(r.out.find("Error:\n"), std::string::npos) << c.what << "\n" << r.out;
        } else {
            EXPECT_EQ(r.out, c.out) << c.what;
        }
    }
    sql("DROP DATABASE IF EXISTS `" + db_ + "_new`");

    // A table the server refuses ends that table only: every table is reported and the
    // run finishes, with those tables lost (exit 1).
    proc_result r = tollspar(plus(server_args(reader, "pw"), {"--mode=1"}));
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    auto l = lines_of(r.out);
    ASSERT_EQ(l.size(), 7u) << r.out;
    EXPECT_EQ(l[1], "Error:");
    EXPECT_TRUE(l[2].starts_with("Café: CREATE command denied")) << l[2];
    EXPECT_TRUE(l[6].starts_with("EMP: CREATE command denied")) << l[6];
}

TEST_F(ServerRun, NothingIsDroppedByAProfileModeOrASelectionItCannotUse) {
    sql("CREATE DATABASE `" + db_ + "`; CREATE TABLE `" + db_ + "`.`MINE` (a INT); INSERT INTO `" + db_ +
        "`.`MINE` VALUES (1)");
    const std::string connection = "[MySQL settings]\nhost=127.0.0.1\nport=" + port_ + "\nuser=root\n";
    for (const char* mode : {"9", "2 (skip)"}) {
        write_file(file("p.qrn"), "[Generic settings]\nsrc=CONS\ndest=" + db_ + "\nmode=" + mode +
                                      "\n[Oracle settings]\nuser=scott\npassword=tiger\n" + connection);
        proc_result r = tollspar({"--profile=" + file("p.qrn")});
        EXPECT_EQ(r.code, 255) << mode << "\n" << r.out << r.err;
        EXPECT_NE(r.out.find(file("p.qrn")), std::string::npos) << r.out;
        EXPECT_EQ(count("MINE"), "1\n") << mode;
    }
    write_file(file("t.txt"), "NOPE\n");
    proc_result r = tollspar(plus(server_args(), {"--mode=0", "--tab_file=" + file("t.txt")}));
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_EQ(count("MINE"), "1\n");
}

TEST_F(ServerRun, TheServersOwnDatabasesAreNeverDestinations) {
    const std::string root_grants = "SELECT COUNT(*) FROM mysql.global_priv WHERE User = 'root'";
    const std::string grants = sql(root_grants);
    for (const char* db : {"mysql", "MySQL", "information_schema", "PERFORMANCE_SCHEMA", "sys"}) {
        for (const char* mode : {"--mode=0", "--mode=3"}) {
            proc_result r = tollspar(plus(server_args(), {std::string("--dest=") + db, mode}));
            EXPECT_EQ(r.code, 255) << db << "\n" << r.out << r.err;
            EXPECT_NE(r.out.find("belongs to the MySQL server itself"), std::string::npos) << r.out;
        }
    }
    EXPECT_EQ(sql(root_grants), grants);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'mysql' AND table_name IN "
                  "('DEPT', 'EMP')"),
              "0\n");
}

TEST_F(ServerRun, WithoutMysqlpTheClientOptionFilesGiveThePassword) {
    sql("CREATE DATABASE `" + db_ + "`");
    const std::string user = limited_user("GRANT ALL ON `" + db_ + "`.* ");
    // The run's home is the test folder: its option file is the user's own.
    write_file(file(".my.cnf"), "[client]\npassword=pw\n");
    std::vector<std::string> args = source_args();
    args.insert(args.end(), {"--mysqlh=127.0.0.1", "--myport=" + port_, "--mysqlu=" + user, "--dest=" + db_});
    proc_result r = tollspar(args);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(count("DEPT"), "3\n");
    // An empty --mysqlp= is a password too: the empty one, which this account does not have.
    r = tollspar(plus(args, {"--mysqlp="}));
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_NE(r.out.find("Access denied"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace con_test
