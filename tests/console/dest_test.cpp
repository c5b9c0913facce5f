// What stands at a dump's path decides how tollspar writes it: a file is replaced, a link is
// followed and kept, a FIFO or pipe is written as a stream; names are taken byte for byte,
// every dump says whether it is complete, and a failed write is reported, not a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/console/con_fixture.h"
#include "tests/support/sandbox.h"

namespace con_test {
namespace {

namespace fs = std::filesystem;

const std::string complete_line = "# Dump complete\r\n";

bool ends_with(const std::string& text, const std::string& end) { return text.ends_with(end); }

class DumpDestination : public tollspar_test {
protected:
    std::vector<std::string> dump_to(const std::string& dest, std::vector<std::string> extra = {}) const {
        std::vector<std::string> a = source_args();
        a.push_back("--dump");
        a.push_back("--dest=" + dest);
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }
    static bool is_link(const std::string& p) { return fs::is_symlink(fs::symlink_status(p)); }
    static std::string said(const proc_result& r) { return r.out + r.err; }
};

TEST_F(DumpDestination, ALinkIsFollowedAndKept) {
    write_file(file("target.sql"), std::string(100000, 'x'));  // longer than the dump: it must be cut
    fs::create_symlink(file("target.sql"), file("link.sql"));
    fs::create_symlink(file("later.sql"), file("dangling.sql"));
    for (const char* link : {"link.sql", "dangling.sql"}) {
        proc_result r = tollspar(dump_to(file(link)));
        ASSERT_EQ(r.code, 0) << link << "\n" << said(r);
        EXPECT_TRUE(is_link(file(link))) << link << " was replaced";
    }
    const std::string target = read_file(file("target.sql"));
    EXPECT_NE(target.find("CREATE TABLE `DEPT`"), std::string::npos);
    EXPECT_TRUE(ends_with(target, complete_line)) << target.substr(target.size() - 100);
    EXPECT_TRUE(ends_with(read_file(file("later.sql")), complete_line));
}

TEST_F(DumpDestination, AFifoIsAStreamAndThePasswordsAreOffTheProcessList) {
    const std::string fifo = file("stream.sql");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> argv{MG_TOLLSPAR};
    for (const auto& a : dump_to(fifo, {"--mysqlp=hushhush", "--silent"})) argv.push_back(a);
    test_support::child run(argv, options_, dir_.path());
    // Until a reader comes the run waits to open its stream, long after it read its
    // arguments and opened the Oracle store: the moment to look at the process list, which
    // must show no password.
    const std::string proc = "/proc/" + std::to_string(run.pid());
    const auto has_store_open = [&] {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator(proc + "/fd", ec)) {
            std::error_code gone;
            if (fs::read_symlink(fd.path(), gone).string().ends_with("CONS.sqlite")) return true;
        }
        return false;
    };
    for (int i = 0; i < 1500 && !has_store_open(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string cmdline = read_file(proc + "/cmdline");
    EXPECT_NE(cmdline.find("--oraclp="), std::string::npos) << cmdline;
    EXPECT_EQ(cmdline.find("tiger"), std::string::npos) << cmdline;
    EXPECT_EQ(cmdline.find("hushhush"), std::string::npos) << cmdline;
    std::string dump = read_file(fifo);  // reads to the writer's end
    proc_result r = run.wait();
    EXPECT_EQ(r.code, 0) << said(r);
    EXPECT_NE(dump.find("INSERT INTO `EMP`"), std::string::npos) << dump;
    EXPECT_TRUE(ends_with(dump, complete_line));
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";
}

TEST_F(DumpDestination, ALinkToStandardOutputPipesIntoTheStockClient) {
    MG_NEED_SANDBOX();
    const std::string db = "pipe_" + std::to_string(::getpid());
    const std::string client =
        "/usr/bin/mariadb --no-defaults -h 127.0.0.1 -P " + std::to_string(test_support::sandbox_port()) + " -u root";
    // A link of the test's own to this process's standard output, as /dev/stdout is.
    fs::create_symlink("/proc/self/fd/1", file("stdout"));
    // Silent or not: without --silent the progress lines go to standard error, not into the SQL.
    for (const bool silent : {true, false}) {
        std::string cmd = "set -o pipefail; " + client + " -e 'DROP DATABASE IF EXISTS " + db + "; CREATE DATABASE " +
                          db + "' && '" + MG_TOLLSPAR + "'";
        for (const auto& a :
             dump_to(file("stdout"), silent ? std::vector<std::string>{"--silent"} : std::vector<std::string>{}))
            cmd += " '" + a + "'";
        cmd += " | " + client + " " + db;
        proc_result r = test_support::run_process({"/bin/bash", "-c", cmd}, options_);
        EXPECT_EQ(r.code, 0) << "silent=" << silent << "\n" << said(r);
        EXPECT_EQ(r.err.find("Converting database CONS(3 tables)") != std::string::npos, !silent) << r.err;
        EXPECT_TRUE(is_link(file("stdout")));
        proc_result count = test_support::run_process(
            {"/bin/sh", "-c", client + " -N -B -e 'SELECT COUNT(*) FROM " + db + ".EMP; DROP DATABASE " + db + "'"});
        EXPECT_EQ(count.out, "5\n") << "silent=" << silent << "\n" << count.err;
    }
}

TEST_F(DumpDestination, NamesAreTakenByteForByte) {
    const std::string latin1 = file("caf\xE9.sql");
    proc_result r = tollspar(dump_to(latin1));
    ASSERT_EQ(r.code, 0) << said(r);
    EXPECT_TRUE(fs::exists(fs::path(latin1)));
    EXPECT_FALSE(fs::exists(fs::path(file("caf\xEF\xBF\xBD.sql"))));
    EXPECT_TRUE(ends_with(read_file(latin1), complete_line));
    // A second run replaces it.
    r = tollspar(dump_to(latin1, {"--tab_def"}));
    EXPECT_EQ(r.code, 0) << said(r);
    EXPECT_EQ(read_file(latin1).find("INSERT INTO"), std::string::npos);
}

TEST_F(DumpDestination, AFileSizeLimitIsReportedNotASignal) {
    proc_options limited;
    limited.file_size_limit = 700;
    proc_result r = tollspar(dump_to(file("out.sql")), limited);
    EXPECT_EQ(r.code, 255) << said(r);
    EXPECT_NE(r.out.find("File too large"), std::string::npos) << said(r);
    EXPECT_NE(r.out.find(file("out.sql")), std::string::npos) << said(r);
}

TEST_F(DumpDestination, ErrorsAboutAFileNameTheFile) {
    // A link that loops can be neither opened nor written, for root too.
    fs::create_symlink(file("loop.sql"), file("loop.sql"));
    proc_result r = tollspar(dump_to(file("loop.sql")));
    EXPECT_EQ(r.code, 255) << said(r);
    EXPECT_NE(r.out.find("'" + file("loop.sql") + "'"), std::string::npos) << said(r);
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    fs::create_directory(file("locked"));
    write_file(file("locked/old.sql"), "old");
    fs::permissions(file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    r = tollspar(dump_to(file("locked/old.sql")));
    fs::permissions(file("locked"), fs::perms::owner_all);
    EXPECT_EQ(r.code, 255) << said(r);
    EXPECT_NE(r.out.find(file("locked/old.sql")), std::string::npos) << said(r);
    EXPECT_EQ(read_file(file("locked/old.sql")), "old");
}

// A dump drops and creates the tables it holds when it is loaded: a mode that keeps or
// merges into existing tables cannot be honoured. Asked for on the command line, it is
// refused before the destination is touched; a profile's mode (the wizard keeps the last
// server run's) gives a note.
TEST_F(DumpDestination, AModeThatKeepsExistingTablesIsRefusedOrNoted) {
    write_file(file("p.qrn"), "[Generic settings]\nsrc=CONS\ndest=" + file("old.sql") +
                                  "\nmode=3\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL settings]\n"
                                  "direct mode=0\n");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string said;
    } cases[] = {
        {dump_to(file("old.sql"), {"--mode=2"}), 255,
         "A dump file cannot skip existing tables or merge into them (--mode=2 with --dump)\n"},
        {{"--mode=3", "--dest=" + file("old.sql"), "--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dump"},
         255,
         "A dump file cannot skip existing tables or merge into them (--mode=3 with --dump)\n"},
        {{"--profile=" + file("p.qrn"), "--mode=2"},
         255,
         "A dump file cannot skip existing tables or merge into them (--mode=2 with --dump)\n"},
        // a later option that sets another mode takes its place
        {{"--mode=3", "--profile=" + file("p.qrn"), "--mode=1"}, 0, ""},
        {dump_to(file("old.sql"), {"--mode=1"}), 0, ""},
        {{"--profile=" + file("p.qrn")},
         0,
         "Note: the mode 3 does not apply to a dump file: its load neither skips existing tables nor merges into "
         "them\n"},
    };
    for (const auto& c : cases) {
        write_file(file("old.sql"), "old");
        proc_result r = tollspar(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[0] << "\n" << said(r);
        if (c.code != 0) {
            EXPECT_EQ(r.err, c.said) << c.args[0];
            EXPECT_EQ(r.out, "") << c.args[0];
            EXPECT_EQ(read_file(file("old.sql")), "old") << c.args[0];
            continue;
        }
        EXPECT_TRUE(ends_with(read_file(file("old.sql")), complete_line)) << c.args[0];
        std::string notes;
        for (const std::string& line : lines_of(r.out))
            if (line.starts_with("Note: the mode")) notes += line + "\n";
        EXPECT_EQ(notes, c.said) << c.args[0] << "\n" << r.out;
    }
    // nothing is made where nothing stood
    proc_result r = tollspar(dump_to(file("new.sql"), {"--mode=2"}));
    EXPECT_EQ(r.code, 255) << said(r);
    EXPECT_FALSE(fs::exists(file("new.sql")));
}

}  // namespace
}  // namespace con_test
