#include "TK/tk_log.h"

#include <gtest/gtest.h>
#include <filesystem>

#include <cctype>
#include <thread>

#include "TK/tk_utils.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tk_test_util.h"

using test_support::read_file;
using test_support::write_file;

namespace {

class LogTest : public ::testing::Test {
protected:
    test_support::temp_dir dir_;
    std::string path_ = dir_.file("run.log");
};

TEST_F(LogTest, FirstMessageAfterSwitchOnEmptiesOnceEvenBelowMinimum) {
    write_file(path_, "old contents\r\n");
    tk_log log(nullptr, false, 3, false);  // the console program's log
    log.set_file(path_);
    tk_log::log(3, "while off");
    EXPECT_EQ(read_file(path_), "old contents\r\n");

    log.enable();
    tk_log::log(2, "below the minimum");
    EXPECT_TRUE(std::filesystem::exists(path_));
    EXPECT_EQ(read_file(path_), "");
    tk_log::log(3, "Converting table %s (%d records)", "EMP", 14);
    tk_log::log(3, "Error:\n%s", "x");
    EXPECT_EQ(read_file(path_), "Converting table EMP (14 records)\r\nError:\nx\r\n");

    // A new path later is appended to, not emptied.
    std::string second = dir_.file("second.log");
    write_file(second, "kept\r\n");
    log.set_file(second);
    tk_log::log(3, "more");
    EXPECT_EQ(read_file(second), "kept\r\nmore\r\n");
}

TEST_F(LogTest, HeldLinesTouchNoFileUntilTheyAreWrittenAndNeverOnceSwitchedOff) {
    for (const bool written : {true, false}) {
        SCOPED_TRACE(written ? "written" : "switched off");
        write_file(path_, "the dump\r\n");
        tk_log log(nullptr, false, 3, false);
        tk_log::held_lines lines;
        tk_log::hold_lines(&lines);
        log.set_file(path_);
        log.enable();
        tk_log::log(3, "first %d", 1);
        tk_log::log(2, "below the minimum");
        tk_log::log(3, "second");
        tk_log::hold_lines(nullptr);
        EXPECT_EQ(read_file(path_), "the dump\r\n");
        if (written) {
            tk_log::write_held(lines);
            // emptied, as by the first message, then the held lines
            EXPECT_EQ(read_file(path_), "first 1\r\nsecond\r\n");
            tk_log::log(3, "third");
            EXPECT_EQ(read_file(path_), "first 1\r\nsecond\r\nthird\r\n");
        } else {
            log.disable();
            tk_log::write_held(lines);
            tk_log::log(3, "third");
            EXPECT_EQ(read_file(path_), "the dump\r\n");
        }
    }
}

TEST_F(LogTest, WantsFollowsTheStateAndFormatArraysEndAtTheirTerminator) {
    EXPECT_FALSE(tk_log::wants(3));  // no log
    tk_log log(nullptr, false, 2, false);
    log.set_file(path_);
    EXPECT_FALSE(tk_log::wants(3));  // off
    log.enable();
    EXPECT_TRUE(tk_log::wants(1));  // the first message still has the file to empty
    tk_log::log(1, "below the minimum");
    EXPECT_FALSE(tk_log::wants(1));
    EXPECT_TRUE(tk_log::wants(2));
    // Formats in buffers larger than their text are read up to the terminator.
    char narrow[32] = "narrow %d";
    char16_t wide[32] = u"wide %s";
    tk_log::log(2, narrow, 5);
    tk_log::log(3, wide, compat::wstring(u"x"));
    tk_log::log(1, "dropped %s", "below");
    EXPECT_EQ(read_file(path_), "narrow 5\r\nwide x\r\n");
}

TEST_F(LogTest, ConstructedOnEmptiesAtOnce) {
    write_file(path_, "old");
    tk_log log(path_.c_str(), true, 1, false);
    EXPECT_EQ(read_file(path_), "");
    EXPECT_EQ(log.file(), path_);
    EXPECT_EQ(log.min_level(), 1);
}

TEST_F(LogTest, WideMessagesAreUtf8AndNarrowOnesBytesAsGiven) {
    tk_log log(path_.c_str(), true, 1, false);
    tk_log::log(3, u"Converting table %s (%d records)", compat::wstring(u"T\u00e4ble\u4e2d"), 2);
    tk_log::log(3, "narrow %s", "T\xe4ic");  // not UTF-8: written as it stands
    tk_log::log(3, u"%I64d %ld", int64_t{-5000000000}, 7);
    EXPECT_EQ(read_file(path_),
              "Converting table T\xc3\xa4"
              "ble\xe4\xb8\xad (2 records)\r\n"
              "narrow T\xe4ic\r\n"
              "-5000000000 7\r\n");
}

TEST_F(LogTest, LongWideMessageIsWrittenWhole) {
    tk_log log(path_.c_str(), true, 1, false);
    compat::wstring name(6000, u'\u00e9');  // 12000 bytes of UTF-8
    tk_log::log(3, u"<%s>", name);
    std::string expected = "<" + compat::utf16_to_utf8(name) + ">\r\n";
    EXPECT_EQ(read_file(path_), expected);
}

TEST_F(LogTest, TimePrefixStartsEachMessage) {
    tk_log log(path_.c_str(), true, 1, true);
    tk_log::log(3, "one");
    tk_log::log(3, u"two");
    // "hh:mm:ss one\r\nhh:mm:ss two\r\n", digits where the pattern has 'd'
    const std::string pattern = "dd:dd:dd one\r\ndd:dd:dd two\r\n";
    const std::string text = read_file(path_);
    ASSERT_EQ(text.size(), pattern.size()) << text;
    for (size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == 'd')
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(text[i]))) << text;
        else
            EXPECT_EQ(text[i], pattern[i]) << text;
    }
}

TEST_F(LogTest, WithoutALogNothingHappensAndTheAccessorRaises) {
    ASSERT_EQ(tk_log::try_get(), nullptr);
    tk_log::log(3, "nobody listens %d", 1);
    tk_log::log(3, u"nobody listens %s", u"x");
    try {
        tk_log::get();
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 2);
        EXPECT_EQ(e.message(), "Internal error: \ncode=" + tk_test::hex_of("..\\TK/tk_singl\\66"));
    }
}

TEST_F(LogTest, BadFormatsUnopenableFilesAndErrnoAreHarmless) {
    tk_log log(dir_.file("missing/folder.log").c_str(), true, 1, false);
    errno = EEXIST;
    EXPECT_NO_THROW(tk_log::log(3, "lost"));
    EXPECT_EQ(errno, EEXIST);
    log.set_file(path_);
    EXPECT_NO_THROW(tk_log::log(3, "%d", "not a number"));
    EXPECT_NE(read_file(path_).find("\r\n"), std::string::npos);
    EXPECT_EQ(errno, EEXIST);
}

TEST_F(LogTest, SetFileRejectsNullAndDefaultNameFollowsTheProgram) {
    tk_log log(nullptr, false, 3, false);
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(log.file(), exe + ".log");  // the test program has no extension
    EXPECT_EQ(tk_log::default_file_name(), exe + ".log");
    try {
        log.set_file(static_cast<const char*>(nullptr));
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), "Internal error: \ncode=" + tk_test::hex_of("..\\TK/tk_log\\82"));
    }
    EXPECT_FALSE(log.is_enabled());
}

}  // namespace

// A worker's held lines wait for the thread that writes them out, in order; the level is
// tested where the line was made, and other threads keep writing to the file meanwhile.
TEST_F(LogTest, HeldLinesOfAWorkerAreWrittenWhereTheyAreHandedOver) {
    tk_log log(nullptr, true, 3, false);
    log.set_file(path_);
    tk_log::log(3, "first");
    tk_log::held_lines held;
    std::thread worker([&] {
        tk_log::held_lines* before = tk_log::hold_lines(&held);
        tk_log::log(3, "read %d", 1);
        tk_log::log(1, "below the minimum");
        tk_log::log(3, u"read %s", u"two");
        tk_log::hold_lines(before);
        tk_log::log(3, "worker, not held");
    });
    worker.join();
    tk_log::log(3, "second");
    EXPECT_EQ(read_file(path_), "first\r\nworker, not held\r\nsecond\r\n");
    ASSERT_EQ(held.size(), 2u);
    tk_log::write_held(held);
    EXPECT_TRUE(held.empty());
    tk_log::log(3, "third");
    EXPECT_EQ(read_file(path_), "first\r\nworker, not held\r\nsecond\r\nread 1\r\nread two\r\nthird\r\n");
}
