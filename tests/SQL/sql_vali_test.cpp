// Name validators of both server generations and the engine's choice between them.
#include <gtest/gtest.h>

#include "SQL/sql_vali.h"
#include "sql_engine_fixture.h"

using compat::wstring;

namespace {
const wstring name64(64, u'a');
const wstring name65(65, u'a');
}  // namespace

TEST(SqlOldValidator, AcceptsByTheOldRule) {
    sql_old_validator v;
    struct {
        wstring name;
        bool ok;
    } cases[] = {
        {u"order", false}, {u"ORDER", false}, {u"order_1", true}, {u"2024", false}, {u"a-b", false},
        {u"$x", true},     {u"a b", false},   {name64, true},     {name65, false},  {u"\u00e9t\u00e9", false},
        {u"", false},      {u" a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(v.is_acceptable(c.name), c.ok) << compat::utf16_to_utf8(c.name);
}

TEST(SqlOldValidator, SafeNames) {
    sql_old_validator v;
    EXPECT_EQ(v.get_safe_name(u"a-b"), u"a_b");
    // an old server's dump cannot carry a name beyond ASCII
    EXPECT_EQ(v.get_safe_name(u"\u00e9t\u00e9"), u"_t_");
    EXPECT_EQ(v.get_safe_name(u"\u4e2d"), u"_");
    EXPECT_EQ(v.get_safe_name(u"2024"), u"_024");
    EXPECT_EQ(v.get_safe_name(u"order"), u"order00000");
    wstring long_name = v.get_safe_name(name65);
    EXPECT_EQ(long_name, wstring(63, u'a'));
    // Fuzz reproducer: a long name whose cut part is all digits once was an internal error.
    const wstring digits = wstring(70, u'5') + u"@ab";
    EXPECT_EQ(v.get_safe_name(digits), u"_" + wstring(62, u'5'));
    // A name that fits stays as it is, digits in front or not.
    EXPECT_EQ(v.get_safe_name(wstring(60, u'5') + u"ab"), wstring(60, u'5') + u"ab");
}

TEST(SqlOldValidator, DatabaseKindRefusesLeadingDigit) {
    sql_old_dn_validator v;
    EXPECT_FALSE(v.is_acceptable(u"1abc"));
    EXPECT_TRUE(v.is_acceptable(u"abc1"));
    EXPECT_FALSE(v.is_acceptable(u""));
    // a safe name exists for it (numbering alone could never fix the first character)
    wstring safe = v.get_safe_name(u"1abc");
    EXPECT_TRUE(v.is_acceptable(safe)) << compat::utf16_to_utf8(safe);
}

TEST(SqlNewValidator, AcceptsByTheNewRule) {
    sql_new_tn_validator tables({}, {});
    auto empty = sql_test::schema({});
    sql_new_fn_validator fields(*empty);
    struct {
        wstring name;
        bool table_ok;
        bool field_ok;
    } cases[] = {
        {u"a/b", false, true},         {u"a.b", false, true},
        {u"a`b", false, false},        {u"a'b", false, false},
        {u"a;b", false, false},        {u"order", true, true},
        {u" lead", false, false},      {u"trail ", false, false},
        {u"in side", true, true},      {name64, true, true},
        {name65, false, false},        {u"", false, false},
        {u"\u6F22\u5B57", true, true}, {wstring(u"a\0b", 3), false, false},
        {u"\U0001F600", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tables.is_acceptable(c.name), c.table_ok) << compat::utf16_to_utf8(c.name);
        EXPECT_EQ(fields.is_acceptable(c.name), c.field_ok) << compat::utf16_to_utf8(c.name);
    }
}

TEST(SqlNewValidator, SafeNameIsTrimmedAndUnique) {
    sql_new_tn_validator v({u"abc"}, {u"other"});
    EXPECT_EQ(v.get_safe_name(u" abc "), u"abc00000");
    EXPECT_EQ(v.get_safe_name(u" xyz"), u"xyz");
    EXPECT_EQ(v.get_safe_name(u"a/b"), u"a_b");
    EXPECT_EQ(v.get_safe_name(name65).size(), 63u);
}

TEST(SqlNewValidator, IndexNamedPrimaryGetsASafeName) {
    udb_indexes list;
    list.push_back(sql_test::index(u"Primary", false, false, {u"a"}));
    sql_new_in_validator v(list);
    EXPECT_FALSE(v.is_acceptable(u"PRIMARY"));
    EXPECT_FALSE(v.is_acceptable(u"primary"));
    wstring safe = v.get_safe_name(u"Primary");
    EXPECT_TRUE(v.is_acceptable(safe));
    EXPECT_FALSE(compat::equal_nocase(safe, u"primary"));
}

using SqlValidatorFactory = sql_test::engine_test;

TEST_F(SqlValidatorFactory, ChoosesTheFamilyByVersion) {
    auto s = sql_test::schema({sql_test::column(u"id", VT_I4)});
    eng().set_version(0x40100);
    EXPECT_NE(dynamic_cast<sql_new_tn_validator*>(eng().create_tn_validator({}, {}).get()), nullptr);
    EXPECT_NE(dynamic_cast<sql_new_fn_validator*>(eng().create_fn_validator(*s).get()), nullptr);
    auto dn = eng().create_dn_validator();
    EXPECT_FALSE(dn->is_acceptable(u"a/b"));
    EXPECT_TRUE(dn->is_acceptable(u"1abc"));
    eng().set_version(0x400FF);
    EXPECT_NE(dynamic_cast<sql_old_tn_validator*>(eng().create_tn_validator({}, {}).get()), nullptr);
    EXPECT_NE(dynamic_cast<sql_old_dn_validator*>(eng().create_dn_validator().get()), nullptr);
    auto fn = eng().create_fn_validator(*s);
    // the schema's own names are taken
    EXPECT_TRUE(fn->is_duplicated(u"ID"));
}
