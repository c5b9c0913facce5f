#include <gtest/gtest.h>

#include "UDB/udb_nmap.h"

using compat::wstring;

namespace {

TEST(t_names_map_test, first_mapping_wins_and_lookup_by_case_rule) {
    t_names_map m;
    m.add(u"Emp", u"EMP_1");
    m.add(u"Emp", u"EMP_2");
    struct {
        wstring name;
        bool exact;
        wstring expected;
    } cases[] = {
        {u"Emp", true, u"EMP_1"},
        {u"EMP", true, u"EMP"},  // exact: no match, the name itself
        {u"EMP", false, u"EMP_1"},
        {u"dept", false, u"dept"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m.get_mapped_name(c.name, c.exact), c.expected)
            << compat::utf16_to_utf8(c.name) << " exact=" << c.exact;
    }
}

TEST(udb_names_map_test, table_and_field_lookups) {
    udb_names_map nm;
    nm.add_tn_mapping(u"ORDER", u"ORDER00000");
    t_names_map fields;
    fields.add(u"DESC", u"DESC_");
    nm.add_fn_map(u"ORDER", fields);
    t_names_map other;
    other.add(u"DESC", u"ignored");
    nm.add_fn_map(u"ORDER", other);  // first field map kept

    EXPECT_EQ(nm.get_tn_mapped_name(u"order", false), u"ORDER00000");
    EXPECT_EQ(nm.get_tn_mapped_name(u"order", true), u"order");
    EXPECT_EQ(nm.get_fn_mapped_name(u"ORDER", u"desc", false), u"DESC_");
    EXPECT_EQ(nm.get_fn_mapped_name(u"ORDER", u"desc", true), u"desc");
    // The field map is found by exact table name only.
    EXPECT_EQ(nm.get_fn_mapped_name(u"order", u"DESC", false), u"DESC");
    EXPECT_EQ(nm.get_fn_mapped_name(u"NOPE", u"X", false), u"X");
    EXPECT_EQ(nm.get_fn_orig_name(u"ORDER", u"desc_", false), u"DESC");
    EXPECT_EQ(nm.get_fn_orig_name(u"ORDER", u"desc_", true), u"desc_");
    EXPECT_EQ(nm.get_fn_orig_name(u"NOPE", u"Y", false), u"Y");
}

TEST(udb_names_map_test, global_replace_takes_whole_words_only) {
    t_names_map map;
    map.add(u"ID", u"NEW");
    struct {
        wstring text;
        wstring expected;
    } cases[] = {
        {u"SELECT ID FROM T", u"SELECT `NEW` FROM T"},
        {u"ID", u"`NEW`"},
        {u"ID,ID", u"`NEW`,`NEW`"},
        {u"(ID)=ID+1", u"(`NEW`)=`NEW`+1"},
        {u"SELECT A_ID, ID_B FROM T", u"SELECT A_ID, ID_B FROM T"},
        {u"IDX XID ID2 $ID ID# \u00e9ID", u"IDX XID ID2 $ID ID# \u00e9ID"},
        {u"id ID", u"id `NEW`"},  // case-sensitive
        {u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(udb_names_map::do_global_replace2(c.text, map, u"`", u"`"), c.expected)
            << compat::utf16_to_utf8(c.text);
    }
}

TEST(udb_names_map_test, global_replace_goes_on_after_the_inserted_text) {
    t_names_map map;
    map.add(u"A", u"A A");  // the replacement holds the name again
    map.add(u"", u"X");     // an empty name replaces nothing
    EXPECT_EQ(udb_names_map::do_global_replace2(u"A + A", map, u"[", u"]"), u"[A A] + [A A]");
}

TEST(udb_names_map_test, global_replace1_uses_tables_then_field_maps) {
    udb_names_map nm;
    nm.add_tn_mapping(u"EMP", u"EMP_T");
    t_names_map f;
    f.add(u"NAME", u"NAME_F");
    nm.add_fn_map(u"EMP", f);
    EXPECT_EQ(nm.do_global_replace1(u"SELECT NAME FROM EMP", u"`", u"`"), u"SELECT `NAME_F` FROM `EMP_T`");
}

}  // namespace
