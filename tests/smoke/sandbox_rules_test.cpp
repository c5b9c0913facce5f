// The scripts' folder rules: scripts/mariadb-sandbox deletes and stops only what its own
// "start" made, whatever MG_SANDBOX_DIR names, and scripts/screenshots empties no folder of
// the user's; and a server test that finds no sandbox is skipped, or fails when the run
// demands the sandbox (MG_REQUIRE_SANDBOX=1, scripts/test), before its fixture is built.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"
#include "tests/support/proc_run.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using test_support::proc_result;

// Runs the sandbox script on `dir`; the server it may start keeps the script's streams, so
// they go to files.
proc_result sandbox(const std::string& command, const std::string& dir, const test_support::temp_dir& work) {
    test_support::proc_options o;
    o.env["MG_SANDBOX_DIR"] = dir;
    o.stdin_file = "/dev/null";
    test_support::child c({std::string(MG_SOURCE_DIR) + "/scripts/mariadb-sandbox", command}, o, work.path());
    return c.wait();
}

TEST(SandboxScript, LeavesAFolderItDidNotMake) {
    test_support::temp_dir work("sandbox-work");
    // A process whose id sits in the folder's pid file, as a server's would.
    test_support::child bystander({"/bin/sleep", "60"}, {}, work.path());
    for (const char* command : {"stop", "start", "resume"}) {
        SCOPED_TRACE(command);
        test_support::temp_dir folder("not-a-sandbox");
        test_support::write_file(folder.file("keep.txt"), "mine");
        test_support::write_file(folder.file("pid"), std::to_string(bystander.pid()));
        test_support::write_file(folder.file("port"), "1");
        const proc_result r = sandbox(command, folder.path(), work);
        EXPECT_NE(r.code, 0) << r.out << r.err;
        EXPECT_EQ(test_support::read_file(folder.file("keep.txt")), "mine");
        EXPECT_FALSE(fs::exists(folder.file("data")));
        EXPECT_TRUE(bystander.running()) << "the script stopped a process it did not start";
    }
}

TEST(SandboxScript, StopRemovesTheFolderStartMade) {
    test_support::temp_dir work("sandbox-work");
    const std::string dir = work.file("sandbox");
    const proc_result started = sandbox("start", dir, work);
    ASSERT_EQ(started.code, 0) << started.err;
    EXPECT_TRUE(started.out.starts_with("export MG_MYSQL_PORT=")) << started.out;
    EXPECT_TRUE(fs::exists(dir + "/.mariadb-sandbox"));
    const std::string pid = test_support::read_file(dir + "/pid");
    const proc_result stopped = sandbox("stop", dir, work);
    EXPECT_EQ(stopped.code, 0) << stopped.err;
    EXPECT_FALSE(fs::exists(dir));
    const char state = test_support::process_state(std::stoi(pid));
    EXPECT_TRUE(state == 0 || state == 'Z') << "the server still runs";
    EXPECT_EQ(sandbox("stop", dir, work).code, 0) << "stopping what is gone is no error";
}

// scripts/screenshots clears only a folder it made: a folder of the user's own is refused
// before anything is built or written, and keeps what it held.
TEST(ScreenshotsScript, RefusesAFolderItDidNotMake) {
    test_support::temp_dir folder("not-screenshots");
    test_support::write_file(folder.file("keep.png"), "mine");
    const proc_result r =
        test_support::run_process({std::string(MG_SOURCE_DIR) + "/scripts/screenshots", folder.path()}, {});
    EXPECT_EQ(r.code, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("did not write"), std::string::npos) << r.err;
    EXPECT_EQ(test_support::read_file(folder.file("keep.png")), "mine");
}

// Each case runs one probe test with MG_MYSQL_PORT and MG_REQUIRE_SANDBOX as given. ctest
// counts a test as skipped whenever its output holds "[  SKIPPED ]", whatever its exit
// code, so a failure must not print it.
TEST(SandboxRule, ServerTestsSkipOrFailBeforeTheirFixtureAndOthersOnlyBehindTheRule) {
    const struct {
        const char* probe;
        const char* test;
        const char* port;
        const char* required;
        int code;
        const char* says;
    } cases[] = {
        {MG_SERVER_RULE_PROBE, "ServerProbe.ConnectsInItsFixture", "", "1", 1,
         "[  FAILED  ] ServerProbe.ConnectsInItsFixture: MG_MYSQL_PORT is not set"},
        {MG_SERVER_RULE_PROBE, "ServerProbe.ConnectsInItsFixture", "", "", 0,
         "[  SKIPPED ] ServerProbe.ConnectsInItsFixture: MG_MYSQL_PORT is not set"},
        {MG_SERVER_RULE_PROBE, "ServerProbe.ConnectsInItsFixture", "1", "1", 0, "[  PASSED  ] 1 test"},
        {MG_UNIT_RULE_PROBE, "UnitProbe.NeedsTheSandboxPartway", "", "1", 1, "MG_REQUIRE_SANDBOX demands it"},
        {MG_UNIT_RULE_PROBE, "UnitProbe.NeedsTheSandboxPartway", "", "", 0, "[  SKIPPED ] UnitProbe"},
        {MG_UNIT_RULE_PROBE, "UnitProbe.NeedsTheSandboxPartway", "1", "1", 0, "[  PASSED  ] 1 test"},
        {MG_UNIT_RULE_PROBE, "UnitProbe.ReadsThePortPastTheRule", "1", "1", 1, "past the sandbox rule"},
        {MG_UNIT_RULE_PROBE, "UnitProbe.ReadsThePortPastTheRule", "", "", 1, "past the sandbox rule"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.test) + " port=" + c.port + " required=" + c.required);
        test_support::proc_options o;
        o.env["MG_MYSQL_PORT"] = c.port;
        o.env["MG_REQUIRE_SANDBOX"] = c.required;
        const proc_result r = test_support::run_process({c.probe, std::string("--gtest_filter=") + c.test}, o);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        if (c.code != 0) {
            EXPECT_EQ(r.out.find("[  SKIPPED ]"), std::string::npos) << r.out;
        }
    }
}

}  // namespace
