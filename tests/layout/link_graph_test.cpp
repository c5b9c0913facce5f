// The built programs' libraries, as the dynamic loader resolves them (every library they
// need, and what those need in turn): the console program needs no Qt library, so it runs
// on a server without a desktop; the wizard does, which shows the check can see one.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"
#include "tests/support/proc_run.h"

namespace {

TEST(LinkGraph, OnlyTheWizardLoadsQt) {
    const struct {
        const char* program;
        bool qt;
    } cases[] = {
        {MG_TOLLSPAR, false},
        {MG_MARROWGATE, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const test_support::proc_result r = test_support::run_process({"/usr/bin/ldd", c.program});
        ASSERT_EQ(r.code, 0) << r.err;
        bool qt = false;
        for (const std::string& line : test_support::lines_of(r.out))
            if (line.find("libQt") != std::string::npos) qt = true;
        EXPECT_EQ(qt, c.qt) << r.out;
    }
}

}  // namespace
