#include "TK/tk_fname.h"

#include <gtest/gtest.h>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>
#include <climits>

#include "TK/tk_excep.h"
#include "TK/tk_utils.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tk_test_util.h"

namespace {

std::string cwd() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? buf : "";
}

TEST(FileName, SplitsLikeSplitpath) {
    struct Case {
        std::string path, dir, name, ext;
    };
    const std::string here = cwd() == "/" ? "/" : cwd() + "/";
    const Case cases[] = {
        {"/data/run.txt", "/data/", "run", ".txt"},
        {"/home/u/.bashrc", "/home/u/", "", ".bashrc"},
        {"/a/archive.tar.gz", "/a/", "archive.tar", ".gz"},
        {"/a/noext", "/a/", "noext", ""},
        {"/a/name.", "/a/", "name", "."},
        {"/a/b/", "/a/b/", "", ""},
        {"/a/./b/../c.txt", "/a/", "c", ".txt"},
        {"//a//b.txt", "/a/", "b", ".txt"},
        {"/a/b/..", "/", "a", ""},
        {"/a/b/.", "/a/", "b", ""},
        {"/../x", "/", "x", ""},
        {"/", "/", "", ""},
        {"run.txt", here, "run", ".txt"},
        {"./sub/run.log", here + "sub/", "run", ".log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        tk_file_name n(c.path);
        EXPECT_EQ(n.drive(), "");
        EXPECT_EQ(n.dir(), c.dir);
        EXPECT_EQ(n.name(), c.name);
        EXPECT_EQ(n.ext(), c.ext);
        EXPECT_EQ(n.get_path(), c.dir);
        tk_file_wname w(compat::utf8_to_utf16(c.path));
        EXPECT_EQ(w.make_path(), compat::utf8_to_utf16(n.make_path()));
    }
}

TEST(FileName, EmptyPathIsTheProgramsFolder) {
    tk_file_name exe(tk_get_module_path());
    tk_file_name n("");
    EXPECT_EQ(n.dir(), exe.dir());
    EXPECT_EQ(n.name(), "");
    EXPECT_EQ(n.ext(), exe.ext());
}

TEST(FileName, WideNamesAndExtensions) {
    tk_file_wname w(u"/data/T\u00e4ble.txt");
    EXPECT_EQ(w.dir(), u"/data/");
    EXPECT_EQ(w.name(), u"T\u00e4ble");
    w.set_ext(u"log");
    EXPECT_EQ(w.make_path(), u"/data/T\u00e4ble.log");
    w.set_ext(u".sql");
    EXPECT_EQ(w.ext(), u".sql");
    w.set_ext(u"");
    EXPECT_EQ(w.make_path(), u"/data/T\u00e4ble");
    tk_file_name n("/data/run.txt");
    n.set_ext("log");
    EXPECT_EQ(n.make_path(), "/data/run.log");
}

TEST(FileName, NullPathsAreInternalErrors) {
    EXPECT_THROW(tk_file_name(static_cast<const char*>(nullptr)), tk_mail_assertion);
    EXPECT_THROW(tk_file_wname(static_cast<const compat::wchar*>(nullptr)), tk_mail_assertion);
}

class ExistTest : public ::testing::Test {
protected:
    test_support::temp_dir dir_;
};

TEST_F(ExistTest, FileExistenceByMode) {
    std::string file = dir_.file("f.txt"), ro = dir_.file("ro.txt"), fifo = dir_.file("fifo");
    test_support::write_file(file, "x");
    test_support::write_file(ro, "x");
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        bool readable, writable;
    };
    const Case cases[] = {
        {file, true, true},
        {ro, true, false},  // also when the tests run as root
        {dir_.path(), false, false},
        {fifo, false, false},  // and no blocking open of the pipe
        {dir_.file("missing"), false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(tk_is_file_exist(c.path, TK_FILE_READABLE), c.readable);
        EXPECT_EQ(tk_is_file_exist(c.path, TK_FILE_WRITABLE), c.writable);
        EXPECT_EQ(tk_is_file_exist(compat::utf8_to_utf16(c.path), TK_FILE_WRITABLE), c.writable);
    }
}

TEST_F(ExistTest, PathExistenceLeavesTheCurrentDirectory) {
    const std::string before = cwd();
    std::string file = dir_.file("f.txt");
    test_support::write_file(file, "x");
    EXPECT_TRUE(tk_is_path_exist(dir_.path()));
    EXPECT_TRUE(tk_is_path_exist(compat::utf8_to_utf16(dir_.path() + "/")));
    EXPECT_FALSE(tk_is_path_exist(dir_.file("missing")));
    EXPECT_FALSE(tk_is_path_exist(file));
    EXPECT_FALSE(tk_is_path_exist(""));
    EXPECT_EQ(cwd(), before);
}

TEST_F(ExistTest, CurDirChangesAndChangesBack) {
    const std::string before = cwd();
    {
        tk_cur_dir d(dir_.path());
        EXPECT_TRUE(d.changed());
        EXPECT_EQ(cwd(), std::filesystem::canonical(dir_.path()).string());
    }
    EXPECT_EQ(cwd(), before);
    {
        tk_cur_dir d(dir_.file("missing"));
        EXPECT_FALSE(d.changed());
        EXPECT_EQ(cwd(), before);
    }
    {
        tk_cur_dir d("");
        EXPECT_TRUE(d.changed());
        EXPECT_EQ(cwd() + "/", tk_file_name(tk_get_module_path()).get_path());
    }
    EXPECT_EQ(cwd(), before);
}

}  // namespace
