// Selected names that no source table answers to: the run says so as an error and goes on
// with the tables that are there; names that several tables answer to refuse it; on both
// roads.
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

// A name that several source tables match without case picks none of them: the run names
// them as an error and goes on with the other tables, or, when no other is selected, is
// refused before the destination is touched; an exact name still picks its own table.
TEST_F(Selection, ANameOfSeveralTablesInOtherCasesPicksNone) {
    store(
        "CREATE TABLE T_ONE (ID NUMBER(5) NOT NULL, V VARCHAR2(10));\n"
        "INSERT INTO T_ONE VALUES (1, 'one');\n"
        "CREATE TABLE \"Emp\" (ID NUMBER(5) NOT NULL, V VARCHAR2(10));\n"
        "INSERT INTO \"Emp\" VALUES (2, 'mixed');\n"
        "CREATE TABLE EMP (ID NUMBER(5) NOT NULL, V VARCHAR2(10));\n"
        "INSERT INTO EMP VALUES (3, 'upper');\n"
        "COMMIT;\n");
    const std::string ambiguous =
        "The selected table 'emp' matches 2 tables of the source that differ only in letter case: 'EMP', 'Emp'. Name "
        "one of them exactly.";
    const struct {
        std::string names;
        int code;
        std::vector<std::string> out;
        rows_t tables;  // of the destination afterwards
    } cases[] = {
        {"emp\n", 255, {"Error:", ambiguous + " No table would be converted."}, {{"KEPT"}}},
        {"T_ONE\nemp\n",
         1,
         {"Converting database PICK(2 tables)", "Converting table T_ONE(1 records)", "Error:", ambiguous},
         {{"KEPT"}, {"T_ONE"}}},
        {"Emp\n", 0, {"Converting database PICK(1 tables)", "Converting table Emp(1 records)"}, {{"Emp"}, {"KEPT"}}},
        {"EMP\n", 0, {"Converting database PICK(1 tables)", "Converting table EMP(1 records)"}, {{"EMP"}, {"KEPT"}}},
    };
    for (const bool dump : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(dump ? "dump: " : "live: ") + c.names);
            conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
            conn_->exec("CREATE DATABASE `" + db_ + "`");
            conn_->exec("CREATE TABLE " + t("KEPT") + " (ID INT)");
            test_support::write_file(dump_file(), "kept\n");
            const std::string path = ws_.file("tables.txt");
            test_support::write_file(path, c.names);
            // mode 1 keeps the other tables of the database
            const std::vector<std::string> args = {"--tab_file=" + path, "--mode=1"};
            const proc_result r = dump ? tollspar({"--dump", "--dest=" + dump_file(), args[0]}) : live(args);
            EXPECT_EQ(r.code, c.code) << r.out << r.err;
            EXPECT_EQ(lines_of(r.out), c.out);
            EXPECT_EQ(r.err, "");
            if (c.code == 255) {
                // nothing touched
                EXPECT_EQ(read_file(dump_file()), "kept\n");
            } else if (dump) {
                load();
            }
            EXPECT_EQ(rows("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db_ +
                           "' ORDER BY BINARY TABLE_NAME"),
                      c.tables);
        }
    }
}

}  // namespace
}  // namespace rel_test
