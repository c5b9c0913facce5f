// Tables, views, defaults, keys, indexes, foreign keys and stored queries.
#include "ORA/ora_tab.h"
#include "ORA/ora_util.h"
#include "tests/ORA/ora_fixture.h"

namespace ora_test {
namespace {

class OraCatalog : public client {
protected:
    static void SetUpTestSuite() {
        build_store("CAT", "schema.sql");
        // Oracle names a constraint's index as the constraint; the index row may say so.
        stores().exec("CAT",
                      "UPDATE USER_INDEXES SET GENERATED = 'N' WHERE INDEX_NAME = 'PK_EMP';"
                      // A function-based index lists a hidden column SELECT * does not show.
                      "INSERT INTO USER_INDEXES (INDEX_NAME, TABLE_OWNER, TABLE_NAME, UNIQUENESS, GENERATED) "
                      "VALUES ('IX_EMP_FUNC', 'SCOTT', 'EMP', 'NONUNIQUE', 'N');"
                      "INSERT INTO USER_IND_COLUMNS (INDEX_NAME, TABLE_NAME, COLUMN_NAME, COLUMN_POSITION) "
                      "VALUES ('IX_EMP_FUNC', 'EMP', 'ENAME', 1), ('IX_EMP_FUNC', 'EMP', 'SYS_NC00010$', 2);"
                      // The dictionary keeps a default as typed, newline included.
                      "UPDATE USER_TAB_COLUMNS SET DATA_DEFAULT = '''NY''' || char(10) "
                      "WHERE TABLE_NAME = 'DEPT' AND COLUMN_NAME = 'LOC';"
                      "UPDATE USER_TAB_COLUMNS SET DATA_DEFAULT = 'SYSDATE' "
                      "WHERE TABLE_NAME = 'EMP' AND COLUMN_NAME = 'DEPTNO';"
                      // A dictionary row the described columns lack must not shift the others.
                      "INSERT INTO USER_TAB_COLUMNS (TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, NULLABLE, "
                      "COLUMN_ID, DATA_DEFAULT) VALUES ('DEPT', 'SYS_GHOST', 'NVARCHAR2', 40, 'Y', 0, '''zz''');");
    }
    void SetUp() override {
        client::SetUp();
        db_ = connect("CAT");
    }
    void TearDown() override {
        db_.reset();
        client::TearDown();
    }
    std::unique_ptr<ora_database> db_;
};

TEST_F(OraCatalog, TablesAndViews) {
    const auto& names = db_->get_table_names();
    for (const char16_t* t : {u"DEPT", u"EMP", u"PARENT2", u"CHILD2", u"NOKEY", u"O'T"}) {
        SCOPED_TRACE(compat::utf16_to_utf8(t));
        EXPECT_TRUE(db_->is_table_exist(t));
    }
    EXPECT_EQ(names.size(), 6u);
    EXPECT_FALSE(db_->is_table_exist(u"emp"));  // names compare exactly
    // The login was typed in lower case; Oracle keeps the owner in upper case.
    const auto& views = db_->get_queries();
    ASSERT_EQ(views.size(), 2u);
    ASSERT_TRUE(views.count(u"V_EMP"));
    EXPECT_NE(views.at(u"V_EMP").find(u"SELECT EMPNO, ENAME FROM EMP"), compat::wstring::npos);
}

TEST_F(OraCatalog, Defaults) {
    auto dept = db_->get_table(u"DEPT", true);
    const udb_schema& d = dept->get_schema();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d.get_field(u"DNAME").def_value.to_wstring(), u"O'Brien");
    EXPECT_EQ(d.get_field(u"LOC").def_value.to_wstring(), u"NY");
    EXPECT_EQ(d.get_field(u"DEPTNO").def_value.get_type(), VT_EMPTY);
    EXPECT_EQ(d.get_field(u"DNAME").size, 14);

    auto emp = db_->get_table(u"EMP", true);
    const udb_schema& e = emp->get_schema();
    EXPECT_EQ(e.get_field(u"HIREDATE").def_value.get_type(), VT_EMPTY);  // SYSDATE
    ASSERT_EQ(e.get_field(u"STARTED").def_value.get_type(), VT_DATE);
    EXPECT_EQ(e.get_field(u"STARTED").def_value.to_string(), "2005-01-01");
    EXPECT_EQ(e.get_field(u"SAL").def_value.get_type(), VT_DECIMAL);
    EXPECT_EQ(e.get_field(u"SAL").def_value.to_string(), "0");
    EXPECT_EQ(e.get_field(u"BONUS").def_value.get_type(), VT_I4);
    EXPECT_EQ(e.get_field(u"BONUS").def_value.to_long(), 0);
    EXPECT_EQ(e.get_field(u"COMM").def_value.get_type(), VT_EMPTY);    // NULL
    EXPECT_EQ(e.get_field(u"GRADE").def_value.get_type(), VT_EMPTY);   // 1 + 1, no literal
    EXPECT_EQ(e.get_field(u"DEPTNO").def_value.get_type(), VT_EMPTY);  // SYSDATE on a number
}

TEST_F(OraCatalog, PrimaryKeySharingItsIndexNameCompositeAndUniqueIndexes) {
    auto emp = db_->get_table(u"EMP", true);
    const udb_indexes& idx = emp->get_indexes();
    ASSERT_EQ(idx.size(), 3u);
    EXPECT_EQ(idx[0].name, u"PK_EMP");
    EXPECT_TRUE(idx[0].primary);
    EXPECT_TRUE(idx[0].unique);
    EXPECT_EQ(idx[0].fields, (udb_names{u"EMPNO"}));
    EXPECT_EQ(emp->get_pk_index(), 0);
    EXPECT_FALSE(idx.is_acceptable_name(u"UX_EMP_NAME"));
    EXPECT_TRUE(idx.get_index(u"UX_EMP_NAME").unique);
    EXPECT_FALSE(idx.get_index(u"UX_EMP_NAME").primary);
    EXPECT_EQ(idx.get_index(u"UX_EMP_NAME").fields, (udb_names{u"ENAME", u"DEPTNO"}));
    EXPECT_FALSE(idx.get_index(u"IX_EMP_SAL").unique);
    EXPECT_EQ(idx.get_index(u"IX_EMP_SAL").fields, (udb_names{u"SAL"}));
    // The function-based index is dropped whole, not narrowed to ENAME.
    EXPECT_TRUE(idx.is_acceptable_name(u"IX_EMP_FUNC"));

    auto p2 = db_->get_table(u"PARENT2", true);
    ASSERT_EQ(p2->get_indexes().size(), 1u);
    EXPECT_EQ(p2->get_indexes()[0].fields, (udb_names{u"A", u"B"}));

    auto nokey = db_->get_table(u"NOKEY", true);
    EXPECT_TRUE(nokey->get_indexes().empty());
    EXPECT_EQ(nokey->get_pk_index(), -1);
}

TEST_F(OraCatalog, ForeignKeysPointingAtATable) {
    auto dept = db_->get_table(u"DEPT", true);
    auto parent = db_->get_table(u"PARENT2", true);
    const udb_relationships& rel = db_->get_relationships();
    ASSERT_EQ(rel.size(), 3u);
    const udb_relationship& fk = rel.get_index(u"FK_EMP_DEPT");
    EXPECT_EQ(fk.key_name, u"PK_DEPT");
    EXPECT_EQ(fk.child_table, u"EMP");
    EXPECT_EQ(fk.parent_table, u"DEPT");
    EXPECT_EQ(fk.delete_rule, u"ON DELETE CASCADE");
    EXPECT_EQ(fk.child_fields, (udb_names{u"DEPTNO"}));
    EXPECT_EQ(fk.parent_fields, (udb_names{u"DEPTNO"}));
    const udb_relationship& x = rel.get_index(u"FK_C2_X");
    const udb_relationship& y = rel.get_index(u"FK_C2_Y");
    EXPECT_EQ(x.child_fields, (udb_names{u"X1", u"X2"}));
    EXPECT_EQ(y.child_fields, (udb_names{u"Y1", u"Y2"}));
    EXPECT_EQ(x.parent_fields, (udb_names{u"A", u"B"}));
    EXPECT_EQ(y.delete_rule, u"ON DELETE SET NULL");
    EXPECT_EQ(x.parent_table, u"PARENT2");
    // Opening a table again adds nothing twice.
    auto dept2 = db_->get_table(u"DEPT", true);
    EXPECT_EQ(rel.size(), 3u);
}

TEST_F(OraCatalog, SkipIndexesReadsNoKeys) {
    engine_->set_skip_indexes(true);
    auto emp = db_->get_table(u"DEPT", true);
    EXPECT_TRUE(emp->get_indexes().empty());
    EXPECT_TRUE(db_->get_relationships().empty());
    EXPECT_EQ(emp->get_record_count(), 3);
}

TEST_F(OraCatalog, NameWithAnApostrophe) {
    auto t = db_->get_table(u"O'T", true);
    ASSERT_EQ(t->get_schema().size(), 1u);
    EXPECT_EQ(t->get_schema()[0]->name, u"X");
}

TEST_F(OraCatalog, StoredQueries) {
    struct {
        const char16_t* query;
        size_t columns;
        int rows;
    } cases[] = {
        {u"SELECT EMPNO, ENAME FROM EMP WHERE SAL > 1000", 2, 2},
        {u"SELECT * FROM EMP WHERE 1 = 0", 9, 0},
        {u"SELECT EMPNO * 2 AS DBL, UPPER(ENAME) U, SAL + 1 FROM EMP", 3, 3},
        {u"SELECT e.ENAME, d.DNAME FROM EMP e, DEPT d WHERE e.DEPTNO = d.DEPTNO ORDER BY e.ENAME", 2, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.query));
        auto q = db_->get_table(u"Q", c.query, true);
        EXPECT_TRUE(q->is_query());
        EXPECT_EQ(q->get_schema().size(), c.columns);
        EXPECT_EQ(q->get_record_count(), c.rows);
        EXPECT_TRUE(q->get_indexes().empty());
        auto rows = read_all(*q);
        EXPECT_EQ(static_cast<int>(rows.size()), c.rows);
    }
    auto q = db_->get_table(u"Q", u"SELECT EMPNO * 2 AS DBL, UPPER(ENAME) U, SAL + 1 FROM EMP ORDER BY EMPNO", true);
    EXPECT_EQ(q->get_schema()[0]->name, u"DBL");
    EXPECT_EQ(q->get_schema()[1]->name, u"U");
    auto rows = read_all(*q);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0].to_double(), 14738);
    EXPECT_EQ(rows[0][1].to_wstring(), u"SMITH");
    EXPECT_EQ(rows[0][2].to_double(), 801);
    // A stored query with an empty text reads the table of its name.
    auto whole = db_->get_table(u"EMP", u"", true);
    EXPECT_EQ(whole->get_record_count(), 3);
    EXPECT_EQ(read_all(*whole).size(), 3u);
}

TEST_F(OraCatalog, QueryResultProtocol) {
    ora_query_results q(0, u"SELECT DEPTNO FROM DEPT ORDER BY DEPTNO");
    EXPECT_EQ(q.column_count(), 1);
    ASSERT_FALSE(q.is_eof());
    udb_record* r = q.get_item();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->at(0)->to_long(), 10);
    EXPECT_FALSE(q.is_eof());
    EXPECT_FALSE(q.is_eof());  // two in a row pass over one row
    r = q.get_item();
    EXPECT_EQ(r->at(0)->to_long(), 30);
    EXPECT_EQ(q.get_item(), nullptr);  // fetches by itself and finds the end
    EXPECT_THROW(q.append_record(*r), tk_exception);
}

}  // namespace
}  // namespace ora_test
