// TK_CHECK where the checks are compiled in (this target defines MG_CHECKS, whatever the build
// type): a broken invariant is tk_fail's internal error for the check's file and line, with
// the condition's text in the trace log; one that holds passes. Either is evaluated once.
#include "TK/tk_check.h"

#include <gtest/gtest.h>

#include <string>

#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

#if !TK_CHECKS
#error "tk_check_test is built with the checks compiled in"
#endif

namespace {

int evaluations = 0;

bool counted(bool value) {
    ++evaluations;
    return value;
}

TEST(Check, ABrokenInvariantIsTheInternalErrorOfTheCheck) {
    struct check_case {
        const char* what;
        bool holds;
    };
    for (const check_case& c : {check_case{"holds", true}, check_case{"broken", false}}) {
        SCOPED_TRACE(c.what);
        test_support::temp_dir dir;
        const tk_log log(dir.file("trace.log").c_str(), true, 3, false);
        evaluations = 0;
        std::string error;
        int level = -1;
        const int line = __LINE__ + 2;
        try {
            TK_CHECK(counted(c.holds));
        } catch (const tk_mail_assertion& e) {
            error = e.message();
            level = e.level();
        }
        EXPECT_EQ(evaluations, 1);
        const std::string trace = test_support::read_file(dir.file("trace.log"));
        if (c.holds) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(trace, "");
        } else {
            // The file's name alone: the build's folders would differ between machines.
            EXPECT_EQ(level, 2);
            EXPECT_EQ(error, tk_assertion_text("tk_check_test.cpp", line));
            EXPECT_TRUE(test_support::has_line(
                trace, "Check failed: counted(c.holds) (tk_check_test.cpp:" + std::to_string(line) + ")\r"))
                << trace;
        }
    }
}

}  // namespace
