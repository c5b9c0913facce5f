#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_excep.h"
#include "UDB/udb_conv.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using compat::wstring;

namespace {

class test_converter : public udb_converter {
public:
    bool test_query(const wstring&) override { return true; }
};

udb_profile generic(std::initializer_list<std::pair<wstring, wstring>> pairs) {
    udb_profile p;
    for (const auto& [k, v] : pairs) p.set_value(udb_sec_generic, k, v);
    return p;
}

TEST(udb_converter_test, mode_values) {
    // expected -1: the profile is refused (a level-1 error) and the mode stays
    struct {
        wstring value;
        int expected;
    } cases[] = {
        {u"3", 3},  {u" 3", 3},  {u"0", 0},  {u"4", 4},   {u"", 2},
        {u"5", -1}, {u"12", -1}, {u"x", -1}, {u"-1", -1}, {u"3 ", 3},
    };
    for (const auto& c : cases) {
        test_converter conv;
        conv.set_mode(udb_overwrite_mode::skip_tables);
        if (c.expected < 0) {
            try {
                conv.load_profile(generic({{u"mode", c.value}}));
                ADD_FAILURE() << "accepted " << compat::utf16_to_utf8(c.value);
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.level(), 1);
                EXPECT_NE(e.message().find("'" + compat::utf16_to_utf8(c.value) + "'"), std::string::npos)
                    << e.message();
            }
            EXPECT_EQ(conv.get_mode(), udb_overwrite_mode::skip_tables);
        } else {
            conv.load_profile(generic({{u"mode", c.value}}));
            EXPECT_EQ(static_cast<int>(conv.get_mode()), c.expected) << compat::utf16_to_utf8(c.value);
        }
    }
}

TEST(udb_converter_test, flag_values) {
    struct {
        wstring value;
        bool before;
        bool expected;
    } cases[] = {
        {u"1", false, true}, {u" 1", false, true}, {u"0", true, false},  {u" 0", true, false},
        {u"", true, true},   {u"", false, false},  {u"no", false, true},
    };
    for (const auto& c : cases) {
        test_converter conv;
        conv.tab_def = c.before;
        conv.skip_idx = c.before;
        conv.load_profile(generic({{u"only definitions", c.value}, {u"skip indexes", c.value}}));
        EXPECT_EQ(conv.tab_def, c.expected) << compat::utf16_to_utf8(c.value);
        EXPECT_EQ(conv.skip_idx, c.expected) << compat::utf16_to_utf8(c.value);
    }
}

TEST(udb_converter_test, names_replace_only_when_given) {
    test_converter conv;
    conv.set_source_name(u"OLD");
    conv.set_destination_name(u"olddb");
    conv.load_profile(generic({{u"src", u" ORCL"}, {u"dest", u""}, {u"logfile", u""}}));
    EXPECT_EQ(conv.source_name(), u"ORCL");
    EXPECT_EQ(conv.destination_name(), u"olddb");
    EXPECT_EQ(conv.log_file(), "");
}

TEST(udb_converter_test, selected_tables_and_queries) {
    udb_profile p;
    p.set_value(udb_sec_tables, u"T1", u"");
    p.set_value(udb_sec_tables, u"T2", u"SELECT * FROM X");
    p.set_value(udb_sec_queries, u"Q", u"SELECT 1 FROM DUAL");
    test_converter conv;
    conv.table_map[u"T2"] = u"SELECT kept";
    conv.load_profile(p);
    EXPECT_EQ(conv.selected_tables, (std::vector<wstring>{u"T1"}));
    EXPECT_EQ(conv.table_map, (udb_converter::query_map{{u"T1", u""}, {u"T2", u"SELECT kept"}}));
    EXPECT_EQ(conv.available_queries, (udb_converter::query_map{{u"Q", u"SELECT 1 FROM DUAL"}}));
}

TEST(udb_converter_test, store_writes_every_generic_key) {
    test_converter conv;
    conv.set_source_name(u"ORCL");
    conv.set_destination_name(u"dump.sql");
    conv.set_mode(udb_overwrite_mode::merge);
    conv.skip_idx = true;
    conv.table_map = {{u"EMP", u""}, {u"emp", u"SELECT * FROM emp"}};
    conv.available_queries = {{u"Q", u"SELECT 1"}};
    udb_profile p;
    p.set_value(udb_sec_generic, u"mode", u"1");  // a held key keeps its value
    EXPECT_TRUE(conv.store_profile(p));
    const udb_profile::section expected_generic = {{u"src", u"ORCL"},           {u"dest", u"dump.sql"},
                                                   {u"logfile", u""},           {u"skip indexes", u"1"},
                                                   {u"only definitions", u"0"}, {u"mode", u"1"}};
    EXPECT_EQ(p.get_sections().at(udb_sec_generic), expected_generic);
    EXPECT_EQ(p.get_selected_tables(), conv.table_map);
    EXPECT_EQ(p.get_queries(), conv.available_queries);
}

TEST(udb_converter_test, round_trip_through_a_file) {
    const test_support::temp_dir dir("udb-conv");
    const fs::path file = dir.file("p.qrn");
    test_converter conv;
    conv.set_source_name(u"ORCL");
    conv.set_destination_name(u"target");
    conv.set_mode(udb_overwrite_mode::synchronize);
    conv.tab_def = true;
    conv.selected_tables = {u"EMP"};
    conv.table_map = {{u"EMP", u""}, {u"V", u"SELECT a\r\n  FROM b"}};
    conv.available_queries = {{u"Q", u"SELECT 1"}};
    udb_profile out;
    conv.store_profile(out);
    ASSERT_TRUE(out.store(compat::utf8_to_utf16(file.string())));

    udb_profile in;
    ASSERT_TRUE(in.load(compat::utf8_to_utf16(file.string())));
    test_converter back;
    back.load_profile(in);
    EXPECT_EQ(back.source_name(), u"ORCL");
    EXPECT_EQ(back.destination_name(), u"target");
    EXPECT_EQ(back.get_mode(), udb_overwrite_mode::synchronize);
    EXPECT_TRUE(back.tab_def);
    EXPECT_FALSE(back.skip_idx);
    EXPECT_EQ(back.selected_tables, conv.selected_tables);
    EXPECT_EQ(back.table_map, conv.table_map);
    EXPECT_EQ(back.available_queries, conv.available_queries);
}

TEST(udb_converter_test, hand_written_profile_with_blanks) {
    const test_support::temp_dir dir("udb-conv");
    const fs::path file = dir.file("hand.qrn");
    std::ofstream(file, std::ios::binary) << "[Generic settings]\r\nmode = 3\r\nonly definitions = 0\r\nsrc = ORCL\r\n";
    udb_profile in;
    ASSERT_TRUE(in.load(compat::utf8_to_utf16(file.string())));
    test_converter conv;
    conv.tab_def = true;
    conv.load_profile(in);
    EXPECT_EQ(conv.get_mode(), udb_overwrite_mode::merge);
    EXPECT_FALSE(conv.tab_def);
    EXPECT_EQ(conv.source_name(), u"ORCL");
}

TEST(udb_converter_test, refused_logfile_raises_and_stops_the_load) {
    test_converter conv;
    conv.set_mode(udb_overwrite_mode::replace_tables);
    udb_profile p = generic({{u"logfile", u"/nonexistent-folder/x.log"}, {u"mode", u"3"}});
    EXPECT_THROW(conv.load_profile(p), tk_exception);
    EXPECT_EQ(conv.get_mode(), udb_overwrite_mode::replace_tables);
    EXPECT_EQ(conv.log_file(), "");
}

TEST(udb_converter_test, current_table_and_counters) {
    test_converter conv;
    EXPECT_EQ(conv.get_mode(), udb_overwrite_mode::replace_database);
    EXPECT_EQ(conv.get_current_table(), u"");
    conv.set_current_table(u"EMP");
    EXPECT_EQ(conv.get_current_table(), u"EMP");
    EXPECT_EQ(conv.records_in_table.load() + conv.record_index.load(), 0u);
    EXPECT_EQ(conv.table_count.load() + conv.tables_done.load(), 0);
}

}  // namespace
