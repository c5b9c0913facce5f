#include "compat/text/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>

using namespace compat;

TEST(Format, KeepsTheWindowsMeaningOfFormats) {
    int64_t big = 5000000000LL;
    EXPECT_EQ(format("%I64d rows", big), "5000000000 rows");
    EXPECT_EQ(format("%I64u", uint64_t(18446744073709551615ULL)), "18446744073709551615");
    EXPECT_EQ(format("%ld/%lu", 7, 8u), "7/8");
    EXPECT_EQ(format("%02d:%02d:%02d", 1, 2, 3), "01:02:03");
    EXPECT_EQ(format("100%% %s", "done"), "100% done");
    EXPECT_EQ(format("%.15e", 1.5), "1.500000000000000e+00");
    EXPECT_EQ(format("%-5s|%5s", "ab", "cd"), "ab   |   cd");
    EXPECT_EQ(format("%s, record #%d", wstring(u"T\u00e9"), 3), "T\xc3\xa9, record #3");
    EXPECT_EQ(format("%hs|%S", "n", wstring(u"w")), "n|w");
}

TEST(Format, WideFormatsTakeWideStrings) {
    EXPECT_EQ(wformat(u"sql_database::create_table(%s)", wstring(u"\u4e2d\u6587")),
              u"sql_database::create_table(\u4e2d\u6587)");
    EXPECT_EQ(wformat(u"%s%05d", wstring(u"name"), 7), u"name00007");
    const char16_t* raw = u"raw";
    EXPECT_EQ(wformat(u"[%ls]", raw), u"[raw]");
}

TEST(Format, NumbersUseAPointWhateverTheLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) std::setlocale(LC_ALL, "fr_FR.UTF-8");
    EXPECT_EQ(format("%.2f", 1.25), "1.25");
    std::setlocale(LC_ALL, saved.c_str());
}
