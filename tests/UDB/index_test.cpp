#include <gtest/gtest.h>

#include "TK/tk_excep.h"
#include "UDB/udb_idx.h"
#include "UDB/udb_rel.h"

using compat::wstring;

namespace {

template <class F>
std::string assertion_of(F&& f) {
    try {
        f();
    } catch (const tk_mail_assertion& e) {
        return e.what();
    }
    return "no assertion";
}

udb_index idx(const wstring& name, bool unique, bool primary, udb_names fields) {
    return udb_index(name, unique, primary, std::move(fields));
}

TEST(udb_index_test, starts_with_fields) {
    const udb_index i = idx(u"I1", false, false, {u"A", u"B", u"C"});
    struct {
        udb_names names;
        bool expected;
    } cases[] = {
        {{}, true},
        {{u"A"}, true},
        {{u"a", u"b"}, true},  // without case
        {{u"A", u"B", u"C"}, true},
        {{u"A", u"B", u"C", u"D"}, false},
        {{u"B"}, false},
        {{u"A", u"C"}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(i.starts_with_fields(c.names), c.expected);
}

TEST(udb_index_test, consists_of_fields_ignores_order_not_case) {
    const udb_index i = idx(u"I1", false, false, {u"A", u"B"});
    struct {
        udb_names names;
        bool expected;
    } cases[] = {
        {{u"A", u"B"}, true}, {{u"B", u"A"}, true},        {{u"a", u"B"}, false},
        {{u"A"}, false},      {{u"A", u"B", u"C"}, false}, {{u"A", u"A"}, true},  // same count, every name occurs
    };
    for (const auto& c : cases) EXPECT_EQ(i.consists_of_fields(c.names), c.expected);
}

TEST(udb_indexes_test, lookups_by_name) {
    udb_indexes list;
    list.push_back(idx(u"Pk_Emp", true, true, {u"ID"}));
    list.push_back(idx(u"IX_NAME", false, false, {u"LAST", u"FIRST"}));

    EXPECT_FALSE(list.is_acceptable_name(u"PK_EMP"));
    EXPECT_TRUE(list.is_acceptable_name(u"PK_DEPT"));
    EXPECT_EQ(list.get_index(u"ix_name").fields.size(), 2u);
    EXPECT_EQ(assertion_of([&] { list.get_index(u"missing"); }), tk_assertion_text("udb_idx", 134));

    list.get_index(u"IX_NAME").fields.push_back(u"MID");
    EXPECT_EQ(list[1].fields.back(), u"MID");
}

TEST(udb_indexes_test, index_on_fields_takes_the_first_match) {
    udb_indexes list;
    list.push_back(idx(u"IX_A", false, false, {u"A", u"B"}));
    list.push_back(idx(u"UQ_A", true, false, {u"A"}));
    struct {
        udb_names names;
        bool unique_test;
        bool expected;
    } cases[] = {
        {{u"A"}, false, true},
        {{u"A"}, true, false},  // IX_A comes first and is not unique
        {{u"B"}, false, false},
        {{}, false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.has_index_on_fields(c.names, c.unique_test), c.expected);
    }
    EXPECT_FALSE(udb_indexes().has_index_on_fields({}, false));
}

TEST(udb_indexes_test, index_fields_compare_exactly) {
    udb_indexes list;
    list.push_back(idx(u"PK", true, true, {u"ID"}));
    list.push_back(idx(u"IX", false, false, {u"NAME"}));
    EXPECT_TRUE(list.is_idx_field(u"ID", true));
    EXPECT_FALSE(list.is_idx_field(u"id", false));
    EXPECT_TRUE(list.is_idx_field(u"NAME", false));
    EXPECT_FALSE(list.is_idx_field(u"NAME", true));
}

TEST(udb_relationships_test, names_without_case) {
    udb_relationships rels;
    udb_relationship r;
    r.name = u"FK_EMP_DEPT";
    r.child_table = u"EMP";
    r.parent_table = u"DEPT";
    r.child_fields = {u"DEPT_ID"};
    r.parent_fields = {u"ID"};
    rels.push_back(r);
    EXPECT_FALSE(rels.is_acceptable_name(u"fk_emp_dept"));
    EXPECT_TRUE(rels.is_acceptable_name(u"FK_OTHER"));
    EXPECT_EQ(rels.get_index(u"Fk_Emp_Dept").parent_table, u"DEPT");
    EXPECT_EQ(assertion_of([&] { rels.get_index(u"FK_OTHER"); }), tk_assertion_text("udb_rel", 122));
}

}  // namespace
