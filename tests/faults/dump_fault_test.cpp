// Faults during a run into a dump file: the file cannot take more bytes, the source fails
// at a chosen fetch, a second run names the same file. No server is needed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/faults/fault_fixture.h"
#include "tests/support/sandbox.h"

namespace fault_test {
namespace {

using test_support::read_file;

long file_size(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<long>(n);
}

class DumpFaults : public fault_run {};

TEST_F(DumpFaults, ADumpThatCannotBeWrittenFailsTheRun) {
    const std::string dump = file("out.sql");
    proc_result whole = tollspar(dump_args(dump));
    ASSERT_EQ(whole.code, 0) << whole.out << whole.err;
    const long size = file_size(dump);
    ASSERT_GT(size, 4096);

    // A full disk is stood in for by RLIMIT_FSIZE, set in the child before exec: writes past
    // the limit fail with EFBIG, as they fail with ENOSPC on a full disk, and no mount is
    // needed. The limits cut the header, the middle of BIG, and only the file's last bytes
    // (which reach the disk when the file is closed at the end).
    const struct {
        const char* what;
        long limit;
    } cases[] = {
        {"in the header", 600},
        {"in the middle of BIG", size / 2},
        {"in the last bytes", size - 64},
    };
    for (const auto& c : cases) {
        proc_options limited;
        limited.file_size_limit = c.limit;
        proc_result r = tollspar(dump_args(dump), limited);
        EXPECT_EQ(r.code, 255) << c.what << "\n" << r.out << r.err;
        auto l = lines_of(r.out);
        ASSERT_GE(l.size(), 2u) << c.what << "\n" << r.out;
        EXPECT_EQ(l[l.size() - 2], "Error:") << c.what;
        EXPECT_NE(l.back().find("Cannot write the dump file '" + dump + "': File too large"), std::string::npos)
            << c.what << "\n"
            << l.back();
        EXPECT_LE(file_size(dump), c.limit) << c.what;
    }
    // The limit alone does not fail a run that fits.
    proc_options exact;
    exact.file_size_limit = size;
    proc_result r = tollspar(dump_args(dump), exact);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(file_size(dump), size);
}

// A run that a write error ends still reports the note of a table it wrote before, once,
// and ends as it did.
TEST_F(DumpFaults, ARunThatFailsKeepsTheNotesOfTheTablesBefore) {
    build_noted_store();
    const std::string dump = file("noted.sql");
    proc_result whole = tollspar(on_noted_store(dump_args(dump)));
    ASSERT_EQ(whole.code, 0) << whole.out << whole.err;
    EXPECT_TRUE(has_line(whole.out, noted_line)) << whole.out;
    proc_options limited;
    limited.file_size_limit = file_size(dump) / 2;  // in the middle of BIG
    proc_result r = tollspar(on_noted_store(dump_args(dump)), limited);
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_TRUE(noted_before_error(r.out));
    auto l = lines_of(r.out);
    ASSERT_GE(l.size(), 2u) << r.out;
    EXPECT_EQ(l[l.size() - 2], "Error:");
    EXPECT_NE(l.back().find("Cannot write the dump file '" + dump + "': File too large"), std::string::npos)
        << l.back();
    EXPECT_NE(read_file(dump).find("(2, 'none yet')"), std::string::npos);
}

TEST_F(DumpFaults, ADeviceThatIsFullFailsTheRunAndIsKept) {
    // A full device: a node like /dev/full (char 1:7) in the test's folder, so that a
    // program that removed an existing destination would remove only this copy.
    const std::string full = file("full.sql");
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "cannot make a device node here (needs CAP_MKNOD)";
    proc_result r = tollspar(dump_args(full));
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    EXPECT_TRUE(has_line(r.out, "Error:")) << r.out;
    EXPECT_NE(r.out.find("Cannot write the dump file '" + full + "': No space left on device"), std::string::npos)
        << r.out;
    struct stat st {};
    ASSERT_EQ(stat(full.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device was replaced by a file";
}

TEST_F(DumpFaults, AnInjectedSourceErrorEndsThatTableOnly) {
    const std::string dump = file("out.sql");
    const std::string mid = std::to_string(big_rows / 2);  // a fetch inside BIG's rows
    const struct {
        std::string fail_at;
        int code;            // exit code
        std::string report;  // start of the error line
        bool converted;      // the run went through every table
    } cases[] = {
        // The first fetch lists the tables while connecting: nothing can be converted.
        {"fetch:1", 255, "ORA-03113: end-of-file on communication channel", false},
        // An error of one table is of level 0: reported, the next tables convert, and the
        // run that finished with that loss exits with 1.
        {"fetch:" + mid, 1, "BIG: ORA-03113: end-of-file on communication channel", true},
        {"fetch:" + mid + ":1555", 1, "BIG: ORA-01555", true},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dump);
        proc_options inject;
        inject.env["OCILITE_FAIL_AT"] = c.fail_at;
        proc_result r = tollspar(dump_args(dump), inject);
        EXPECT_EQ(r.code, c.code) << c.fail_at << "\n" << r.out << r.err;
        auto l = lines_of(r.out);
        bool reported = false;
        for (size_t i = 1; i < l.size(); ++i)
            if (l[i - 1] == "Error:" && l[i].starts_with(c.report)) reported = true;
        EXPECT_TRUE(reported) << c.fail_at << "\n" << r.out;
        if (!c.converted) {
            EXPECT_FALSE(has_line_starting(r.out, "Converting database")) << c.fail_at << "\n" << r.out;
            continue;
        }
        EXPECT_TRUE(has_line(r.out, "Converting table Z_AFTER(10 records)")) << c.fail_at << "\n" << r.out;
        const std::string d = read_file(dump);
        EXPECT_NE(d.find("(10, 'a10');"), std::string::npos) << c.fail_at;
        EXPECT_NE(d.find("(10, 'z10');"), std::string::npos) << c.fail_at;
        // BIG holds the rows read before the failing fetch, in order, none twice.
        const std::vector<long> ids = dumped_big_ids(d);
        ASSERT_FALSE(ids.empty()) << c.fail_at;
        EXPECT_LT(static_cast<long>(ids.size()), big_rows) << c.fail_at;
        for (size_t i = 0; i < ids.size(); ++i) {
            ASSERT_EQ(ids[i], static_cast<long>(i) + 1) << c.fail_at << ": row " << i;
        }
    }
}

TEST_F(DumpFaults, ASecondRunOnTheSameDumpFileIsRefused) {
    const std::string dump = file("out.sql");
    proc_result lone = tollspar(dump_args(dump));
    ASSERT_EQ(lone.code, 0) << lone.out << lone.err;
    const std::string expected = read_file(dump);
    std::filesystem::remove(dump);  // what is read below is the first run's own file

    background_run first(tollspar_argv(dump_args(dump)), options_);
    // Held while it writes BIG, the second run starts on the same file.
    first.hold();
    while (!first.finished() && read_file(dump).find("Dumping data for table 'BIG'") == std::string::npos) {
        first.let_go();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        first.hold();
    }
    ASSERT_FALSE(first.finished()) << "the first run ended before BIG";
    proc_result second = tollspar(dump_args(dump));
    // The second run is refused before it removes or truncates anything...
    EXPECT_EQ(second.code, 255) << second.out << second.err;
    EXPECT_EQ(second.out, "Error:\nDestination file is being written by another program. '" + dump + "'\n");
    // ...and the first run's file, completed, is the whole dump.
    proc_result r = first.wait();
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    const std::string d = read_file(dump);
    EXPECT_EQ(d.size(), expected.size());
    EXPECT_EQ(dumped_big_ids(d).size(), static_cast<size_t>(big_rows));
    // Once the first run has ended, the file may be replaced again.
    proc_result again = tollspar(dump_args(dump));
    EXPECT_EQ(again.code, 0) << again.out << again.err;
}

// The dump written into a FIFO, so that the run waits on this reader; the signal is sent
// once the INSERTs of BIG have begun. Returns what the run wrote.
std::string read_signalled_dump(test_support::child& run, const std::string& fifo, int sig, bool& signalled) {
    std::ifstream in(fifo, std::ios::binary);
    std::string dump;
    char buf[4096];
    signalled = false;
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        dump.append(buf, static_cast<size_t>(in.gcount()));
        if (!signalled && dump.find("INSERT INTO `BIG`") != std::string::npos) {
            run.signal(sig);
            signalled = true;
        }
    }
    return dump;
}

TEST_F(DumpFaults, AStoppedRunLeavesADumpThatSaysSoAndStopsTheClient) {
    // Ctrl-C, a termination request and a closed terminal stop the run alike, in the
    // middle of BIG.
    const struct {
        const char* what;
        int sig;
    } cases[] = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};
    std::string stopped;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string fifo = file(std::string("stream-") + c.what + ".sql");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        test_support::child run(tollspar_argv(dump_args(fifo)), options_, dir_.path());
        bool signalled = false;
        const std::string dump = read_signalled_dump(run, fifo, c.sig, signalled);
        proc_result r = run.wait();
        ASSERT_TRUE(signalled) << dump.substr(0, 2000);
        EXPECT_EQ(r.code, 255) << r.out << r.err;
        EXPECT_NE(r.err.find("stopped before its end"), std::string::npos) << r.err;
        EXPECT_EQ(dump.find("# Dump complete"), std::string::npos);
        EXPECT_EQ(dump.find("Z_AFTER"), std::string::npos) << "the run went on after the stop";
        EXPECT_NE(dump.find("# INCOMPLETE DUMP: the conversion stopped while table 'BIG' was written."),
                  std::string::npos);
        EXPECT_TRUE(dump.ends_with("The conversion stopped before the end: this dump is INCOMPLETE;\r\n"))
            << dump.substr(dump.size() > 300 ? dump.size() - 300 : 0);
        stopped = dump;
    }

    // Started with hangups ignored (nohup), the run is not stopped by one.
    const std::string fifo = file("stream-nohup.sql");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string command = "trap '' HUP; exec";
    for (const std::string& a : tollspar_argv(dump_args(fifo))) command += " " + test_support::sh_quoted(a);
    test_support::child run({"/bin/sh", "-c", command}, options_, dir_.path());
    bool signalled = false;
    const std::string whole = read_signalled_dump(run, fifo, SIGHUP, signalled);
    proc_result r = run.wait();
    EXPECT_TRUE(signalled);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(whole.find("# Dump complete"), std::string::npos);
    EXPECT_EQ(dumped_big_ids(whole).size(), static_cast<size_t>(big_rows));

    MG_NEED_SANDBOX();
    const std::string port = std::to_string(test_support::sandbox_port());
    const std::string db = test_support::test_db_name("stop");
    ASSERT_EQ(mariadb(port, "DROP DATABASE IF EXISTS " + db + "; CREATE DATABASE " + db).code, 0);
    test_support::write_file(file("stopped.sql"), stopped);
    proc_options load;
    load.stdin_file = file("stopped.sql");
    proc_result loaded = test_support::run_process(
        {"/usr/bin/mariadb", "--no-defaults", "-h", "127.0.0.1", "-P", port, "-u", "root", db}, load);
    EXPECT_NE(loaded.code, 0) << "the stock client loaded a stopped dump without an error";
    EXPECT_NE(loaded.err.find("INCOMPLETE"), std::string::npos) << loaded.err;
    mariadb(port, "DROP DATABASE IF EXISTS " + db);
}

}  // namespace
}  // namespace fault_test
