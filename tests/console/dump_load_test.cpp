// Dumps as the stock client loads them. Names beyond ASCII: the file holds only ASCII, so
// under every client character set the client sends the statements that were written, and
// tables, columns, indexes and values arrive exact (a name whose last byte begins a two-byte
// character in gbk, big5, sjis or cp932 would otherwise swallow its closing backquote). A
// statement larger than the client's default packet: the run says which option loads it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/console/con_fixture.h"
#include "tests/support/own_server.h"
#include "tests/support/sandbox.h"

namespace con_test {
namespace {

// A user the attack would create, of this process alone.
std::string intruder() { return "mg_intruder_" + std::to_string(::getpid()); }

// SQL that must stay a value.
std::string attack() {
    return "); UNLOCK TABLES; CREATE USER " + intruder() + "@localhost; GRANT ALL PRIVILEGES ON *.* TO " + intruder() +
           "@localhost WITH GRANT OPTION; DROP TABLE SENTINEL; #";
}

// The last byte of "A\u5217" pairs with a backquote in gbk, sjis and cp932, that of
// "B\u4e2d" in big5. Each table's first value fills a statement of its own; a client that
// lost its place reads the end of that value as outside any quote, drops the rest of the
// line as a comment, and takes the next statement's quote for the end of the value: the
// second value then runs as SQL.
std::string store_text() {
    std::string text = "CREATE USER scott IDENTIFIED BY tiger;\n";
    for (const char* table : {"A\u5217", "B\u4e2d"})
        text += std::string("CREATE TABLE \"") + table + "\" (ID NUMBER(10) PRIMARY KEY, V CLOB);\n" +
                "INSERT INTO \"" + table + "\" VALUES (1, RPAD('a', 1000000, 'a') || '` #');\n" + "INSERT INTO \"" +
                table + "\" VALUES (2, '" + attack() + "');\n";
    return text +
           "CREATE TABLE \"\u4e2d\" (\"\u5217\" VARCHAR2(100), ID NUMBER(3) PRIMARY KEY, \"Stra\u00dfe\" "
           "NUMBER(5));\n"
           "CREATE INDEX \"\u7d22\u5f15\" ON \"\u4e2d\" (\"\u5217\");\n"
           "INSERT INTO \"\u4e2d\" VALUES ('\u6f22`'' ; DROP TABLE SENTINEL; -- ', 1, 7);\n"
           "INSERT INTO \"\u4e2d\" VALUES ('x` #', 2, NULL);\n"
           "COMMIT;\n";
}

bool all_ascii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

class DumpLoad : public tollspar_test {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        tollspar_test::SetUp();
        dir_.build_text("NAMES", store_text());
        db_ = test_support::test_db_name("load");
        mariadb({"-e", "DROP USER IF EXISTS " + intruder() + "@localhost"});
    }
    void TearDown() override {
        if (db_.empty()) return;
        mariadb({"-e", "DROP DATABASE IF EXISTS `" + db_ + "`; DROP USER IF EXISTS " + intruder() + "@localhost"});
    }
    // The service's dump in dump.sql.
    proc_result dump(const std::string& service) const {
        return tollspar(
            {"--src=" + service, "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + file("dump.sql")});
    }
    // A fresh database with the table an attack would drop, and the dump loaded into it with
    // the client's options.
    proc_result load(const std::vector<std::string>& options) const {
        proc_result made = mariadb({"-e", "DROP DATABASE IF EXISTS `" + db_ + "`; CREATE DATABASE `" + db_ +
                                              "`; CREATE TABLE `" + db_ + "`.SENTINEL (a INT)"});
        EXPECT_EQ(made.code, 0) << made.err;
        std::vector<std::string> args = options;
        args.push_back(db_);
        return mariadb(args, file("dump.sql"));
    }
    std::string query(const std::string& sql) const { return mariadb({"-e", sql}).out; }
    std::string in_db(const std::string& what) const { return "TABLE_SCHEMA = '" + db_ + "'" + what; }

    std::string db_;
};

TEST_F(DumpLoad, UnderEveryClientCharacterSetNothingRunsAndEveryNameAndValueArrives) {
    proc_result r = dump("NAMES");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::string text = read_file(file("dump.sql"));
    EXPECT_TRUE(all_ascii(text));
    EXPECT_NE(text.find("# Table structure for table '\\u4e2d'"), std::string::npos);
    // LOCK TABLES cannot be prepared: such a table is written without it, and the run says so
    EXPECT_EQ(text.find("LOCK TABLES `A"), std::string::npos);
    for (const char* table : {"A\u5217", "B\u4e2d", "\u4e2d"})
        EXPECT_TRUE(
            test_support::has_line(r.out, std::string("Note: table '") + table +
                                              "' is written to the dump without LOCK TABLES: its name is not ASCII"))
            << r.out;

    for (const char* charset : {"gbk", "big5", "sjis", "cp932", "utf8mb4"}) {
        SCOPED_TRACE(charset);
        proc_result loaded = load({std::string("--default-character-set=") + charset});
        EXPECT_EQ(loaded.code, 0) << loaded.err;
        EXPECT_EQ(query("SELECT COUNT(*) FROM mysql.user WHERE user = '" + intruder() + "'"), "0\n");
        EXPECT_EQ(query("SELECT COUNT(*) FROM `" + db_ + "`.SENTINEL"), "0\n");
        EXPECT_EQ(
            query("SELECT TABLE_NAME FROM information_schema.TABLES WHERE " + in_db(" ORDER BY BINARY TABLE_NAME")),
            "A\u5217\nB\u4e2d\nSENTINEL\n\u4e2d\n");
        EXPECT_EQ(query("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE " +
                        in_db(" AND TABLE_NAME = '\u4e2d' ORDER BY ORDINAL_POSITION")),
                  "\u5217\nID\nStra\u00dfe\n");
        EXPECT_EQ(query("SELECT INDEX_NAME, COLUMN_NAME FROM information_schema.STATISTICS WHERE " +
                        in_db(" AND TABLE_NAME = '\u4e2d' ORDER BY BINARY INDEX_NAME")),
                  "PRIMARY\tID\n\u7d22\u5f15\t\u5217\n");
        EXPECT_EQ(query("SELECT ID, `\u5217`, `Stra\u00dfe` FROM `" + db_ + "`.`\u4e2d` ORDER BY ID"),
                  "1\t\u6f22`' ; DROP TABLE SENTINEL; -- \t7\n2\tx` #\tNULL\n");
        for (const char* table : {"A\u5217", "B\u4e2d"})
            EXPECT_EQ(query("SELECT ID, LENGTH(V), V = IF(ID = 1, CONCAT(REPEAT('a', 1000000), '` #'), '" + attack() +
                            "') FROM `" + db_ + "`.`" + table + "` ORDER BY ID"),
                      "1\t1000003\t1\n2\t" + std::to_string(attack().size()) + "\t1\n")
                << table;
    }
}

TEST_F(DumpLoad, AStatementOverTheDefaultPacketIsNotedWithTheOptionThatLoadsIt) {
    dir_.build_text("BIG",
                    "CREATE USER scott IDENTIFIED BY tiger;\n"
                    "CREATE TABLE BIG (ID NUMBER(3) PRIMARY KEY, B BLOB);\n"
                    "INSERT INTO BIG VALUES (1, EMPTY_BLOB());\n"
                    "COMMIT;\n");
    // 9,000,000 bytes: an INSERT of 18 MB in hexadecimal
    const std::string table = dir_.table_name("BIG", "BIG");
    const std::string b = dir_.column_name("BIG", "BIG", "B");
    dir_.exec("BIG", "UPDATE " + table + " SET " + b + " = randomblob(9000000)");
    const std::string ends =
        dir_.value("BIG", "SELECT hex(substr(" + b + ", 1, 8)) || hex(substr(" + b + ", -8)) FROM " + table);
    proc_result r = dump("BIG");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(test_support::has_line(
        r.out,
        "Note: the dump holds a statement of 18000042 bytes (table 'BIG'), more than the 16 MB that the client and "
        "the server take by default: load it with mysql --max-allowed-packet=18M, into a server whose "
        "max_allowed_packet is as large"))
        << r.out;

    // A server with the default packet refuses the load; one set as the note says takes it.
    test_support::own_server server("--max-allowed-packet=16M");
    ASSERT_TRUE(server.started()) << server.failure();
    const auto on_server = [&](const std::vector<std::string>& args, const std::string& input = "") {
        return mariadb(args, input, server.port());
    };
    ASSERT_EQ(on_server({"-e", "CREATE DATABASE big"}).code, 0);
    EXPECT_NE(on_server({"big"}, file("dump.sql")).code, 0);
    ASSERT_EQ(on_server({"-e", "SET GLOBAL max_allowed_packet = 18 * 1024 * 1024"}).code, 0);
    proc_result loaded = on_server({"--max-allowed-packet=18M", "big"}, file("dump.sql"));
    EXPECT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(on_server({"-e", "SELECT LENGTH(B), CONCAT(HEX(LEFT(B, 8)), HEX(RIGHT(B, 8))) FROM big.BIG"}).out,
              "9000000\t" + ends + "\n");
    // an ordinary dump says nothing of packets
    r = dump("NAMES");
    EXPECT_EQ(r.out.find("max-allowed-packet"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace con_test
