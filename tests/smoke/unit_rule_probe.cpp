// Tests of a program that is not one of server tests, for the sandbox rule test: one whose
// remainder needs the sandbox, and one that reaches for it past the rule.
#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

TEST(UnitProbe, NeedsTheSandboxPartway) {
    MG_NEED_SANDBOX();
    EXPECT_NE(test_support::sandbox_port(), 0u);
}

TEST(UnitProbe, ReadsThePortPastTheRule) { (void)test_support::sandbox_port(); }
