// The dump writer's text, byte for byte, and its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "SQL/sql_dump.h"
#include "TK/tk_excep.h"
#include "sql_engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

using compat::wstring;
using namespace sql_test;
using test_support::read_file;
namespace fs = std::filesystem;

namespace {

std::tm fixed_clock() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    return t;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

class SqlDump : public engine_test {
protected:
    void SetUp() override {
        engine_test::SetUp();
        path = dir / "dump.sql";
    }
    wstring wpath() const { return compat::utf8_to_utf16(path.string()); }

    // Table t (a, b) with the given rows of two integers.
    void write_table(dmp_database& db, std::initializer_list<std::pair<int, int>> rows) {
        auto s = schema({column(u"a", VT_I4), column(u"b", VT_I4)});
        auto rs = db.create_table(u"t", *s, {});
        for (auto [a, b] : rows) rs->append_record(*record({field(u"a", a), field(u"b", b)}));
        static_cast<dmp_recordset&>(*rs).flush();
    }

    test_support::temp_dir tmp{"sql-dump"};
    fs::path dir{tmp.path()}, path;
};

}  // namespace

TEST_F(SqlDump, DefaultLayoutByteForByte) {
    dmp_options o;
    o.created_by = u"Marrowgate";
    {
        dmp_database db(wpath(), o, fixed_clock);
        write_table(db, {{1, 2}, {3, 4}});
        db.close();
    }
    const std::string e = "\r\n";
    std::string expected = "# File name: " + path.string() + e + "# Creation date: 03/05/2024" + e +
                           "# Created by Marrowgate" + e + "# --------------------------------------------------" + e +
                           "/*!40101 SET NAMES utf8 */;" + e + "/*!50503 SET NAMES utf8mb4 */;" + e +
                           "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='' */;" + e + e + "#" + e +
                           "# Table structure for table 't'" + e + "#" + e + e + "DROP TABLE IF EXISTS `t`;" + e +
                           "CREATE TABLE `t` (" + e + "  `a` INT," + e + "  `b` INT" + e +
                           ") ENGINE=MyISAM /*!40101 DEFAULT CHARSET=utf8 */;" + e +
                           "/*!50503 ALTER TABLE `t` DEFAULT CHARACTER SET utf8mb4 */;" + e + e + "#" + e +
                           "# Dumping data for table 't'" + e + "#" + e + e + "LOCK TABLES `t` WRITE;" + e +
                           "INSERT INTO `t`(`a`, `b`) VALUES(1, 2), (3, 4);" + e + "UNLOCK TABLES;" + e +
                           "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;" + e + "# Dump complete" + e;
    EXPECT_EQ(read_file(path), expected);
}

TEST_F(SqlDump, OldVersionWritesBareNamesAndTypeClause) {
    dmp_options o;
    o.new_version = false;
    o.comments = false;
    o.lock_tables = false;
    o.line_break = 1;
    {
        dmp_database db(wpath(), o, fixed_clock);
        EXPECT_EQ(eng().version(), 0x31401u);
        write_table(db, {{1, 2}});
        udb_relationships rels;
        rels.push_back({u"fk", u"", u"t", u"t", u"", {u"a"}, {u"b"}});
        db.create_relationships(rels);
        db.close();
    }
    EXPECT_EQ(read_file(path),
              "/*!40101 SET NAMES utf8 */;\n/*!50503 SET NAMES utf8mb4 */;\n"
              "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='' */;\n"
              "DROP TABLE IF EXISTS t;\nCREATE TABLE t (\n  a INT,\n  b INT\n) TYPE=MyISAM;\n"
              "INSERT INTO t(a, b) VALUES(1, 2);\n/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;\n# Dump complete\n");
}

TEST_F(SqlDump, DatabaseBlockNeedsCreateTableAndUsesTheBaseName) {
    path = dir / "my-dump.x.sql";
    dmp_options o;
    o.comments = false;
    o.create_database = true;
    {
        dmp_database db(wpath(), o, fixed_clock);
        db.close();
    }
    std::string text = read_file(path);
    EXPECT_NE(text.find("\r\nDROP DATABASE IF EXISTS `my-dump_x`;\r\nCREATE DATABASE `my-dump_x`;\r\n"
                        "USE `my-dump_x`;\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find(dir.string()), std::string::npos);
    o.create_table = false;
    {
        dmp_database db(wpath(), o, fixed_clock);
        db.close();
    }
    EXPECT_EQ(read_file(path).find("DATABASE"), std::string::npos);
}

TEST_F(SqlDump, TableWithoutRowsWritesNoInsert) {
    dmp_options o;
    {
        dmp_database db(wpath(), o, fixed_clock);
        write_table(db, {});
        db.close();
    }
    std::string text = read_file(path);
    EXPECT_EQ(count(text, "INSERT"), 0u);
    EXPECT_NE(text.find("LOCK TABLES `t` WRITE;\r\nUNLOCK TABLES;\r\n"), std::string::npos);
}

TEST_F(SqlDump, ADumpNotClosedSaysWhereItStoppedAndFailsItsLoad) {
    dmp_options o;
    o.line_break = 1;
    {
        dmp_database db(wpath(), o, fixed_clock);
        write_table(db, {{1, 2}});
    }
    std::string text = read_file(path);
    EXPECT_TRUE(
        text.ends_with("INSERT INTO `t`(`a`, `b`) VALUES(1, 2);\nUNLOCK TABLES;\n\n"
                       "# INCOMPLETE DUMP: the conversion stopped while table 't' was written.\n"
                       "The conversion stopped before the end: this dump is INCOMPLETE;\n"))
        << text;
    EXPECT_EQ(text.find("# Dump complete"), std::string::npos);
    { dmp_database db(wpath(), o, fixed_clock); }
    EXPECT_NE(read_file(path).find("stopped before its first table."), std::string::npos);
}

TEST_F(SqlDump, SameTableTwiceIsAnInternalError) {
    dmp_database db(wpath(), dmp_options{}, fixed_clock);
    auto s = schema({column(u"a", VT_I4)});
    db.create_table(u"t", *s, {});
    EXPECT_THROW(db.create_table(u"t", *s, {}), tk_mail_assertion);
    EXPECT_THROW(db.get_table(u"t", true), tk_mail_assertion);
}

TEST_F(SqlDump, LongInsertIsSplitBeforeTheRowThatWouldPassTheLimit) {
    dmp_options o;
    {
        dmp_database db(wpath(), o, fixed_clock);
        auto s = schema({column(u"a", VT_BSTR, 0)});
        auto rs = db.create_table(u"t", *s, {});
        // three rows fit in one statement, the fourth opens the next
        for (int i = 0; i < 5; ++i) rs->append_record(*record({field(u"a", wstring(300000, u'x'))}));
        // a row larger than the limit alone is a statement of its own
        for (int i = 0; i < 2; ++i) rs->append_record(*record({field(u"a", wstring(1100000, u'y'))}));
        static_cast<dmp_recordset&>(*rs).flush();
        db.close();
    }
    std::string text = read_file(path);
    std::vector<std::string> inserts;
    for (size_t at = text.find("INSERT INTO"); at != std::string::npos; at = text.find("INSERT INTO", at + 1))
        inserts.push_back(text.substr(at, text.find(";\r\n", at) - at));
    ASSERT_EQ(inserts.size(), 4u);
    EXPECT_EQ(count(inserts[0], "'xxxx"), 3u);
    EXPECT_EQ(count(inserts[1], "'xxxx"), 2u);
    EXPECT_LE(inserts[0].size(), dmp_recordset::flush_size);
    EXPECT_EQ(count(inserts[2], "'yyyy"), 1u);
    EXPECT_EQ(count(inserts[3], "'yyyy"), 1u);
}

TEST_F(SqlDump, CommentsCannotCarrySql) {
    dmp_options o;
    {
        dmp_database db(wpath(), o, fixed_clock);
        auto s = schema({column(u"a", VT_I4)});
        db.create_table(u"x\r\nDROP DATABASE d;", *s, {});
        db.close();
    }
    std::string text = read_file(path);
    // the name stays inside its backquotes; the comment lines keep it on one line
    EXPECT_NE(text.find("DROP TABLE IF EXISTS `x\r\nDROP DATABASE d;`;"), std::string::npos);
    EXPECT_NE(text.find("# Table structure for table 'x  DROP DATABASE d;'\r\n"), std::string::npos);
    EXPECT_NE(text.find("# Dumping data for table 'x  DROP DATABASE d;'\r\n"), std::string::npos);
}

// Found by the fidelity corpus: two source columns differing only in case each keep
// their own value (the second one under its safe name).
TEST_F(SqlDump, ColumnsDifferingOnlyInCaseKeepTheirOwnValues) {
    {
        dmp_database db(wpath(), dmp_options{}, fixed_clock);
        auto s = schema({column(u"Col", VT_I4), column(u"COL", VT_I4)});
        auto rs = db.create_table(u"t", *s, {});
        rs->append_record(*record({field(u"Col", 5), field(u"COL", 6)}));
        static_cast<dmp_recordset&>(*rs).flush();
        db.close();
    }
    const std::string text = read_file(path);
    EXPECT_NE(text.find("(`Col`, `COL00000`) VALUES(5, 6);"), std::string::npos) << text;
}

TEST_F(SqlDump, MissingFieldInRowIsAnError) {
    dmp_database db(wpath(), dmp_options{}, fixed_clock);
    auto s = schema({column(u"a", VT_I4), column(u"b", VT_I4)});
    auto rs = db.create_table(u"t", *s, {});
    try {
        rs->append_record(*record({field(u"a", 1), field(u"x", 2)}));
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
        EXPECT_EQ(e.message().rfind("Generic error occurred while migrating the data.\n", 0), 0u);
    }
}

TEST_F(SqlDump, UnopenableFileIsALevelOneError) {
    try {
        dmp_database db(compat::utf8_to_utf16((dir / "no" / "such" / "x.sql").string()), dmp_options{}, fixed_clock);
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
    }
}

TEST_F(SqlDump, FailedWriteIsALevelOneErrorOfClose) {
    dmp_database db(u"/dev/full", dmp_options{}, fixed_clock);
    auto s = schema({column(u"a", VT_I4)});
    {
        auto rs = db.create_table(u"t", *s, {});
        rs->append_record(*record({field(u"a", 1)}));
        try {
            static_cast<dmp_recordset&>(*rs).flush();
            db.close();
            FAIL() << "no exception";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 1);
        }
    }
}

namespace {
bool all_ascii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}
}  // namespace

// Names beyond ASCII (table, column, index, the database from the file name) leave only
// ASCII in the file: statements naming them are prepared from hexadecimal, comments escape
// them, LOCK TABLES (which cannot be prepared) is left out for such a table, with a note.
TEST_F(SqlDump, NamesBeyondAsciiLeaveOnlyAsciiInTheFile) {
    path = dir / "\xE5\x95\x86\xE5\xBA\x97.sql";
    dmp_options o;
    o.create_database = true;
    std::vector<wstring> notes;
    {
        dmp_database db(wpath(), o, fixed_clock);
        auto s = schema({column(u"\u5217", VT_I4), column(u"b", VT_BSTR, 20)});
        udb_indexes keys;
        keys.push_back(index(u"\u7d22\u5f15", true, false, {u"\u5217"}));
        for (const wstring& table : {wstring(u"\u4e2d"), wstring(u"plain")}) {
            auto rs = db.create_table(table, *s, keys);
            rs->append_record(*record({field(u"\u5217", 1), field(u"b", wstring(u"x'\u6f22"))}));
            static_cast<dmp_recordset&>(*rs).flush();
        }
        db.query(u"ALTER TABLE `\u4e2d` MODIFY `\u5217` BIGINT");
        db.close();
        notes = db.take_notes();
    }
    const std::string text = read_file(path);
    EXPECT_TRUE(all_ascii(text)) << text;
    EXPECT_NE(text.find("# File name: " + dir.string() + "/\\u5546\\u5e97.sql\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("CREATE DATABASE `@5546@5e97`;\r\nUSE `@5546@5e97`;\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("# Table structure for table '\\u4e2d'\r\n"), std::string::npos);
    EXPECT_NE(text.find("SET @s = CONCAT(/*!50503 _utf8mb4*/0x44524F50205441424C45204946204558495354532060E4B8AD, "
                        "'`'); PREPARE s FROM @s; EXECUTE s; DEALLOCATE PREPARE s;\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("/*!50503 SET @s = _utf8mb4 0x"), std::string::npos);
    // the plain table keeps its lock and its plain statements, with the column prepared
    EXPECT_NE(text.find("DROP TABLE IF EXISTS `plain`;\r\n"), std::string::npos);
    EXPECT_NE(text.find("LOCK TABLES `plain` WRITE;\r\n"), std::string::npos);
    EXPECT_EQ(count(text, "\nLOCK TABLES"), 1u);
    EXPECT_EQ(count(text, "PREPARE s FROM @s"), 7u);
    EXPECT_EQ(notes, (std::vector<wstring>{
                         u"the dump creates the database '@5546@5e97': the name '\u5546\u5e97' of its file is "
                         u"written in ASCII",
                         u"table '\u4e2d' is written to the dump without LOCK TABLES: its name is not ASCII"}));
}

TEST_F(SqlDump, OldVersionDumpRefusesAStatementBeyondAscii) {
    dmp_options o;
    o.new_version = false;
    dmp_database db(wpath(), o, fixed_clock);
    auto s = schema({column(u"a", VT_I4)});
    auto rs = db.create_table(u"t", *s, {});
    try {
        db.query(u"ALTER TABLE t MODIFY \u00e9 INT");
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 0);
    }
    db.close();
    EXPECT_TRUE(all_ascii(read_file(path)));
}

// A statement over the stock client's default packet is noted once, with the option that
// loads it.
TEST_F(SqlDump, AStatementOverSixteenMegabytesIsNotedWithThePacketItNeeds) {
    const struct {
        size_t value;
        std::vector<wstring> notes;
    } cases[] = {
        {1000, {}},
        {(size_t(16) << 20) - 100, {}},
        {size_t(20) << 20,
         {u"the dump holds a statement of 20971553 bytes (table 'big'), more than the 16 MB that the client and the "
          u"server take by default: load it with mysql --max-allowed-packet=21M, into a server whose "
          u"max_allowed_packet is as large"}},
    };
    for (const auto& c : cases) {
        dmp_database db(wpath(), dmp_options{}, fixed_clock);
        auto s = schema({column(u"a", VT_BSTR, 0)});
        for (const char16_t* table : {u"big", u"small"}) {
            auto rs = db.create_table(table, *s, {});
            rs->append_record(*record({field(u"a", wstring(table == wstring(u"big") ? c.value : 10, u'x'))}));
            static_cast<dmp_recordset&>(*rs).flush();
        }
        db.close();
        EXPECT_EQ(db.take_notes(), c.notes) << c.value;
    }
}
