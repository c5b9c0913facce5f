// Date statistics: the verdict of a column from the kinds of its values, and the ALTER
// statement that follows from it.
#include <gtest/gtest.h>

#include "SQL/sql_engi.h"
#include "app/qrn_sql_impl.h"
#include "common/type_map.h"
#include "tests/support/records.h"
#include "values/ole_date.h"

namespace {

constexpr date_kind none = date_kind::none;
constexpr date_kind datetime = date_kind::datetime;
constexpr date_kind date = date_kind::date;
constexpr date_kind time = date_kind::time;

TEST(DatesMap, VerdictTableOfASeenColumn) {
    // before x kind of the next value (none, date-time, date, time) -> after
    const date_kind kinds[4] = {none, datetime, date, time};
    const date_kind table[4][4] = {
        {none, none, none, none},
        {datetime, datetime, datetime, none},
        {date, datetime, date, none},
        {none, none, none, time},
    };
    for (int before = 0; before < 4; ++before)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(dates_map::next_kind(kinds[before], kinds[k]), table[before][k]) << before << "," << k;
}

// ID, and the date column D created as a date-time.
std::unique_ptr<udb_schema> id_and_date() {
    return test_support::schema({{u"ID", VT_I4, 0, true}, {u"D", VT_DATE, 0, false, false, ole_variant(), 1}});
}

struct sequence_case {
    std::vector<const char16_t*> values;  // nullptr = NULL
    date_kind kind;
    bool seen;
};

TEST(DatesMap, ColumnVerdictFromItsValues) {
    const sequence_case cases[] = {
        {{u"2020-01-01 10:00:00", u"2020-01-02"}, datetime, true},
        {{u"2020-01-01", u"2020-01-02"}, date, true},
        {{u"0000-00-00 10:11:12", u"0000-00-00 00:00:01"}, time, true},
        {{u"2020-01-01", u"2020-02-02 01:02:03", u"2020-01-03"}, datetime, true},
        {{u"2020-01-01", u"0000-00-00 10:11:12"}, none, true},
        {{u"not a date", u"2020-01-01"}, none, true},
        {{nullptr, nullptr}, none, false},
        {{nullptr, u"2020-01-01"}, date, true},
    };
    for (const auto& c : cases) {
        const auto s = id_and_date();
        dates_map dates(u"T", *s, true);
        ASSERT_EQ(dates.size(), 1u);  // only the date column is watched
        EXPECT_EQ(dates.entry(0).field_index, 1);
        EXPECT_EQ(dates.entry(0).created_kind, datetime);
        for (const char16_t* v : c.values) {
            const auto r =
                test_support::record({{u"ID", 1}, {u"D", v ? ole_variant(compat::wstring(v)) : ole_variant()}});
            dates.add_rec_stat(*r);
        }
        EXPECT_EQ(dates.entry(0).kind, c.kind) << compat::utf16_to_utf8(c.values[0] ? c.values[0] : u"NULL");
        EXPECT_EQ(dates.entry(0).seen, c.seen);
    }
}

TEST(DatesMap, KindOfADateValueIsTheKindItsTextReads) {
    // A date value is classified without printing and reading it back; the verdict must
    // be the one the printed text would give, over plain dates and the odd ones alike.
    EXPECT_EQ(dates_map::value_kind(ole_variant()), std::nullopt);
    EXPECT_EQ(dates_map::value_kind(ole_variant(compat::wstring())), std::nullopt);
    EXPECT_EQ(dates_map::value_kind(ole_variant(compat::wstring(u"2020-01-01"))), date);
    const uint16_t years[] = {0, 1, 31, 32, 99, 100, 1600, 1899, 1900, 2000, 2021, 2024, 9999, 10000};
    const uint16_t months[] = {0, 1, 2, 12, 13};
    const uint16_t days[] = {0, 1, 28, 29, 30, 31, 32};
    const uint16_t times[][3] = {{0, 0, 0}, {0, 0, 1}, {12, 0, 0}, {23, 59, 59}, {24, 0, 0}, {0, 60, 0}, {0, 0, 60}};
    int plain = 0;
    for (uint16_t y : years)
        for (uint16_t m : months)
            for (uint16_t d : days)
                for (const auto& t : times) {
                    SYSTEMTIME st{};
                    st.wYear = y;
                    st.wMonth = m;
                    st.wDay = d;
                    st.wHour = t[0];
                    st.wMinute = t[1];
                    st.wSecond = t[2];
                    const ole_variant v(st);
                    const compat::wstring text = v.to_wstring();
                    const std::optional<date_kind> expected =
                        text.empty() ? std::nullopt : std::optional(ole_date(compat::wstring_view(text)).get_kind());
                    EXPECT_EQ(dates_map::value_kind(v), expected) << compat::utf16_to_utf8(text);
                    if (expected == datetime || expected == date) ++plain;
                }
    EXPECT_GT(plain, 0);
}

TEST(DatesMap, PositionOutOfRangeIsInternalError) {
    const auto s = id_and_date();
    dates_map dates(u"T", *s, true);
    try {
        dates.entry(1);
        FAIL();
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
        EXPECT_EQ(e.message(), tk_assertion_text("type_map", 49));
    }
}

TEST(DatesMap, AlterStatementKeepsNotNullAndDefault) {
    sql_engine engine;
    engine.set_version(0x50000);
    t_ftd plain(0, u"D", VT_DATE, false, false);
    t_ftd strict(0, u"D", VT_DATE, true, false, ole_variant(compat::wstring(u"2001-02-03 04:05:06")), 1);
    t_ftd date_default(0, u"D", VT_DATE, false, false, ole_variant(compat::wstring(u"2001-02-03")), 1);
    EXPECT_EQ(compat::utf16_to_utf8(qrn_date_alter_statement(u"T 1", u"D`x", plain, date)),
              "ALTER TABLE `T 1` MODIFY `D``x` DATE");
    // the default narrows with its column: its time part on TIME, its date part on DATE
    EXPECT_EQ(compat::utf16_to_utf8(qrn_date_alter_statement(u"T", u"D", strict, time)),
              "ALTER TABLE `T` MODIFY `D` TIME NOT NULL DEFAULT \"04:05:06\"");
    EXPECT_EQ(compat::utf16_to_utf8(qrn_date_alter_statement(u"T", u"D", strict, date)),
              "ALTER TABLE `T` MODIFY `D` DATE NOT NULL DEFAULT \"2001-02-03\"");
    // a date alone has no time part: no default on TIME
    EXPECT_EQ(compat::utf16_to_utf8(qrn_date_alter_statement(u"T", u"D", date_default, time)),
              "ALTER TABLE `T` MODIFY `D` TIME");
    EXPECT_EQ(compat::utf16_to_utf8(qrn_date_alter_statement(u"T", u"D", plain, none)),
              "ALTER TABLE `T` MODIFY `D` CHAR(19)");
}

}  // namespace
