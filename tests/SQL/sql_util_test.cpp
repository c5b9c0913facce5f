// Column type texts, the reverse type map, values from cells, and literals per VARTYPE.
#include <gtest/gtest.h>

#include "SQL/sql_util.h"
#include "SQL/sql_valw.h"
#include "TK/tk_excep.h"
#include "sql_engine_fixture.h"

using compat::wstring;
using namespace std::string_literals;

using SqlNativeType = sql_test::engine_test;

TEST_F(SqlNativeType, MapsEveryVartype) {
    struct {
        VARTYPE type;
        unsigned size;
        int flags;
        const char16_t* text;
    } cases[] = {
        {VT_I2, 0, 0, u"SMALLINT"},
        {VT_I4, 0, 0, u"INT"},
        {VT_INT, 0, 0, u"INT"},
        {VT_R4, 0, 0, u"FLOAT"},
        {VT_R8, 0, 0, u"DOUBLE"},
        {VT_CY, 0, 0, u"DECIMAL(19,4)"},
        {VT_DATE, 0, 0, u"CHAR(19)"},
        {VT_DATE, 0, 1, u"DATETIME"},
        {VT_DATE, 0, 2, u"DATE"},
        {VT_DATE, 0, 3, u"TIME"},
        {VT_BSTR, 1, 0, u"VARCHAR(1)"},
        {VT_BSTR, 255, 0, u"VARCHAR(255)"},
        {VT_BSTR, 256, 0, u"TEXT"},
        {VT_BSTR, 65535, 0, u"TEXT"},
        {VT_BSTR, 65536, 0, u"MEDIUMTEXT"},
        {VT_BSTR, 16777215, 0, u"MEDIUMTEXT"},
        {VT_BSTR, 16777216, 0, u"LONGTEXT"},
        {VT_BSTR, 0, 0, u"LONGTEXT"},
        {VT_BOOL, 0, 0, u"BIT"},
        {VT_I1, 0, 0, u"TINYINT"},
        {VT_DECIMAL, 0, 0x0A02, u"DECIMAL(10,2)"},
        {VT_DECIMAL, 0, 0x0002, u"DOUBLE"},
        {VT_DECIMAL, 0, 0x0305, u"DECIMAL(6,5)"},
        {VT_DECIMAL, 0, 0x0404, u"DECIMAL(5,4)"},
        {VT_UI1, 0, 0, u"TINYINT UNSIGNED"},
        {VT_UI2, 0, 0, u"SMALLINT UNSIGNED"},
        {VT_UI4, 0, 0, u"INT UNSIGNED"},
        {VT_UINT, 0, 0, u"INT UNSIGNED"},
        {VT_I8, 0, 0, u"BIGINT"},
        {VT_UI8, 0, 0, u"BIGINT UNSIGNED"},
        {VT_BLOB, 0, 0, u"LONGBLOB"},
        {VT_BLOB, 255, 0, u"TINYBLOB"},
        {VT_BLOB, 256, 0, u"BLOB"},
        {VT_BLOB, 65536, 0, u"MEDIUMBLOB"},
        {VT_BLOB, 16777216, 0, u"LONGBLOB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(get_native_type(c.type, c.size, c.flags), c.text)
            << "type " << c.type << " size " << c.size << " flags " << c.flags;
    EXPECT_THROW(get_native_type(VT_BLOB_OBJECT, 0, 0), tk_mail_assertion);
    eng().set_case_sensitive(true);
    EXPECT_EQ(get_native_type(VT_BSTR, 50, 0), u"VARCHAR(50) BINARY");
    EXPECT_EQ(get_native_type(VT_BSTR, 300, 0), u"TEXT");
}

TEST_F(SqlNativeType, ReverseMapOfResultTypes) {
    namespace ft = sql_field_type;
    const unsigned U = ft::unsigned_flag;
    struct {
        unsigned type, flags;
        VARTYPE vt;
    } cases[] = {
        {ft::decimal, 0, VT_DECIMAL},
        {ft::newdecimal, 0, VT_DECIMAL},
        {ft::tiny, 0, VT_I1},
        {ft::tiny, U, VT_UI1},
        {ft::short_, U, VT_UI2},
        {ft::long_, 0, VT_I4},
        {ft::long_, U, VT_UI4},
        {ft::float_, 0, VT_R4},
        {ft::double_, 0, VT_R8},
        {ft::timestamp, 0, VT_DATE},
        {ft::time, 0, VT_DATE},
        {ft::longlong, U, VT_UI8},
        {ft::int24, U, VT_I4},
        {ft::year, 0, VT_UI2},
        {ft::bit, 0, VT_BOOL},
        {ft::blob, 0, VT_BLOB},
        {253, 0, VT_BSTR},
        {6, 0, VT_BSTR},
    };
    for (const auto& c : cases) EXPECT_EQ(mysql_type_to_vartype(c.type, c.flags), c.vt) << c.type;
    eng().set_blob_as_text(true);
    EXPECT_EQ(mysql_type_to_vartype(ft::long_blob, 0), VT_BSTR);
}

TEST_F(SqlNativeType, CellsBecomeValues) {
    namespace ft = sql_field_type;
    EXPECT_EQ(get_variant(ft::long_, 0, 2, static_cast<const char*>(nullptr)).get_type(), VT_EMPTY);
    EXPECT_EQ(get_variant(ft::long_, 0, 2, "42").to_string(), "42");
    const char bytes[] = {'\0', '\xFF', 'a'};
    ole_variant bin = get_variant(ft::blob, ft::binary_flag, 3, bytes);
    const void* data = nullptr;
    ASSERT_EQ(bin.get_bytes(&data), 3u);
    EXPECT_EQ(std::string(static_cast<const char*>(data), 3), std::string(bytes, 3));
    ole_variant text = get_variant(ft::blob, 0, 4, "\xC3\xA9t\xC3");
    EXPECT_EQ(text.get_type(), VT_BSTR);
    EXPECT_EQ(get_variant(VT_BOOL, "").to_string(), "0");
    EXPECT_EQ(get_variant(VT_BOOL, "x").to_string(), "1");
}

using SqlLiteral = sql_test::engine_test;

TEST_F(SqlLiteral, TextOfEachType) {
    struct {
        std::string text;
        VARTYPE type;
        std::string literal;
    } cases[] = {
        {"x", VT_EMPTY, "NULL"},
        {"x", VT_NULL, "NULL"},
        {"", VT_I4, "\"\""},
        {"", VT_BSTR, "\"\""},
        {"O'Brien", VT_BSTR, "'O\\'Brien'"},
        {"a\\b", VT_BSTR, "'a\\\\b'"},
        {"a\0b\r\n\x1A\"z"s, VT_BSTR, "'a\\0b\\r\\n\\Z\\\"z'"},
        {"12", VT_I4, "12"},
        {"-.5", VT_R8, "-.5"},
        {"1.500000000000000e+00", VT_R8, "1.500000000000000e+00"},
        {"1; DROP TABLE t", VT_I4, "'1; DROP TABLE t'"},
        {"nan", VT_R8, "'nan'"},
        {"2004-05-06 00:00:00", VT_DATE, "'2004-05-06'"},
        {"20040506101112", VT_DATE, "'2004-05-06 10:11:12'"},
        {"0x0A0b", VT_BLOB, "0x0A0b"},
        {"0x0G", VT_BLOB, "0x30783047"},
        {"0X1F", VT_BLOB, "0x1F"},  // fuzz reproducer: the server takes only "0x"
        {"1234", VT_BLOB, "1234"},
        // other blob texts are bytes: hexadecimal, which no client character set misreads
        {"'", VT_BLOB, "0x27"},
        {"it's\\", VT_BLOB, "0x697427735C"},
        {"abc guid={12345678-9abc-def0-1234-56789abcdef0} tail", VT_BLOB, "0x123456789abcdef0123456789abcdef0"},
        {"abc guid={12345678-9abc-def0-1234-56789abcd');} tail", VT_BLOB,
         "0x61626320677569643D7B31323334353637382D396162632D646566302D313233342D35363738396162636427293B7D207461696C"},
    };
    for (const auto& c : cases) EXPECT_EQ(to_mysql_str(c.text, c.type), c.literal) << c.text;
    // Text beyond ASCII is its UTF-8 in hexadecimal; before 4.1 without an introducer.
    EXPECT_EQ(to_mysql_wstr(u"it's \U0001F600", VT_BSTR), u"0x6974277320F09F9880");
    eng().set_version(0x40100);
    EXPECT_EQ(to_mysql_wstr(u"it's \U0001F600", VT_BSTR), u"/*!50503 _utf8mb4*/0x6974277320F09F9880");
    EXPECT_EQ(to_mysql_str("caf\xC3\xA9", VT_BSTR), "/*!50503 _utf8mb4*/0x636166C3A9");
    EXPECT_EQ(to_mysql_wstr(u"it's", VT_BSTR), u"'it\\'s'");
    EXPECT_THROW(to_mysql_wstr(u"ab", VT_BLOB), tk_mail_assertion);
}

TEST_F(SqlLiteral, ByteArrayIsHexadecimal) {
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
    std::string lit = to_mysql_str(ole_variant(all));
    ASSERT_EQ(lit.size(), 2u + 512u);
    EXPECT_EQ(lit.substr(0, 8), "0x000102");
    EXPECT_EQ(lit.substr(lit.size() - 6), "FDFEFF");
    EXPECT_EQ(lit.find_first_not_of("0123456789ABCDEF", 2), std::string::npos);
    // A byte that begins a gbk character, then an apostrophe: nothing for a client to pair.
    EXPECT_EQ(to_mysql_str(ole_variant(std::vector<uint8_t>{0xBF, 0x27})), "0xBF27");
    EXPECT_EQ(to_mysql_str(ole_variant(std::vector<uint8_t>{})), "''");
}

TEST_F(SqlLiteral, DefaultValues) {
    struct {
        VARTYPE type;
        ole_variant def;
        const char16_t* literal;
    } cases[] = {
        // a default text is read as a number, never as atoi's prefix
        {VT_I4, ole_variant(u"007"), u"7"},
        {VT_I4, ole_variant(u"1e3"), u"1000"},
        {VT_I4, ole_variant(u"1.5"), u""},
        {VT_I4, ole_variant(u"15E-1"), u""},
        {VT_I4, ole_variant(u"2147483648"), u""},
        {VT_I8, ole_variant(u"123456789012"), u"123456789012"},
        {VT_UI1, ole_variant(u"-1"), u""},
        {VT_I4, ole_variant(u"7"), u"7"},
        {VT_I4, ole_variant(u"-12"), u"-12"},
        {VT_I4, ole_variant(u"1 OR 1"), u""},
        {VT_R8, ole_variant(u"abc"), u""},
        {VT_R8, ole_variant(u"1.5e3"), u"1.5e3"},
        {VT_R8, ole_variant(u"0"), u"0"},
        {VT_R8, ole_variant(u"1, b INT"), u""},
        {VT_BSTR, ole_variant(u"abc"), u"'abc'"},
        {VT_BSTR, ole_variant(u"x') --"), u"'x\\') --'"},
        {VT_DATE, ole_variant(u"2004-05-06"), u"\"2004-05-06\""},
        {VT_BLOB, ole_variant(u"00"), u""},
        {VT_I4, ole_variant(), u""},
    };
    for (const auto& c : cases) {
        t_ftd col(0, u"c", c.type, false, false, c.def, 0);
        EXPECT_EQ(make_mysql_def_val(col), c.literal) << compat::utf16_to_utf8(c.def.to_wstring());
    }
}

// Floating-point values go out as the shortest text that the server reads back as the same
// value; a FLOAT whose shortest text reads beyond the float range gets its exact value.
TEST_F(SqlLiteral, FloatingPointValuesReadBackAsThemselves) {
    t_ftd column(0, u"c", VT_R8, false, false, ole_variant(), 0);
    const struct {
        ole_variant value;
        const char* literal;
    } cases[] = {
        {ole_variant(0.30000000000000004), "0.30000000000000004"},
        {ole_variant(1e125), "1e+125"},
        {ole_variant(0.1), "0.1"},
        {ole_variant(-1.5), "-1.5"},
        {ole_variant(1.7976931348623157e308), "1.7976931348623157e+308"},
        {ole_variant(5e-324), "5e-324"},
        {ole_variant(1.1f), "1.1"},
        {ole_variant(-0.25f), "-0.25"},
        {ole_variant(3.4028234663852886e38f), "3.4028234663852886e+38"},
        {ole_variant(-3.4028234663852886e38f), "-3.4028234663852886e+38"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_mysql_str(c.value), c.literal);
        EXPECT_EQ(get_fld_append_str(udb_field(u"c", 0, c.value, false, false), column), c.literal);
    }
    t_ftd with_default(0, u"c", VT_R8, false, false, ole_variant(0.30000000000000004), 0);
    EXPECT_EQ(make_mysql_def_val(with_default), u"0.30000000000000004");
}

TEST_F(SqlLiteral, AppendValues) {
    t_ftd nullable(0, u"c", VT_I4, false, false, ole_variant(), 0);
    t_ftd not_null(0, u"c", VT_I4, true, false, ole_variant(5), 0);
    t_ftd text(50, u"c", VT_BSTR, false, false, ole_variant(), 0);
    auto lit = [](const ole_variant& v, const t_ftd& col) {
        return get_fld_append_str(udb_field(u"c", 0, v, false, false), col);
    };
    EXPECT_EQ(lit(ole_variant(12), nullable), "12");
    EXPECT_EQ(lit(ole_variant(), nullable), "NULL");
    EXPECT_EQ(lit(ole_variant(), not_null), "5");
    EXPECT_EQ(lit(ole_variant(u""), text), "\"\"");
    EXPECT_EQ(lit(ole_variant(u"it's"), text), "'it\\'s'");
    EXPECT_EQ(lit(ole_variant(u"\u00e9\U0001F600'"), text), "0xC3A9F09F988027");
    eng().set_version(0x40100);
    EXPECT_EQ(lit(ole_variant(u"\u00e9\U0001F600'"), text), "/*!50503 _utf8mb4*/0xC3A9F09F988027");
}

// The appending writer prints dates and numbers in place; its text must be the general
// writer's, the date read back from its own text included.
TEST_F(SqlLiteral, AppendedLiteralsMatchTheGeneralWriter) {
    t_ftd column(0, u"c", VT_I4, false, false, ole_variant(), 0);
    auto st = [](int y, int mo, int d, int h, int mi, int s) {
        SYSTEMTIME t{};
        t.wYear = uint16_t(y), t.wMonth = uint16_t(mo), t.wDay = uint16_t(d);
        t.wHour = uint16_t(h), t.wMinute = uint16_t(mi), t.wSecond = uint16_t(s);
        return t;
    };
    DECIMAL dec{};
    dec.mantissa = 12345;
    dec.scale = 2;
    dec.sign = DECIMAL_NEG;
    CY cy{};
    cy.int64 = 1234567;
    const ole_variant values[] = {
        ole_variant(st(2020, 1, 1, 0, 1, 1)),
        ole_variant(st(2020, 1, 1, 0, 0, 0)),
        ole_variant(st(2000, 2, 29, 23, 59, 59)),
        ole_variant(st(9999, 12, 31, 12, 0, 0)),
        ole_variant(st(1000, 1, 1, 0, 0, 0)),
        ole_variant(st(999, 12, 31, 0, 0, 0)),
        ole_variant(st(25, 12, 31, 10, 0, 0)),
        ole_variant(st(0, 0, 0, 10, 11, 12)),
        ole_variant(st(2021, 2, 29, 0, 0, 0)),
        ole_variant(st(2020, 13, 1, 0, 0, 0)),
        ole_variant(int(-42)),
        ole_variant(short(7)),
        ole_variant(static_cast<long long>(-9000000000LL)),
        ole_variant(static_cast<unsigned long long>(18000000000ULL)),
        ole_variant(1.5),
        ole_variant(-0.25f),
        ole_variant(true),
        ole_variant(dec),
        ole_variant(cy),
    };
    for (const ole_variant& v : values) {
        udb_field field(u"c", 0, v, false, false);
        std::string general = to_mysql_str(v);
        if (general == sql_empty_token) general = "NULL";
        std::string out = "(1, ";
        append_fld_str(out, field, column, sql::hex_values());
        EXPECT_EQ(out, "(1, " + general) << general;
        EXPECT_EQ(get_fld_append_str(field, column), general);
    }
}
