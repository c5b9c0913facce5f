#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_excep.h"
#include "UDB/udb_db.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using compat::wstring;

namespace {

class plain_recordset : public udb_recordset {
public:
    using udb_recordset::udb_recordset;
    void append_record(const udb_record&) override {}
};

class plain_database : public udb_database {
public:
    plain_database(bool case_sensitive, std::vector<wstring> tables)
        : udb_database(u"db", udb_open_mode::read_only, case_sensitive) {
        table_names_ = std::move(tables);
    }
    std::unique_ptr<udb_recordset> create_table(const wstring& name, const udb_schema&, const udb_indexes&) override {
        return std::make_unique<plain_recordset>(name);
    }
    std::unique_ptr<udb_recordset> get_table(const wstring& name, bool) override {
        return std::make_unique<plain_recordset>(name);
    }
    std::unique_ptr<udb_recordset> get_table(const wstring& name, const wstring& query, bool) override {
        return std::make_unique<plain_recordset>(name, query);
    }
    bool test_query(const wstring&) override { return true; }
};

class plain_engine : public udb_engine {
public:
    std::unique_ptr<udb_database> create_db(const wstring&) override { return nullptr; }
    std::unique_ptr<udb_database> open_db(const wstring&, udb_open_mode) override { return nullptr; }
};

template <class F>
std::string assertion_of(F&& f) {
    try {
        f();
    } catch (const tk_mail_assertion& e) {
        return e.what();
    }
    return "no assertion";
}

TEST(udb_recordset_test, base_behaviour) {
    plain_recordset table(u"EMP");
    plain_recordset query(u"Q", u"SELECT 1 FROM DUAL");
    EXPECT_FALSE(table.is_query());
    EXPECT_TRUE(query.is_query());
    EXPECT_EQ(table.get_item(), nullptr);
    EXPECT_TRUE(table.is_eof());
    EXPECT_EQ(table.get_record_count(), 0);
    EXPECT_EQ(table.get_pk_index(), -1);
    EXPECT_EQ(query.get_query(), u"SELECT 1 FROM DUAL");
}

TEST(udb_recordset_test, key_is_the_first_primary_or_unique_index) {
    struct {
        const char* what;
        std::vector<udb_index> added;
        size_t count;
        int pk;
    } cases[] = {
        {"none", {{u"IX", false, false, {u"A"}}}, 1, -1},
        {"primary", {{u"IX", false, false, {u"A"}}, {u"PK", true, true, {u"ID"}}}, 2, 1},
        {"unique before primary", {{u"UQ", true, false, {u"CODE"}}, {u"PK", true, true, {u"ID"}}}, 2, 0},
        {"same name in another case kept once",
         {{u"Ix_A", false, false, {u"A"}}, {u"IX_A", true, true, {u"ID"}}},
         1,
         -1},
        {"duplicate name does not take the key",
         {{u"K", false, false, {u"A"}}, {u"k", true, true, {u"B"}}, {u"PK", true, true, {u"C"}}},
         2,
         1},
    };
    for (const auto& c : cases) {
        plain_recordset rs(u"T");
        for (const auto& i : c.added) rs.add_index(i);
        EXPECT_EQ(rs.get_indexes().size(), c.count) << c.what;
        EXPECT_EQ(rs.get_pk_index(), c.pk) << c.what;
    }
}

TEST(udb_database_test, table_exists_by_the_case_rule) {
    struct {
        bool case_sensitive;
        wstring name;
        bool exists;
    } cases[] = {
        {false, u"EMP", true}, {false, u"emp", true},  {false, u"Dept", true},  {true, u"EMP", true},
        {true, u"emp", false}, {true, u"DEPT", false}, {false, u"EMPX", false},
    };
    for (const auto& c : cases) {
        plain_database db(c.case_sensitive, {u"EMP", u"dept"});
        EXPECT_EQ(db.is_table_exist(c.name), c.exists)
            << compat::utf16_to_utf8(c.name) << " case_sensitive=" << c.case_sensitive;
    }
}

TEST(udb_database_test, delete_tab_removes_the_first_match) {
    plain_database db(false, {u"A", u"emp", u"EMP", u"B"});
    EXPECT_TRUE(db.delete_tab(u"EMP"));
    EXPECT_EQ(db.get_table_names(), (std::vector<wstring>{u"A", u"EMP", u"B"}));
    EXPECT_EQ(assertion_of([&] { db.delete_tab(u"C"); }), tk_assertion_text("udb_db", 44));

    plain_database exact(true, {u"emp", u"EMP"});
    EXPECT_TRUE(exact.delete_tab(u"EMP"));
    EXPECT_EQ(exact.get_table_names(), (std::vector<wstring>{u"emp"}));
}

TEST(udb_database_test, query_of_the_base_is_an_internal_error) {
    plain_database db(false, {});
    EXPECT_EQ(assertion_of([&] { db.query(u"SELECT 1"); }), tk_assertion_text("udb_db", 70));
}

TEST(udb_engine_test, databases_as_files) {
    const test_support::temp_dir dir("udb-db");
    const fs::path file = dir.file("db");
    const wstring name = compat::utf8_to_utf16(file.string());
    std::unique_ptr<udb_engine> engine = std::make_unique<plain_engine>();
    EXPECT_FALSE(engine->is_db_exist(name));
    std::ofstream(file) << "x";
    EXPECT_TRUE(engine->is_db_exist(name));
    engine->db_delete(name);
    EXPECT_FALSE(fs::exists(file));
    try {
        engine->db_delete(name);
        FAIL() << "no error";
    } catch (const tk_exception_ex& e) {
        EXPECT_EQ(e.code(), ENOENT);
        EXPECT_EQ(e.level(), 1);
    }
}

}  // namespace
