// A program of server tests in miniature, for the sandbox rule test: its fixture fails when
// it is built without the sandbox, as one that connects in its constructor would.
#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

namespace {

class ServerProbe : public ::testing::Test {
protected:
    ServerProbe() {
        if (test_support::sandbox_port() == 0) ADD_FAILURE() << "the fixture was built without the sandbox";
    }
};

TEST_F(ServerProbe, ConnectsInItsFixture) {}

}  // namespace
