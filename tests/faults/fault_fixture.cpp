#include "tests/faults/fault_fixture.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/isolated_run.h"

namespace fault_test {

using test_support::read_file;
using test_support::run_process;
using namespace std::chrono_literals;

namespace {

std::string store_sql() {
    const std::string big = std::to_string(big_rows);
    const std::string small = std::to_string(small_rows);
    return "CREATE USER scott IDENTIFIED BY tiger;\n"
           "CREATE TABLE a_small (id NUMBER(5) PRIMARY KEY, v VARCHAR2(10));\n"
           "INSERT INTO a_small SELECT LEVEL, 'a' || LEVEL FROM DUAL CONNECT BY LEVEL <= " +
           small +
           ";\n"
           "CREATE TABLE big (id NUMBER(10) PRIMARY KEY, note VARCHAR2(100), at DATE);\n"
           "INSERT INTO big SELECT LEVEL, RPAD('x', 60, 'y'), DATE '2020-01-01' + LEVEL / 1440\n"
           "  FROM DUAL CONNECT BY LEVEL <= " +
           big +
           ";\n"
           "CREATE TABLE z_after (id NUMBER(5) PRIMARY KEY, v VARCHAR2(10));\n"
           "INSERT INTO z_after SELECT LEVEL, 'z' || LEVEL FROM DUAL CONNECT BY LEVEL <= " +
           small +
           ";\n"
           "COMMIT;\n";
}

// The child of this process running the program called comm, -1 when there is none.
pid_t child_named(const std::string& comm) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = read_file(entry.path() / "stat");
        const auto open = stat.find('(');
        const auto close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        long ppid = 0;
        rest >> state >> ppid;
        if (ppid == getpid() && stat.substr(open + 1, close - open - 1) == comm) return std::stoi(name);
    }
    return -1;
}

}  // namespace

// --- background_run ---

background_run::background_run(std::vector<std::string> argv, proc_options options)
    : result_(std::async(std::launch::async, [argv = std::move(argv), options = std::move(options)] {
          return run_process(argv, options);
      })) {}

background_run::~background_run() {
    if (waited_) return;
    if (result_.wait_for(0s) != std::future_status::ready && pid_ > 0) {
        kill(pid_, SIGKILL);
        kill(pid_, SIGCONT);
    }
    result_.wait();
}

bool background_run::finished() const { return result_.wait_for(0s) == std::future_status::ready; }

pid_t background_run::child_pid() {
    while (pid_ < 0 && !finished()) {
        pid_ = child_named("tollspar");
        if (pid_ < 0) std::this_thread::sleep_for(1ms);
    }
    return pid_;
}

void background_run::hold() {
    const pid_t pid = child_pid();
    if (pid < 0 || kill(pid, SIGSTOP) != 0) return;
    // Stopped for certain before the caller looks at what it has written.
    while (!finished() && test_support::process_state(pid) != 'T' && test_support::process_state(pid) != 'Z')
        std::this_thread::sleep_for(100us);
}

void background_run::let_go() {
    if (pid_ > 0 && !finished()) kill(pid_, SIGCONT);
}

void background_run::signal(int sig) {
    const pid_t pid = child_pid();
    if (pid > 0 && !finished()) kill(pid, sig);
}

proc_result background_run::wait() {
    waited_ = true;
    let_go();
    if (result_.wait_for(60s) != std::future_status::ready) {
        kill(pid_, SIGKILL);
        proc_result r = result_.get();
        r.code = -1000;
        r.err += "\n[hung: killed after a minute]";
        return r;
    }
    return result_.get();
}

proc_result mariadb(const std::string& port, const std::string& statements) {
    return run_process({"/usr/bin/mariadb", "--no-defaults", "-h", "127.0.0.1", "-P", port, "-u", "root", "-N", "-B",
                        "-e", statements});
}

// --- fault_run ---

void fault_run::SetUp() {
    dir_.build_text("FLT", store_sql());
    options_ = test_support::isolated_options(dir_.path(), MG_OCILITE_LIB);
}

void fault_run::build_noted_store() {
    dir_.build_text("NTE", store_sql() +
                               "CREATE TABLE a_note (id NUMBER(5) PRIMARY KEY, doc CLOB DEFAULT 'none yet');\n"
                               "INSERT INTO a_note (id, doc) VALUES (1, 'written');\n"
                               "INSERT INTO a_note (id) VALUES (2);\n"
                               "COMMIT;\n");
}

std::vector<std::string> fault_run::on_noted_store(std::vector<std::string> args) {
    for (std::string& a : args)
        if (a == "--src=FLT") a = "--src=NTE";
    return args;
}

std::vector<std::string> fault_run::tollspar_argv(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{MG_TOLLSPAR};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

proc_result fault_run::tollspar(const std::vector<std::string>& args, const proc_options& extra) const {
    proc_options o = options_;
    for (const auto& [k, v] : extra.env) o.env[k] = v;
    o.file_size_limit = extra.file_size_limit;
    return run_process(tollspar_argv(args), o);
}

std::vector<std::string> fault_run::dump_args(const std::string& dump) const {
    return {"--src=FLT", "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + dump};
}

std::vector<std::string> fault_run::server_args(const std::string& port, const std::string& db) const {
    return {"--src=FLT",        "--oraclu=scott", "--oraclp=tiger", "--mysqlh=127.0.0.1",
            "--myport=" + port, "--mysqlu=root",  "--mysqlp=",      "--dest=" + db};
}

::testing::AssertionResult noted_before_error(const std::string& out) {
    const std::vector<std::string> l = lines_of(out);
    const auto note = std::find(l.begin(), l.end(), noted_line);
    const auto error = std::find(l.begin(), l.end(), "Error:");
    if (note == l.end()) return ::testing::AssertionFailure() << "no note in\n" << out;
    if (std::find(note + 1, l.end(), noted_line) != l.end())
        return ::testing::AssertionFailure() << "the note twice in\n" << out;
    if (error == l.end() || error < note) return ::testing::AssertionFailure() << "no error after the note in\n" << out;
    return ::testing::AssertionSuccess();
}

std::vector<long> dumped_big_ids(const std::string& dump) {
    std::vector<long> ids;
    const auto start = dump.find("Dumping data for table 'BIG'");
    if (start == std::string::npos) return ids;
    auto end = dump.find("UNLOCK TABLES;", start);
    if (end == std::string::npos) end = dump.size();
    // Each row starts "VALUES(" or "), (" followed by its id; no value of BIG holds either.
    for (auto p = dump.find('(', start); p != std::string::npos && p < end; p = dump.find('(', p + 1)) {
        const bool row_start =
            (p >= 6 && dump.compare(p - 6, 6, "VALUES") == 0) || (p >= 3 && dump.compare(p - 3, 3, "), ") == 0);
        if (!row_start || p + 1 >= dump.size() || !std::isdigit(static_cast<unsigned char>(dump[p + 1]))) continue;
        ids.push_back(std::strtol(dump.c_str() + p + 1, nullptr, 10));
    }
    return ids;
}

std::string big_summary(long rows) {
    return std::to_string(rows) + "\t" + std::to_string(rows) + "\t" + std::to_string(rows * (rows + 1) / 2) + "\t" +
           std::to_string(rows) + "\n";
}

std::string big_summary_query(const std::string& db) {
    return "SELECT COUNT(*), COUNT(DISTINCT ID), COALESCE(SUM(ID), 0), "
           "COALESCE(SUM(NOTE = RPAD('x', 60, 'y') AND AT = TIMESTAMP '2020-01-01 00:00:00' + INTERVAL ID MINUTE), 0) "
           "FROM `" +
           db + "`.`BIG`";
}

}  // namespace fault_test
