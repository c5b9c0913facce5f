// NUMBER values as the source gives them, in every spelling a store may hold: the dump
// writes each as its literal, and that dump loaded by the stock client and a run straight
// into the server leave the same values in the server.
#include <gtest/gtest.h>

#include "tests/console/con_fixture.h"
#include "tests/support/sandbox.h"

namespace con_test {
namespace {

// A cell's text in the store, its literal in the dump and the value the server keeps.
struct number_case {
    const char* column;
    std::string stored;
    std::string literal;
    std::string kept;
};

const std::string nines38(38, '9');

// NUMS(ID, D NUMBER(12,2), W NUMBER(38), S NUMBER(6,4)): one row per case.
const std::vector<number_case>& number_cases() {
    static const std::vector<number_case> cases = {
        {"D", "-0", "0", "0.00"},
        {"D", "-0.00", "0.00", "0.00"},
        {"D", "007", "7", "7.00"},
        {"D", "1.50", "1.50", "1.50"},
        {"D", "-.5", "-0.5", "-0.50"},
        {"D", ".05", "0.05", "0.05"},
        {"D", "-000.010", "-0.010", "-0.01"},
        // more places than the column keeps: the server rounds
        {"D", "12.345", "12.345", "12.35"},
        {"D", "-12.345", "-12.345", "-12.35"},
        {"D", "0." + std::string(38, '0') + "1", "0." + std::string(38, '0'), "0.00"},
        // exponents
        {"D", "1E3", "1000", "1000.00"},
        {"D", "-1.5E-2", "-0.015", "-0.02"},
        {"D", "9999999999.99", "9999999999.99", "9999999999.99"},
        // whole numbers past 64 bits
        {"W", "9223372036854775808", "9223372036854775808", "9223372036854775808"},
        {"W", "-9223372036854775809", "-9223372036854775809", "-9223372036854775809"},
        {"W", "18446744073709551616", "18446744073709551616", "18446744073709551616"},
        {"W", "000123", "123", "123"},
        {"W", nines38, nines38, nines38},
        {"W", "-" + nines38, "-" + nines38, "-" + nines38},
        {"W", "12345678901234567890123.0", "12345678901234567890123.0", "12345678901234567890123"},
        {"S", "99.9999", "99.9999", "99.9999"},
        {"S", "-0.00005", "-0.00005", "-0.0001"},
    };
    return cases;
}

class Numbers : public tollspar_test {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        tollspar_test::SetUp();
        db_ = test_support::test_db_name("num");
        std::string script =
            "CREATE USER scott IDENTIFIED BY tiger;\n"
            "CREATE TABLE NUMS (ID NUMBER(3) PRIMARY KEY, D NUMBER(12,2), W NUMBER(38), S NUMBER(6,4));\n";
        for (size_t k = 0; k < number_cases().size(); ++k)
            script += "INSERT INTO NUMS (ID) VALUES (" + std::to_string(k + 1) + ");\n";
        script +=
            "CREATE TABLE REFUSED (ID NUMBER(3) PRIMARY KEY, S NUMBER(6,4));\n"
            "INSERT INTO REFUSED VALUES (1, 1);\nINSERT INTO REFUSED VALUES (2, 2);\n"
            "INSERT INTO REFUSED VALUES (3, 3);\nCOMMIT;\n";
        dir_.build_text("NUMS", script);
        // the spellings Oracle itself would not give, written into the store as they stand
        const std::string table = dir_.table_name("NUMS", "NUMS");
        const std::string id = dir_.column_name("NUMS", "NUMS", "ID");
        for (size_t k = 0; k < number_cases().size(); ++k) {
            const number_case& c = number_cases()[k];
            dir_.exec("NUMS", "UPDATE " + table + " SET " + dir_.column_name("NUMS", "NUMS", c.column) + " = '" +
                                  c.stored + "' WHERE " + id + " = " + std::to_string(k + 1));
        }
        // a value beyond what DECIMAL(6,4) holds, between two it holds
        dir_.exec("NUMS", "UPDATE " + dir_.table_name("NUMS", "REFUSED") + " SET " +
                              dir_.column_name("NUMS", "REFUSED", "S") + " = '123.4' WHERE " +
                              dir_.column_name("NUMS", "REFUSED", "ID") + " = 2");
        drop();
    }
    void TearDown() override {
        if (!db_.empty()) drop();
    }
    void drop() const { mariadb({"-e", "DROP DATABASE IF EXISTS `" + db_ + "`"}); }
    std::vector<std::string> args() const { return {"--src=NUMS", "--oraclu=scott", "--oraclp=tiger"}; }
    std::string query(const std::string& sql) const {
        proc_result r = mariadb({"-e", sql});
        EXPECT_EQ(r.code, 0) << sql << "\n" << r.err;
        return r.out;
    }
    // Every case's value as the server keeps it.
    void expect_values_kept() const {
        for (size_t k = 0; k < number_cases().size(); ++k) {
            const number_case& c = number_cases()[k];
            EXPECT_EQ(query(std::string("SELECT ") + c.column + " FROM `" + db_ +
                            "`.NUMS WHERE ID = " + std::to_string(k + 1)),
                      c.kept + "\n")
                << c.column << " stored as " << c.stored;
        }
    }

    std::string db_;
};

TEST_F(Numbers, TheDumpWritesEachSpellingAsItsValueAndTheLoadKeepsIt) {
    proc_result r = tollspar([&] {
        auto a = args();
        a.insert(a.end(), {"--dump", "--dest=" + file("dump.sql")});
        return a;
    }());
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::string text = read_file(file("dump.sql"));
    for (size_t k = 0; k < number_cases().size(); ++k) {
        const number_case& c = number_cases()[k];
        const std::string id = std::to_string(k + 1);
        const std::string row = c.column == std::string("D")   ? "(" + id + ", " + c.literal + ", NULL, NULL)"
                                : c.column == std::string("W") ? "(" + id + ", NULL, " + c.literal + ", NULL)"
                                                               : "(" + id + ", NULL, NULL, " + c.literal + ")";
        EXPECT_NE(text.find(row), std::string::npos) << row;
    }
    EXPECT_NE(text.find("(2, 123.4)"), std::string::npos);

    query("CREATE DATABASE `" + db_ + "`");
    proc_result loaded = mariadb({db_}, file("dump.sql"));
    EXPECT_EQ(loaded.code, 0) << loaded.err;
    expect_values_kept();
    // the dump loads without the strict mode: the value DECIMAL(6,4) cannot hold is cut
    EXPECT_EQ(query("SELECT ID, S FROM `" + db_ + "`.REFUSED ORDER BY ID"), "1\t1.0000\n2\t99.9999\n3\t3.0000\n");
}

TEST_F(Numbers, ARunIntoTheServerKeepsTheSameValuesAndReportsTheOneItRefuses) {
    auto a = args();
    a.insert(a.end(), {"--mysqlh=127.0.0.1", "--myport=" + std::to_string(test_support::sandbox_port()),
                       "--mysqlu=root", "--mysqlp=", "--dest=" + db_});
    proc_result r = tollspar(a);
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    const auto l = lines_of(r.out);
    ASSERT_EQ(l.size(), 5u) << r.out;
    EXPECT_EQ(l[2], "Converting table REFUSED(3 records)");
    EXPECT_EQ(l[3], "Error:");
    EXPECT_TRUE(l[4].starts_with("REFUSED, record #2: ")) << l[4];
    EXPECT_NE(l[4].find("Out of range value for column 'S'"), std::string::npos) << l[4];
    expect_values_kept();
    EXPECT_EQ(query("SELECT ID, S FROM `" + db_ + "`.REFUSED ORDER BY ID"), "1\t1.0000\n3\t3.0000\n");
}

}  // namespace
}  // namespace con_test
