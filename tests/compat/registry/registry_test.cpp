#include "compat/registry/registry.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace compat;

namespace {

// A fresh root folder per test, removed afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::make_unique<reg_root>(dir_ / "root");
        ASSERT_EQ(key_.create(*root_, "Software\\Vendor\\Product"), ERROR_SUCCESS);
    }
    std::string file_text() const { return test_support::read_file(key_.file()); }

    test_support::temp_dir tmp_{"regtest"};
    fs::path dir_{tmp_.path()};
    std::unique_ptr<reg_root> root_;
    reg_key key_;
};

TEST_F(RegistryTest, KeyPathBecomesFoldersAndFile) {
    EXPECT_EQ(key_.file(), dir_ / "root" / "Software" / "Vendor" / "Product.reg");
    EXPECT_TRUE(fs::is_regular_file(key_.file()));
    uint32_t how = 0;
    reg_key again;
    EXPECT_EQ(again.create(*root_, "Software/Vendor/Product", &how), ERROR_SUCCESS);
    EXPECT_EQ(how, REG_OPENED_EXISTING_KEY);
    reg_key fresh;
    EXPECT_EQ(fresh.create(*root_, "Software\\Other", &how), ERROR_SUCCESS);
    EXPECT_EQ(how, REG_CREATED_NEW_KEY);
}

TEST_F(RegistryTest, KeyNamesStayInsideTheRoot) {
    const fs::path root = dir_ / "root";
    EXPECT_EQ(reg_key_file(root, "..\\..\\etc\\passwd"), root / "%2E." / "%2E." / "etc" / "passwd.reg");
    EXPECT_EQ(reg_key_file(root, "a.reg\\b"), root / "a%2Ereg" / "b.reg");
    EXPECT_EQ(reg_key_file(root, "\\\\a\\\\"), root / "a.reg");
    EXPECT_EQ(reg_key_file(root, "50%"), root / "50%25.reg");
    EXPECT_TRUE(reg_key_file(root, "\\/").empty());
    reg_key k;
    EXPECT_EQ(k.create(*root_, ""), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(k.is_open());
}

TEST_F(RegistryTest, ValuesRoundTripAcrossKeyObjects) {
    const std::string awkward = "pa=ss\\word\nline2\r\t\x01 caf\xc3\xa9 #;";
    const wstring wide = u"T\u00e4ble \u4e2d\U0001F600=\\";
    ASSERT_EQ(key_.set_dword("Port", 1521), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_dword("Big", 0xFFFFFFFFu), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_string("Pass=word", awkward), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_wstring(u"Wide", wide), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_string("", "default value"), ERROR_SUCCESS);

    reg_key other;
    ASSERT_EQ(other.create(*root_, "Software\\Vendor\\Product"), ERROR_SUCCESS);
    uint32_t d = 0, type = 0, size = 0;
    EXPECT_EQ(other.query_dword("Port", d, &type, &size), ERROR_SUCCESS);
    EXPECT_EQ(d, 1521u);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(other.query_dword("big", d), ERROR_SUCCESS);  // names ignore case
    EXPECT_EQ(d, 0xFFFFFFFFu);
    std::string s;
    EXPECT_EQ(other.query_string("pass=WORD", s), ERROR_SUCCESS);
    EXPECT_EQ(s, awkward);
    wstring w;
    EXPECT_EQ(other.query_wstring(u"Wide", w), ERROR_SUCCESS);
    EXPECT_EQ(w, wide);
    EXPECT_EQ(other.query_string("", s), ERROR_SUCCESS);
    EXPECT_EQ(s, "default value");

    // Strings read in the other width, as REG_SZ does.
    EXPECT_EQ(other.query_string("Wide", s), ERROR_SUCCESS);
    EXPECT_EQ(s, utf16_to_utf8(wide));
    EXPECT_EQ(other.query_wstring(u"Pass=word", w), ERROR_SUCCESS);
    EXPECT_EQ(w, utf8_to_utf16(awkward));
}

TEST_F(RegistryTest, OverwriteAndDeleteKeepOneValuePerName) {
    ASSERT_EQ(key_.set_dword("Mode", 1), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_string("MODE", "two"), ERROR_SUCCESS);
    uint32_t d = 7;
    EXPECT_EQ(key_.query_dword("mode", d), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(d, 7u);
    std::string s;
    EXPECT_EQ(key_.query_string("Mode", s), ERROR_SUCCESS);
    EXPECT_EQ(s, "two");
    EXPECT_EQ(key_.delete_value("mode"), ERROR_SUCCESS);
    EXPECT_EQ(key_.query_string("Mode", s), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key_.delete_value("mode"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, MissingValuesAndWrongTypesAreNotRead) {
    ASSERT_EQ(key_.set_string("Number", "1"), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_dword("Flag", 1), ERROR_SUCCESS);
    uint32_t d = 42, type = 99;
    EXPECT_EQ(key_.query_dword("Missing", d), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key_.query_dword("Number", d, &type), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(d, 42u);
    EXPECT_EQ(type, REG_SZ);
    std::string s = "keep";
    wstring w = u"keep";
    EXPECT_EQ(key_.query_string("Flag", s), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(key_.query_wstring(u"Flag", w), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(key_.query_string("Missing", s), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(s, "keep");
    EXPECT_EQ(w, u"keep");
}

TEST_F(RegistryTest, SizesCountBytesWithTerminator) {
    ASSERT_EQ(key_.set_string("Abc", "abc"), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_wstring(u"Empty", u""), ERROR_SUCCESS);
    ASSERT_EQ(key_.set_wstring(u"Two", u"\u00e9\U0001F600"), ERROR_SUCCESS);
    struct Case {
        const char* name;
        uint32_t narrow, wide;
    };
    // "\u00e9\U0001F600" is 6 UTF-8 bytes and 3 UTF-16 units.
    for (Case c : {Case{"Abc", 4, 8}, Case{"Empty", 1, 2}, Case{"Two", 7, 8}}) {
        SCOPED_TRACE(c.name);
        uint32_t size = 0, type = 0;
        EXPECT_EQ(key_.query_string(c.name, nullptr, size, &type), ERROR_SUCCESS);
        EXPECT_EQ(size, c.narrow);
        EXPECT_EQ(type, REG_SZ);
        size = 0;
        EXPECT_EQ(key_.query_wstring(utf8_to_utf16(c.name), nullptr, size), ERROR_SUCCESS);
        EXPECT_EQ(size, c.wide);
    }
    char small[3] = {'x', 'x', 'x'};
    uint32_t size = sizeof small;
    EXPECT_EQ(key_.query_string("Abc", small, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(small[0], 'x');
    char fits[4];
    size = sizeof fits;
    EXPECT_EQ(key_.query_string("Abc", fits, size), ERROR_SUCCESS);
    EXPECT_STREQ(fits, "abc");
    char16_t one[1] = {u'x'};
    size = sizeof one;
    EXPECT_EQ(key_.query_wstring(u"Empty", one, size), ERROR_SUCCESS);
    EXPECT_EQ(one[0], u'\0');
    EXPECT_EQ(size, 2u);
}

TEST_F(RegistryTest, FileIsPrivateAndReplacedWhole) {
    ASSERT_EQ(key_.set_string("Password", "secret"), ERROR_SUCCESS);
    struct stat st {};
    ASSERT_EQ(::stat(key_.file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (const auto& e : fs::directory_iterator(key_.file().parent_path()))
        EXPECT_EQ(e.path(), key_.file()) << "left behind: " << e.path();
    // Damaged lines lose only themselves.
    {
        std::ofstream out(key_.file(), std::ios::app | std::ios::binary);
        out << "garbage\ndword Bad=12x\nsz Dangling=\\\ndword Good=3\n";
    }
    uint32_t d = 0;
    EXPECT_EQ(key_.query_dword("Good", d), ERROR_SUCCESS);
    EXPECT_EQ(d, 3u);
    EXPECT_EQ(key_.query_dword("Bad", d), ERROR_FILE_NOT_FOUND);
    std::string s;
    EXPECT_EQ(key_.query_string("Dangling", s), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key_.query_string("Password", s), ERROR_SUCCESS);
    EXPECT_EQ(s, "secret");
}

TEST_F(RegistryTest, ConcurrentWritersLoseNoValues) {
    constexpr int writers = 4, each = 25;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([this, w] {
            reg_key k;  // a key object per writer, as two processes would have
            if (k.create(*root_, "Software\\Vendor\\Product") != ERROR_SUCCESS) return;
            for (int i = 0; i < each; ++i) k.set_dword("v" + std::to_string(w) + "_" + std::to_string(i), uint32_t(i));
        });
    }
    for (auto& t : threads) t.join();
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < each; ++i) {
            uint32_t d = 999;
            EXPECT_EQ(key_.query_dword("v" + std::to_string(w) + "_" + std::to_string(i), d), ERROR_SUCCESS);
            EXPECT_EQ(d, uint32_t(i));
        }
    }
}

TEST_F(RegistryTest, ClosedKeyAnswersInvalidHandle) {
    EXPECT_EQ(key_.close(), ERROR_SUCCESS);
    EXPECT_FALSE(key_.is_open());
    uint32_t d = 0;
    EXPECT_EQ(key_.query_dword("Port", d), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key_.set_dword("Port", 1), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, UnwritableRootIsAccessDenied) {
    fs::permissions(dir_ / "root", fs::perms::owner_read | fs::perms::owner_exec);
    // Root ignores folder permissions: check as an unprivileged user in a child process.
    auto attempt = [this] {
        reg_key k;
        reg_status s = k.create(*root_, "Elsewhere");
        return s == ERROR_ACCESS_DENIED && !k.is_open();
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(attempt());
        return;
    }
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && attempt();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(RegistryTest, KeyBlockedByAFileIsAnError) {
    std::ofstream(dir_ / "root" / "Blocked") << "x";
    reg_key k;
    EXPECT_NE(k.create(*root_, "Blocked\\Sub"), ERROR_SUCCESS);
    EXPECT_FALSE(k.is_open());
}

TEST_F(RegistryTest, CurrentUserRootFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (dir_ / "cfg").c_str(), 1);
    EXPECT_EQ(reg_current_user()->folder(), dir_ / "cfg" / "marrowgate" / "registry");
    reg_key k;
    EXPECT_EQ(k.create(*reg_current_user(), "Software\\X"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(dir_ / "cfg" / "marrowgate" / "registry" / "Software" / "X.reg"));
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", dir_.c_str(), 1);
    EXPECT_EQ(reg_current_user()->folder(), dir_ / ".config" / "marrowgate" / "registry");
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
