// The scripts' folder rules: scripts/mariadb-sandbox deletes and stops only what its own
// "start" made, whatever MG_SANDBOX_DIR names, and the other scripts empty no folder of the
// user's; and a server test that finds no sandbox is skipped, or fails when the run
// demands the sandbox (MG_REQUIRE_SANDBOX=1, scripts/test), before its fixture is built.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

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

// The names in a folder, sorted, separated by blanks.
std::string names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

// The folder rule of the other scripts (scripts/owned-folder.sh): each one deletes only in a
// folder that holds its own marker. A folder with a file of the user's is refused before
// anything is installed, built or written, and keeps what it held.
TEST(ScriptFolders, EachScriptRefusesAFolderItDidNotMake) {
    const struct {
        const char* script;
        const char* setting;  // the environment variable naming the folder; "" for the argument
        const char* foreign;  // a file of the user's, under the named folder
        const char* says;
    } cases[] = {
        {"scripts/screenshots", "", "keep.png", "did not write"},
        {"scripts/screenshots", "MG_BUILD_DIR", "screenshots/keep.png", "did not write"},
        {"scripts/demo", "MG_BUILD_DIR", "demo/notes.txt", "did not write"},
        {"bench/run", "MG_BENCH_BUILD", "bench-work/notes.txt", "did not write"},
        {"scripts/fuzz", "MG_FUZZ_BUILD", "CMakeCache.txt", "build folder of another source"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.script) + " " + c.foreign);
        test_support::temp_dir folder("not-the-scripts");
        const std::string foreign = folder.file(c.foreign);
        fs::create_directories(fs::path(foreign).parent_path());
        const std::string mine = "CMAKE_HOME_DIRECTORY:INTERNAL=/elsewhere\n";
        test_support::write_file(foreign, mine);
        std::vector<std::string> argv{std::string(MG_SOURCE_DIR) + "/" + c.script};
        test_support::proc_options o;
        if (*c.setting)
            o.env[c.setting] = folder.path();
        else
            argv.push_back(folder.path());
        const proc_result r = test_support::run_process(argv, o);
        EXPECT_EQ(r.code, 2) << r.out << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(test_support::read_file(foreign), mine);
        EXPECT_EQ(names_in(fs::path(foreign).parent_path()), fs::path(foreign).filename().string())
            << "nothing was added beside it";
    }
}

// The rule itself: a folder is made, an empty one taken, a marked one kept and cleared but
// for its marker; a file in a folder of the user's survives the refusal.
TEST(ScriptFolders, AClaimedFolderIsClearedAndAnyOtherRefused) {
    const struct {
        const char* before;  // files in the folder before the claim ("-": no folder at all)
        int code;
        const char* after;  // files in the folder afterwards, sorted
    } cases[] = {
        {"-", 0, ".mark"},
        {"", 0, ".mark"},
        {".mark old.png sub/old.txt", 0, ".mark"},
        {"mine.png", 2, "mine.png"},
        {".other-mark mine.png", 2, ".other-mark mine.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        test_support::temp_dir work("owned-folder");
        const fs::path dir = fs::path(work.path()) / "out";
        if (std::string(c.before) != "-") {
            fs::create_directory(dir);
            std::istringstream names(c.before);
            for (std::string name; names >> name;) {
                fs::create_directories((dir / name).parent_path());
                test_support::write_file((dir / name).string(), "x");
            }
        }
        const proc_result r = test_support::run_process({"/bin/bash", "-c",
                                                         "source '" MG_SOURCE_DIR
                                                         "/scripts/owned-folder.sh' && claim_folder \"$0\" .mark && "
                                                         "clear_folder \"$0\" .mark",
                                                         dir.string()});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(names_in(dir), c.after);
    }
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
