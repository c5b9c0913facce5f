#include <gtest/gtest.h>

#include <string>

#include "compat/oleaut/date_parse.h"
#include "compat/oleaut/oledate.h"

namespace {

SYSTEMTIME make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return SYSTEMTIME{
        static_cast<uint16_t>(y),  static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d), static_cast<uint16_t>(h),
        static_cast<uint16_t>(mi), static_cast<uint16_t>(s),  0};
}

std::string text_of(const SYSTEMTIME& st) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    return buffer;
}

TEST(OleDate, SystemTimeToDateNumbers) {
    struct {
        SYSTEMTIME st;
        int ok;
        double date;
    } cases[] = {
        {make(1899, 12, 30), 1, 0.0},      {make(1900, 1, 1), 1, 2.0},         {make(2004, 5, 6, 12), 1, 38113.5},
        {make(1899, 12, 29, 6), 1, -1.25}, {make(9999, 12, 31), 1, 2958465.0}, {make(99, 1, 1), 0, 0},
        {make(2004, 13, 1), 0, 0},         {make(2004, 2, 30), 0, 0},          {make(2003, 2, 29), 0, 0},
        {make(2004, 5, 6, 24), 0, 0},      {make(0, 0, 0, 10, 11, 12), 0, 0},
    };
    for (const auto& c : cases) {
        DATE d = -99;
        EXPECT_EQ(SystemTimeToVariantTime(&c.st, &d), c.ok) << text_of(c.st);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(d, c.date) << text_of(c.st);
        }
    }
}

TEST(OleDate, DateNumbersToSystemTime) {
    struct {
        double date;
        const char* text;
        int weekday;
    } cases[] = {
        {0.0, "1899-12-30 00:00:00", 6},
        {38113.5, "2004-05-06 12:00:00", 4},
        {-1.25, "1899-12-29 06:00:00", 5},
        {0.99999999, "1899-12-31 00:00:00", 0},  // rounds to the next second, and day
        {38113.0 + 10.0 / 24 + 11.0 / 1440 + 12.0 / 86400, "2004-05-06 10:11:12", 4},
    };
    for (const auto& c : cases) {
        SYSTEMTIME st{};
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &st)) << c.date;
        EXPECT_EQ(text_of(st), c.text) << c.date;
        EXPECT_EQ(st.wDayOfWeek, c.weekday) << c.date;
        EXPECT_EQ(st.wMilliseconds, 0);
    }
    SYSTEMTIME st{};
    EXPECT_FALSE(VariantTimeToSystemTime(3e6, &st));
    EXPECT_FALSE(VariantTimeToSystemTime(-7e5, &st));
}

struct parse_case {
    const char* text;
    const char* expected;  // null: refused
};

class UsDateParser : public testing::TestWithParam<parse_case> {};

TEST_P(UsDateParser, ReadsUsEnglishForms) {
    const parse_case& c = GetParam();
    SYSTEMTIME st{};
    bool ok = compat::parse_us_date(c.text, st);
    DATE d = 0;
    HRESULT hr = VarDateFromStr(std::string_view(c.text), LCID_ENGLISH_US, 0, &d);
    if (!c.expected) {
        EXPECT_FALSE(ok) << c.text << " gave " << text_of(st);
        EXPECT_EQ(hr, DISP_E_TYPEMISMATCH) << c.text;
        return;
    }
    ASSERT_TRUE(ok) << c.text;
    EXPECT_EQ(text_of(st), c.expected) << c.text;
    ASSERT_EQ(hr, S_OK) << c.text;
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(d, &back));
    EXPECT_EQ(text_of(back), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsDateParser,
    testing::Values(
        parse_case{"06-MAY-2004", "2004-05-06 00:00:00"}, parse_case{"06-may-04", "2004-05-06 00:00:00"},
        parse_case{"1-Jan-99", "1999-01-01 00:00:00"}, parse_case{"6 May 2004", "2004-05-06 00:00:00"},
        parse_case{"May 6, 2004", "2004-05-06 00:00:00"}, parse_case{"May 6 2004", "2004-05-06 00:00:00"},
        parse_case{"September 30,2004", "2004-09-30 00:00:00"},
        parse_case{"Thursday, May 06, 2004", "2004-05-06 00:00:00"}, parse_case{"5/6/2004", "2004-05-06 00:00:00"},
        parse_case{"5-6-2004", "2004-05-06 00:00:00"}, parse_case{"5/6/2004 10:30 PM", "2004-05-06 22:30:00"},
        parse_case{"5/6/2004 10:30pm", "2004-05-06 22:30:00"}, parse_case{"2004-05-06 10:30:00", "2004-05-06 10:30:00"},
        parse_case{"  2004/5/6 1:02:03  ", "2004-05-06 01:02:03"}, parse_case{"2/29/2004", "2004-02-29 00:00:00"},
        parse_case{"12:15 AM", "1899-12-30 00:15:00"}, parse_case{"12:15 PM", "1899-12-30 12:15:00"},
        parse_case{"10:30", "1899-12-30 10:30:00"}, parse_case{"2004", nullptr}, parse_case{"20040506", nullptr},
        parse_case{"31.12.2004", nullptr}, parse_case{"31.12.2004 10:00:00", nullptr}, parse_case{"2/30/2004", nullptr},
        parse_case{"2/29/2003", nullptr}, parse_case{"13/6/2004", nullptr},
        parse_case{"2004-05-06 10:30:00.5", nullptr}, parse_case{"10:30 XM", nullptr}, parse_case{"13:00 PM", nullptr},
        parse_case{"May 2004", nullptr}, parse_case{"Mayo 6, 2004", nullptr}, parse_case{"25:00", nullptr},
        parse_case{"5/6/99999", nullptr}, parse_case{"", nullptr}, parse_case{"5/6/2004x", nullptr}));

TEST(OleDate, AddOneDayCarries) {
    struct {
        SYSTEMTIME st;
        const char* next;
    } cases[] = {
        {make(2004, 5, 6), "2004-05-07 00:00:00"},
        {make(2004, 2, 28), "2004-02-29 00:00:00"},
        {make(2003, 2, 28), "2003-03-01 00:00:00"},
        {make(2004, 12, 31), "2005-01-01 00:00:00"},
    };
    for (auto c : cases) {
        compat::add_one_day(c.st);
        EXPECT_EQ(text_of(c.st), c.next);
    }
}

}  // namespace
