// End-to-end runs: fixture stores read through the real client library (ocilite), written
// into the MariaDB sandbox or into dump files that /usr/bin/mariadb then loads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "TK/tk_log.h"
#include "tests/app/app_fixture.h"
#include "tests/support/files.h"

using namespace app_test;
using compat::wstring;

namespace {

// A schema the tests convert; each test builds its own store under its own service name.
const char* base_schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE A (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
INSERT INTO A VALUES (1, 'one');
INSERT INTO A VALUES (2, 'two');
INSERT INTO A VALUES (3, 'three');
CREATE TABLE B (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
INSERT INTO B VALUES (1, 'b1');
INSERT INTO B VALUES (2, 'b2');
COMMIT;
)";

class Run : public ::testing::Test {
protected:
    void SetUp() override {
        private_settings();
        db_ = test_db_name("run");
        service_ = db_;
        srv_ = std::make_unique<server>();
        srv_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (srv_) srv_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    // Connects both sides of d to the store and to the sandbox, as the programs do.
    void connect(driver& d, bool direct = true) {
        d.conv.store_oracle_settings(u"", u"scott", u"tiger", u"");
        d.conv.connect_oracle_server(compat::utf8_to_utf16(service_));
        d.conv.set_mysql_direct(direct);
        if (direct) {
            d.conv.store_mysql_settings("127.0.0.1", "root", "", std::to_string(sandbox_port()));
            d.conv.connect_mysql_server();
            d.conv.set_destination_name(compat::utf8_to_utf16(db_));
        }
    }

    // check_dest and the run, as the console program calls them.
    void run(driver& d) {
        d.conv.check_dest();
        d.conv();
        EXPECT_TRUE(d.conv.is_finished());
    }

    std::string q(const std::string& sql) { return srv_->scalar(sql); }
    std::set<std::string> tables() {
        std::set<std::string> out;
        for (auto& r : srv_->rows("SHOW TABLES FROM `" + db_ + "`")) out.insert(r[0]);
        return out;
    }

    std::string db_;
    std::string service_;
    std::unique_ptr<server> srv_;
};

struct mode_case {
    int mode;
    const char* a_rows;  // ID:NAME of A after the run
    bool x_kept;         // the destination's own table X survives
};

TEST_F(Run, EveryModeOnADestinationHoldingSomeTables) {
    build_store(service_, base_schema);
    const mode_case cases[] = {
        {0, "1:one,2:two,3:three", false}, {1, "1:one,2:two,3:three", true}, {2, "1:old", true},
        {3, "1:old,2:two,3:three", true},  {4, "1:one,2:two,3:three", true},
    };
    for (const mode_case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        srv_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        srv_->exec("CREATE DATABASE `" + db_ + "`");
        srv_->exec("CREATE TABLE `" + db_ + "`.A (ID INT PRIMARY KEY, NAME VARCHAR(20))");
        srv_->exec("INSERT INTO `" + db_ + "`.A VALUES (1, 'old')");
        srv_->exec("CREATE TABLE `" + db_ + "`.X (N INT)");
        {
            driver d(qrn_program::console);
            connect(d);
            d.conv.set_mode(static_cast<udb_overwrite_mode>(c.mode));
            d.conv.selected_tables = {u"A", u"B"};
            run(d);
            EXPECT_FALSE(d.conv.run_failed());
            EXPECT_TRUE(d.front.shown.empty()) << (d.front.shown.empty() ? "" : d.front.shown.front());
            EXPECT_EQ(d.conv.table_count.load(), 0);
            EXPECT_EQ(d.conv.tables_done.load(), 0);
        }
        std::string got;
        for (auto& r : srv_->rows("SELECT ID, NAME FROM `" + db_ + "`.A ORDER BY ID"))
            got += (got.empty() ? "" : ",") + r[0] + ":" + r[1];
        EXPECT_EQ(got, c.a_rows);
        EXPECT_EQ(q("SELECT COUNT(*) FROM `" + db_ + "`.B"), "2");
        EXPECT_EQ(tables().count("X") == 1, c.x_kept);
    }
}

TEST_F(Run, SafeNamesStoredQueriesAndTheTableCount) {
    build_store(service_, std::string(base_schema) + R"(
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY);
INSERT INTO EMP VALUES (1);
CREATE TABLE "Emp" (ID NUMBER(10) PRIMARY KEY);
INSERT INTO "Emp" VALUES (1);
INSERT INTO "Emp" VALUES (2);
CREATE TABLE "A/B" (ID NUMBER(10));
INSERT INTO "A/B" VALUES (1);
INSERT INTO "A/B" VALUES (2);
INSERT INTO "A/B" VALUES (3);
COMMIT;
)");
    driver d(qrn_program::wizard);
    connect(d);
    d.conv.selected_tables = {u"EMP", u"Emp", u"A/B", u"A"};
    d.conv.table_map[u"Q_TOP"] = u"SELECT ID, NAME FROM A WHERE ID > 1";
    d.conv.table_map[u"A"] = u"SELECT ID, NAME FROM A WHERE ID = 3";  // a selected name with a query
    run(d);
    EXPECT_FALSE(d.conv.run_failed());
    EXPECT_TRUE(d.front.kept.empty()) << d.front.kept.front();
    EXPECT_EQ(d.front.runs_started, 1);
    ASSERT_FALSE(d.front.events.empty());
    EXPECT_EQ(d.front.events[0], "database " + service_ + " 5");

    const std::set<std::string> t = tables();
    EXPECT_EQ(t.size(), 5u);
    EXPECT_TRUE(t.count("EMP"));
    EXPECT_FALSE(t.count("Emp"));  // the upper-case name sorts first and keeps its name
    EXPECT_FALSE(t.count("A/B"));
    EXPECT_TRUE(t.count("Q_TOP"));
    std::multiset<std::string> counts;
    for (const std::string& name : t)
        counts.insert(name + "=" + q("SELECT COUNT(*) FROM `" + db_ + "`.`" + name + "`"));
    EXPECT_TRUE(counts.count("A=1"));
    EXPECT_TRUE(counts.count("Q_TOP=2"));
    EXPECT_TRUE(counts.count("EMP=1"));
    // The two generated names hold the rows of "Emp" (2) and "A/B" (3).
    std::multiset<std::string> generated;
    for (const std::string& name : t)
        if (name != "A" && name != "EMP" && name != "Q_TOP")
            generated.insert(q("SELECT COUNT(*) FROM `" + db_ + "`.`" + name + "`"));
    EXPECT_EQ(generated, (std::multiset<std::string>{"2", "3"}));
}

// The date verdicts, one column per case, in a table larger than one INSERT batch. The
// default of NN is written as Oracle keeps a date text (DD-MON-YYYY).
const char* dates_schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE DATES (ID NUMBER(10) PRIMARY KEY, DT DATE, DO DATE, NUL DATE,
  DD DATE, NN DATE DEFAULT '03-FEB-2001' NOT NULL, PAD VARCHAR2(1000));
INSERT INTO DATES (ID, DT, DO, NUL, DD, NN, PAD)
  SELECT LEVEL, DATE '2020-01-01' + LEVEL / 1440, DATE '2020-01-01' + LEVEL, NULL,
         CASE WHEN LEVEL = 1500 THEN DATE '2020-01-01' + 0.5 ELSE DATE '2020-01-02' END,
         DATE '2020-03-04', RPAD('x', 1000, 'x')
  FROM DUAL CONNECT BY LEVEL <= 1500;
COMMIT;
)";

// Columns of times only (a value Oracle itself cannot hold; ocilite's OCILITE_TIME makes
// one) and of dates mixed with times.
const char* times_schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE TIMES (ID NUMBER(10) PRIMARY KEY, TI DATE, MIX DATE);
INSERT INTO TIMES VALUES (1, OCILITE_TIME('10:11:12'), OCILITE_TIME('01:02:03'));
INSERT INTO TIMES VALUES (2, OCILITE_TIME('10:11:13'), DATE '2020-01-01');
COMMIT;
)";

struct column_case {
    const char* column;
    const char* definition;
};

const column_case date_columns[] = {
    {"DT", "`DT` datetime DEFAULT NULL"},
    {"DO", "`DO` date DEFAULT NULL"},
    {"NUL", "`NUL` datetime DEFAULT NULL"},
    {"DD", "`DD` datetime DEFAULT NULL"},
    {"NN", "`NN` date NOT NULL DEFAULT '2001-02-03'"},
};

void expect_date_columns(server& srv, const std::string& db) {
    for (const column_case& c : date_columns)
        EXPECT_EQ(srv.column_definition(db, "DATES", c.column), c.definition) << c.column;
    EXPECT_EQ(srv.scalar("SELECT COUNT(*) FROM `" + db + "`.DATES"), "1500");
    EXPECT_EQ(srv.scalar("SELECT CONCAT(DT, '|', DO, '|', NN) FROM `" + db + "`.DATES WHERE ID = 2"),
              "2020-01-01 00:02:00|2020-01-03|2020-03-04");
}

TEST_F(Run, DateVerdictsOnTheServer) {
    build_store(service_, dates_schema);
    driver d(qrn_program::console);
    connect(d);
    d.conv.selected_tables = {u"DATES"};
    run(d);
    EXPECT_FALSE(d.conv.run_failed());
    EXPECT_TRUE(d.front.shown.empty()) << (d.front.shown.empty() ? "" : d.front.shown.front());
    expect_date_columns(*srv_, db_);
}

TEST_F(Run, DateVerdictsInADumpFile) {
    build_store(service_, dates_schema);
    const std::string path = temp_dir() + "/" + db_ + ".sql";
    {
        driver d(qrn_program::console);
        connect(d, false);
        d.conv.set_destination_name(compat::utf8_to_utf16(path));
        d.conv.selected_tables = {u"DATES"};
        run(d);
        EXPECT_FALSE(d.conv.run_failed());
        EXPECT_TRUE(d.front.shown.empty()) << (d.front.shown.empty() ? "" : d.front.shown.front());
    }
    srv_->exec("CREATE DATABASE `" + db_ + "`");
    const std::string cmd = std::string(MG_MARIADB_CLIENT) + " --no-defaults -h127.0.0.1 -uroot -P" +
                            std::to_string(sandbox_port()) + " '" + db_ + "' < '" + path + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    expect_date_columns(*srv_, db_);
}

TEST_F(Run, DateVerdictsOfTimeColumns) {
    build_store(service_, times_schema);
    driver d(qrn_program::console);
    connect(d);
    d.conv.selected_tables = {u"TIMES"};
    run(d);
    EXPECT_TRUE(d.front.shown.empty()) << (d.front.shown.empty() ? "" : d.front.shown.front());
    EXPECT_EQ(srv_->column_definition(db_, "TIMES", "TI"), "`TI` time DEFAULT NULL");
    EXPECT_EQ(srv_->column_definition(db_, "TIMES", "MIX"), "`MIX` char(19) DEFAULT NULL");
}

TEST_F(Run, RecordErrorsReachTheHandlerWithTheirNumbers) {
    build_store(service_, base_schema);
    struct error_case {
        qrn_program program;
        bool abort;
        bool b_converted;
        bool failed;
    } cases[] = {
        {qrn_program::console, false, true, false},
        {qrn_program::wizard, false, true, false},
        {qrn_program::wizard, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program == qrn_program::console ? "console" : "wizard") + (c.abort ? " abort" : ""));
        srv_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        srv_->exec("CREATE DATABASE `" + db_ + "`");
        // The server refuses record 3 of A by a check the source does not have; merge mode
        // skips record 1, whose key exists.
        srv_->exec("CREATE TABLE `" + db_ +
                   "`.A (ID INT PRIMARY KEY, NAME VARCHAR(20), CONSTRAINT no3 CHECK (ID <> 3))");
        srv_->exec("INSERT INTO `" + db_ + "`.A VALUES (1, 'old')");
        driver d(c.program);
        connect(d);
        d.conv.set_mode(udb_overwrite_mode::merge);
        d.front.answer.abort = c.abort;
        d.conv.selected_tables = {u"A", u"B"};
        run(d);
        EXPECT_EQ(d.conv.run_failed(), c.failed);
        const auto& messages = c.program == qrn_program::console ? d.front.shown : d.front.asked;
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("A, record #3: ", 0), 0u) << messages[0];
        EXPECT_NE(messages[0].find("no3"), std::string::npos) << messages[0];
        EXPECT_EQ(q("SELECT GROUP_CONCAT(ID ORDER BY ID) FROM `" + db_ + "`.A"), "1,2");
        EXPECT_EQ(tables().count("B") == 1, c.b_converted);
        EXPECT_TRUE(d.conv.is_finished());
    }
}

// The Oracle database reports a foreign key it cannot create to the error handler, in the
// key's context, as any error of a run, and goes on with the next one unless the user stops.
// No run makes an Oracle database its destination: the keys are asked of the one connected.
TEST_F(Run, ForeignKeysTheOracleSideCannotCreateReachTheHandler) {
    struct fk_case {
        qrn_program program;
        bool abort;
        bool next_created;
    } cases[] = {
        {qrn_program::console, false, true},
        {qrn_program::wizard, false, true},
        {qrn_program::wizard, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program == qrn_program::console ? "console" : "wizard") + (c.abort ? " abort" : ""));
        build_store(service_, base_schema);
        driver d(c.program);
        d.front.answer.abort = c.abort;
        d.conv.store_oracle_settings(u"", u"scott", u"tiger", u"");
        d.conv.connect_oracle_server(compat::utf8_to_utf16(service_));
        udb_relationships keys;
        keys.push_back({u"FK_BAD", u"", u"B", u"A", u"", {u"NOPE"}, {u"ID"}});
        keys.push_back({u"FK_GOOD", u"", u"B", u"A", u"", {u"ID"}, {u"ID"}});
        bool stopped = false;
        try {
            d.conv.source_database()->create_relationships(keys);
        } catch (const tk_final_exception&) {
            stopped = true;
        }
        EXPECT_EQ(stopped, c.abort);
        const auto& messages = c.program == qrn_program::console ? d.front.shown : d.front.asked;
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("Foreign key 'FK_BAD': ORA-00904: ", 0), 0u) << messages[0];
        EXPECT_EQ(store_value(service_, "SELECT COUNT(*) FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE = 'R'"),
                  c.next_created ? "1" : "0");
    }
}

TEST_F(Run, RefusedRowOfTheLastBatchIsReportedWithItsNumber) {
    // Two rows of the source share a value of its unique key (the store is changed under
    // the catalog), so the table's one batch is refused when it is flushed at the end.
    build_store(service_, std::string(base_schema) + R"(
CREATE TABLE U (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(10));
CREATE UNIQUE INDEX U_NAME ON U (NAME);
INSERT INTO U VALUES (1, 'a');
INSERT INTO U VALUES (2, 'x');
INSERT INTO U VALUES (3, 'b');
COMMIT;
)");
    const test_support::store_folder& stores = store_folder();
    const std::string table = stores.table_name(service_, "U");
    const std::string id = stores.column_name(service_, "U", "ID");
    const std::string name = stores.column_name(service_, "U", "NAME");
    for (const auto& index :
         stores.rows(service_, "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = '" + table +
                                   "' AND sql LIKE '%" + name + "%'"))
        stores.exec(service_, "DROP INDEX " + index[0]);
    stores.exec(service_, "UPDATE " + table + " SET " + name + " = 'a' WHERE " + id + " = 2");
    driver d(qrn_program::console);
    connect(d);
    d.conv.selected_tables = {u"U", u"B"};
    run(d);
    EXPECT_FALSE(d.conv.run_failed());
    ASSERT_EQ(d.front.shown.size(), 1u);
    EXPECT_EQ(d.front.shown[0],
              "U, record #2: Duplicate field values being used for an unique index were found. See "
              "'Troubleshooting' article of the product documentation for solution.");
    EXPECT_EQ(q("SELECT GROUP_CONCAT(ID ORDER BY ID) FROM `" + db_ + "`.U"), "1,3");
    EXPECT_EQ(q("SELECT COUNT(*) FROM `" + db_ + "`.B"), "2");
}

TEST_F(Run, MissingSourceTableAndFailingQueryAreTableLevel) {
    build_store(service_, base_schema);
    driver d(qrn_program::console);
    connect(d);
    d.conv.selected_tables = {u"NOPE", u"B"};
    d.conv.table_map[u"QBAD"] = u"SELECT * FROM NOPE";
    run(d);
    EXPECT_FALSE(d.conv.run_failed());
    EXPECT_NE(std::find(d.front.events.begin(), d.front.events.end(), "missing NOPE"), d.front.events.end());
    ASSERT_EQ(d.front.shown.size(), 1u);
    EXPECT_EQ(d.front.shown[0].rfind("QBAD: ORA-00942", 0), 0u) << d.front.shown[0];
    EXPECT_EQ(tables(), (std::set<std::string>{"B"}));
}

TEST_F(Run, StopRequestEndsTheRunBetweenRecordsAndKeepsWhatWasWritten) {
    build_store(service_, base_schema);
    driver d(qrn_program::wizard);
    connect(d);
    d.conv.selected_tables = {u"A", u"B"};
    // As the wizard's Cancel does: the request arrives while the first table is going.
    d.front.on_table_started = [&](const wstring&) { d.conv.request_stop(); };
    run(d);
    EXPECT_TRUE(d.conv.run_failed());
    EXPECT_TRUE(d.front.shown.empty());
    EXPECT_EQ(tables(), (std::set<std::string>{"A"}));
    EXPECT_EQ(q("SELECT COUNT(*) FROM `" + db_ + "`.A"), "0");
}

TEST_F(Run, LostConnectionFailsTheRunAtTop) {
    build_store(service_, base_schema);
    for (qrn_program program : {qrn_program::console, qrn_program::wizard}) {
        driver d(program);
        connect(d);
        d.conv.selected_tables = {u"A"};
        d.conv.check_dest();
        const unsigned long id = mysql_thread_id(d.conv.mysql_engine().connection().handle());
        srv_->exec("KILL CONNECTION " + std::to_string(id));
        d.conv();
        EXPECT_TRUE(d.conv.is_finished());
        EXPECT_TRUE(d.conv.run_failed());
        // The console prints the error; the wizard shows it in its continue-or-stop dialog.
        const auto& messages = program == qrn_program::console ? d.front.shown : d.front.asked;
        ASSERT_EQ(messages.size(), 1u);
        // Connector/C reports 2006 (server gone) or 2013 (lost during the query).
        const std::string& m = messages[0];
        EXPECT_TRUE(m.starts_with("The MySQL server has gone away: it stopped, or") ||
                    m.starts_with("Lost connection to the MySQL server. Check that the server is running"))
            << m;
        EXPECT_EQ(q("SHOW DATABASES LIKE '" + db_ + "'"), "<no row>");
    }
}

TEST_F(Run, InvalidModeOrDatabaseNameStopsBeforeAnythingIsDropped) {
    build_store(service_, base_schema);
    srv_->exec("CREATE DATABASE `" + db_ + "`");
    srv_->exec("CREATE TABLE `" + db_ + "`.KEEP (N INT)");
    {
        driver d(qrn_program::wizard);
        connect(d);
        d.conv.set_mode(static_cast<udb_overwrite_mode>(5));
        EXPECT_THROW(d.conv.check_dest(), tk_exception);
        d.conv();  // also when the run is started without the check
        EXPECT_TRUE(d.conv.run_failed());
        ASSERT_EQ(d.front.shown.size(), 1u);
        EXPECT_EQ(d.front.shown[0], "Invalid merge/overwrite mode");
    }
    EXPECT_EQ(tables(), (std::set<std::string>{"KEEP"}));
    driver d(qrn_program::wizard);
    connect(d);
    d.conv.set_destination_name(u"bad/name");
    try {
        d.conv.check_dest();
        ADD_FAILURE();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_EQ(e.message().rfind("Not a valid MySQL database name.", 0), 0u);
    }
    d.conv();
    EXPECT_TRUE(d.conv.run_failed());
    EXPECT_EQ(q("SHOW DATABASES LIKE 'bad/name'"), "<no row>");
}

TEST_F(Run, PasswordsNeverReachTheTraceLog) {
    build_store(service_, base_schema);
    const std::string log_path = temp_dir() + "/" + db_ + ".log";
    {
        tk_log log(log_path, true, 1, false);
        driver d(qrn_program::wizard);
        d.conv.store_oracle_settings(u"", u"scott", u"tiger-secret", u"");
        EXPECT_THROW(d.conv.connect_oracle_server(compat::utf8_to_utf16(service_)), tk_exception);
        d.conv.store_mysql_settings("127.0.0.1", "root", "mysql-secret", std::to_string(sandbox_port()));
        EXPECT_THROW(d.conv.connect_mysql_server(), tk_exception);
        d.conv.serialize(true);
    }
    bool store_logged = false;
    for (const std::string& line : test_support::lines_of(test_support::read_file(log_path))) {
        store_logged = store_logged || line.find("store_mysql_settings") != std::string::npos;
        if (line.find("tiger-secret") == std::string::npos && line.find("mysql-secret") == std::string::npos) continue;
        ADD_FAILURE() << "password in the trace log: " << line;
    }
    EXPECT_TRUE(store_logged);
}

}  // namespace
