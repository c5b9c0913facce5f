// Faults during a run straight into a MariaDB server: the server stopped in the middle of a
// large table, a source error injected at a chosen fetch, two runs on one database.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "tests/faults/fault_fixture.h"
#include "tests/support/sandbox.h"

namespace fault_test {
namespace {

long count_rows(const std::string& port, const std::string& db, const std::string& table) {
    proc_result r = mariadb(port, "SELECT COUNT(*) FROM `" + db + "`.`" + table + "`");
    return r.code == 0 ? std::atol(r.out.c_str()) : 0;
}

// Lets a held run go on in small steps until BIG holds some rows on the server, and leaves
// it held: whatever happens next happens in the middle of that table.
long hold_in_big(background_run& run, const std::string& port, const std::string& db) {
    run.hold();
    long rows = 0;
    while (!run.finished() && (rows = count_rows(port, db, "BIG")) == 0) {
        run.let_go();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        run.hold();
    }
    return rows;
}

class server_faults : public fault_run {
protected:
    void SetUp() override {
        shared_port_ = std::to_string(test_support::sandbox_port());
        fault_run::SetUp();
        db_ = test_support::test_db_name("flt");
    }
    void TearDown() override {
        if (!db_.empty() && !shared_port_.empty()) mariadb(shared_port_, "DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    std::string small_summary(const std::string& port, const std::string& table) {
        return mariadb(port, "SELECT COUNT(*), COUNT(DISTINCT ID), SUM(ID) FROM `" + db_ + "`.`" + table + "`").out;
    }
    static std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    std::string shared_port_;
    std::string db_;
};

class ServerStopped : public server_faults, public ::testing::WithParamInterface<int> {};

TEST_P(ServerStopped, MidTableEndsTheRunAndARerunCompletesIt) {
    const int rerun_mode = GetParam();
    own_server server;  // stopped below: never the shared one
    ASSERT_TRUE(server.started()) << server.failure();
    const std::string port = server.port();

    background_run run(tollspar_argv(server_args(port, db_)), options_);
    const long cut = hold_in_big(run, port, db_);
    ASSERT_FALSE(run.finished()) << "the run ended before BIG was written";
    ASSERT_LT(cut, big_rows);
    server.shut_down();
    proc_result r = run.wait();

    // The lost server is reported under the table and ends the run as a failure; no later
    // table is started against a server that is gone.
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    auto l = lines_of(r.out);
    ASSERT_GE(l.size(), 5u) << r.out << r.err;
    EXPECT_EQ(l[2], "Converting table BIG(" + std::to_string(big_rows) + " records)");
    EXPECT_EQ(l[3], "Error:");
    // Connector/C reports 2006 (server gone, whose advice also names the packet limit) or 2013.
    EXPECT_TRUE(l[4].starts_with("BIG: The MySQL server has gone away: it stopped, or") ||
                l[4].starts_with("BIG: Lost connection to the MySQL server. Check that the server is running"))
        << l[4];
    EXPECT_EQ(l.size(), 5u) << r.out;

    server.start_again();
    const long kept = count_rows(port, db_, "BIG");
    EXPECT_GE(kept, cut);
    EXPECT_LT(kept, big_rows);

    // The rerun converts what is missing: mode 1 replaces the tables, mode 3 merges into the
    // cut table and skips the rows it holds already.
    proc_result again = tollspar(plus(server_args(port, db_), {"--mode=" + std::to_string(rerun_mode)}));
    EXPECT_EQ(again.code, 0) << again.out << again.err;
    EXPECT_FALSE(has_line(again.out, "Error:")) << again.out;
    EXPECT_EQ(mariadb(port, big_summary_query(db_)).out, big_summary(big_rows));
    const std::string small = "10\t10\t55\n";
    EXPECT_EQ(small_summary(port, "A_SMALL"), small);
    EXPECT_EQ(small_summary(port, "Z_AFTER"), small);
}

INSTANTIATE_TEST_SUITE_P(RerunModes, ServerStopped, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& p) { return "Mode" + std::to_string(p.param); });

class ServerFaults : public server_faults {};

// A run that the lost server ends still reports the note of a table it wrote before, once,
// ahead of the error, which stays as it was.
TEST_F(ServerFaults, ALostServerKeepsTheNotesOfTheTablesBefore) {
    build_noted_store();
    own_server server;  // stopped below: never the shared one
    ASSERT_TRUE(server.started()) << server.failure();
    const std::string port = server.port();
    background_run run(tollspar_argv(on_noted_store(server_args(port, db_))), options_);
    hold_in_big(run, port, db_);
    ASSERT_FALSE(run.finished()) << "the run ended before BIG was written";
    server.shut_down();
    proc_result r = run.wait();
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_TRUE(noted_before_error(r.out));
    auto l = lines_of(r.out);
    ASSERT_GE(l.size(), 2u) << r.out;
    EXPECT_EQ(l[l.size() - 2], "Error:");
    EXPECT_TRUE(l.back().starts_with("BIG: The MySQL server has gone away") ||
                l.back().starts_with("BIG: Lost connection to the MySQL server"))
        << l.back();
    server.start_again();
    EXPECT_EQ(mariadb(port, "SELECT ID, IFNULL(DOC, '-') FROM `" + db_ + "`.`A_NOTE` ORDER BY ID").out,
              "1\twritten\n2\tnone yet\n");
}

TEST_F(ServerFaults, AnInjectedSourceErrorEndsThatTableOnly) {
    proc_options inject;
    inject.env["OCILITE_FAIL_AT"] = "fetch:" + std::to_string(big_rows / 2);
    proc_result r = tollspar(server_args(shared_port_, db_), inject);
    // A table error is of level 0: reported, the run goes on and ends with 1 (a loss).
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_TRUE(has_line(r.out, "BIG: ORA-03113: end-of-file on communication channel")) << r.out;
    EXPECT_TRUE(has_line(r.out, "Converting table Z_AFTER(10 records)")) << r.out;
    EXPECT_EQ(small_summary(shared_port_, "Z_AFTER"), "10\t10\t55\n");
    // BIG keeps every row read before the failing fetch, the last batch included.
    const long rows = count_rows(shared_port_, db_, "BIG");
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, big_rows);
    EXPECT_EQ(mariadb(shared_port_, big_summary_query(db_)).out, big_summary(rows));
}

TEST_F(ServerFaults, AClosedTerminalStopsTheRunBetweenTwoRecords) {
    background_run run(tollspar_argv(server_args(shared_port_, db_)), options_);
    const long cut = hold_in_big(run, shared_port_, db_);
    ASSERT_FALSE(run.finished()) << "the run ended before BIG was written";
    run.signal(SIGHUP);
    run.let_go();
    proc_result r = run.wait();
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_NE(r.err.find("stopped before its end"), std::string::npos) << r.err;
    EXPECT_FALSE(has_line(r.out, "Converting table Z_AFTER(10 records)")) << r.out;
    // What was sent before the stop is there, the last batch included; nothing after it.
    const long rows = count_rows(shared_port_, db_, "BIG");
    EXPECT_GE(rows, cut);
    EXPECT_LT(rows, big_rows);
    EXPECT_EQ(mariadb(shared_port_, big_summary_query(db_)).out, big_summary(rows));
    EXPECT_EQ(mariadb(shared_port_, "SHOW TABLES FROM `" + db_ + "` LIKE 'Z_AFTER'").out, "");
}

TEST_F(ServerFaults, ASecondRunOnTheSameDatabaseIsNotSilent) {
    // The second run, in mode 0, drops and creates the database under the first one. The
    // first run's next statements then meet the second's tables: every row it still sends
    // is refused as a duplicate and Z_AFTER cannot be created, and each refusal is reported
    // (errors of level 0: the first run still ends with 0). The database holds the second
    // run's complete conversion; the keys keep the first run's rows from doubling it.
    background_run first(tollspar_argv(server_args(shared_port_, db_)), options_);
    const long cut = hold_in_big(first, shared_port_, db_);
    ASSERT_FALSE(first.finished()) << "the first run ended before BIG was written";
    ASSERT_LT(cut, big_rows);

    proc_result second = tollspar(server_args(shared_port_, db_));
    EXPECT_EQ(second.code, 0) << second.out << second.err;
    EXPECT_FALSE(has_line(second.out, "Error:")) << second.out;

    proc_result r = first.wait();
    EXPECT_NE(r.code, -1000) << r.err;
    EXPECT_TRUE(has_line_starting(r.out, "BIG, record #")) << r.out.substr(0, 2000);
    EXPECT_TRUE(has_line_starting(r.out, "Z_AFTER: ")) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
    EXPECT_EQ(mariadb(shared_port_, big_summary_query(db_)).out, big_summary(big_rows));
    EXPECT_EQ(small_summary(shared_port_, "Z_AFTER"), "10\t10\t55\n");
}

}  // namespace
}  // namespace fault_test
