// The MariaDB sandbox that server tests run against (scripts/mariadb-sandbox): its port,
// and the rule for a test that finds none. It is skipped, unless the run demands the
// sandbox (MG_REQUIRE_SANDBOX=1, as scripts/test sets it): then it fails, so that a broken
// sandbox cannot pass as a run without server tests.
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

}  // namespace test_support

// In a GoogleTest test body or SetUp: returns from it, skipped or failed, without a sandbox.
#define MG_NEED_SANDBOX()                                                                      \
    do {                                                                                       \
        if (::test_support::sandbox_port() == 0) {                                             \
            if (::test_support::sandbox_required())                                            \
                FAIL() << ::test_support::no_sandbox << ", and MG_REQUIRE_SANDBOX demands it"; \
            GTEST_SKIP() << ::test_support::no_sandbox;                                        \
        }                                                                                      \
    } while (0)
