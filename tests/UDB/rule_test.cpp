#include <gtest/gtest.h>

#include "TK/tk_excep.h"
#include "UDB/udb_rule.h"

using compat::wstring;

namespace {

// Takes over text columns and text values.
class text_rule : public udb_rule {
public:
    bool accepts_value(const udb_field& v) const override { return v.get_type() == VT_BSTR; }
    bool accepts_column(const t_ftd& c) const override { return c.vartype == VT_BSTR; }
    wstring value_text(const udb_field& v) const override { return u"'" + v.to_wstring() + u"'"; }
    wstring column_text(const t_ftd&) const override { return u"TEXT"; }
};

const t_ftd text_col(10, u"T", VT_BSTR, false, false);
const t_ftd int_col(4, u"I", VT_I4, false, false);

TEST(udb_custom_conversion_test, without_a_registry_there_is_no_rule) {
    const udb_field v(u"T", 10, ole_variant(u"a"));
    EXPECT_FALSE(udb_custom_conversion::is_acceptable1(text_col));
    EXPECT_FALSE(udb_custom_conversion::is_acceptable2(v));
    EXPECT_EQ(udb_custom_conversion::handle1(text_col), u"");
    EXPECT_EQ(udb_custom_conversion::handle2(v), u"");
}

TEST(udb_custom_conversion_test, an_empty_registry_has_no_rule) {
    udb_custom_conversion registry;
    const udb_field v(u"I", 4, ole_variant(5));
    EXPECT_FALSE(udb_custom_conversion::is_acceptable1(int_col));
    EXPECT_EQ(udb_custom_conversion::handle2(v), u"");
}

TEST(udb_custom_conversion_test, rules_answer_in_order) {
    udb_custom_conversion registry;
    registry.add_rule(std::make_unique<text_rule>());
    const udb_field text(u"T", 10, ole_variant(u"a"));
    const udb_field number(u"I", 4, ole_variant(5));
    EXPECT_TRUE(udb_custom_conversion::is_acceptable1(text_col));
    EXPECT_FALSE(udb_custom_conversion::is_acceptable1(int_col));
    EXPECT_TRUE(udb_custom_conversion::is_acceptable2(text));
    EXPECT_FALSE(udb_custom_conversion::is_acceptable2(number));
    EXPECT_EQ(udb_custom_conversion::handle1(text_col), u"TEXT");
    EXPECT_EQ(udb_custom_conversion::handle1(int_col), u"");
    EXPECT_EQ(udb_custom_conversion::handle2(text), u"'a'");
    try {
        udb_custom_conversion::handle2(number);
        FAIL() << "no assertion";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(std::string(e.what()), tk_assertion_text("udb_rule", 88));
    }
}

}  // namespace
