#include "TK/tk_utils.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tk_test_util.h"

namespace {

TEST(Strings, TrimRemovesOnlyOuterBlanks) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (Case c : {Case{"  a b  ", "a b"}, Case{"   ", ""}, Case{"", ""}, Case{"x", "x"}, Case{"\tx ", "\tx"},
                   Case{" x", "x"}}) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(tk_trim(c.in), c.out);
        EXPECT_EQ(tk_wtrim(compat::utf8_to_utf16(c.in)), compat::utf8_to_utf16(c.out));
    }
}

TEST(Strings, AllBlankTrimLogsItsSpecialCase) {
    test_support::temp_dir dir;
    tk_log log(dir.file("t.log").c_str(), true, 1, false);
    EXPECT_EQ(tk_wtrim(u"   "), u"");
    EXPECT_EQ(test_support::read_file(dir.file("t.log")), "Special processing for all-spaces-string\r\n");
}

TEST(Strings, CompareNocase) {
    EXPECT_EQ(tk_compare_nocase("abc", "ABC"), 0);
    EXPECT_EQ(tk_compare_nocase(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);
    EXPECT_EQ(tk_compare_nocase("abc", "abd"), -1);
    EXPECT_EQ(tk_compare_nocase(u"b", u"A"), 1);
}

TEST(Strings, CodePageConversions) {
    const compat::wstring wide = u"T\u00e4ble \U0001F600";
    const std::string utf8 =
        "T\xc3\xa4"
        "ble \xf0\x9f\x98\x80";
    EXPECT_EQ(tk_wide_to_utf8(wide), utf8);
    EXPECT_EQ(tk_utf8_to_wide(utf8), wide);
    EXPECT_EQ(tk_ansi_to_wide(utf8), wide);
    EXPECT_EQ(tk_to_narrow(wide), utf8);
    EXPECT_EQ(tk_wide_to_narrow(wide, TK_CP_ANSI), tk_to_narrow(wide));
    EXPECT_EQ(tk_wide_to_narrow(wide, TK_CP_UTF8), utf8);
    EXPECT_EQ(tk_wide_to_narrow(wide, 1252), "");
    EXPECT_EQ(tk_utf8_to_wide("a\xff"), u"a\ufffd");
    std::string out = "unchanged";
    EXPECT_FALSE(tk_to_narrow(static_cast<const compat::wchar*>(nullptr), out));
    EXPECT_EQ(out, "unchanged");
    compat::wstring wout;
    EXPECT_TRUE(tk_to_wide("x", wout));
    EXPECT_EQ(wout, u"x");
}

TEST(Strings, WstringToUpper) {
    tk_wstring s(u"emp_\u00e9");
    EXPECT_EQ(s.to_upper(), u"EMP_\u00c9");
    EXPECT_EQ(s, u"EMP_\u00c9");
}

TEST(Strings, BinToHex) {
    const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
    EXPECT_EQ(tk_bin_to_hex(bytes), "00AB7F");
    EXPECT_EQ(tk_bin_to_hex(std::span<const uint8_t>{}), "");
    EXPECT_THROW(tk_bin_to_hex(3, bytes, nullptr), tk_mail_assertion);
}

TEST(Module, PathIsTheExecutable) {
    EXPECT_EQ(tk_get_module_path(), std::filesystem::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(tk_get_module_wpath(), compat::utf8_to_utf16(tk_get_module_path()));
    EXPECT_EQ(get_dll_version(u"comctl32.dll"), 0u);
}

}  // namespace
