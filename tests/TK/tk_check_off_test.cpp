// TK_CHECK where the checks are left out (this target defines NDEBUG and not MG_CHECKS, as a
// Release build does): the condition is compiled but never evaluated, so a hot path pays
// nothing for it, and a broken one passes.
#include "TK/tk_check.h"

#include <gtest/gtest.h>

#include <vector>

#if TK_CHECKS
#error "tk_check_off_test is built with the checks left out"
#endif

namespace {

int evaluations = 0;

// Called by checks alone: clang would report it unneeded where they are left out.
[[maybe_unused]] bool counted(bool value) {
    ++evaluations;
    return value;
}

TEST(CheckLeftOut, TheConditionIsNeverEvaluated) {
    for (const bool holds : {true, false}) {
        SCOPED_TRACE(holds);
        evaluations = 0;
        EXPECT_NO_THROW(TK_CHECK(counted(holds)));
        EXPECT_EQ(evaluations, 0);
    }
    // A value read only for a check counts as used: no warning where the checks are left out.
    const std::vector<int> values{1, 2};
    const size_t count = values.size();
    TK_CHECK(count == 3);
}

}  // namespace
