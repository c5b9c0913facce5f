// The live database: tables listed, created, dropped, opened; statements tested and run;
// the server's views read and rewritten.
#include "SQL/sql_exc.h"
#include "SQL/sql_recs.h"
#include "SQL/sql_tab.h"
#include "tests/SQL/live_fixture.h"

namespace {

using live_test::LiveDb;

TEST_F(LiveDb, ListsBaseTablesAndReadsViews) {
    exec("CREATE TABLE emp (id INT PRIMARY KEY, dept INT, name VARCHAR(20))");
    exec("CREATE TABLE dept (id INT PRIMARY KEY, title VARCHAR(20))");
    exec(
        "CREATE VIEW v_emp AS SELECT e.name, d.title FROM emp e INNER JOIN dept d ON e.dept = d.id "
        "WHERE e.id > 1 ORDER BY e.name");
    sql_database& db = open();
    const auto& tables = db.get_table_names();
    EXPECT_EQ(tables.size(), 2u);
    EXPECT_TRUE(db.is_table_exist(u"emp"));
    EXPECT_TRUE(db.is_table_exist(u"dept"));
    // a server that compares table names with case (Linux's default) has no table EMP
    if (scalar("SELECT @@lower_case_table_names") == "0") {
        EXPECT_FALSE(db.is_table_exist(u"EMP"));
    }
    EXPECT_FALSE(db.is_table_exist(u"v_emp"));

    ASSERT_EQ(db.get_queries().count(u"v_emp"), 1u);
    const compat::wstring view = db.get_queries().at(u"v_emp");
    // the database qualifier and the ORDER BY are gone, the join is a cross join
    EXPECT_EQ(view.find(compat::utf8_to_utf16(db_name_)), compat::wstring::npos) << compat::utf16_to_utf8(view);
    EXPECT_EQ(view.find(u"order by"), compat::wstring::npos) << compat::utf16_to_utf8(view);
    EXPECT_NE(view.find(u"cross join"), compat::wstring::npos) << compat::utf16_to_utf8(view);
    // the rewritten text is still a query the server takes
    EXPECT_TRUE(db.test_query(view));

    EXPECT_TRUE(open(udb_open_mode::append | udb_open_mode::skip_views).get_queries().empty());
}

TEST_F(LiveDb, CreatesTestsQueriesAndDropsTables) {
    sql_database& db = open(udb_open_mode::created);
    udb_schema schema;
    schema.push_back(std::make_unique<t_ftd>(0, u"id", VT_I4, true, false));
    schema.push_back(
        std::make_unique<t_ftd>(30, u"name", VT_BSTR, false, false, ole_variant(compat::wstring(u"none"))));
    udb_indexes idx;
    idx.push_back(udb_index(u"PK_T", true, true, {u"id"}));
    auto table = db.create_table(u"T1", schema, idx);
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(db.is_table_exist(u"T1"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema='" + db_name_ +
                     "' AND table_name='T1'"),
              "1");
    // described from the server: key, sizes, defaults
    ASSERT_EQ(table->get_schema().size(), 2u);
    EXPECT_EQ(table->get_schema()[1]->size, 30);
    EXPECT_EQ(table->get_pk_index(), 0);
    EXPECT_EQ(table->get_indexes()[0].fields, udb_names{u"id"});
    table.reset();

    EXPECT_TRUE(db.test_query(u"SELECT * FROM T1"));
    EXPECT_FALSE(db.test_query(u"SELECT * FROM no_such_table"));
    EXPECT_EQ(db.query(u"SET @x = 1"), nullptr);
    EXPECT_THROW(db.query(u"SELECT * FROM no_such_table"), sql_exception);
    auto rs = db.query(u"SELECT 7, 'x', NULL");
    ASSERT_NE(rs, nullptr);
    ASSERT_FALSE(rs->is_eof());
    EXPECT_EQ(rs->get_item()->at(0)->to_long(), 7);
    EXPECT_EQ(rs->get_item()->at(1)->to_wstring(), u"x");
    rs->next();
    EXPECT_TRUE(rs->is_eof());

    EXPECT_TRUE(db.delete_tab(u"T1"));
    EXPECT_FALSE(db.is_table_exist(u"T1"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema='" + db_name_ + "'"), "0");
}

TEST_F(LiveDb, ExistingTableInAppendModeIsReturned) {
    exec("CREATE TABLE t (a INT)");
    exec("INSERT INTO t VALUES (1), (2)");
    sql_database& db = open(udb_open_mode::append);
    udb_schema schema;
    schema.push_back(std::make_unique<t_ftd>(0, u"a", VT_I4, false, false));
    auto table = db.create_table(u"t", schema, udb_indexes());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->get_record_count(), 2);
}

TEST_F(LiveDb, TableUnderAnotherCaseIsAnotherTable) {
    if (scalar("SELECT @@lower_case_table_names") != "0") GTEST_SKIP() << "server folds table names";
    exec("CREATE TABLE Emp (id INT)");
    exec("INSERT INTO Emp VALUES (5)");
    sql_database& db = open(udb_open_mode::append);
    // the server compares with case: a user's Emp is not the source's EMP
    EXPECT_FALSE(db.is_table_exist(u"EMP"));
    EXPECT_EQ(db.listed_name(u"EMP"), u"EMP");
    EXPECT_TRUE(db.is_table_exist(u"Emp"));
    {
        auto t = db.get_table(u"Emp", true);
        EXPECT_EQ(t->get_record_count(), 1);
        ASSERT_EQ(t->get_schema().size(), 1u);
        ASSERT_FALSE(t->is_eof());
        EXPECT_EQ(t->get_item()->at(0)->to_long(), 5);
    }
    EXPECT_TRUE(db.delete_tab(u"Emp"));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema='" + db_name_ + "'"), "0");

    // two tables that differ only in case: each by its exact name
    exec("CREATE TABLE Ab (x INT)");
    exec("CREATE TABLE ab (x INT)");
    exec("INSERT INTO ab VALUES (1), (2)");
    sql_database& db2 = open(udb_open_mode::append);
    EXPECT_EQ(db2.get_table(u"ab", true)->get_record_count(), 2);
    EXPECT_EQ(db2.get_table(u"Ab", true)->get_record_count(), 0);
}

TEST_F(LiveDb, ReadErrorInsideUnbufferedResultIsRaised) {
    sql_database& db = open();
    // the subquery fails only when the 300th row is computed, after rows were sent
    try {
        db.query(u"SELECT IF(seq < 300, seq, (SELECT seq FROM seq_1_to_2)) FROM seq_1_to_1000");
        FAIL() << "no error raised";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.code(), sql_exception::code_of(1242)) << e.message();
    }
    // the connection is usable afterwards
    auto rs = db.query(u"SELECT 1");
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->get_record_count(), 1);
}

}  // namespace
