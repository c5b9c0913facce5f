#include <gtest/gtest.h>

#include <string>

#include "values/ole_date.h"

namespace {

SYSTEMTIME make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return SYSTEMTIME{
        static_cast<uint16_t>(y),  static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d), static_cast<uint16_t>(h),
        static_cast<uint16_t>(mi), static_cast<uint16_t>(s),  0};
}

struct read_case {
    const char* text;
    int kind;  // the date_kind's number
    const char* printed;
};

class DateReading : public testing::TestWithParam<read_case> {};

TEST_P(DateReading, KindAndText) {
    const read_case& c = GetParam();
    ole_date d{std::string_view(c.text)};
    EXPECT_EQ(static_cast<int>(d.get_kind()), c.kind) << c.text;
    EXPECT_EQ(d.is_valid(), c.kind != static_cast<int>(date_kind::none)) << c.text;
    EXPECT_EQ(d.to_string(), c.printed) << c.text;
    std::string printed(c.printed);
    EXPECT_EQ(d.to_wstring(), compat::wstring(printed.begin(), printed.end()));
    // The wide constructor reads the same.
    std::string text(c.text);
    ole_date wide{compat::wstring_view(compat::wstring(text.begin(), text.end()))};
    EXPECT_EQ(wide.to_string(), c.printed) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateReading,
    testing::Values(
        // 14 and 8 digits
        read_case{"20040506101112", 1, "2004-05-06 10:11:12"}, read_case{"20040506", 2, "2004-05-06"},
        read_case{"20040506000000", 1, "2004-05-06"},
        read_case{"20041306101112", 0, ""},  // month 13: cleared, and no later form takes it
        read_case{"20040532", 0, ""},
        // pure times: an 8-character time fails the digits form and must reach this one
        read_case{"10:11:12", 3, "0000-00-00 10:11:12"}, read_case{"10:11:12.6", 3, "0000-00-00 10:11:13"},
        read_case{"10:11:12.4", 3, "0000-00-00 10:11:12"}, read_case{"10:59:59.5", 3, "0000-00-00 11:00:00"},
        read_case{"23:59:59.5", 3, "0000-00-00 00:00:00"}, read_case{"10:11:99", 3, "0000-00-00 10:12:39"},
        // the system parser
        read_case{"06-MAY-2004", 2, "2004-05-06"}, read_case{"May 6, 2004", 2, "2004-05-06"},
        read_case{"5/6/2004 10:30 PM", 1, "2004-05-06 22:30:00"},
        read_case{"2004-05-06 10:30:00", 1, "2004-05-06 10:30:00"}, read_case{"10:30", 1, "1899-12-30 10:30:00"},
        // the scanf forms, day-first repair
        read_case{"31.12.2004 10:00:00", 1, "2004-12-31 10:00:00"}, read_case{"06.05.2004", 2, "2004-05-06"},
        read_case{"2004/05/06 10:11:12.25", 1, "2004-05-06 10:11:12"},
        read_case{"2004-05-06 10:11:12.5", 1, "2004-05-06 10:11:13"},
        // a seconds carry past midnight moves a date and time to the next day
        read_case{"2004-05-06 23:59:59.6", 2, "2004-05-07"}, read_case{"2004-12-31 23:59:59.5", 2, "2005-01-01"},
        read_case{"2004-02-28 23:59:59.7", 2, "2004-02-29"}, read_case{"31.12.2004 23:59:59.9", 2, "2005-01-01"},
        read_case{"0000-00-00 23:59:59.5", 3, "0000-00-00 00:00:00"},
        // 12-hour clock
        read_case{"10:30:00 PM", 3, "0000-00-00 22:30:00"}, read_case{"10:30:00 pm", 3, "0000-00-00 22:30:00"},
        read_case{"12:15:00 PM", 3, "0000-00-00 12:15:00"}, read_case{"12:15:00 AM", 3, "0000-00-00 00:15:00"},
        read_case{"01:15:00 AM", 3, "0000-00-00 01:15:00"}, read_case{"2004-05-06 12:00:00 AM", 2, "2004-05-06"},
        // short and unreadable texts
        read_case{"2004", 0, ""}, read_case{"  2004  ", 0, ""}, read_case{"1:2", 0, ""}, read_case{"", 0, ""},
        read_case{"   ", 0, ""}, read_case{"10 PM", 0, ""}, read_case{"abcdefgh", 0, ""},
        read_case{"hello world", 0, ""}, read_case{"10:11:-5", 0, ""}, read_case{"61:00:00", 0, ""},
        // Fuzz reproducers: seconds past one carry are no time; a 14-digit text without
        // a date is a time of day.
        read_case{"24:0:120-:2", 0, ""}, read_case{"10:11:120", 0, ""},
        read_case{"0000-00-00 120", 3, "0000-00-00 00:00:12"}, read_case{"00000000101112", 3, "0000-00-00 10:11:12"},
        read_case{"22161111411108", 0, ""}, read_case{"20040506106112", 0, ""}, read_case{"-1-1-1", 0, ""},
        read_case{"31.12.20041", 0, ""}, read_case{"9999-12-31", 2, "9999-12-31"}));

TEST(DateValue, FromSystemTime) {
    struct {
        SYSTEMTIME st;
        int kind;
        bool valid;
        const char* printed;
    } cases[] = {
        {make(2004, 5, 6), 2, true, "2004-05-06"},
        {make(2004, 5, 6, 10, 11, 12), 1, true, "2004-05-06 10:11:12"},
        {make(0, 0, 0, 10, 11, 12), 3, true, "0000-00-00 10:11:12"},
        {make(0, 0, 0), 3, true, "0000-00-00 00:00:00"},
        {make(0, 0, 0, 60, 0, 0), 3, true, "0000-00-00 60:00:00"},  // 60 passes the check
        {make(0, 0, 0, 61, 0, 0), 3, false, "0000-00-00 61:00:00"},
        {make(2004, 13, 6), 2, false, "2004-13-06"},
        {make(31, 12, 2004), 2, true, "0031-12-2004"},
        {make(2004, 5, 0), 1, false, "2004-05-00"},
        {make(2004, 0, 6, 1, 0, 0), 1, false, "2004-00-06 01:00:00"},
    };
    for (const auto& c : cases) {
        ole_date d(c.st);
        EXPECT_EQ(static_cast<int>(d.get_kind()), c.kind) << c.printed;
        EXPECT_EQ(d.is_valid(), c.valid) << c.printed;
        EXPECT_EQ(d.to_string(), c.printed);
    }
}

TEST(DateValue, CopiesAreValues) {
    ole_date a{std::string_view("2004-05-06 10:11:12")};
    ole_date b = a;
    a = ole_date{std::string_view("nonsense")};
    EXPECT_FALSE(a.is_valid());
    EXPECT_EQ(b.to_string(), "2004-05-06 10:11:12");
}

}  // namespace
