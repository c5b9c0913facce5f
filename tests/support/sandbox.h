// The MariaDB sandbox that server tests run against (scripts/mariadb-sandbox): its port,
// and the one rule for a test that finds none. It is skipped, unless the run demands the
// sandbox (MG_REQUIRE_SANDBOX=1, as scripts/test sets it): then it fails, so that a broken
// sandbox cannot pass as a run without server tests.
//
// A program of server tests (mg_test or mg_gui_test with SERVER, ctest label "server")
// applies the rule before any of its tests runs (server_gate.cpp): without the sandbox no
// fixture of it is built, so a fixture may connect in its constructor. A test of another
// program whose remainder needs the sandbox says so with MG_NEED_SANDBOX() first. A test
// that reads the port guarded by neither fails, so no test reaches the sandbox past the rule.
#pragma once

#include <string>

namespace test_support {

// The sandbox's port from MG_MYSQL_PORT; 0 when unset.
unsigned sandbox_port();
// True when MG_REQUIRE_SANDBOX is set to 1.
bool sandbox_required();

// A database name of the running GoogleTest test and this process (ctest runs tests side by
// side): PREFIX_PID_SUITE_TEST in letters, digits and '_', at most 64 characters.
std::string test_db_name(const std::string& prefix);

inline constexpr const char* no_sandbox = "MG_MYSQL_PORT is not set (no MariaDB sandbox: scripts/mariadb-sandbox)";

namespace detail {
// Marks the running test as guarded by the rule; true when the sandbox's port is set.
bool sandbox_guard();
// Called once by the server gate, which guards every test of its program.
void guard_whole_program();
}  // namespace detail

}  // namespace test_support

// The rule within a test (a body or SetUp): returns from it, skipped or failed, without a
// sandbox.
#define MG_NEED_SANDBOX()                                                                      \
    do {                                                                                       \
        if (!::test_support::detail::sandbox_guard()) {                                        \
            if (::test_support::sandbox_required())                                            \
                FAIL() << ::test_support::no_sandbox << ", and MG_REQUIRE_SANDBOX demands it"; \
            GTEST_SKIP() << ::test_support::no_sandbox;                                        \
        }                                                                                      \
    } while (0)
