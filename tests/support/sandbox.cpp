#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace test_support {

namespace {

// Constant-initialized, so server_gate may set it from its own static initializer.
bool whole_program_guarded = false;
const ::testing::TestInfo* guarded_test = nullptr;

unsigned port_from_environment() {
    const char* p = std::getenv("MG_MYSQL_PORT");
    return p && *p ? static_cast<unsigned>(std::atoi(p)) : 0u;
}

}  // namespace

unsigned sandbox_port() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test && !whole_program_guarded && test != guarded_test)
        ADD_FAILURE() << "this test reads the sandbox's port past the sandbox rule: put it into a program of server "
                         "tests (mg_test ... SERVER), or call MG_NEED_SANDBOX() before it";
    return port_from_environment();
}

bool sandbox_required() {
    const char* r = std::getenv("MG_REQUIRE_SANDBOX");
    return r && std::string_view(r) == "1";
}

std::string test_db_name(const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = prefix + "_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name.substr(0, 64);
}

namespace detail {

bool sandbox_guard() {
    guarded_test = ::testing::UnitTest::GetInstance()->current_test_info();
    return port_from_environment() != 0;
}

void guard_whole_program() { whole_program_guarded = true; }

}  // namespace detail

}  // namespace test_support
