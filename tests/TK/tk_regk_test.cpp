#include "TK/tk_regk.h"

#include <gtest/gtest.h>

#include "TK/tk_excep.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tk_test_util.h"

using namespace compat;

namespace {

// Each test gets its own current-user root through XDG_CONFIG_HOME.
class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
        ASSERT_EQ(key_.open(reg_current_user(), key_.key_path()), ERROR_SUCCESS);
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    test_support::temp_dir dir_;
    tk_reg_key key_{"Software\\Quarnel\\Marrowgate"};
};

TEST_F(RegKeyTest, ExchangeStoresAndLoadsEveryKind) {
    int port = 3306;
    bool fast = true;
    std::string host = "db.example";
    wstring name = u"T\u00e4ble";
    EXPECT_TRUE(key_.exchange("Port", port, true));
    EXPECT_TRUE(key_.exchange("Fast", fast, true));
    EXPECT_TRUE(key_.exchange("Host", host, true));
    EXPECT_TRUE(key_.exchange(u"Name", name, true));
    EXPECT_TRUE(std::filesystem::exists(dir_.file("marrowgate/registry/Software/Quarnel/Marrowgate.reg")));

    tk_reg_key other("Software\\Quarnel\\Marrowgate");
    ASSERT_EQ(other.open(reg_current_user(), other.key_path()), ERROR_SUCCESS);
    int p = 0;
    bool f = false;
    std::string h;
    wstring n;
    EXPECT_TRUE(other.exchange("Port", p, false));
    EXPECT_TRUE(other.exchange("Fast", f, false));
    EXPECT_TRUE(other.exchange("Host", h, false));
    EXPECT_TRUE(other.exchange(u"Name", n, false));
    EXPECT_EQ(p, 3306);
    EXPECT_TRUE(f);
    EXPECT_EQ(h, host);
    EXPECT_EQ(n, name);
}

TEST_F(RegKeyTest, FailedLoadsKeepTheDefault) {
    ASSERT_EQ(key_.set_value(std::string_view("1"), "Text"), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_value(5u, "Number"), ERROR_SUCCESS);
    int i = 42;
    bool b = false;
    std::string s = "default";
    wstring w = u"default";
    EXPECT_FALSE(key_.exchange("Missing", i, false));
    EXPECT_FALSE(key_.exchange("Text", i, false));  // a string is not a DWORD
    EXPECT_EQ(i, 42);
    EXPECT_FALSE(key_.exchange("Number", s, false));
    EXPECT_FALSE(key_.exchange(u"Number", w, false));
    EXPECT_FALSE(key_.exchange("Missing", s, false));
    EXPECT_EQ(s, "default");
    EXPECT_EQ(w, u"default");
    EXPECT_TRUE(key_.exchange("Number", b, false));  // a DWORD 5 is true
    EXPECT_TRUE(b);
    tk_reg_key closed("x");
    EXPECT_FALSE(closed.exchange("Number", i, false));
    EXPECT_FALSE(closed.exchange("Number", i, true));
}

TEST_F(RegKeyTest, EmptyStringLoadsAsEmpty) {
    ASSERT_EQ(key_.set_value(std::string_view(), "Empty"), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_value(wstring_view(), u"WEmpty"), ERROR_SUCCESS);
    uint32_t size = 99;
    EXPECT_EQ(key_.get_value(static_cast<char*>(nullptr), "Empty", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(key_.get_value(static_cast<wchar*>(nullptr), u"WEmpty", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    std::string s = "x";
    wstring w = u"x";
    EXPECT_TRUE(key_.exchange("Empty", s, false));
    EXPECT_TRUE(key_.exchange(u"WEmpty", w, false));
    EXPECT_EQ(s, "");
    EXPECT_EQ(w, u"");
}

TEST_F(RegKeyTest, TypedReadsReportSizes) {
    ASSERT_EQ(key_.set_value(std::string_view("abc"), "S"), ERROR_SUCCESS);
    char small[2];
    uint32_t size = sizeof small;
    EXPECT_EQ(key_.get_value(small, "S", &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    std::string s;
    EXPECT_EQ(key_.get_value("S", s), ERROR_SUCCESS);
    EXPECT_EQ(s, "abc");
    wstring w;
    EXPECT_EQ(key_.get_value(u"S", w), ERROR_SUCCESS);
    EXPECT_EQ(w, u"abc");
    uint32_t d = 0;
    EXPECT_EQ(key_.get_value(d, "S"), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(key_.get_value(d, "Missing"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegKeyTest, FailedOpenKeepsThePreviousKey) {
    test_support::write_file(dir_.file("marrowgate/registry/Blocked"), "a file, not a folder");
    EXPECT_NE(key_.open(reg_current_user(), "Blocked\\Sub"), ERROR_SUCCESS);
    ASSERT_TRUE(key_.is_open());
    int v = 9;
    EXPECT_TRUE(key_.exchange("StillHere", v, true));
    EXPECT_EQ(key_.close(), ERROR_SUCCESS);
    EXPECT_FALSE(key_.is_open());
    EXPECT_EQ(key_.close(), ERROR_SUCCESS);
}

TEST_F(RegKeyTest, MisuseRaisesAssertions) {
    auto expect_line = [](auto call, int line) {
        try {
            call();
            ADD_FAILURE() << "no exception for line " << line;
        } catch (const tk_mail_assertion& e) {
            EXPECT_EQ(e.message(), "Internal error: \ncode=" + tk_test::hex_of("tk_regk\\" + std::to_string(line)));
        }
    };
    tk_reg_key closed("x");
    uint32_t d = 0, size = 0;
    expect_line([&] { closed.open(nullptr, "x"); }, 64);
    expect_line([&] { key_.get_value(d, static_cast<const char*>(nullptr)); }, 98);
    expect_line([&] { key_.get_value(static_cast<char*>(nullptr), "x", nullptr); }, 115);
    expect_line([&] { key_.get_value(static_cast<char*>(nullptr), nullptr, &size); }, 116);
    expect_line([&] { key_.get_value(static_cast<wchar*>(nullptr), u"x", nullptr); }, 132);
    expect_line([&] { closed.set_value(1u, "x"); }, 149);
    expect_line([&] { closed.set_value(std::string_view("v"), "x"); }, 157);
    expect_line([&] { closed.set_value(wstring_view(u"v"), u"x"); }, 165);
}

}  // namespace
