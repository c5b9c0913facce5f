// Tables that MySQL takes otherwise than Oracle, through the built tollspar on the live
// road and into a dump loaded by the stock client, with what arrived read back from the
// server: reruns into columns that the first run renamed, more indexes than a table takes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

using rows_t = std::vector<std::vector<std::string>>;

class Shapes : public ::testing::Test {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        port_ = sandbox_port();
        db_ = test_db_name("shp");
        conn_ = std::make_unique<connection>(port_);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    void store(const std::string& sql) {
        ws_.stores().build_text("SHP", "CREATE USER scott IDENTIFIED BY tiger;\n" + sql);
    }
    proc_result tollspar(const std::vector<std::string>& args) { return run(ws_.tollspar("SHP", args), ws_.dir()); }
    proc_result live(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = workspace::live_args(db_, port_);
        args.insert(args.end(), extra.begin(), extra.end());
        return tollspar(args);
    }
    // The dump written (by the arguments, or the profile they name) and loaded into the
    // test's database by the stock client; the load must succeed.
    proc_result dump_and_load(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"--dump", "--dest=" + dump_file()};
        args.insert(args.end(), extra.begin(), extra.end());
        proc_result conv = tollspar(args);
        load();
        return conv;
    }
    void load() {
        conn_->exec("CREATE DATABASE IF NOT EXISTS `" + db_ + "`");
        load_ = run(ws_.mariadb_client(db_, port_, dump_file()), ws_.dir());
        EXPECT_EQ(load_.code, 0) << load_.err;
    }
    std::string dump_file() const { return ws_.file("shp.sql"); }
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
    rows_t rows(const std::string& select) { return conn_->rows(select); }
    // The server's error for the statement, empty when it takes it.
    std::string refused(const std::string& sql) {
        try {
            conn_->exec(sql);
            return "";
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    std::string t(const std::string& table) const { return "`" + db_ + "`.`" + table + "`"; }
    // COLUMN_NAME, COLUMN_TYPE, COLLATION_NAME (or "-") of the table's columns in order.
    rows_t columns(const std::string& table) {
        return rows(
            "SELECT COLUMN_NAME, COLUMN_TYPE, IFNULL(COLLATION_NAME, '-') FROM information_schema.COLUMNS "
            "WHERE TABLE_SCHEMA = '" +
            db_ + "' AND TABLE_NAME = '" + table + "' ORDER BY ORDINAL_POSITION");
    }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
    proc_result load_;
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
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        proc_result r = dump ? dump_and_load() : live();
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

}  // namespace
}  // namespace rel_test
