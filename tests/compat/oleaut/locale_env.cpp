// Runs a test binary under the process locale that the environment names (LC_ALL, LANG), as
// a program that adopts the user's locale would. With MG_EXPECT_DECIMAL_COMMA set, the
// locale must have a decimal comma (de_DE.UTF-8): the number readers and printers must
// still use '.'.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

class locale_environment : public testing::Environment {
public:
    void SetUp() override { std::setlocale(LC_ALL, ""); }
};

const testing::Environment* const registered = testing::AddGlobalTestEnvironment(new locale_environment);

TEST(Locale, DecimalSeparatorIsTheOneAskedFor) {
    const char* point = std::localeconv()->decimal_point;
    if (std::getenv("MG_EXPECT_DECIMAL_COMMA")) {
        EXPECT_STREQ(point, ",") << "the comma locale did not load: " << std::setlocale(LC_ALL, nullptr);
    } else {
        SUCCEED() << "decimal point '" << point << "'";
    }
}

}  // namespace
