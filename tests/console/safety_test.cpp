// What tollspar refuses before it writes anything: profiles it cannot use, selections that
// name no table, ports that are not ports, the server's own databases; and what it leaves
// alone: the settings store, which it only reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/console/con_fixture.h"

namespace con_test {
namespace {

namespace fs = std::filesystem;

// Tables whose names differ only in letter case, beside plain ones.
const char* const mixed_store_sql = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE orders (id NUMBER(3));
INSERT INTO orders VALUES (1);
CREATE TABLE "Ab" (id NUMBER(3));
CREATE TABLE "AB" (id NUMBER(3));
CREATE TABLE "Café" (id NUMBER(3));
INSERT INTO "Café" VALUES (7);
COMMIT;
)";

class Safety : public tollspar_test {
protected:
    void SetUp() override {
        tollspar_test::SetUp();
        dir_.build_text("MIXED", mixed_store_sql);
    }
    std::vector<std::string> dump_args(std::vector<std::string> extra = {}) const {
        std::vector<std::string> a = source_args();
        a.push_back("--dump");
        a.push_back("--dest=" + file("out.sql"));
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }
    // A profile of a dump run into dest (default out.sql) with the given generic and MySQL
    // lines.
    std::string profile(const std::string& name, const std::string& generic, const std::string& mysql = "",
                        const std::string& dest = "") {
        write_file(file(name), "[Generic settings]\nsrc=CONS\ndest=" + (dest.empty() ? file("out.sql") : dest) + "\n" +
                                   generic +
                                   "\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL settings]\ndirect "
                                   "mode=0\n" +
                                   mysql + "\n[Selected Tables]\nDEPT\n");
        return "--profile=" + file(name);
    }
    // Standard output and error together, for messages that may go to either.
    static std::string said(const proc_result& r) { return r.out + r.err; }
};

TEST_F(Safety, ProfileModesOutsideZeroToFourRefuseTheRunWhereverTheProfileStands) {
    const struct {
        const char* mode;
        std::vector<std::string> before, after;
    } cases[] = {
        {"9", {}, {}}, {"2 (skip)", {}, {}}, {"-1", {}, {}}, {"12", {"--mode=1"}, {}}, {"x", {}, {"--mode=1"}},
    };
    for (const auto& c : cases) {
        write_file(file("out.sql"), "kept");
        std::vector<std::string> args = c.before;
        args.push_back(profile("m.qrn", std::string("mode=") + c.mode));
        args.insert(args.end(), c.after.begin(), c.after.end());
        proc_result r = tollspar(args);
        EXPECT_EQ(r.code, 255) << c.mode << "\n" << said(r);
        EXPECT_NE(said(r).find(file("m.qrn")), std::string::npos) << said(r);
        EXPECT_NE(said(r).find(std::string("'") + c.mode + "'"), std::string::npos) << said(r);
        EXPECT_EQ(read_file(file("out.sql")), "kept") << c.mode;
    }
    // Every valid mode is taken.
    for (const char* mode : {"0", "1", "2", "3", "4"}) {
        proc_result r = tollspar({profile("m.qrn", std::string("mode=") + mode)});
        EXPECT_EQ(r.code, 0) << mode << "\n" << said(r);
    }
}

TEST_F(Safety, ProfilesThatCannotBeReadSaySoWithPathAndReason) {
    fs::create_directory(file("folder.qrn"));
    write_file(file("binary.qrn"), std::string("\x7f"
                                               "ELF\x02\x01\x01\x00\x00\x00",
                                               10) +
                                       "[Generic settings]\n");
    write_file(file("utf16.qrn"), std::string("\xFF\xFE[\0G\0]\0\n\0", 10));
    write_file(file("latin1.qrn"), "[Generic settings]\nsrc=Caf\xE9\n");
    write_file(file("stray.qrn"), "src=CONS\n[Generic settings]\n");
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"folder.qrn", "it is a folder"},
        {"binary.qrn", "not UTF-8 text"},
        {"utf16.qrn", "not UTF-8 text"},
        {"latin1.qrn", "line 2 is not UTF-8 text"},
        {"stray.qrn", "line 1 stands before any [section]"},
        {"missing.qrn", "Profile does not exist"},
    };
    for (const auto& c : cases) {
        proc_result r = tollspar({"--profile=" + file(c.name)});
        EXPECT_EQ(r.code, 255) << c.name << "\n" << said(r);
        EXPECT_NE(said(r).find("'" + file(c.name) + "'"), std::string::npos) << said(r);
        EXPECT_NE(said(r).find(c.reason), std::string::npos) << c.name << "\n" << said(r);
        EXPECT_EQ(said(r).find("You should enter"), std::string::npos) << said(r);
    }
}

TEST_F(Safety, ASelectionThatNamesNoTableIsRefusedBeforeTheDestinationIsTouched) {
    const struct {
        const char* what;
        std::string file;
        const char* message;
    } cases[] = {
        {"every name absent", "NOPE\nNADA\n", "None of the selected tables exists"},
        {"a signature alone", "\xEF\xBB\xBF", "The table selection is empty"},
        {"a signature and blank lines", "\xEF\xBB\xBF\r\n\r\n\n", "The table selection is empty"},
        {"blank lines", "\n\r\n", "The table selection is empty"},
        {"an empty file", "", "The table selection is empty"},
    };
    for (const auto& c : cases) {
        write_file(file("out.sql"), "kept");
        write_file(file("t.txt"), c.file);
        proc_result r = tollspar(dump_args({"--tab_file=" + file("t.txt")}));
        EXPECT_EQ(r.code, 255) << c.what << "\n" << said(r);
        EXPECT_NE(said(r).find(c.message), std::string::npos) << c.what << "\n" << said(r);
        EXPECT_EQ(read_file(file("out.sql")), "kept") << c.what;
    }
    // A profile whose tables are all absent is refused the same way.
    write_file(file("out.sql"), "kept");
    write_file(file("p.qrn"), "[Generic settings]\nsrc=CONS\ndest=" + file("out.sql") +
                                  "\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL settings]\ndirect "
                                  "mode=0\n[Selected Tables]\nGONE\n");
    proc_result r = tollspar({"--profile=" + file("p.qrn")});
    EXPECT_EQ(r.code, 255) << said(r);
    EXPECT_EQ(read_file(file("out.sql")), "kept");
}

TEST_F(Safety, NamesInAnotherLetterCaseSelectTheOneTableTheyMean) {
    const struct {
        const char* what;
        std::string file;
        std::vector<std::string> out;
        int code;
    } cases[] = {
        {"lower case for an upper-case table, non-ASCII letters too",
         "orders\nCAFÉ\n",
         {"Converting database MIXED(2 tables)", "Converting table Café(1 records)",
          "Note: table 'Café' is written to the dump without LOCK TABLES: its name is not ASCII",
          "Converting table ORDERS(1 records)"},
         0},
        {"an exact name wins over the other case",
         "AB\n",
         {"Converting database MIXED(1 tables)", "Converting table AB(0 records)"},
         0},
        {"two tables in other cases: no guess, and the run names them",
         "ab\nOrders\n",
         {"Converting database MIXED(2 tables)", "Converting table ORDERS(1 records)", "Error:",
          "The selected table 'ab' matches 2 tables of the source that differ only in letter case: 'AB', 'Ab'. Name "
          "one of them exactly."},
         1},
    };
    for (const auto& c : cases) {
        write_file(file("t.txt"), c.file);
        proc_result r = tollspar({"--src=MIXED", "--oraclu=scott", "--oraclp=tiger", "--dump",
                                  "--dest=" + file("out.sql"), "--tab_file=" + file("t.txt")});
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << said(r);
        EXPECT_EQ(lines_of(r.out), c.out) << c.what;
        EXPECT_EQ(r.err, "") << c.what;
    }
    EXPECT_NE(read_file(file("out.sql")).find("CREATE TABLE `ORDERS`"), std::string::npos);
}

TEST_F(Safety, ADumpThatWouldDropAServerDatabaseIsRefused) {
    for (const char* name : {"mysql.sql", "Information_Schema.sql", "performance_schema.dump", "SYS.sql"}) {
        const std::string path = file(name);
        proc_result r = tollspar({profile("db.qrn", "", "dump create database=1", path)});
        EXPECT_EQ(r.code, 255) << name << "\n" << said(r);
        EXPECT_NE(said(r).find("belongs to the MySQL server itself"), std::string::npos) << said(r);
        EXPECT_FALSE(fs::exists(path)) << name;
        fs::remove(file("db.qrn"));
    }
    // Without the database block a file of that name is only a file.
    proc_result r =
        tollspar({"--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + file("mysql.sql")});
    EXPECT_EQ(r.code, 0) << said(r);
    EXPECT_EQ(read_file(file("mysql.sql")).find("DROP DATABASE"), std::string::npos);
}

TEST_F(Safety, PortsAreOneTo65535InDigitsOnly) {
    for (const char* option : {"--myport=", "--oraport="}) {
        for (const char* port : {"120579", "55043abc", "0", "", "-1", "+80", " 80", "65536", "0x50"}) {
            proc_result r = tollspar(dump_args({std::string(option) + port}));
            EXPECT_EQ(r.code, 255) << option << port << "\n" << said(r);
            EXPECT_NE(said(r).find(std::string("Invalid port number '") + port + "'"), std::string::npos)
                << option << port << "\n"
                << said(r);
            EXPECT_NE(said(r).find(option), std::string::npos) << said(r);
        }
    }
    proc_result r = tollspar(dump_args({"--myport=65535", "--oraport=1521"}));
    EXPECT_EQ(r.code, 0) << said(r);
    // A profile's Oracle port is held to the same rule.
    write_file(file("port.qrn"), "[Generic settings]\nsrc=CONS\ndest=" + file("out.sql") +
                                     "\n[Oracle settings]\nuser=scott\npassword=tiger\nport=80x\n[MySQL "
                                     "settings]\ndirect mode=0\n");
    r = tollspar({"--profile=" + file("port.qrn")});
    EXPECT_EQ(r.code, 255) << said(r);
    EXPECT_NE(r.out.find("Invalid port number"), std::string::npos) << said(r);
}

TEST_F(Safety, TheSettingsStoreIsReadButNeverCreated) {
    proc_result r = tollspar(dump_args());
    ASSERT_EQ(r.code, 0) << said(r);
    EXPECT_FALSE(fs::exists(file(".config"))) << "the run created the settings store";
}

}  // namespace
}  // namespace con_test
