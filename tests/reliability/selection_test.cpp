// Selected names that no source table answers to: the run says so as an error and goes on
// with the tables that are there, on both roads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

class Selection : public destination_test {
protected:
    Selection() : destination_test("PICK", "pick") {}
    void SetUp() override {
        destination_test::SetUp();
        store(
            "CREATE TABLE T_ONE (ID NUMBER(5) NOT NULL, V VARCHAR2(10));\n"
            "INSERT INTO T_ONE VALUES (1, 'one');\n"
            "COMMIT;\n");
    }
    // A run on one road with the table names, and the dump loaded by the stock client.
    proc_result run_selecting(bool dump, const std::string& names, const std::vector<std::string>& extra = {}) {
        const std::string path = ws_.file("tables.txt");
        test_support::write_file(path, names);
        std::vector<std::string> args = {"--tab_file=" + path};
        args.insert(args.end(), extra.begin(), extra.end());
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        return dump ? dump_and_load(args) : live(args);
    }
};

TEST_F(Selection, ATableTheSourceLacksIsAnErrorOfTheRun) {
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        const proc_result r = run_selecting(dump, "T_ONE\nNOPE\n");
        EXPECT_EQ(r.code, 1) << r.out << r.err;
        EXPECT_EQ(lines_of(r.out),
                  (std::vector<std::string>{"Converting database PICK(2 tables)", "Error:", "Table NOPE not exists",
                                            "Converting table T_ONE(1 records)"}));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(rows("SELECT ID, V FROM " + t("T_ONE")), (rows_t{{"1", "one"}}));

        // Printing nothing does not make the run a clean one.
        const proc_result silent = run_selecting(dump, "T_ONE\nNOPE\n", {"--silent"});
        EXPECT_EQ(silent.code, 1) << silent.out << silent.err;
        EXPECT_EQ(silent.out + silent.err, "");
        EXPECT_EQ(rows("SELECT ID, V FROM " + t("T_ONE")), (rows_t{{"1", "one"}}));
    }
}

}  // namespace
}  // namespace rel_test
