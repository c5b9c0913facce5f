#include "compat/text/text.h"

#include <gtest/gtest.h>

#include <climits>

using namespace compat;

TEST(Codecs, RoundTripsEveryPlane) {
    const wstring text = u"a\u00e9\u4e2d\U0001F600z";
    const std::string utf8 = utf16_to_utf8(text);
    EXPECT_EQ(utf8, "a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80z");
    EXPECT_EQ(utf8_to_utf16(utf8), text);
    EXPECT_EQ(ansi_to_utf16(utf16_to_ansi(text)), text);
}

TEST(Codecs, InvalidInputBecomesReplacementCharacter) {
    struct Case {
        std::string utf8;
        wstring expected;
    } cases[] = {
        {"\xff", u"\ufffd"},
        {"a\xc3", u"a\ufffd"},        // cut sequence at the end
        {"\xc0\xaf", u"\ufffd"},      // overlong
        {"\xed\xa0\x80", u"\ufffd"},  // encoded surrogate
        {"\xe4\xb8"
         "b",
         u"\ufffdb"},
    };
    for (const auto& c : cases) EXPECT_EQ(utf8_to_utf16(c.utf8), c.expected) << c.utf8;

    const wstring lone_high = {u'x', char16_t(0xD83D)};
    const wstring lone_low = {char16_t(0xDE00), u'y'};
    EXPECT_EQ(utf16_to_utf8(lone_high), "x\xef\xbf\xbd");
    EXPECT_EQ(utf16_to_utf8(lone_low), "\xef\xbf\xbdy");
}

TEST(CaseFolding, IsLocaleFreeAndCoversNonAscii) {
    EXPECT_EQ(to_upper(wstring(u"stra\u00dfe \u00e9t\u00e9 \u0434\u043e\u043c")),
              u"STRA\u00dfE \u00c9T\u00c9 \u0414\u041e\u041c");
    EXPECT_EQ(to_lower(wstring(u"\u00c9COLE \u0130")), u"\u00e9cole i");
    EXPECT_EQ(to_upper_utf8("caf\xc3\xa9"), "CAF\xc3\x89");
    EXPECT_EQ(compare_nocase(wstring(u"abc"), wstring(u"ABC")), 0);
    EXPECT_TRUE(equal_nocase(std::string("\xc3\xa9t\xc3\xa9"), std::string("\xc3\x89T\xc3\x89")));
    EXPECT_LT(compare_nocase(wstring(u"abc"), wstring(u"ABD")), 0);
    EXPECT_GT(compare_nocase(wstring(u"abcd"), wstring(u"ABC")), 0);
    EXPECT_FALSE(equal_nocase(wstring(u"id"), wstring(u"id_")));
}

TEST(WinAtoi, SaturatesLikeTheWindowsRuntime) {
    struct Case {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"42", 42},
        {"  -17xyz", -17},
        {"+5", 5},
        {"", 0},
        {"abc", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"3000000000", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"\t 12", 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(win_atoi(std::string_view(c.text)), c.expected) << c.text;
        EXPECT_EQ(win_atoi(utf8_to_utf16(c.text)), c.expected) << c.text;
    }
    EXPECT_EQ(win_atoi64("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(win_atoi64("-9223372036854775808"), INT64_MIN);
}

TEST(SafePrefix, NeverEndsInsideASurrogatePair) {
    const wstring text = u"ab\U0001F600c";  // a b hi lo c
    EXPECT_EQ(utf16_safe_prefix(text, 3), 2u);
    EXPECT_EQ(utf16_safe_prefix(text, 4), 4u);
    EXPECT_EQ(utf16_safe_prefix(text, 10), text.size());
    EXPECT_EQ(utf16_safe_prefix(text, 0), 0u);
}
