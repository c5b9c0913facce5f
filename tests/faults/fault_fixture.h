// Runs of the built tollspar against a store with a table large enough to be cut in the
// middle, with the helpers that fault tests need: a run in the background that can be held
// and let go, and a MariaDB server of the test's own that can be shut down and started again.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <future>
#include <string>
#include <vector>

#include "tests/support/proc_run.h"

namespace fault_test {

using test_support::proc_options;
using test_support::proc_result;

// Rows of BIG; A_SMALL and Z_AFTER, converted before and after it, have small_rows each.
constexpr long big_rows = 50000;
constexpr long small_rows = 10;

// Lines of a text, without their line feeds.
std::vector<std::string> lines(const std::string& text);
bool has_line(const std::string& text, const std::string& line);
bool has_line_starting(const std::string& text, const std::string& start);

// tollspar started on a thread of its own; the child can be held (SIGSTOP) and let go.
class background_run {
public:
    background_run(std::vector<std::string> argv, proc_options options);
    ~background_run();
    background_run(const background_run&) = delete;
    background_run& operator=(const background_run&) = delete;

    void hold();
    void let_go();
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

// A MariaDB server for one test (scripts/mariadb-sandbox in a folder of its own), so that
// stopping it never touches the server the other tests share.
class own_server {
public:
    // server_options: given to the server after the sandbox's defaults (they win).
    explicit own_server(const std::string& server_options = "");
    ~own_server();
    own_server(const own_server&) = delete;
    own_server& operator=(const own_server&) = delete;

    bool started() const { return !port_.empty(); }
    const std::string& port() const { return port_; }
    const std::string& failure() const { return failure_; }

    // A clean shutdown; the data folder stays.
    void shut_down();
    // The same data folder on the same port.
    void start_again();

private:
    proc_result sandbox(const char* command, const std::string& server_options = "") const;

    std::string dir_;
    std::string port_;
    std::string failure_;
};

// Statements run as root on the server at port; standard output (tab-separated, no headers).
proc_result mariadb(const std::string& port, const std::string& statements);

// A folder with the store FLT (user scott/tiger) and the environment that reaches it.
class fault_run : public ::testing::Test {
protected:
    void SetUp() override;

    std::vector<std::string> tollspar_argv(const std::vector<std::string>& args) const;
    proc_result tollspar(const std::vector<std::string>& args, const proc_options& extra = {}) const;
    std::vector<std::string> dump_args(const std::string& dump) const;
    std::vector<std::string> server_args(const std::string& port, const std::string& db) const;
    std::string file(const std::string& name) const { return dir_.file(name); }
    // A name of its own per test and process: ctest runs test cases side by side.
    std::string unique_name(const std::string& prefix) const;

    test_support::temp_dir dir_;
    proc_options options_;
};

// The ids of the rows of BIG in a dump, in file order.
std::vector<long> dumped_big_ids(const std::string& dump);
// "count<TAB>distinct ids<TAB>sum of ids<TAB>rows with the values the store gave that id".
std::string big_summary(long rows);
std::string big_summary_query(const std::string& db);

}  // namespace fault_test
