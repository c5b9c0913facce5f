#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TK/tk_excep.h"
#include "UDB/udb_prof.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using compat::wstring;
using section = udb_profile::section;
using section_map = udb_profile::section_map;

namespace {

class profile_file : public ::testing::Test {
protected:
    wstring path(const std::string& name = "p.qrn") const { return compat::utf8_to_utf16(tmp_.file(name)); }
    void write(const std::string& bytes, const std::string& name = "p.qrn") const {
        test_support::write_file(tmp_.file(name), bytes);
    }
    std::string read(const std::string& name = "p.qrn") const { return test_support::read_file(tmp_.file(name)); }

    test_support::temp_dir tmp_{"udb-prof"};
    fs::path dir_{tmp_.path()};
};

section_map fresh() { return udb_profile().get_sections(); }

struct load_case {
    const char* what;
    std::string file;
    bool result;
    // Sections expected besides the three empty ones of a new profile.
    section_map expected;
};

TEST_F(profile_file, load_cases) {
    const load_case cases[] = {
        {"empty file", "", true, {}},
        {"value holding '='", "[Generic settings]\nsrc=a=b\n", true, {{u"Generic settings", {{u"src", u"a=b"}}}}},
        {"key trimmed, value keeps its leading blank",
         "[Generic settings]\n  mode = 1  \n",
         true,
         {{u"Generic settings", {{u"mode", u" 1"}}}}},
        {"bare key",
         "[Selected Tables]\nT1\nT2=SELECT * FROM X\n",
         true,
         {{u"Selected Tables", {{u"T1", u""}, {u"T2", u"SELECT * FROM X"}}}}},
        {"duplicate key keeps the first value",
         "[Generic settings]\nsrc=a\nsrc=b\n",
         true,
         {{u"Generic settings", {{u"src", u"a"}}}}},
        {"duplicate section merged",
         "[X]\na=1\n[Y]\nb=2\n[X]\nc=3\na=9\n",
         true,
         {{u"X", {{u"a", u"1"}, {u"c", u"3"}}}, {u"Y", {{u"b", u"2"}}}}},
        {"section name keeps inner blanks", "[ My  section ]\nk=v\n", true, {{u" My  section ", {{u"k", u"v"}}}}},
        {"pair before any section", "orphan=1\n[S]\nk=v\n", false, {{u"S", {{u"k", u"v"}}}}},
        {"semicolon is no comment", "[S]\n;k=v\n", true, {{u"S", {{u";k", u"v"}}}}},
        {"keys are case-sensitive", "[S]\nKey=1\nkey=2\n", true, {{u"S", {{u"Key", u"1"}, {u"key", u"2"}}}}},
        {"CRLF line ends",
         "[Generic settings]\r\nmode=3\r\nsrc=ORCL\r\n\r\n",
         true,
         {{u"Generic settings", {{u"mode", u"3"}, {u"src", u"ORCL"}}}}},
        {"CR after trailing blanks", "[S]\r\nk=v  \r\n", true, {{u"S", {{u"k", u"v"}}}}},
        {"byte-order mark skipped", "\xEF\xBB\xBF[S]\nk=v\n", true, {{u"S", {{u"k", u"v"}}}}},
        {"UTF-8 text", "[S]\n\xC3\x84mter=\xE2\x82\xAC\n", true, {{u"S", {{u"\u00c4mter", u"\u20ac"}}}}},
        {"escaped value",
         "[S]\nq=SELECT 1\\r\\nFROM DUAL \\\\ x\n",
         true,
         {{u"S", {{u"q", u"SELECT 1\r\nFROM DUAL \\ x"}}}}},
        {"unknown escape kept", "[S]\nlog=C:\\temp\\x.log\n", true, {{u"S", {{u"log", u"C:\\temp\\x.log"}}}}},
        {"no line end at the end", "[S]\nk=v", true, {{u"S", {{u"k", u"v"}}}}},
        {"long line", "[S]\nk=" + std::string(10000, 'q') + "\n", true, {{u"S", {{u"k", wstring(10000, u'q')}}}}},
    };
    for (const auto& c : cases) {
        write(c.file);
        udb_profile p;
        EXPECT_EQ(p.load(path()), c.result) << c.what;
        section_map expected = fresh();
        for (const auto& [name, pairs] : c.expected) expected[name] = pairs;
        EXPECT_EQ(p.get_sections(), expected) << c.what;
    }
}

TEST_F(profile_file, missing_file_is_an_error_and_a_folder_is_unreadable) {
    udb_profile p;
    try {
        p.load(path("none.qrn"));
        FAIL() << "no error";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_STREQ(e.what(), "Profile does not exist. Please verify the correct path/name was given.");
    }
    fs::create_directory(dir_ / "folder.qrn");
    p.set_value(u"S", u"k", u"v");
    EXPECT_FALSE(p.load(path("folder.qrn")));
    EXPECT_EQ(p.get_value(u"S", u"k"), u"v");
}

TEST_F(profile_file, values_and_sections) {
    udb_profile p;
    EXPECT_EQ(p.get_value(u"none", u"k"), u"");
    p.set_value(u"New", u"k", u"1");
    p.set_value(u"New", u"k", u"2");  // no overwrite
    EXPECT_EQ(p.get_value(u"New", u"k"), u"1");
    EXPECT_EQ(p.get_value(u"New", u"other"), u"");
    EXPECT_TRUE(p.get_queries().empty());
    EXPECT_TRUE(p.get_selected_tables().empty());
}

TEST_F(profile_file, store_writes_sorted_crlf_lines) {
    udb_profile p;
    p.set_value(u"Selected Tables", u"T2", u"SELECT * FROM X");
    p.set_value(u"Selected Tables", u"T1", u"");
    p.set_value(u"Generic settings", u"mode", u"3");
    p.set_value(u"Generic settings", u"logfile", u"");
    p.set_value(u"Oracle settings", u"user", u"scott");
    ASSERT_TRUE(p.store(path()));
    EXPECT_EQ(read(),
              "[Available Queries]\r\n\r\n"
              "[Generic settings]\r\nlogfile=\r\nmode=3\r\n\r\n"
              "[Oracle settings]\r\nuser=scott\r\n\r\n"
              "[Selected Tables]\r\nT1\r\nT2=SELECT * FROM X\r\n\r\n");
    // Only the profile itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(profile_file, round_trip_of_every_section) {
    udb_profile p;
    p.set_value(u"Available Queries", u"Q1", u"SELECT a,\r\n       b\r\nFROM t -- \\ note");
    p.set_value(u"Available Queries", u"Q2", u"SELECT 1 FROM DUAL");
    p.set_value(u"Selected Tables", u"EMP", u"");
    p.set_value(u"Selected Tables", u"emp", u"SELECT *\nFROM emp");
    p.set_value(u"Selected Tables", u"DEPT", u"");
    p.set_value(u"Generic settings", u"src", u"ORCL");
    p.set_value(u"Generic settings", u"dest", u"C:\\dumps\\new.sql");
    p.set_value(u"Generic settings", u"mode", u"3");
    p.set_value(u"Oracle settings", u"user", u"sc\u00f6tt");
    p.set_value(u"MySQL settings", u"direct mode", u"1");
    p.set_value(u"MySQL settings", u"empty", u"");
    ASSERT_TRUE(p.store(path()));
    udb_profile back;
    ASSERT_TRUE(back.load(path()));
    EXPECT_EQ(back.get_sections(), p.get_sections());
    // The continuation lines of a multi-line query never became table names.
    EXPECT_EQ(back.get_selected_tables().size(), 3u);
}

// Fuzz reproducer: an empty table name, or one written like a section header ("[x]", a
// legal quoted Oracle name), was stored bare and came back lost or as a section.
TEST_F(profile_file, round_trip_of_table_names_that_look_like_other_lines) {
    udb_profile p;
    p.set_value(u"Selected Tables", u"", u"");
    p.set_value(u"Selected Tables", u"[x]", u"");
    p.set_value(u"Selected Tables", u"EMP", u"");
    ASSERT_TRUE(p.store(path()));
    udb_profile back;
    ASSERT_TRUE(back.load(path()));
    EXPECT_EQ(back.get_sections(), p.get_sections());
}

TEST_F(profile_file, failed_store_keeps_the_existing_profile) {
    write("[S]\nk=v\n");
    udb_profile p;
    p.set_value(u"S", u"k", u"changed");
    EXPECT_FALSE(p.store(path("missing/p.qrn")));
    // A target that cannot be replaced: the temporary file goes again.
    fs::create_directories(dir_ / "folder.qrn" / "x");
    EXPECT_FALSE(p.store(path("folder.qrn")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
    if (::geteuid() != 0) {  // root writes into read-only folders
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(p.store(path()));
        fs::permissions(dir_, fs::perms::owner_all);
    }
    EXPECT_EQ(read(), "[S]\nk=v\n");
}

TEST_F(profile_file, store_keeps_the_file_mode) {
    write("[S]\n");
    fs::permissions(dir_ / "p.qrn", fs::perms::owner_read | fs::perms::owner_write);
    udb_profile p;
    ASSERT_TRUE(p.store(path()));
    EXPECT_EQ(fs::status(dir_ / "p.qrn").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(profile_file, a_profile_holding_a_password_is_for_its_owner_alone) {
    const auto mode = [&] { return fs::status(dir_ / "p.qrn").permissions() & fs::perms::all; };
    const auto owner_rw = fs::perms::owner_read | fs::perms::owner_write;
    for (const bool existing : {false, true}) {
        fs::remove(dir_ / "p.qrn");
        if (existing) {
            write("[S]\n");
            fs::permissions(dir_ / "p.qrn", fs::perms::all);
        }
        udb_profile p;
        p.set_value(u"MySQL settings", u"password", u"secret");
        ASSERT_TRUE(p.store(path()));
        EXPECT_EQ(mode(), owner_rw) << "existing=" << existing;
    }
    // Without a password the usual mode: readable by others as the umask allows.
    struct row {
        mode_t umask;
        fs::perms expected;
    } rows[] = {
        {022, owner_rw | fs::perms::group_read | fs::perms::others_read},
        {027, owner_rw | fs::perms::group_read},
    };
    for (const row& r : rows) {
        fs::remove(dir_ / "p.qrn");
        const mode_t old = ::umask(r.umask);
        udb_profile p;
        p.set_value(u"MySQL settings", u"password", u"");
        const bool stored = p.store(path());
        ::umask(old);
        ASSERT_TRUE(stored);
        EXPECT_EQ(mode(), r.expected) << std::oct << r.umask;
    }
}

}  // namespace
