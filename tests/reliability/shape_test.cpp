// Tables that MySQL takes otherwise than Oracle, through the built tollspar on the live
// road and into a dump loaded by the stock client, with what arrived read back from the
// server: reruns into columns that the first run renamed, more indexes than a table takes,
// keys that differ only in letter case, trailing blanks or accents, long number keys, rows
// longer than the engine holds, and defaults their column cannot hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

class Shapes : public destination_test {
protected:
    Shapes() : destination_test("SHP", "shp") {}

    // A run of the whole store into an empty database: live, or dumped and loaded.
    proc_result fresh_run(bool dump) {
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        return dump ? dump_and_load() : live();
    }

    // A profile of a run into the sandbox (or, with dump, into the dump file) with the
    // given generic and MySQL settings lines.
    std::string profile(const std::string& generic, const std::string& mysql = "", bool dump = false) {
        const std::string path = ws_.file("run.qrn");
        std::ofstream(path, std::ios::binary)
            << "[Generic settings]\nsrc=SHP\ndest=" << (dump ? dump_file() : db_) << "\n"
            << generic
            << "\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL settings]\nhost=127.0.0.1\nport=" << port_
            << "\nuser=root\ndirect mode=" << (dump ? 0 : 1) << "\n"
            << mysql << "\n";
        return "--profile=" + path;
    }
    // The server's error for the statement, empty when it takes it.
    std::string refused(const std::string& sql) {
        try {
            conn_->exec(sql);
            return "";
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    // COLUMN_NAME, COLUMN_TYPE, COLLATION_NAME (or "-") of the table's columns in order.
    rows_t columns(const std::string& table) {
        return rows(
            "SELECT COLUMN_NAME, COLUMN_TYPE, IFNULL(COLLATION_NAME, '-') FROM information_schema.COLUMNS "
            "WHERE TABLE_SCHEMA = '" +
            db_ + "' AND TABLE_NAME = '" + table + "' ORDER BY ORDINAL_POSITION");
    }
};

// ---- reruns into a table the first run made ----------------------------------------------

// The source at two moments: a rerun brings row 2, and in synchronize mode row 1's change.
std::string mixed_case(const std::string& first_value, bool second_row) {
    return "CREATE TABLE \"MixedCase\" (\"ID\" NUMBER(5) NOT NULL, \"id\" VARCHAR2(10), \"Note\" VARCHAR2(10), "
           "CONSTRAINT PK_MC PRIMARY KEY (\"ID\"));\n"
           "INSERT INTO \"MixedCase\" VALUES (1, '" +
           first_value + "', 'n1');\n" + (second_row ? "INSERT INTO \"MixedCase\" VALUES (2, 'b', 'n2');\n" : "");
}

TEST_F(Shapes, ARerunMergesAndSynchronizesIntoTheColumnsTheFirstRunRenamed) {
    store(mixed_case("a", false));
    proc_result first = live();
    ASSERT_EQ(first.code, 0) << first.out << first.err;
    ASSERT_EQ(columns("MixedCase"), (rows_t{{"ID", "int(11)", "-"},
                                            {"id00000", "varchar(10)", "utf8mb4_general_ci"},
                                            {"Note", "varchar(10)", "utf8mb4_general_ci"}}));
    store(mixed_case("changed", true));
    proc_result merged = live({"--mode=3"});
    EXPECT_EQ(merged.code, 0) << merged.out << merged.err;
    EXPECT_EQ(rows("SELECT ID, id00000, Note FROM " + t("MixedCase") + " ORDER BY ID"),
              (rows_t{{"1", "a", "n1"}, {"2", "b", "n2"}}));
    // the command line refuses mode 4; a profile carries it
    proc_result synchronized = tollspar({profile("mode=4")});
    EXPECT_EQ(synchronized.code, 0) << synchronized.out << synchronized.err;
    EXPECT_EQ(rows("SELECT ID, id00000, Note FROM " + t("MixedCase") + " ORDER BY ID"),
              (rows_t{{"1", "changed", "n1"}, {"2", "b", "n2"}}));
}

// ---- more indexes than a table takes -----------------------------------------------------

int count_starting(const std::string& out, const std::string& start) {
    int n = 0;
    for (const auto& l : lines_of(out))
        if (l.rfind(start, 0) == 0) ++n;
    return n;
}

// CREATE TABLE NAME (ID NUMBER(5) NOT NULL, <count> columns PREFIX001... of TYPE, KEY).
std::string many_columns(const std::string& name, const std::string& prefix, int count, const std::string& type,
                         const std::string& key) {
    std::string sql = "CREATE TABLE " + name + " (ID NUMBER(5) NOT NULL";
    for (int i = 1; i <= count; ++i) {
        char column[16];
        std::snprintf(column, sizeof column, "%s%03d", prefix.c_str(), i);
        sql += std::string(", ") + column + " " + type;
    }
    return sql + ", " + key + ");\n";
}

TEST_F(Shapes, TheIndexCapKeepsTheKeysAndDropsPlainIndexes) {
    // the primary key, 31 plain indexes, and two unique keys that sort after them
    std::string sql = many_columns("IXS", "C", 33, "NUMBER(5)", "CONSTRAINT PK_IXS PRIMARY KEY (ID)");
    for (int i = 1; i <= 31; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "CREATE INDEX IX%02d ON IXS (C%03d);\n", i, i);
        sql += line;
    }
    sql += "CREATE UNIQUE INDEX ZU1 ON IXS (C032);\nCREATE UNIQUE INDEX ZU2 ON IXS (C033);\n";
    sql += "INSERT INTO IXS (ID, C032, C033) VALUES (1, 2, 3);\n";
    store(sql);
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        const proc_result r = fresh_run(dump);
        EXPECT_EQ(r.code, 1) << r.out << r.err;
        EXPECT_EQ(count_starting(r.out, "Error:"), 3) << r.out;
        for (const char* dropped : {"IX29", "IX30", "IX31"})
            EXPECT_TRUE(has_line_starting(
                r.out, std::string("IXS: The index '") + dropped + "' is not created: the table has the 31 indexes"))
                << r.out;
        const std::string names =
            "SELECT GROUP_CONCAT(DISTINCT INDEX_NAME ORDER BY INDEX_NAME) FROM "
            "information_schema.STATISTICS WHERE TABLE_SCHEMA = '" +
            db_ + "' AND TABLE_NAME = 'IXS' AND ";
        EXPECT_EQ(conn_->scalar(names + "NON_UNIQUE = 0"), "PRIMARY,ZU1,ZU2");
        EXPECT_EQ(conn_->scalar("SELECT COUNT(DISTINCT INDEX_NAME) FROM information_schema.STATISTICS WHERE "
                                "TABLE_SCHEMA = '" +
                                db_ + "' AND TABLE_NAME = 'IXS' AND NON_UNIQUE = 1"),
                  "28");
        EXPECT_EQ(conn_->scalar(names + "INDEX_NAME IN ('IX01', 'IX28', 'IX29')"), "IX01,IX28");
        EXPECT_EQ(rows("SELECT C032, C033 FROM " + t("IXS")), (rows_t{{"2", "3"}}));
    }
}

// ---- keys that Oracle tells apart --------------------------------------------------------

const char* const distinct_keys =
    "CREATE TABLE KS (K VARCHAR2(5) NOT NULL, N NUMBER(3), CONSTRAINT PK_KS PRIMARY KEY (K));\n"
    "INSERT INTO KS VALUES ('a', 1);\n"
    "INSERT INTO KS VALUES ('A', 2);\n"
    "INSERT INTO KS VALUES ('a ', 3);\n"
    "INSERT INTO KS VALUES ('e', 4);\n"
    "INSERT INTO KS VALUES ('\xC3\xA9', 5);\n"
    // a unique key beside the primary one, and a column in no key
    "CREATE TABLE KU (ID NUMBER(5) NOT NULL, CODE VARCHAR2(300) DEFAULT 'd', NOTE VARCHAR2(5),\n"
    "  CONSTRAINT PK_KU PRIMARY KEY (ID), CONSTRAINT UQ_KU UNIQUE (CODE));\n"
    "INSERT INTO KU VALUES (1, 'x', 'n');\n"
    "INSERT INTO KU VALUES (2, 'X', 'N');\n"
    "INSERT INTO KU VALUES (3, 'x ', 'n ');\n"
    // names beyond ASCII, which a dump writes as prepared statements
    "CREATE TABLE \"Cl\xC3\xA9\" (\"N\xC3\xB8gle\" VARCHAR2(5) NOT NULL, CONSTRAINT PK_CLE PRIMARY KEY "
    "(\"N\xC3\xB8gle\"));\n"
    "INSERT INTO \"Cl\xC3\xA9\" VALUES ('o');\n"
    "INSERT INTO \"Cl\xC3\xA9\" VALUES ('o ');\n"
    "CREATE TABLE ZLATER (ID NUMBER(5) NOT NULL, CONSTRAINT PK_ZLATER PRIMARY KEY (ID));\n"
    "INSERT INTO ZLATER VALUES (1);\n";

TEST_F(Shapes, KeysThatOracleTellsApartStayApart) {
    store(distinct_keys);
    const struct {
        const char* road;
        std::vector<std::string> args;
        bool dump;
        const char* note_collation;  // of the column in no key
    } cases[] = {
        {"live", {}, false, "utf8mb4_general_ci"},
        {"live, case sensitive", {"--case_sense"}, false, "utf8mb4_bin"},
        {"merge into a new database", {"--mode=3"}, false, "utf8mb4_general_ci"},
        {"dump", {}, true, "utf8mb4_general_ci"},
        {"dump, case sensitive", {"--case_sense"}, true, "utf8mb4_bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.road);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        proc_result r = c.dump ? dump_and_load(c.args) : live(c.args);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(rows("SELECT N, HEX(K) FROM " + t("KS") + " ORDER BY N"),
                  (rows_t{{"1", "61"}, {"2", "41"}, {"3", "6120"}, {"4", "65"}, {"5", "C3A9"}}));
        EXPECT_EQ(rows("SELECT ID, HEX(CODE), HEX(NOTE) FROM " + t("KU") + " ORDER BY ID"),
                  (rows_t{{"1", "78", "6E"}, {"2", "58", "4E"}, {"3", "7820", "6E20"}}));
        EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("ZLATER")), "1");
        EXPECT_EQ(rows("SELECT HEX(`N\xC3\xB8gle`) FROM " + t("Cl\xC3\xA9") + " ORDER BY 1"),
                  (rows_t{{"6F"}, {"6F20"}}));
        EXPECT_EQ(columns("Cl\xC3\xA9"), (rows_t{{"N\xC3\xB8gle", "varchar(5)", "utf8mb4_nopad_bin"}}));
        EXPECT_EQ(columns("KS"), (rows_t{{"K", "varchar(5)", "utf8mb4_nopad_bin"}, {"N", "smallint(6)", "-"}}));
        EXPECT_EQ(columns("KU"), (rows_t{{"ID", "int(11)", "-"},
                                         {"CODE", "varchar(300)", "utf8mb4_nopad_bin"},
                                         {"NOTE", "varchar(5)", c.note_collation}}));
        // the keys compare as in Oracle: 'x ' is not 'x'
        EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("KU") + " WHERE CODE = 'x'"), "1");
    }
}

// The statements that only MySQL 8.0.17 and later run, with MariaDB's name for the
// collation (MariaDB has none of MySQL's name), keep each column, its key and its rows.
TEST_F(Shapes, TheDumpsStatementsForMySqlKeepTheKeyColumns) {
    store(distinct_keys);
    proc_result r = dump_and_load();
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    // Each statement as it reads, a prepared one (for names beyond ASCII) from its hex.
    std::vector<std::string> mysql8;
    const std::string prepared = "/*!80017 SET @s = _utf8mb4 0x";
    for (std::string line : lines_of(read_file(dump_file()))) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prepared, 0) == 0) {
            std::string text;
            for (size_t i = prepared.size(); i + 1 < line.size() && line[i] != ' '; i += 2)
                text += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            mysql8.push_back(text);
        } else if (line.rfind("/*!80017 ", 0) == 0) {
            mysql8.push_back(line.substr(9, line.size() - 9 - 4));
        }
    }
    ASSERT_EQ(mysql8,
              (std::vector<std::string>{
                  "ALTER TABLE `Cl\xC3\xA9` MODIFY `N\xC3\xB8gle` VARCHAR(5) CHARACTER SET utf8mb4 COLLATE "
                  "utf8mb4_0900_bin NOT NULL",
                  "ALTER TABLE `KS` MODIFY `K` VARCHAR(5) CHARACTER SET utf8mb4 COLLATE utf8mb4_0900_bin NOT NULL",
                  "ALTER TABLE `KU` MODIFY `CODE` VARCHAR(300) CHARACTER SET utf8mb4 COLLATE utf8mb4_0900_bin "
                  "DEFAULT _utf8mb4 0x64",
              }));
    conn_->exec("USE `" + db_ + "`");
    for (std::string statement : mysql8) {
        statement.replace(statement.find("utf8mb4_0900_bin"), 16, "utf8mb4_nopad_bin");
        conn_->exec(statement);
    }
    EXPECT_EQ(rows("SELECT TABLE_NAME, COLUMN_NAME, IS_NULLABLE, IFNULL(COLUMN_DEFAULT, 'none'), COLLATION_NAME FROM "
                   "information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                   db_ + "' AND COLUMN_NAME IN ('K', 'CODE', 'N\xC3\xB8gle') ORDER BY TABLE_NAME"),
              (rows_t{{"Cl\xC3\xA9", "N\xC3\xB8gle", "NO", "none", "utf8mb4_nopad_bin"},
                      {"KS", "K", "NO", "none", "utf8mb4_nopad_bin"},
                      {"KU", "CODE", "YES", "'d'", "utf8mb4_nopad_bin"}}));
    EXPECT_EQ(
        rows("SELECT TABLE_NAME, CONSTRAINT_NAME FROM information_schema.TABLE_CONSTRAINTS WHERE TABLE_SCHEMA = '" +
             db_ + "' AND TABLE_NAME IN ('KS', 'KU') ORDER BY TABLE_NAME, CONSTRAINT_NAME"),
        (rows_t{{"KS", "PRIMARY"}, {"KU", "PRIMARY"}, {"KU", "UQ_KU"}}));
    EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("KS")), "5");
    EXPECT_EQ(conn_->scalar("SELECT COUNT(*) FROM " + t("KU")), "3");
}

TEST_F(Shapes, NumberKeysKeepEveryDigitOrLoseTheirRecord) {
    store(
        "CREATE TABLE KN (K NUMBER NOT NULL, V NUMBER, CONSTRAINT PK_KN PRIMARY KEY (K));\n"
        "INSERT INTO KN VALUES (12345678901234567890, 1.5);\n"
        "INSERT INTO KN VALUES (12345678901234567891, 2);\n"
        "INSERT INTO KN VALUES (1.5, 3);\n"
        "INSERT INTO KN VALUES (-99999999999999999999999999999999999999, 4);\n"
        "INSERT INTO KN VALUES (1e40, 5);\n");
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        const proc_result r = fresh_run(dump);
        EXPECT_EQ(r.code, 1) << r.out << r.err;
        EXPECT_EQ(count_starting(r.out, "Error:"), 2) << r.out;
        EXPECT_TRUE(has_line_starting(r.out, "KN, record #3: The key column K holds whole numbers")) << r.out;
        EXPECT_TRUE(has_line_starting(r.out, "KN, record #5: The key column K holds whole numbers")) << r.out;
        EXPECT_EQ(rows("SELECT K, V FROM " + t("KN") + " ORDER BY V"),
                  (rows_t{{"12345678901234567890", "1.5"},
                          {"12345678901234567891", "2"},
                          {"-99999999999999999999999999999999999999", "4"}}));
        EXPECT_EQ(columns("KN"), (rows_t{{"K", "decimal(38,0)", "-"}, {"V", "double", "-"}}));
    }
}

// ---- tables MySQL refuses as the source has them -----------------------------------------

TEST_F(Shapes, TablesMySqlWouldRefuseAreMadeToFitAndSaySo) {
    store(
        // 200 x 240 bytes: past the 8126 bytes of an InnoDB row
        many_columns("WIDE", "C", 200, "VARCHAR2(60)", "CONSTRAINT PK_WIDE PRIMARY KEY (ID)") +
        "INSERT INTO WIDE (ID, C001, C200) VALUES (1, 'first', 'last');\n" +
        // 70 x 1022 bytes: past the 65,535 bytes of any row; the key column stays
        many_columns("LONGROW", "L", 70, "VARCHAR2(255)", "CONSTRAINT PK_LONGROW PRIMARY KEY (ID, L001)") +
        "INSERT INTO LONGROW (ID, L001, L070) VALUES (1, 'k', RPAD('v', 255, 'w'));\n"
        // defaults longer or larger than their column, and numbers beyond a DECIMAL
        "CREATE TABLE ODD (ID NUMBER(5) NOT NULL, V VARCHAR2(3) DEFAULT 'abcdef', W VARCHAR2(3) DEFAULT 'abc',\n"
        "  S NUMBER(2) DEFAULT 1000, D NUMBER(5,2) DEFAULT 12345.6, E NUMBER(5,2) DEFAULT 123.4,\n"
        "  P NUMBER(38,40), Q NUMBER(10,127), CONSTRAINT PK_ODD PRIMARY KEY (ID));\n"
        "INSERT INTO ODD (ID, V, S, D, P, Q) VALUES (1, NULL, NULL, NULL, 0.0012345, 0);\n"
        "INSERT INTO ODD (ID, V, S, D, P, Q) VALUES (2, 'xyz', 7, 1.5, 0.5e-30, NULL);\n");
    const std::vector<std::string> notes = {
        "Note: LONGROW: column L065 is TEXT instead of VARCHAR(255): the row would pass the 65535 bytes a MySQL row "
        "may take",
        "Note: LONGROW: column L070 is TEXT instead of VARCHAR(255): the row would pass the 65535 bytes a MySQL row "
        "may take",
        "Note: ODD: column V has no DEFAULT: VARCHAR(3) cannot hold the source's default",
        "Note: ODD: column S has no DEFAULT: TINYINT cannot hold the source's default",
        "Note: ODD: column D has no DEFAULT: DECIMAL(5,2) cannot hold the source's default",
        "Note: ODD: column P is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(38,40)",
        "Note: ODD: column Q is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(10,127)",
        "Note: WIDE: column C200 is TEXT instead of VARCHAR(60): the row would not fit the 8126 bytes an InnoDB "
        "row may take",
    };
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        const proc_result r = fresh_run(dump);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(r.out.find("Error:"), std::string::npos) << r.out;
        for (const std::string& note : notes) EXPECT_TRUE(has_line_starting(r.out, note)) << note << "\n" << r.out;
        EXPECT_EQ(count_starting(r.out, "Note: LONGROW: column L"), 6) << r.out;
        EXPECT_EQ(count_starting(r.out, "Note: WIDE: column C"), 183) << r.out;
        EXPECT_EQ(count_starting(r.out, "Note:"), 6 + 183 + 5) << r.out;

        // the widest columns in no key, the last ones first, became TEXT; the rest stayed
        const std::string types =
            "SELECT GROUP_CONCAT(DISTINCT DATA_TYPE) FROM information_schema.COLUMNS WHERE "
            "TABLE_SCHEMA = '" +
            db_ + "' AND TABLE_NAME = ";
        EXPECT_EQ(conn_->scalar(types + "'WIDE' AND COLUMN_NAME BETWEEN 'C001' AND 'C017'"), "varchar");
        EXPECT_EQ(conn_->scalar(types + "'WIDE' AND COLUMN_NAME BETWEEN 'C018' AND 'C200'"), "text");
        EXPECT_EQ(conn_->scalar(types + "'LONGROW' AND COLUMN_NAME BETWEEN 'L001' AND 'L064'"), "varchar");
        EXPECT_EQ(conn_->scalar(types + "'LONGROW' AND COLUMN_NAME BETWEEN 'L065' AND 'L070'"), "text");
        // and no more than needed: one column back, and the server refuses the table
        for (const char* back : {"WIDE` MODIFY `C018` VARCHAR(60)", "LONGROW` MODIFY `L065` VARCHAR(255)"})
            EXPECT_NE(refused("ALTER TABLE `" + db_ + "`.`" + back), "") << back;
        EXPECT_EQ(rows("SELECT C001, C200 FROM " + t("WIDE")), (rows_t{{"first", "last"}}));
        EXPECT_EQ(rows("SELECT L001, LENGTH(L070) FROM " + t("LONGROW")), (rows_t{{"k", "255"}}));

        EXPECT_EQ(rows("SELECT COLUMN_NAME, COLUMN_TYPE, IFNULL(COLUMN_DEFAULT, 'none') FROM "
                       "information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                       db_ + "' AND TABLE_NAME = 'ODD' ORDER BY ORDINAL_POSITION"),
                  (rows_t{{"ID", "int(11)", "none"},
                          {"V", "varchar(3)", "NULL"},
                          {"W", "varchar(3)", "'abc'"},
                          {"S", "tinyint(4)", "NULL"},
                          {"D", "decimal(5,2)", "NULL"},
                          {"E", "decimal(5,2)", "123.40"},
                          {"P", "double", "NULL"},
                          {"Q", "double", "NULL"}}));
        EXPECT_EQ(rows("SELECT ID, V, W, S, D, E, P, Q FROM " + t("ODD") + " ORDER BY ID"),
                  (rows_t{{"1", "NULL", "abc", "NULL", "NULL", "123.40", "0.0012345", "0"},
                          {"2", "xyz", "abc", "7", "1.50", "123.40", "5e-31", "NULL"}}));
    }
}

// TEXT and BLOB columns take no DEFAULT: the source's is left out, and the note names it; the
// rows arrive with the values the source gave them.
TEST_F(Shapes, DefaultsOfTextAndBlobColumnsAreLeftOutAndSaySo) {
    store(
        "CREATE TABLE DOC (ID NUMBER(5) NOT NULL, BODY CLOB DEFAULT 'hello', NB NCLOB DEFAULT 'n''b',\n"
        "  PIC BLOB DEFAULT '0A0B', W VARCHAR2(10) DEFAULT 'kept', CONSTRAINT PK_DOC PRIMARY KEY (ID));\n"
        "INSERT INTO DOC (ID, BODY, NB, PIC) VALUES (1, 'first', 'x', '00FF');\n"
        "INSERT INTO DOC (ID, W) VALUES (2, 'second');\n");
    const std::vector<std::string> notes = {
        "Note: DOC: column BODY has no DEFAULT: MySQL takes none for LONGTEXT, the source's default 'hello' is "
        "left out",
        "Note: DOC: column NB has no DEFAULT: MySQL takes none for LONGTEXT, the source's default 'n'b' is left out",
        "Note: DOC: column PIC has no DEFAULT: MySQL takes none for LONGBLOB, the source's default '0x0A0B' is "
        "left out",
    };
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        const proc_result r = fresh_run(dump);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        EXPECT_EQ(r.out.find("Error:"), std::string::npos) << r.out;
        for (const std::string& note : notes) EXPECT_TRUE(test_support::has_line(r.out, note)) << note << "\n" << r.out;
        EXPECT_EQ(rows("SELECT COLUMN_NAME, DATA_TYPE, IFNULL(COLUMN_DEFAULT, 'none') FROM "
                       "information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                       db_ + "' AND TABLE_NAME = 'DOC' ORDER BY ORDINAL_POSITION"),
                  (rows_t{{"ID", "int", "none"},
                          {"BODY", "longtext", "NULL"},
                          {"NB", "longtext", "NULL"},
                          {"PIC", "longblob", "NULL"},
                          {"W", "varchar", "'kept'"}}));
        EXPECT_EQ(rows("SELECT ID, BODY, NB, HEX(PIC), W FROM " + t("DOC") + " ORDER BY ID"),
                  (rows_t{{"1", "first", "x", "00FF", "kept"}, {"2", "hello", "n'b", "0A0B", "second"}}));
    }
}

// A dump for servers before 4.1 makes MyISAM tables of one byte a character, where only the
// 65,535 bytes of a row count.
TEST_F(Shapes, AnOldServersDumpFitsItsRowsToo) {
    store(many_columns("LONGROW", "L", 300, "VARCHAR2(255)", "CONSTRAINT PK_LONGROW PRIMARY KEY (ID)") +
          "INSERT INTO LONGROW (ID, L001, L300) VALUES (1, 'a', 'z');\n");
    proc_result r = tollspar({profile("", "dump new version=0", true)});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(count_starting(r.out, "Note: LONGROW: column L"), 46) << r.out;
    EXPECT_TRUE(has_line_starting(r.out,
                                  "Note: LONGROW: column L255 is TEXT instead of VARCHAR(255): the row would "
                                  "pass the 65535 bytes a MySQL row may take"))
        << r.out;
    // Today's servers read TYPE= as ENGINE=; a database of one byte a character stands for
    // the old server.
    std::string text = read_file(dump_file());
    for (size_t at; (at = text.find(" TYPE=MyISAM")) != std::string::npos;) text.replace(at, 12, " ENGINE=MyISAM");
    std::ofstream(dump_file(), std::ios::binary) << text;
    conn_->exec("CREATE DATABASE `" + db_ + "` CHARACTER SET latin1");
    load();
    EXPECT_EQ(rows("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db_ + "'"),
              (rows_t{{"MyISAM"}}));
    EXPECT_EQ(rows("SELECT L001, L300 FROM " + t("LONGROW")), (rows_t{{"a", "z"}}));
    EXPECT_NE(refused("ALTER TABLE " + t("LONGROW") + " MODIFY L255 VARCHAR(255)"), "");
}

}  // namespace
}  // namespace rel_test
