#include <gtest/gtest.h>

#include "TK/tk_excep.h"
#include "UDB/udb_vali.h"

using compat::wstring;

namespace {

wstring repeat(char16_t c, size_t n) { return wstring(n, c); }

udb_validator make(unsigned limit, std::initializer_list<wstring> existing = {}) {
    udb_validator v(limit);
    v.add_restricted_name(u"select");
    v.add_illegal_char(u'/');
    v.add_illegal_char(u'.');
    for (const wstring& e : existing) v.add_existing_name(e);
    return v;
}

struct accept_case {
    const char* what;
    unsigned limit;
    wstring name;
    bool acceptable;
};

TEST(udb_validator_test, acceptable_names) {
    const accept_case cases[] = {
        {"63 units under limit 64", 64, repeat(u'a', 63), true},
        {"64 units under limit 64", 64, repeat(u'a', 64), true},
        {"65 units under limit 64", 64, repeat(u'a', 65), false},
        {"no limit", 0, repeat(u'a', 5000), true},
        {"reserved word", 64, u"select", false},
        {"reserved word, other case", 64, u"SeLeCt", false},
        {"reserved word as part", 64, u"selected", true},
        {"illegal character", 64, u"a/b", false},
        {"second illegal character", 64, u"a.b", false},
        {"plain", 64, u"emp", true},
        // A non-BMP character counts as two units.
        {"surrogate pair at the limit", 4, u"ab\U0001F600", true},
        {"surrogate pair past the limit", 3, u"ab\U0001F600", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(make(c.limit).is_acceptable(c.name), c.acceptable) << c.what;
    }
}

TEST(udb_validator_test, duplicates_compare_without_case) {
    udb_validator v = make(64, {u"Emp", u"DEPT"});
    EXPECT_TRUE(v.is_duplicated(u"emp"));
    EXPECT_TRUE(v.is_duplicated(u"dept"));
    EXPECT_FALSE(v.is_duplicated(u"emp2"));
}

struct safe_case {
    const char* what;
    unsigned limit;
    wstring name;
    std::vector<wstring> existing;
    wstring expected;
};

TEST(udb_validator_test, safe_names) {
    const wstring n70 = repeat(u'x', 70);
    const wstring n59 = repeat(u'y', 59);
    const wstring n60 = repeat(u'z', 60);
    const safe_case cases[] = {
        {"free name kept", 64, u"emp", {}, u"emp"},
        {"too long, cut to limit - 1", 64, n70, {}, n70.substr(0, 63)},
        {"too long and taken", 64, n70, {n70.substr(0, 63)}, n70.substr(0, 58) + u"00000"},
        {"next number", 64, n70, {n70.substr(0, 63), n70.substr(0, 58) + u"00000"}, n70.substr(0, 58) + u"00001"},
        {"59 taken keeps 59", 64, n59, {n59}, n59 + u"00000"},
        {"60 taken cut to 58", 64, n60, {n60}, n60.substr(0, 58) + u"00000"},
        {"no limit appends to the whole name", 0, n70, {n70}, n70 + u"00000"},
        {"taken in another case", 64, u"Emp", {u"EMP"}, u"Emp00000"},
        {"reserved word numbered", 64, u"SELECT", {}, u"SELECT00000"},
        {"illegal characters replaced", 64, u"a/b.c", {}, u"a_b_c"},
        {"replaced name taken", 64, u"a/b", {u"a_b"}, u"a_b00000"},
        // A cut never splits a surrogate pair.
        {"cut before a surrogate pair", 4, u"abc\U0001F600", {}, u"abc"},
        // Limits below 6 leave no room for a base: the number alone.
        {"limit 6", 6, u"abcdefgh", {u"abcde"}, u"00000"},
        {"limit 5", 5, u"abcdefgh", {u"abcd"}, u"00000"},
        {"limit 1", 1, u"ab", {}, u""},
    };
    for (const auto& c : cases) {
        udb_validator v = make(c.limit);
        for (const wstring& e : c.existing) v.add_existing_name(e);
        EXPECT_EQ(v.get_safe_name(c.name), c.expected) << c.what;
    }
}

TEST(udb_validator_test, exhausted_numbers_are_an_internal_error) {
    // A limit of 4 admits no base followed by five digits.
    udb_validator v = make(4, {u"abcd"});
    try {
        v.get_safe_name(u"abcd");
        FAIL() << "no assertion";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(std::string(e.what()), tk_assertion_text("udb_vali", 54));
    }
}

// A derived rule applies inside get_safe_name.
class no_zero_suffix : public udb_validator {
public:
    no_zero_suffix() : udb_validator(10) {}
    bool is_acceptable(const wstring& name) const override {
        return !name.ends_with(u"00000") && udb_validator::is_acceptable(name);
    }
};

TEST(udb_validator_test, safe_name_uses_the_derived_rules) {
    std::unique_ptr<udb_validator> v = std::make_unique<no_zero_suffix>();
    v->add_existing_name(u"abc");
    EXPECT_EQ(v->get_safe_name(u"abc"), u"abc00001");
}

}  // namespace
