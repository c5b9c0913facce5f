// The converter's settings: the registry forms of both programs and the profile chain.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "TK/tk_regk.h"
#include "tests/app/app_fixture.h"

using namespace app_test;

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { private_settings(); }
    static std::unique_ptr<tk_reg_key> open_key() {
        auto key = std::make_unique<tk_reg_key>(qrn_registry_key);
        EXPECT_EQ(key->open(compat::reg_current_user(), key->key_path()), compat::ERROR_SUCCESS);
        return key;
    }
};

TEST_F(Settings, FirstStartSetsDefaultsAndWritesAllValuesOnExit) {
    {
        driver d(qrn_program::wizard);
        EXPECT_FALSE(d.conv.serialize(false));  // nothing stored yet
        EXPECT_TRUE(d.conv.is_mysql_direct());
        EXPECT_FALSE(d.conv.is_case_sensitive());
        EXPECT_TRUE(d.conv.convert_views);
        EXPECT_EQ(d.conv.mysql_port(), "3306");
        EXPECT_EQ(compat::utf16_to_utf8(d.conv.oracle_port()), "1521");
        EXPECT_TRUE(d.conv.dump_options().new_version);
        EXPECT_FALSE(d.conv.dump_options().create_database);
        d.conv.store_oracle_settings(u"orahost", u"scott", u"tiger", u"1522");
        d.conv.store_mysql_settings(" myhost ", "root", "pw", "");
        d.conv.set_destination_name(u"dest_db");
        d.conv.set_source_name(u"ORCL");
        d.conv.set_case_sensitive(true);
        d.conv.set_mysql_direct(false);
        d.conv.skip_idx = true;
        d.conv.dump_options().line_break = 1;
    }
    driver d(qrn_program::wizard);
    EXPECT_TRUE(d.conv.serialize(false));  // all 21 present now
    EXPECT_EQ(d.conv.mysql_host(), "myhost");
    EXPECT_EQ(d.conv.mysql_password(), "pw");
    EXPECT_EQ(d.conv.mysql_port(), "3306");
    EXPECT_EQ(compat::utf16_to_utf8(d.conv.oracle_host()), "orahost");
    EXPECT_EQ(compat::utf16_to_utf8(d.conv.oracle_password()), "tiger");
    EXPECT_EQ(compat::utf16_to_utf8(d.conv.oracle_port()), "1522");
    EXPECT_EQ(compat::utf16_to_utf8(d.conv.destination_name()), "dest_db");
    EXPECT_EQ(compat::utf16_to_utf8(d.conv.source_name()), "ORCL");
    EXPECT_TRUE(d.conv.is_case_sensitive());
    EXPECT_FALSE(d.conv.is_mysql_direct());
    EXPECT_TRUE(d.conv.skip_idx);
    EXPECT_EQ(d.conv.dump_options().line_break, 1);
}

TEST_F(Settings, ValueOfAnotherTypeOrEmptyKeepsTheField) {
    {
        auto key_holder = open_key();
        tk_reg_key& key = *key_holder;
        key.set_value(uint32_t{4000}, "port");                 // a number where text belongs
        key.set_value(compat::wstring_view(u""), u"dest");     // an empty text
        key.set_value(std::string_view("1"), "mysql direct");  // text where a number belongs
    }
    driver d(qrn_program::wizard);
    EXPECT_EQ(d.conv.mysql_port(), "3306");
    EXPECT_TRUE(d.conv.destination_name().empty());
    EXPECT_TRUE(d.conv.is_mysql_direct());
}

TEST_F(Settings, ConsoleReadsOnlyTheDumpValuesAndNeverWrites) {
    {
        auto key_holder = open_key();
        tk_reg_key& key = *key_holder;
        key.set_value(uint32_t{0}, "mysql direct");
        key.set_value(uint32_t{1}, "case sensitive");
        key.set_value(uint32_t{1}, "dmp_ins_db");
        key.set_value(uint32_t{0}, "dmp_new_ver");
        key.set_value(std::string_view("regpass"), "pswd");
    }
    {
        driver d(qrn_program::console);
        EXPECT_TRUE(d.conv.is_mysql_direct());
        EXPECT_FALSE(d.conv.is_case_sensitive());
        EXPECT_TRUE(d.conv.dump_options().create_database);
        EXPECT_FALSE(d.conv.dump_options().new_version);
        EXPECT_TRUE(d.conv.mysql_password().empty());
        d.conv.store_mysql_settings("h", "u", "changed", "1");
    }
    auto key_holder = open_key();
    tk_reg_key& key = *key_holder;
    std::string pswd;
    EXPECT_TRUE(key.exchange("pswd", pswd, false));
    EXPECT_EQ(pswd, "regpass");
    uint32_t direct = 7;
    EXPECT_EQ(key.get_value(direct, "mysql direct"), compat::ERROR_SUCCESS);
    EXPECT_EQ(direct, 0u);
}

TEST_F(Settings, ProfileRoundTripAndDirectModeRule) {
    const compat::wstring path = compat::utf8_to_utf16(temp_dir() + "/p1.qrn");
    {
        driver d(qrn_program::wizard);
        d.conv.store_oracle_settings(u"orahost", u"scott", u"tiger", u"1521");
        d.conv.store_mysql_settings("myhost", "me", "secret", "3307");
        d.conv.set_mysql_direct(false);
        d.conv.set_case_sensitive(true);
        d.conv.dump_options().comments = false;
        d.conv.set_mode(udb_overwrite_mode::merge);
        ASSERT_TRUE(d.conv.store_profile(path));
    }
    {
        driver d(qrn_program::wizard);
        d.conv.set_mysql_direct(true);
        ASSERT_TRUE(d.conv.load_profile(path));
        EXPECT_FALSE(d.conv.is_mysql_direct());
        EXPECT_TRUE(d.conv.is_case_sensitive());
        EXPECT_EQ(d.conv.get_mode(), udb_overwrite_mode::merge);
        EXPECT_EQ(d.conv.mysql_host(), "myhost");
        EXPECT_EQ(d.conv.mysql_port(), "3307");
        EXPECT_EQ(d.conv.mysql_password(), "secret");
        EXPECT_FALSE(d.conv.dump_options().comments);
        EXPECT_EQ(compat::utf16_to_utf8(d.conv.oracle_host()), "orahost");
    }
    // "yes" is not "1"; a profile without the key keeps the flag.
    const std::string other = temp_dir() + "/p2.qrn";
    std::ofstream(other) << "[MySQL settings]\ndirect mode=yes\n";
    const std::string none = temp_dir() + "/p3.qrn";
    std::ofstream(none) << "[MySQL settings]\nhost=h\n";
    driver d(qrn_program::wizard);
    d.conv.set_mysql_direct(true);
    d.conv.load_profile(compat::utf8_to_utf16(other));
    EXPECT_FALSE(d.conv.is_mysql_direct());
    d.conv.load_profile(compat::utf8_to_utf16(none));
    EXPECT_FALSE(d.conv.is_mysql_direct());
    d.conv.set_mysql_direct(true);
    d.conv.load_profile(compat::utf8_to_utf16(none));
    EXPECT_TRUE(d.conv.is_mysql_direct());
}

TEST_F(Settings, TitleAndOpenSourceRequirements) {
    driver d(qrn_program::wizard);
    EXPECT_EQ(compat::utf16_to_utf8(quarnel_convertor::get_title()), "Marrowgate 5.1");
    EXPECT_THROW(d.conv.get_all_tables(), tk_mail_assertion);
    EXPECT_FALSE(d.conv.test_query(u"SELECT 1 FROM DUAL"));  // no client: false, no throw
}

namespace fs = std::filesystem;

TEST_F(Settings, DumpDestinationChecks) {
    driver d(qrn_program::wizard);
    d.conv.set_mysql_direct(false);
    const std::string dir = temp_dir() + "/dumps";
    fs::create_directories(dir);
    struct path_case {
        std::string path;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {dir, "Destination name should specify a file, not folder."},
        {dir + "/missing/out.sql", "Destination path does not exist.\nPlease verify the correct path was given."},
        {dir + "/new.sql", nullptr},
    };
    for (const auto& c : cases) {
        d.conv.set_destination_name(compat::utf8_to_utf16(c.path));
        try {
            d.conv.check_dest();
            EXPECT_EQ(c.message, nullptr) << c.path;
        } catch (const tk_exception& e) {
            ASSERT_NE(c.message, nullptr) << c.path << ": " << e.message();
            EXPECT_EQ(e.message(), c.message);
            EXPECT_EQ(e.level(), 1);
        }
    }
    // An existing dump is deleted before the run.
    const std::string old = dir + "/old.sql";
    std::ofstream(old) << "old";
    d.conv.set_destination_name(compat::utf8_to_utf16(old));
    d.conv.check_dest();
    EXPECT_FALSE(fs::exists(old));
}

TEST_F(Settings, ModeOutsideZeroToFourIsRefusedBeforeAnything) {
    driver d(qrn_program::wizard);
    d.conv.set_mysql_direct(false);
    const std::string old = temp_dir() + "/keep.sql";
    std::ofstream(old) << "keep";
    d.conv.set_destination_name(compat::utf8_to_utf16(old));
    d.conv.set_mode(static_cast<udb_overwrite_mode>(7));
    try {
        d.conv.check_dest();
        FAIL();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.message(), "Invalid merge/overwrite mode");
        EXPECT_EQ(e.level(), 1);
    }
    EXPECT_TRUE(fs::exists(old));
}

}  // namespace
