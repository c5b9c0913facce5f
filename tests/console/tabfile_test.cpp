// The table-names file reader: signature, code page, line ends, blank lines.
#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/console/con_tabf.h"
#include "tests/support/temp_dir.h"

namespace {

using names = std::vector<compat::wstring>;

names read(const std::string& bytes) {
    std::istringstream in(bytes);
    return con_read_table_names(in);
}

TEST(TableNamesFile, ReadsNamesInFileOrder) {
    const struct {
        const char* what;
        std::string bytes;
        names expected;
    } cases[] = {
        {"LF", "EMP\nDEPT\n", {u"EMP", u"DEPT"}},
        {"CRLF", "EMP\r\nDEPT\r\n", {u"EMP", u"DEPT"}},
        {"no final line end", "EMP\nDEPT", {u"EMP", u"DEPT"}},
        {"blank lines", "\n\r\nEMP\n\n\r\nDEPT\n\n", {u"EMP", u"DEPT"}},
        {"names kept untrimmed", " EMP \n", {u" EMP "}},
        {"signature, UTF-8",
         "\xEF\xBB\xBF"
         "Caf\xC3\xA9\r\nStra\xC3\x9F"
         "e\r\n",
         {u"Caf\u00e9", u"Stra\u00dfe"}},
        {"signature after blank lines",
         "\n\xEF\xBB\xBF"
         "EMP\n",
         {u"EMP"}},
        // a line is never an empty table name, and the signature still decides UTF-8
        {"signature-only first line", "\xEF\xBB\xBF\nCaf\xC3\xA9\n", {u"Caf\u00e9"}},
        {"signature alone", "\xEF\xBB\xBF", {}},
        {"signature only on the first line",
         "A\n\xEF\xBB\xBF"
         "B\n",
         {u"A", u"\ufeffB"}},
        {"empty", "", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(read(c.bytes), c.expected) << c.what;
}

TEST(TableNamesFile, WithoutSignatureTheAnsiCodePageIsUsed) {
    // The ANSI code page is UTF-8 here; bytes that are not UTF-8 become U+FFFD rather than
    // being passed on raw.
    EXPECT_EQ(read("Caf\xC3\xA9\n"), (names{u"Caf\u00e9"}));
    EXPECT_EQ(read("Caf\xE9\n"), (names{u"Caf\ufffd"}));
}

TEST(TableNamesFile, LongLinesStayWhole) {
    std::string longname(300, 'N');
    EXPECT_EQ(read(longname + "\nB\n"), (names{compat::wstring(300, u'N'), u"B"}));
}

TEST(TableNamesFile, MissingOrUnreadableFileGivesNothing) {
    EXPECT_FALSE(con_read_table_names(std::string("/nonexistent/tables.txt")).has_value());
    test_support::temp_dir dir("tabfile");
    EXPECT_FALSE(con_read_table_names(dir.path()).has_value());  // a folder is no file
    const std::string path = dir.file("t.txt");
    std::ofstream(path) << "EMP\n";
    auto got = con_read_table_names(path);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, (names{u"EMP"}));
}

TEST(TableNamesFile, APipeIsReadToItsEnd) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string text = "EMP\r\nDEPT\n";
    ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fds[1]);
    auto got = con_read_table_names("/dev/fd/" + std::to_string(fds[0]));
    ::close(fds[0]);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, (names{u"EMP", u"DEPT"}));
}

}  // namespace
