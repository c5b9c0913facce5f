// Runs refused before the destination is touched, on both roads: the database of an earlier
// run keeps its tables and a dump file of an earlier run keeps its text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

class RefusedRun : public destination_test {
protected:
    RefusedRun() : destination_test("REFUSE", "refuse") {}

    // The destination as an earlier run left it: a database with a table of one row, and a
    // dump file.
    void earlier_run() {
        conn_->exec("CREATE DATABASE `" + db_ + "`");
        conn_->exec("CREATE TABLE " + t("KEPT") + " (X INT)");
        conn_->exec("INSERT INTO " + t("KEPT") + " VALUES (7)");
        test_support::write_file(dump_file(), "earlier dump");
    }
    // Both roads' destinations are as earlier_run left them.
    void expect_untouched() {
        EXPECT_EQ(rows("SELECT X FROM " + t("KEPT")), (rows_t{{"7"}}));
        EXPECT_EQ(rows("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db_ + "'"),
                  (rows_t{{"1"}}));
        EXPECT_EQ(read_file(dump_file()), "earlier dump");
    }
    std::string tables_file(const std::string& text) {
        const std::string path = ws_.file("tables.txt");
        test_support::write_file(path, text);
        return path;
    }
};

// The wrong Oracle account: a schema without tables. Mode 0 would drop the whole database
// to convert nothing.
TEST_F(RefusedRun, ASourceSchemaWithoutTablesLeavesTheDestinationAlone) {
    store("");
    const std::string message = "The source schema SCOTT on REFUSE has no tables: nothing would be converted.";
    const struct {
        const char* what;
        bool dump;
        std::vector<std::string> extra;
    } cases[] = {
        {"live, mode 0", false, {}},
        {"live, mode 1", false, {"--mode=1"}},
        {"live, a selection", false, {"--tab_file=" + tables_file("EMP\n")}},
        {"dump", true, {}},
        {"dump, a selection", true, {"--tab_file=" + tables_file("EMP\n")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        earlier_run();
        std::vector<std::string> args =
            c.dump ? std::vector<std::string>{"--dump", "--dest=" + dump_file()} : workspace::live_args(db_, port_);
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const proc_result r = tollspar(args);
        EXPECT_EQ(r.code, 255) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(message), std::string::npos) << r.out << r.err;
        EXPECT_FALSE(has_line_starting(r.out, "Converting database")) << r.out;
        expect_untouched();
    }
}

// A trace log in the dump file would empty it at its first line and write the trace into
// it: refused before either is written, however the two names reach the file.
TEST_F(RefusedRun, ALogFileThatIsTheDumpFileLeavesItAlone) {
    store("CREATE TABLE T_ONE (ID NUMBER(5));\nINSERT INTO T_ONE VALUES (1);\nCOMMIT;\n");
    const std::string link = ws_.file("link.log");
    std::filesystem::create_symlink(dump_file(), link);
    const std::string message = "is the destination dump file: give the trace another file.";
    const struct {
        const char* what;
        std::string log;
        bool dump_exists;
    } cases[] = {
        {"the same name", dump_file(), true},
        {"a link to it", link, true},
        {"another spelling", ws_.dir() + "/./" + std::filesystem::path(dump_file()).filename().string(), true},
        {"no dump yet", dump_file(), false},
        {"no dump yet, a link to where it goes", link, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        earlier_run();
        if (!c.dump_exists) std::filesystem::remove(dump_file());
        const proc_result r = tollspar({"--dump", "--dest=" + dump_file(), "--logfile=" + c.log});
        EXPECT_EQ(r.code, 255) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(message), std::string::npos) << r.out << r.err;
        if (c.dump_exists)
            expect_untouched();
        else
            EXPECT_FALSE(std::filesystem::exists(dump_file()));
    }
    // A log of its own: the run writes both.
    const std::string log = ws_.file("trace.log");
    const proc_result r = dump_and_load({"--logfile=" + log});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(read_file(log), "");
    EXPECT_EQ(rows("SELECT ID FROM " + t("T_ONE")), (rows_t{{"1"}}));
}

// A name that is not UTF-8 would be read with U+FFFD for its bytes, and two such names
// would meet in one database: refused on the live road, and in a dump that creates its
// database from its file's name.
TEST_F(RefusedRun, ADestinationNameThatIsNotUtf8IsRefused) {
    store("CREATE TABLE T_ONE (ID NUMBER(5));\nINSERT INTO T_ONE VALUES (1);\nCOMMIT;\n");
    const std::string bad_dump = ws_.file("bad\xFF.sql");
    const std::string creating = ws_.file("creating.qrn");
    test_support::write_file(creating,
                             "[Generic settings]\nsrc=REFUSE\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL "
                             "settings]\ndirect mode=0\ndump create database=1\n");
    const struct {
        const char* what;
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {"live",
         {"--dest=" + db_ + "\xFF", "--mysqlh=127.0.0.1", "--myport=" + std::to_string(port_), "--mysqlu=root"},
         255},
        {"live, an overlong form",
         {"--dest=" + db_ + "\xC1\xBF", "--mysqlh=127.0.0.1", "--myport=" + std::to_string(port_), "--mysqlu=root"},
         255},
        {"dump creating its database", {"--profile=" + creating, "--dump", "--dest=" + bad_dump}, 255},
        // the file is named by its bytes
        {"dump", {"--dump", "--dest=" + bad_dump}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        earlier_run();
        std::filesystem::remove(bad_dump);
        const proc_result r = tollspar(c.args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        if (c.code == 0) {
            EXPECT_TRUE(has_line_starting(read_file(bad_dump), "# Dump complete"));
            continue;
        }
        EXPECT_NE(r.out.find("is not UTF-8 text: it cannot name a MySQL database."), std::string::npos) << r.out;
        EXPECT_FALSE(std::filesystem::exists(bad_dump));
        expect_untouched();
        EXPECT_EQ(rows("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME LIKE '" + db_ + "%'"),
                  (rows_t{{"1"}}));
    }
}

}  // namespace
}  // namespace rel_test
