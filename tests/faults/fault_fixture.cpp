#include "tests/faults/fault_fixture.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/isolated_run.h"

namespace fault_test {

using test_support::read_file;
using test_support::run_process;
using test_support::write_file;
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

// A word for /bin/sh (paths here hold no quote).
std::string sh_quoted(const std::string& s) { return "'" + s + "'"; }

// The state letter of /proc/PID/stat ('T' stopped, 'Z' zombie), 0 when there is no such process.
char process_state(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

// The child of this process running the program called comm, -1 when there is none.
pid_t child_named(const std::string& comm) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

std::atomic<int> server_counter{0};

}  // namespace

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

bool has_line(const std::string& text, const std::string& line) {
    for (const auto& l : lines(text))
        if (l == line) return true;
    return false;
}

bool has_line_starting(const std::string& text, const std::string& start) {
    for (const auto& l : lines(text))
        if (l.starts_with(start)) return true;
    return false;
}

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
    while (!finished() && process_state(pid) != 'T' && process_state(pid) != 'Z') std::this_thread::sleep_for(100us);
}

void background_run::let_go() {
    if (pid_ > 0 && !finished()) kill(pid_, SIGCONT);
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

// --- own_server ---

// Runs scripts/mariadb-sandbox on this server's folder. Output goes to a file: the server
// started in the background keeps the script's streams.
proc_result own_server::sandbox(const char* command, const std::string& server_options) const {
    const std::string script = std::string(MG_SOURCE_DIR) + "/scripts/mariadb-sandbox";
    return run_process({"/bin/sh", "-c",
                        "MG_SANDBOX_DIR=" + sh_quoted(dir_) +
                            " MG_SANDBOX_SERVER_OPTIONS=" + sh_quoted(server_options) + " " + sh_quoted(script) + " " +
                            command + " >>" + sh_quoted(dir_ + ".log") + " 2>&1 </dev/null"});
}

own_server::own_server(const std::string& server_options) {
    dir_ = "/tmp/sb-faults-" + std::to_string(getpid()) + "-" + std::to_string(server_counter++);
    proc_result r = sandbox("start", server_options);
    std::string port = read_file(dir_ + "/port");
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
    if (r.code != 0 || port.empty())
        failure_ = "mariadb-sandbox start failed: " + read_file(dir_ + ".log");
    else
        port_ = port;
}

own_server::~own_server() {
    sandbox("stop");
    std::error_code ignored;
    std::filesystem::remove(dir_ + ".log", ignored);
}

void own_server::shut_down() {
    const pid_t pid = std::atoi(read_file(dir_ + "/pid").c_str());
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 600; ++i) {
        const char state = process_state(pid);
        if (state == 0 || state == 'Z') return;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
}

void own_server::start_again() {
    // The same server again, on the data and the port it left.
    sandbox("resume");
}

proc_result mariadb(const std::string& port, const std::string& statements) {
    return run_process({"/usr/bin/mariadb", "--no-defaults", "-h", "127.0.0.1", "-P", port, "-u", "root", "-N", "-B",
                        "-e", statements});
}

// --- fault_run ---

void fault_run::SetUp() {
    write_file(file("store.sql"), store_sql());
    proc_result load = test_support::load_store(MG_OCILITE_LOAD, file("FLT.sqlite"), file("store.sql"));
    ASSERT_EQ(load.code, 0) << load.err;
    options_ = test_support::isolated_options(dir_.path(), MG_OCILITE_LIB);
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

std::string fault_run::unique_name(const std::string& prefix) const {
    std::string name =
        prefix + std::to_string(getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
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
