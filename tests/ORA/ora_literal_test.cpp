// The destination writer's pure rules: native types, literals, DEFAULT texts and Oracle's
// name rules.
#include <gtest/gtest.h>

#include "ORA/ora_init.h"
#include "ORA/ora_util.h"
#include "ORA/ora_vali.h"
#include "TK/tk_excep.h"
#include "UDB/udb_sche.h"

namespace {

t_ftd column(VARTYPE vt, int size, const ole_variant& def = ole_variant(), int reserved = 0, bool not_null = false) {
    return t_ftd(size, u"C", vt, not_null, false, def, reserved);
}

TEST(OraNativeType, TableOfCases) {
    struct {
        VARTYPE vt;
        int size;
        int reserved;
        const char16_t* type;
    } cases[] = {
        {VT_I2, 0, 0, u"NUMBER(5,0)"},
        {VT_UI1, 0, 0, u"NUMBER(5,0)"},
        {VT_I4, 0, 0, u"NUMBER(11,0)"},
        {VT_UI2, 0, 0, u"NUMBER(11,0)"},
        {VT_INT, 0, 0, u"NUMBER(11,0)"},
        {VT_R4, 0, 0, u"NUMBER"},
        {VT_R8, 0, 0, u"NUMBER"},
        {VT_CY, 0, 0, u"NUMBER"},
        {VT_DATE, 0, 1, u"DATE"},
        {VT_BSTR, 1, 0, u"NVARCHAR2(1) "},
        {VT_BSTR, 2000, 0, u"NVARCHAR2(2000) "},
        {VT_BSTR, 2001, 0, u"CLOB"},
        {VT_BSTR, 4000, 0, u"CLOB"},
        {VT_BSTR, 4001, 0, u"CLOB"},
        {VT_BSTR, 0, 0, u"CLOB"},
        {VT_BOOL, 0, 0, u"NUMBER(3,0)"},
        {VT_I1, 0, 0, u"NUMBER(3,0)"},
        {VT_DECIMAL, 0, 0x0A02, u"NUMBER(10,2)"},
        {VT_DECIMAL, 0, 0x2600, u"NUMBER(38,0)"},
        {VT_UI4, 0, 0, u"NUMBER(19,0)"},
        {VT_I8, 0, 0, u"NUMBER(19,0)"},
        {VT_UI8, 0, 0, u"NUMBER(19,0)"},
        {VT_UINT, 0, 0, u"NUMBER(19,0)"},
        {VT_BLOB, 16, 0, u"RAW(16)"},
        {VT_BLOB, 2000, 0, u"RAW(2000)"},
        {VT_BLOB, 2001, 0, u"BLOB"},
        {VT_BLOB, 0, 0, u"BLOB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vt << "/" << c.size);
        EXPECT_EQ(get_native_type(column(c.vt, c.size, ole_variant(), c.reserved)), c.type);
    }
    try {
        get_native_type(column(VT_VARIANT, 0));
        FAIL() << "a type without an Oracle column type was accepted";
    } catch (const tk_mail_assertion&) {
    }
}

TEST(OraLiteral, FromText) {
    struct {
        const char16_t* text;
        VARTYPE vt;
        const char16_t* literal;
    } cases[] = {
        {u"", VT_BSTR, u"''"},
        {u"it's", VT_BSTR, u"'it''s'"},
        {u"12.5", VT_R8, u"12.5"},
        {u"2004-05-06", VT_DATE, u"to_date('2004-05-06', 'YYYY-MM-DD')"},
        {u"2004-05-06 07:08:09", VT_DATE, u"to_date('2004-05-06 07:08:09', 'YYYY-MM-DD HH24:MI:SS')"},
        {u"10:11:12", VT_DATE, u"to_date('10:11:12', 'HH24-MI-SS')"},
        {u"not a date", VT_DATE, u""},
        {u"0xDEADbeef", VT_BLOB, u"'DEADbeef'"},
        {u"0X01", VT_BYTE_ARRAY, u"'01'"},
        {u"0xZZ", VT_BLOB, u"''"},
        {u"1234", VT_BLOB, u"'34'"},
        {u"1", VT_BLOB, u"''"},
        {u"ab", VT_BLOB, u"''"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.text));
        EXPECT_EQ(to_oracle_str(c.text, c.vt), c.literal);
    }
}

TEST(OraLiteral, FromFields) {
    // Only a value that is nothing but a GUID goes in as its bytes, in memory order.
    const struct {
        const char16_t* text;
        const char16_t* literal;
    } guids[] = {
        {u"guid={01234567-89AB-CDEF-0123-456789ABCDEF}  ", u"HEXTORAW('67452301AB89EFCD0123456789ABCDEF')"},
        {u"  GUID: {01234567-89AB-CDEF-0123-456789ABCDEF}", u"HEXTORAW('67452301AB89EFCD0123456789ABCDEF')"},
        {u"row guid={01234567-89AB-CDEF-0123-456789ABCDEF} ", u"'row guid={01234567-89AB-CDEF-0123-456789ABCDEF} '"},
        {u"guid={01234567-89AB-CDEF-0123-456789ABCDEF} it is", u"'guid={01234567-89AB-CDEF-0123-456789ABCDEF} it is'"},
    };
    for (const auto& g : guids) {
        SCOPED_TRACE(compat::utf16_to_utf8(g.text));
        udb_field guid(u"G", 0, ole_variant(g.text));
        EXPECT_EQ(to_oracle_str(&guid), g.literal);
    }
    udb_field null(u"N", 0, ole_variant());
    EXPECT_EQ(to_oracle_str(&null), u"''");
    udb_field bytes(u"B", 0, ole_variant(std::vector<uint8_t>{0x01, 0xAB}));
    EXPECT_EQ(to_oracle_str(&bytes), u"'01AB'");
    try {
        to_oracle_str(static_cast<const udb_field*>(nullptr));
        FAIL();
    } catch (const tk_mail_assertion&) {
    }
}

TEST(OraLiteral, Defaults) {
    struct {
        VARTYPE vt;
        int size;
        const char16_t* def;
        const char16_t* text;
    } cases[] = {
        {VT_I4, 0, u"42", u"42"},
        {VT_I4, 0, u"007", u""},
        {VT_I2, 0, u"-3", u"-3"},
        {VT_I4, 0, u"abc", u""},
        {VT_I4, 0, u"3000000000", u""},
        {VT_R8, 0, u"abc", u""},
        {VT_R8, 0, u"0.00", u"0.00"},
        {VT_R8, 0, u"0", u"0"},
        {VT_DECIMAL, 0, u"12.50", u"12.50"},
        {VT_R8, 0, u"1e200", u"0"},
        {VT_R8, 0, u"-1e200", u"0"},
        {VT_R8, 0, u"nan", u"0"},
        {VT_DATE, 0, u"2004-05-06", u"to_date('2004-05-06', 'YYYY-MM-DD')"},
        {VT_BSTR, 3, u"abcdef", u"'abc'"},
        {VT_BSTR, 10, u"it's", u"'it''s'"},
        {VT_BLOB, 10, u"0x01", u""},
        {VT_I8, 0, u"5", u"5"},
        {VT_I8, 0, u"-9223372036854775808", u"-9223372036854775808"},
        {VT_I8, 0, u"0042", u""},
        {VT_UI4, 0, u"4000000000", u"4000000000"},
        {VT_UI8, 0, u"18446744073709551615", u"18446744073709551615"},
        {VT_UI8, 0, u"18446744073709551616", u""},
        {VT_BSTR, 5, u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.def));
        t_ftd ftd = column(c.vt, c.size, c.def[0] ? ole_variant(c.def) : ole_variant());
        EXPECT_EQ(make_ora_def_val(&ftd), c.text);
    }
}

TEST(OraValidator, OracleNameRules) {
    ora_validator v;
    struct {
        const char16_t* name;
        bool acceptable;
        const char16_t* safe;
    } cases[] = {
        {u"EMP", true, u"EMP"},
        {u"Emp_$#1", true, u"Emp_$#1"},
        {u"Ñandú", true, u"Ñandú"},
        {u"1ABC", false, u"A1ABC"},
        {u"MY-COL", false, u"MY_COL"},
        {u"", false, u"A"},
        {u"with \"quote\"", false, u"with__quote_"},
        {u"has space", false, u"has_space"},
        {u"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", true, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"},
        {u"ABCDEFGHIJKLMNOPQRSTUVWXYZ12345", false, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.name));
        EXPECT_EQ(v.is_acceptable(c.name), c.acceptable);
        EXPECT_EQ(v.get_safe_name(c.name), c.safe);
    }
    compat::wstring nul = u"A";
    nul += u'\0';
    nul += u"B";
    EXPECT_FALSE(v.is_acceptable(nul));
    EXPECT_EQ(v.get_safe_name(nul), u"A_B");
    // Safe names never hold what Oracle cannot, and fit.
    for (const compat::wstring& name : {compat::wstring(40, u'"'), compat::wstring(u"\"") + nul, nul + u"x\"y"}) {
        compat::wstring safe = v.get_safe_name(name);
        EXPECT_TRUE(v.is_acceptable(safe)) << compat::utf16_to_utf8(safe);
        EXPECT_EQ(safe.find(u'"'), compat::wstring::npos);
        EXPECT_EQ(safe.find(u'\0'), compat::wstring::npos);
        EXPECT_LE(safe.size(), 30u);
    }
    // Lengths count bytes of the database character set: fifteen two-byte characters fill 30.
    const compat::wstring fifteen(15, u'Ñ'), sixteen(16, u'Ñ');
    EXPECT_TRUE(v.is_acceptable(fifteen));
    EXPECT_FALSE(v.is_acceptable(sixteen));
    EXPECT_EQ(v.get_safe_name(sixteen), compat::wstring(14, u'Ñ'));
    v.add_existing_name(compat::wstring(14, u'Ñ'));
    EXPECT_EQ(v.get_safe_name(sixteen), compat::wstring(12, u'Ñ') + u"00000");
    ora_validator from_12_2(128);
    EXPECT_TRUE(from_12_2.is_acceptable(compat::wstring(64, u'Ñ')));
    EXPECT_FALSE(from_12_2.is_acceptable(compat::wstring(65, u'Ñ')));
    // Taken names (in any case) get the numbered form.
    v.add_restricted_name(u"ID");
    EXPECT_FALSE(v.is_acceptable(u"id"));
    EXPECT_EQ(v.get_safe_name(u"id"), u"id00000");
}

TEST(OraTrigger, NamesQuotedLikeTheTable) {
    ora_in_validator names;
    EXPECT_EQ(ora_schema_initializer::trigger_text(u"T", u"ID", u"T_0"),
              u"CREATE OR REPLACE TRIGGER \"T__TRIGGER\" BEFORE INSERT ON \"T\" FOR EACH ROW WHEN (new.\"ID\" IS "
              u"NULL) BEGIN select \"T_0\".nextval into :new.\"ID\" from dual; END;");
    // A table name too long for the suffix gets a shortened trigger name of its own.
    const compat::wstring long_name(28, u'L');
    compat::wstring text = ora_schema_initializer::trigger_text(long_name, u"Id", u"L_0");
    EXPECT_NE(text.find(u"TRIGGER \"" + compat::wstring(28, u'L') + u"_\""), compat::wstring::npos)
        << compat::utf16_to_utf8(text);
}

}  // namespace
