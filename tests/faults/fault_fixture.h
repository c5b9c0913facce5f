// Runs of the built tollspar against a store with a table large enough to be cut in the
// middle, with the helpers that fault tests need: a run in the background that can be held
// and let go, and (tests/support) a MariaDB server of the test's own that can be shut down
// and started again.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <future>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/own_server.h"
#include "tests/support/proc_run.h"
#include "tests/support/stores.h"

namespace fault_test {

using test_support::proc_options;
using test_support::proc_result;

// Rows of BIG; A_SMALL and Z_AFTER, converted before and after it, have small_rows each.
constexpr long big_rows = 50000;
constexpr long small_rows = 10;

using test_support::has_line;
using test_support::has_line_starting;
using test_support::lines_of;
using test_support::own_server;

// tollspar started on a thread of its own; the child can be held (SIGSTOP) and let go.
class background_run {
public:
    background_run(std::vector<std::string> argv, proc_options options);
    ~background_run();
    background_run(const background_run&) = delete;
    background_run& operator=(const background_run&) = delete;

    void hold();
    void let_go();
    // Sends the signal to the run (a held run takes it when let go).
    void signal(int sig);
    bool finished() const;
    // Waits for the exit; a run that has not ended after a minute is killed and reported as
    // hung (code -1000 and "hung" in err), so that a hang fails the test instead of the suite.
    proc_result wait();

private:
    pid_t child_pid();

    std::future<proc_result> result_;
    pid_t pid_ = -1;
    bool waited_ = false;
};

// Statements run as root on the server at port; standard output (tab-separated, no headers).
proc_result mariadb(const std::string& port, const std::string& statements);

// What a run of the store NTE (fault_run::build_noted_store) says of its table A_NOTE.
inline constexpr const char* noted_line =
    "Note: A_NOTE: column DOC has no DEFAULT: MySQL takes none for LONGTEXT, the source's default 'none yet' is "
    "left out";

// A folder with the store FLT (user scott/tiger) and the environment that reaches it.
class fault_run : public ::testing::Test {
protected:
    void SetUp() override;

    std::vector<std::string> tollspar_argv(const std::vector<std::string>& args) const;
    proc_result tollspar(const std::vector<std::string>& args, const proc_options& extra = {}) const;
    std::vector<std::string> dump_args(const std::string& dump) const;
    std::vector<std::string> server_args(const std::string& port, const std::string& db) const;
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Builds the store NTE: FLT's tables and, converted before them, A_NOTE (2 rows), whose
    // CLOB default the destination leaves out with noted_line; on_noted_store's args reach NTE.
    void build_noted_store();
    static std::vector<std::string> on_noted_store(std::vector<std::string> args);

    // The test's folder: its stores (SERVICE.sqlite), home and files.
    test_support::store_folder dir_{"tollspar-test"};
    proc_options options_;
};

// The output holds noted_line once, before the first "Error:" line.
::testing::AssertionResult noted_before_error(const std::string& out);

// The ids of the rows of BIG in a dump, in file order.
std::vector<long> dumped_big_ids(const std::string& dump);
// "count<TAB>distinct ids<TAB>sum of ids<TAB>rows with the values the store gave that id".
std::string big_summary(long rows);
std::string big_summary_query(const std::string& db);

}  // namespace fault_test
