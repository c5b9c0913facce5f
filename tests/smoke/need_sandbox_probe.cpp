// A server test in miniature, for the sandbox rule test: it needs the sandbox and does
// nothing else.
#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

TEST(NeedSandbox, Probe) { MG_NEED_SANDBOX(); }
