#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace test_support {

unsigned sandbox_port() {
    const char* p = std::getenv("MG_MYSQL_PORT");
    return p && *p ? static_cast<unsigned>(std::atoi(p)) : 0u;
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

}  // namespace test_support
