#include "compat/file/atomic_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

size_t entries(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }

TEST(ReplaceFile, WritesTheWholeFileWithTheModeAsGiven) {
    test_support::temp_dir dir;
    const std::string file = dir.file("a.txt");
    const mode_t old_umask = ::umask(077);
    struct {
        const char* text;
        mode_t mode;
    } steps[] = {{"first", 0644}, {"", 0600}, {"second\r\n", 0640}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.text);
        ASSERT_EQ(compat::replace_file(file, s.text, s.mode), 0);
        EXPECT_EQ(test_support::read_file(file), s.text);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, s.mode);
        EXPECT_EQ(entries(dir.path()), 1u);  // no temporary file is left
    }
    ::umask(old_umask);
}

TEST(ReplaceFile, AFailureKeepsTheOldFileAndSaysWhy) {
    test_support::temp_dir dir;
    test_support::write_file(dir.file("kept.txt"), "old");
    fs::create_directories(dir.file("folder/x"));
    struct {
        std::string target;
        int error;
    } cases[] = {
        {dir.file("missing/a.txt"), ENOENT},
        {dir.file("folder"), EISDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        EXPECT_EQ(compat::replace_file(c.target, "new", 0600), c.error);
        EXPECT_EQ(entries(dir.path()), 2u);
    }
    if (::geteuid() != 0) {  // root writes into read-only folders
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(compat::replace_file(dir.file("kept.txt"), "new", 0600), EACCES);
        fs::permissions(dir.path(), fs::perms::owner_all);
    }
    EXPECT_EQ(test_support::read_file(dir.file("kept.txt")), "old");
    EXPECT_EQ(entries(dir.path()), 2u);
}

}  // namespace
