// Version words, escaping of literals and names, and the session SQL mode.
#include <gtest/gtest.h>

#include "SQL/sql_ascii.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_mode.h"
#include "SQL/sql_ver.h"
#include "sql_engine_fixture.h"

using namespace std::string_literals;

TEST(SqlVersion, ParsesVersionTexts) {
    struct {
        const char* text;
        std::optional<uint32_t> word;
    } cases[] = {
        {"5.0.27-community-nt", 0x5001B},
        {"4.1.0", 0x40100},
        {"3.23.43", 0x3172B},
        {"10.11.19-MariaDB-0+deb12u1", 0x0A0B13},
        {"5.5.5-10.11.19-MariaDB", 0x050505},
        {"8.0.36", 0x080024},
        {"4.1", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"5.300.1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(sql::parse_version_word(c.text), c.word) << c.text;
}

TEST(SqlEscape, FollowsTheClientRules) {
    EXPECT_EQ(sql::escape_text("O'Brien"), "O\\'Brien");
    EXPECT_EQ(sql::escape_text("a\\b\"c"), "a\\\\b\\\"c");
    EXPECT_EQ(sql::escape_text("x\0y\r\n\x1Az"s), "x\\0y\\r\\n\\Zz");
    // UTF-8 passes unchanged
    EXPECT_EQ(sql::escape_text("\xC3\xA9\xF0\x9F\x98\x80"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(sql::escape_text(u"it's\u0000\u6F22"s), u"it\\'s\\0\u6F22");
}

// The in-place writer gives what escaping the wide text and converting it would give,
// whatever the mix of ASCII runs, escapes and other characters.
TEST(SqlEscape, AppendedUtf8MatchesEscapeThenConvert) {
    const compat::wstring cases[] = {
        u""s,
        u"plain ascii text"s,
        u"O'Brien \\ \"x\""s,
        u"\u00e9t\u00e9 l'\u00e9cole"s,
        u"\U0001F600'\U0001F600\n"s,
        u"x\0y\r\n\x1Az"s,
        u"\u6F22\u5B57"s,
        compat::wstring(1, char16_t(0xD800)) + u"'a"s,  // a lone surrogate
        u"a"s + compat::wstring(1, char16_t(0xDC00)),
        compat::wstring(3000, u'a') + u"'" + compat::wstring(3000, u'\u00e9'),
    };
    for (const compat::wstring& text : cases) {
        std::string out = "head:";
        sql::append_escaped_utf8(out, text);
        EXPECT_EQ(out, "head:" + compat::utf16_to_utf8(sql::escape_text(text))) << compat::utf16_to_utf8(text);
    }
}

// Texts are scanned many units at a time: each special unit at every place of a line
// longer than two such steps, including units whose low byte is an escaped character.
TEST(SqlEscape, AppendedUtf8FindsSpecialUnitsAtEveryPosition) {
    const char16_t specials[] = {0,    u'\n', u'\r', 0x1A,   u'\\',  u'\'',  u'"',
                                 0x7F, 0x80,  0xFF,  0x0127, 0x015C, 0x2200, 0xD83D};
    for (char16_t special : specials)
        for (size_t at = 0; at < 40; ++at) {
            compat::wstring text(40, u'k');
            text[at] = special;
            std::string out;
            sql::append_escaped_utf8(out, text);
            EXPECT_EQ(out, compat::utf16_to_utf8(sql::escape_text(text)))
                << "unit " << unsigned(special) << " at " << at;
        }
}

TEST(SqlEscape, BackquotesDoubleInsideNames) {
    EXPECT_EQ(sql::backquote(u"ab"), u"`ab`");
    EXPECT_EQ(sql::backquote(u"a`b"), u"`a``b`");
    EXPECT_EQ(sql::backquote(u"`; DROP DATABASE x; `"), u"```; DROP DATABASE x; ```");
}

TEST(SqlEscape, CommentTextKeepsToOneLineOfPrintableAscii) {
    const struct {
        std::string text, comment;
    } cases[] = {
        {"a\r\nDROP TABLE t;", "a  DROP TABLE t;"},
        {"plain 'name' `x`", "plain 'name' `x`"},
        {"\xE4\xB8\xAD\xE5\x88\x97", "\\u4e2d\\u5217"},  // the escape cannot be mistaken for a name's text
        {"a\\u4e2d", "a\\\\u4e2d"},
        {"caf\xC3\xA9\tx\x1A\x7F", "caf\\u00e9\\u0009x\\u001a\\u007f"},
        {"\xF0\x9F\x98\x80", "\\U0001f600"},
    };
    for (const auto& c : cases) EXPECT_EQ(sql::comment_text(c.text), c.comment) << c.text;
}

namespace {
// The statement as write_ascii_statement gives it, and the length it returns.
std::pair<std::string, size_t> ascii_form(std::string_view statement, std::string_view gate = {}) {
    std::string out;
    const size_t length = sql::write_ascii_statement(statement, "\n", gate, [&](std::string_view t) { out += t; });
    return {out, length};
}
}  // namespace

TEST(SqlAscii, StatementsBeyondAsciiArePreparedFromHex) {
    const struct {
        std::string statement;
        std::string gate;
        std::string written;
    } cases[] = {
        {"DROP TABLE IF EXISTS `t`", "", "DROP TABLE IF EXISTS `t`;\n"},
        {"ALTER TABLE `t` X", "50503", "/*!50503 ALTER TABLE `t` X */;\n"},
        // the head runs to the last byte beyond ASCII, the rest is quoted with escapes
        {"DROP TABLE `\xE4\xB8\xAD`", "",
         "SET @s = CONCAT(/*!50503 _utf8mb4*/0x44524F50205441424C452060E4B8AD, '`'); PREPARE s FROM @s; EXECUTE s; "
         "DEALLOCATE PREPARE s;\n"},
        {"INSERT INTO `\xC3\xA9`(`a`) VALUES('it\\'s', 0x00)", "",
         "SET @s = CONCAT(/*!50503 _utf8mb4*/0x494E5345525420494E544F2060C3A9, '`(`a`) VALUES(\\'it\\\\\\'s\\', "
         "0x00)'); PREPARE s FROM @s; EXECUTE s; DEALLOCATE PREPARE s;\n"},
        // nothing after the last such byte: no tail
        {"X\xC3\xA9", "",
         "SET @s = /*!50503 _utf8mb4*/0x58C3A9; PREPARE s FROM @s; EXECUTE s; DEALLOCATE PREPARE s;\n"},
        // under a gate each statement is in it, and the whole text in hexadecimal
        {"A `\xC3\xA9` */", "50503",
         "/*!50503 SET @s = _utf8mb4 0x412060C3A960202A2F */; /*!50503 PREPARE s FROM @s */; /*!50503 EXECUTE s */; "
         "/*!50503 DEALLOCATE PREPARE s */;\n"},
    };
    for (const auto& c : cases) {
        auto [written, length] = ascii_form(c.statement, c.gate);
        EXPECT_EQ(written, c.written) << c.statement;
        EXPECT_TRUE(sql::is_ascii(written)) << c.statement;
        EXPECT_EQ(length, written.find(';')) << c.statement;
    }
}

TEST(SqlAscii, AStatementInPartsIsWrittenAsItsPartsJoined) {
    // Every ASCII stretch of each statement handed over as a literal, a byte at a time, and
    // an empty text part after it: nothing of the output moves.
    const struct {
        std::string statement;
        std::string gate;
    } cases[] = {
        {"INSERT INTO `t`(`a`) VALUES(0x0102, 'x')", ""},
        {"INSERT INTO `\xC3\xA9`(`a`) VALUES(0x0102, 'it\\'s')", ""},
        {"X\xC3\xA9Y", ""},
        {"A `\xC3\xA9` 0x01 */", "50503"},
        {"INSERT INTO `t` VALUES(0x0102)", "M!100202"},
    };
    for (const auto& c : cases) {
        const auto [joined, joined_length] = ascii_form(c.statement, c.gate);
        const std::string_view s = c.statement;
        for (size_t from = 0; from < s.size(); ++from) {
            for (size_t to = from + 1; to <= s.size() && sql::is_ascii(s.substr(from, to - from)); ++to) {
                const std::string_view value = s.substr(from, to - from);
                const sql::statement_part parts[] = {{s.substr(0, from), {}},
                                                     {{},
                                                      [value](const sql::text_sink& out) {
                                                          for (size_t i = 0; i < value.size(); ++i)
                                                              out(value.substr(i, 1));
                                                      }},
                                                     {s.substr(to), {}},
                                                     {{}, {}}};
                std::string written;
                const size_t length =
                    sql::write_ascii_statement(parts, "\n", c.gate, [&](std::string_view t) { written += t; });
                EXPECT_EQ(written, joined) << c.statement << " [" << from << ", " << to << ")";
                EXPECT_EQ(length, joined_length) << c.statement << " [" << from << ", " << to << ")";
            }
        }
    }
}

TEST(SqlText, LiteralsWrittenInPiecesAreTheAppendedLiterals) {
    // long enough to go in several pieces, a surrogate pair across the first boundary
    std::u16string wide(32767, u'a');
    wide += u"\U0001F600";
    wide += std::u16string(40000, u'\u00e9');
    const std::u16string cases[] = {u"", u"it's \\ plain", std::u16string(70000, u'\''), u"\u00e9t\u00e9", wide};
    for (const std::u16string& text : cases) {
        std::string appended, written;
        sql::append_text_literal(appended, compat::wstring_view(text), "_utf8mb4 ");
        sql::write_text_literal(text, "_utf8mb4 ", [&](std::string_view t) { written += t; });
        EXPECT_TRUE(written == appended) << text.size();
    }
    for (const std::string& bytes : {std::string(), std::string("\x00\xFF", 2), std::string(100000, '\x5A')}) {
        std::string appended, written;
        sql::append_hex_literal(appended, bytes);
        sql::write_hex_literal(bytes, [&](std::string_view t) { written += t; });
        EXPECT_TRUE(written == appended) << bytes.size();
    }
}

TEST(SqlAscii, LongStatementsKeepEveryByte) {
    // the hexadecimal head and the escaped tail go out in pieces, one after another
    std::string head;
    for (int i = 0; i < 50000; ++i) head += "'\xE4\xB8\xAD";
    const std::string tail = std::string(70000, '\'') + std::string(70000, 'x');
    auto [written, length] = ascii_form(head + tail);
    std::string expected = "SET @s = CONCAT(/*!50503 _utf8mb4*/";
    sql::append_hex_literal(expected, head);
    expected += ", '" + sql::escape_text(tail) + "')";
    EXPECT_EQ(length, expected.size());
    EXPECT_TRUE(written == expected + "; PREPARE s FROM @s; EXECUTE s; DEALLOCATE PREPARE s;\n");
}

TEST(SqlMode, DropsTheModesThatChangeQuotingOrStoredValues) {
    struct mode_case {
        const char* server;
        const char* session;
    };
    const mode_case cases[] = {
        {"STRICT_TRANS_TABLES,NO_BACKSLASH_ESCAPES,ANSI_QUOTES", "STRICT_TRANS_TABLES,NO_AUTO_VALUE_ON_ZERO"},
        {"REAL_AS_FLOAT,PIPES_AS_CONCAT,ANSI_QUOTES,IGNORE_SPACE,ANSI",
         "REAL_AS_FLOAT,PIPES_AS_CONCAT,IGNORE_SPACE,NO_AUTO_VALUE_ON_ZERO"},
        {"ORACLE,no_backslash_escapes", "NO_AUTO_VALUE_ON_ZERO"},
        {"", "NO_AUTO_VALUE_ON_ZERO"},
        // TRADITIONAL as the server lists it: set again, the name would bring the zero-date modes back
        {"STRICT_TRANS_TABLES,STRICT_ALL_TABLES,NO_ZERO_IN_DATE,NO_ZERO_DATE,ERROR_FOR_DIVISION_BY_ZERO,TRADITIONAL,"
         "NO_ENGINE_SUBSTITUTION",
         "STRICT_TRANS_TABLES,STRICT_ALL_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION,NO_AUTO_VALUE_ON_"
         "ZERO"},
        {"EMPTY_STRING_IS_NULL,PAD_CHAR_TO_FULL_LENGTH,SIMULTANEOUS_ASSIGNMENT",
         "SIMULTANEOUS_ASSIGNMENT,NO_AUTO_VALUE_ON_ZERO"},
        {"NO_AUTO_VALUE_ON_ZERO,STRICT_ALL_TABLES", "STRICT_ALL_TABLES,NO_AUTO_VALUE_ON_ZERO"},
    };
    for (const mode_case& c : cases) EXPECT_EQ(sql::sql_mode_for_literals(c.server, true), c.session) << c.server;
    // 4.1.0 does not know NO_AUTO_VALUE_ON_ZERO
    EXPECT_EQ(sql::sql_mode_for_literals("ANSI_QUOTES,STRICT_TRANS_TABLES", false), "STRICT_TRANS_TABLES");
}

using SqlQuoteName = sql_test::engine_test;

TEST_F(SqlQuoteName, BackquotesFromServer41) {
    eng().set_version(0x400FF);
    EXPECT_EQ(sql_engine::quote_name(u"ab"), u"ab");
    eng().set_version(0x40100);
    EXPECT_EQ(sql_engine::quote_name(u"ab"), u"`ab`");
    EXPECT_EQ(sql_engine::quote_name(u"a`b"), u"`a``b`");
}

using SqlEngineVersion = sql_test::engine_test;

TEST_F(SqlEngineVersion, VersionTextSetsWordAndInnoDB) {
    eng().take_version_text("3.23.43", false);
    EXPECT_EQ(eng().version(), 0x3172Bu);
    EXPECT_EQ(eng().use_innodb(), 0);
    eng().take_version_text("3.23.44", false);
    EXPECT_EQ(eng().use_innodb(), 1);
    eng().take_version_text("5.0.27-community-nt", false);
    EXPECT_EQ(eng().version(), 0x5001Bu);
    eng().take_version_text("", false);
    EXPECT_EQ(eng().version(), 0x5001Bu);
}

TEST_F(SqlEngineVersion, Server410WithPasswordIsRefused) {
    EXPECT_NO_THROW(eng().take_version_text("4.1.0", false));
    try {
        eng().take_version_text("4.1.0", true);
        FAIL() << "no exception";
    } catch (const sql_auth_not_supported_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_EQ(e.code(), 0);
    }
}

TEST_F(SqlEngineVersion, InvalidVersionTextIsAnInternalError) {
    EXPECT_THROW(eng().take_version_text("4.1", false), tk_mail_assertion);
}

TEST_F(SqlEngineVersion, CharsetFollowsVersion) {
    eng().set_version(0x50502);
    EXPECT_STREQ(eng().text_charset(), "utf8");
    EXPECT_EQ(eng().bytes_per_char(), 3);
    eng().set_version(0x50503);
    EXPECT_STREQ(eng().text_charset(), "utf8mb4");
    EXPECT_EQ(eng().bytes_per_char(), 4);
}

TEST(SqlException, CodeCarriesTheMySqlError) {
    sql_exception e("Access denied", 1045);
    EXPECT_EQ(e.code(), 0x400415);
    EXPECT_EQ(e.level(), 0);
    EXPECT_EQ(e.message(), "Access denied");
}

TEST(SqlException, PredicatesKnowTheirErrorsAndOnlyMySqlCodes) {
    const int other_side = 0x100000;  // an Oracle code with the same low bits is no MySQL error
    const struct {
        int code;
        bool lost, duplicate, auth;
    } cases[] = {
        {sql_exception::code_of(2006), true, false, false},
        {sql_exception::code_of(2013), true, false, false},
        {sql_exception::code_of(1062), false, true, false},
        {sql_exception::code_of(1249), false, false, true},
        {sql_exception::code_of(1250), false, false, true},
        {sql_exception::code_of(1251), false, false, false},
        {sql_exception::code_of(1153), false, false, false},
        {other_side | 2006, false, false, false},
        {other_side | 1062, false, false, false},
        {other_side | 1249, false, false, false},
        {1250, false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sql_exception::is_connection_lost(c.code), c.lost) << std::hex << c.code;
        EXPECT_EQ(sql_exception::is_duplicate_key(c.code), c.duplicate) << std::hex << c.code;
        EXPECT_EQ(sql_exception::is_auth_protocol_refused(c.code), c.auth) << std::hex << c.code;
    }
}
