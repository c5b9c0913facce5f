// Dumps as the stock client loads them. Names beyond ASCII: the file holds only ASCII, so
// under every client character set the client sends the statements that were written, and
// tables, columns, keys, indexes and values arrive exact (a name whose last byte begins a two-byte
// character in gbk, big5, sjis or cp932 would otherwise swallow its closing backquote). A
// statement larger than the client's default packet: the run says which option loads it.
#include <gtest/gtest.h>

#include "tests/console/con_fixture.h"
#include "tests/support/hostile_names.h"
#include "tests/support/own_server.h"
#include "tests/support/sandbox.h"

namespace con_test {
namespace {

using test_support::hostile_intruder;

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
        dir_.build_text("NAMES", test_support::hostile_names_script());
        db_ = test_support::test_db_name("load");
        mariadb({"-e", "DROP USER IF EXISTS " + hostile_intruder() + "@localhost"});
    }
    void TearDown() override {
        if (db_.empty()) return;
        mariadb(
            {"-e", "DROP DATABASE IF EXISTS `" + db_ + "`; DROP USER IF EXISTS " + hostile_intruder() + "@localhost"});
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

    std::string db_;
};

TEST_F(DumpLoad, UnderEveryClientCharacterSetNothingRunsAndEveryNameAndValueArrives) {
    proc_result r = dump("NAMES");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::string text = read_file(file("dump.sql"));
    // the statements that give the key column beyond ASCII its collation too
    EXPECT_TRUE(all_ascii(text));
    EXPECT_NE(text.find("/*M!100202 SET @s = _utf8mb4 0x"), std::string::npos);
    EXPECT_NE(text.find("# Table structure for table '\\u4e2d'"), std::string::npos);
    // LOCK TABLES cannot be prepared: such a table is written without it, and the run says so
    EXPECT_EQ(text.find("LOCK TABLES `A"), std::string::npos);
    for (const std::string& table : test_support::hostile_tables())
        EXPECT_TRUE(test_support::has_line(
            r.out, "Note: table '" + table + "' is written to the dump without LOCK TABLES: its name is not ASCII"))
            << r.out;

    for (const char* charset : {"gbk", "big5", "sjis", "cp932", "utf8mb4"}) {
        SCOPED_TRACE(charset);
        proc_result loaded = load({std::string("--default-character-set=") + charset});
        EXPECT_EQ(loaded.code, 0) << loaded.err;
        for (const auto& check : test_support::hostile_names_arrived(db_))
            EXPECT_EQ(query(check.sql), check.expected) << check.sql;
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
