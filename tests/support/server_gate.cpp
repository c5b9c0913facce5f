// Linked into every program of server tests (mg_test and mg_gui_test with SERVER): without
// the sandbox, no test of the program runs and no fixture is built; each test the run
// selected is reported skipped, or failed when the run demands the sandbox. So a fixture
// may connect in its constructor, and no test of the program can forget the rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/sandbox.h"

namespace {

// The tests this run selected (GoogleTest has applied its filter before an environment's
// SetUp), one line each as GoogleTest itself reports them: MARK SUITE.TEST: WHY.
std::string selected_tests(const char* mark, const std::string& why) {
    std::string out;
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const ::testing::TestInfo& test = *suite.GetTestInfo(t);
            if (test.should_run())
                out += std::string(mark) + " " + suite.name() + "." + test.name() + ": " + why + "\n";
        }
    }
    return out;
}

class server_gate : public ::testing::Environment {
public:
    // GoogleTest reports a failure in an environment as every test skipped (which ctest
    // counts as skips, whatever the exit code) and a skip there as every test passed: the
    // selected tests are reported here instead, and the program ends before any runs.
    void SetUp() override {
        if (test_support::sandbox_port() != 0) return;
        const bool demanded = test_support::sandbox_required();
        const std::string why =
            std::string(test_support::no_sandbox) + (demanded ? ", and MG_REQUIRE_SANDBOX demands it" : "");
        std::fputs(selected_tests(demanded ? "[  FAILED  ]" : "[  SKIPPED ]", why).c_str(), stdout);
        std::fflush(stdout);
        std::_Exit(demanded ? 1 : 0);
    }
};

[[maybe_unused]] const bool installed = [] {
    test_support::detail::guard_whole_program();
    ::testing::AddGlobalTestEnvironment(new server_gate);  // GoogleTest owns it
    return true;
}();

}  // namespace
