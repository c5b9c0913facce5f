#include "TK/tk_errco.h"

#include <gtest/gtest.h>

#include "TK/tk_excep.h"
#include "tk_test_util.h"

namespace {

TEST(ErrorConverter, FirstTextOfACodeWins) {
    const tk_error_row oracle[] = {{1, "a"}, {0x100000 | 942, "Check the table name"}};
    const tk_error_row mysql[] = {{1, "b"}, {0x400000 | 1045, "Check user and password"}};
    tk_error_converter conv(2, oracle);
    conv.load_map(mysql);
    EXPECT_EQ(conv.size(), 3u);
    EXPECT_EQ(conv.convert(1), "a");
    EXPECT_EQ(conv.convert(0x100000 | 942), "Check the table name");
    EXPECT_EQ(conv.convert(0x400000 | 1045), "Check user and password");
    EXPECT_EQ(conv.convert(0), "");
    EXPECT_EQ(conv.convert(2), "");
}

TEST(ErrorConverter, EmptyAndNullTables) {
    const tk_error_row rows[] = {{5, "five"}};
    tk_error_converter conv(0, rows);
    EXPECT_EQ(conv.size(), 0u);
    try {
        conv.load_map(1, nullptr);
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), "Internal error: \ncode=" + tk_test::hex_of("tk_errco\\43"));
    }
    tk_error_converter none(std::span<const tk_error_row>{});
    EXPECT_EQ(none.size(), 0u);
}

TEST(ErrorConverter, ToolkitMessages) {
    EXPECT_STREQ(tk_message(TK_MSG_UNKNOWN_EXCEPTION), "Unknown exception");
    EXPECT_STREQ(tk_message(TK_MSG_INTERNAL_ERROR), "Internal error: \ncode=");
    EXPECT_STREQ(tk_message(8), "Logfile name specifies an existing read-only file.");
    EXPECT_STREQ(tk_message(9), "Logfile path does not exist.\nPlease verify the correct path was given.");
    EXPECT_EQ(std::string(tk_message(0)).rfind("mailto:", 0), 0u);
    EXPECT_STREQ(tk_message(10), "");
    EXPECT_STREQ(tk_message(-1), "");
}

}  // namespace
