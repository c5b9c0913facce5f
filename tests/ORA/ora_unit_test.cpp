// Pure rules of the Oracle side: NUMBER mapping, connect strings, version banners, error
// codes, the date processor and column defaults.
#include <gtest/gtest.h>

#include "ORA/ora_dproc.h"
#include "ORA/ora_engi.h"
#include "ORA/ora_numt.h"
#include "ORA/ora_tab.h"
#include "ORA/ora_util.h"

namespace {

struct number_case {
    int precision, scale;
    VARTYPE vartype;
    int out_precision, out_scale;
};

TEST(OraNumberMapping, TableOfCases) {
    const number_case cases[] = {
        {1, 0, VT_I1, 1, 0},         {2, 0, VT_I1, 2, 0},        {3, 0, VT_I2, 3, 0},      {4, 0, VT_I2, 4, 0},
        {5, 0, VT_I4, 5, 0},         {9, 0, VT_I4, 9, 0},        {10, 0, VT_I8, 10, 0},    {18, 0, VT_I8, 18, 0},
        {19, 0, VT_DECIMAL, 19, 0},  {38, 0, VT_DECIMAL, 38, 0}, {0, -127, VT_R8, 0, 0},   {10, -127, VT_R8, 10, 0},
        {126, -127, VT_R8, 126, 0},  {7, 2, VT_DECIMAL, 7, 2},   {5, 5, VT_DECIMAL, 6, 5}, {3, 5, VT_DECIMAL, 6, 5},
        {20, -2, VT_DECIMAL, 22, 0}, {5, -2, VT_I4, 7, 0},       {8, -2, VT_I8, 10, 0},    {0, 0, VT_R8, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "NUMBER(" << c.precision << "," << c.scale << ")");
        ora::number_type t = ora::refine_number_vartype(c.precision, c.scale);
        EXPECT_EQ(t.vartype, c.vartype);
        EXPECT_EQ(t.precision, c.out_precision);
        EXPECT_EQ(t.scale, c.out_scale);
    }
}

TEST(OraEngine, ConnectStrings) {
    EXPECT_EQ(ora_engine::make_connect_string(u"dbhost", u"", u"ORCL"), u"//dbhost:1521/ORCL");
    EXPECT_EQ(ora_engine::make_connect_string(u"", u"1600", u"ORCL"), u"//localhost:1600/ORCL");
    EXPECT_EQ(ora_engine::make_connect_string(u"db", u"1522", u"XE"), u"//db:1522/XE");
    EXPECT_EQ(ora_engine::make_connect_string(u"", u"", u"ORCL"), u"ORCL");
}

TEST(OraEngine, VersionWordFromBanners) {
    struct {
        const char16_t* banner;
        unsigned word;
    } cases[] = {
        {u"Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production", 9u << 16 | 2u << 8 | 0u},
        {u"Oracle Database 10g Release 10.2.0.1.0 - Production", 10u << 16 | 2u << 8},
        {u"Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production", 8u << 16 | 1u << 8 | 7u},
        {u"Oracle7 Server Release 7.3.4.0.0 - Production", 7u << 16 | 3u << 8 | 4u},
        {u"Oracle Database 19c Enterprise Edition Release  19.0.0.0.0 - Production", 19u << 16},
        {u"Release 2.x then 11.2.0.4.0", 11u << 16 | 2u << 8},
        {u"Personal Oracle Lite", 0u},
        {u"", 0u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.banner));
        EXPECT_EQ(ora_engine::parse_version(c.banner), c.word);
    }
    EXPECT_LT(ora_engine::parse_version(u"Oracle7 Server Release 7.3.4.0.0 - Production"), ora_engine::version_8);
    EXPECT_GE(ora_engine::parse_version(u"Release 8.1.7.0.0"), ora_engine::version_8);
}

TEST(OraException, CodeAndLevel) {
    EXPECT_EQ(ora_exception(942, "ORA-00942").code(), 0x1003AE);
    EXPECT_EQ(ora_exception(1017, "x").code(), 0x1003F9);
    EXPECT_EQ(ora_exception(12154, "x").code(), 0x102F7A);
    EXPECT_EQ(ora_exception(0x12345, "x").code(), 0x102345);
    ora_exception e(1017, "ORA-01017: invalid username/password; logon denied");
    EXPECT_EQ(e.level(), 0);
    EXPECT_STREQ(e.what(), "ORA-01017: invalid username/password; logon denied");
    ora_exception copy = e;
    EXPECT_EQ(copy.code(), e.code());
}

TEST(OraQuote, DoublesApostrophes) {
    EXPECT_EQ(ora_quote_literal(u"O'Brien"), u"O''Brien");
    EXPECT_EQ(ora_quote_literal(u"''"), u"''''");
    EXPECT_EQ(ora_quote_literal(u"EMP"), u"EMP");
}

TEST(OraDateProcessor, CanonizedTexts) {
    ora_date_processor dates;
    struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"01-JAN-2005", u"2005-01-01"},
        {u"1-jan-2005", u"2005-01-01"},
        // no such day
        {u"31-FEB-2005", u""},
        {u"29-FEB-2004", u"2004-02-29"},
        {u"29-FEB-2100", u""},
        // two-digit years by Oracle's century rule
        {u"05-MAR-99", u"1999-03-05"},
        {u"03-FEB-01", u"2001-02-03"},
        // a time is kept
        {u"01-JAN-2005 10:20:30", u"2005-01-01 10:20:30"},
        {u"01-JAN-2005 25:20:30", u""},
        {u"15-Dec-1999", u"1999-12-15"},
        {u"2005-01-01", u""},
        {u"SYSDATE", u""},
        {u"", u""},
        {u"00-JAN-2005", u""},
        {u"01-XYZ-2005", u""},
        {u"32-JAN-2005", u""},
        {u"01-JAN-0", u"2000-01-01"},
        {u"01-JAN-10000", u""},
        {u"01--JAN-2005", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.in));
        EXPECT_EQ(dates.get_canonized_str(c.in), c.out);
    }
    EXPECT_EQ(dates.get_month(u"dec"), 12);
    EXPECT_EQ(dates.get_month(u"DECEMBER"), 0);
    EXPECT_EQ(ora_date_processor::try_get(), &dates);
}

TEST(OraDefaults, LiteralsOfTheColumnType) {
    ora_date_processor dates;
    ole_variant v = ora_table::get_def_value(VT_I4, u"'0'");
    EXPECT_EQ(v.get_type(), VT_I4);
    EXPECT_EQ(v.to_long(), 0);
    v = ora_table::get_def_value(VT_BSTR, u"'O''Brien'");
    EXPECT_EQ(v.get_type(), VT_BSTR);
    EXPECT_EQ(v.to_wstring(), u"O'Brien");
    v = ora_table::get_def_value(VT_BSTR, u"'abc'\n");  // the dictionary keeps the newline
    EXPECT_EQ(v.to_wstring(), u"abc");
    v = ora_table::get_def_value(VT_BSTR, u"''''");
    EXPECT_EQ(v.to_wstring(), u"'");
    v = ora_table::get_def_value(VT_DATE, u"'01-JAN-2005'");
    ASSERT_EQ(v.get_type(), VT_DATE);
    EXPECT_EQ(v.to_wstring(), u"2005-01-01");
    v = ora_table::get_def_value(VT_I8, u" 3000000000 ");
    ASSERT_EQ(v.get_type(), VT_I8);
    EXPECT_EQ(v.get_i8(), 3000000000LL);
    v = ora_table::get_def_value(VT_DECIMAL, u"-.5");
    EXPECT_EQ(v.get_type(), VT_DECIMAL);
    EXPECT_EQ(v.to_string(), "-0.5");
    // Expressions and NULL are no defaults, whatever the column type.
    for (VARTYPE t : {VT_BSTR, VT_I4, VT_I8, VT_R8, VT_DECIMAL, VT_DATE, VT_BLOB}) {
        SCOPED_TRACE(t);
        EXPECT_EQ(ora_table::get_def_value(t, u"SYSDATE").get_type(), VT_EMPTY);
        EXPECT_EQ(ora_table::get_def_value(t, u"NULL").get_type(), VT_EMPTY);
        EXPECT_EQ(ora_table::get_def_value(t, u"null\n").get_type(), VT_EMPTY);
        EXPECT_EQ(ora_table::get_def_value(t, u"seq.nextval").get_type(), VT_EMPTY);
    }
    EXPECT_EQ(ora_table::get_def_value(VT_I4, u"'abc'").get_type(), VT_EMPTY);
    v = ora_table::get_def_value(VT_BLOB, u"'0AFF'");
    const void* bytes = nullptr;
    ASSERT_EQ(v.get_bytes(&bytes), 2u);
    EXPECT_EQ(static_cast<const uint8_t*>(bytes)[1], 0xFF);
}

TEST(OraDefaults, DatesNeedTheDateProcessor) {
    ASSERT_EQ(ora_date_processor::try_get(), nullptr);
    EXPECT_EQ(ora_table::get_def_value(VT_DATE, u"'01-JAN-2005'").get_type(), VT_EMPTY);
}

}  // namespace
