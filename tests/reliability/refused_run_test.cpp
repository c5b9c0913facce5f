// Runs refused before the destination is touched, on both roads: the database of an earlier
// run keeps its tables and a dump file of an earlier run keeps its text.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace rel_test
