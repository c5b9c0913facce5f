// The catalog and count texts the Oracle side sends, run as sent on the fixture store.
#include <algorithm>

#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;
using rows = std::vector<std::vector<std::string>>;

rows sorted(rows r) {
    std::sort(r.begin(), r.end());
    return r;
}

struct catalog_case {
    const char* sql;
    rows expected;  // compared without regard to row order
};

const std::string pk_query =
    "SELECT a.constraint_name, a.column_name FROM user_cons_columns a, user_constraints b WHERE "
    "a.table_name='EMP' AND a.constraint_name=b.constraint_name AND b.constraint_type='P' ORDER "
    "BY a.constraint_name, a.position";
const std::string index_query_old =
    "SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
    "user_ind_columns, user_indexes where user_ind_columns.table_name = 'EMPDEPT' AND "
    "user_ind_columns.index_name = user_indexes.index_name AND user_ind_columns.table_name = "
    "user_indexes.table_name ORDER BY user_indexes.index_name, user_ind_columns.column_position";
const std::string index_query =
    "SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
    "user_ind_columns, user_indexes where user_ind_columns.table_name = 'EMPDEPT' AND "
    "user_indexes.generated='N' AND user_ind_columns.index_name = user_indexes.index_name AND "
    "user_ind_columns.table_name = user_indexes.table_name ORDER BY user_indexes.index_name, "
    "user_ind_columns.column_position";
const std::string fk_query =
    "select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM USER_CONSTRAINTS a, "
    "USER_CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' and "
    "a.R_CONSTRAINT_NAME='PK_EMP'";

TEST(OciCatalog, EveryCatalogTextRunsAsSent) {
    const catalog_case cases[] = {
        {"select * from v$version", {{"Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production"}}},
        {"select TABLE_NAME from user_tables",
         {{"ALLTYPES"}, {"DEPT"}, {"EMP"}, {"EMPDEPT"}, {"Emp"}, {"LONGRAWS"}, {"MANY"}}},
        {"select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and NESTED='NO' and "
         "IOT_TYPE IS NULL OR IOT_TYPE='IOT'",
         {{"ALLTYPES", "<null>"},
          {"DEPT", "<null>"},
          {"EMP", "<null>"},
          {"EMPDEPT", "<null>"},
          {"Emp", "<null>"},
          {"LONGRAWS", "<null>"},
          {"MANY", "<null>"}}},
        {"select VIEW_NAME, TEXT from SYS.ALL_VIEWS WHERE OWNER='SCOTT'", {{"EMP_NAMES", "SELECT ENAME FROM EMP"}}},
        {"select VIEW_NAME, TEXT from SYS.ALL_VIEWS WHERE OWNER='scott'", {}},
        {"SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = 'Emp'", {{"3"}}},
        {"SELECT COUNT(*) FROM \"EMP\"", {{"2"}}},
        {"SELECT COUNT(*) FROM \"Emp\"", {{"0"}}},
        {"SELECT COUNT(*) FROM (select ENAME from EMP where EMPNO > 7400)", {{"1"}}},
        {"SELECT * FROM \"EMP\"", {{"7369", "SMITH"}, {"7499", "ALLEN"}}},
        {"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = "
         "'Emp'",
         {{"id", "<null>", "NUMBER"}, {"NAME", "'O''Brien'", "VARCHAR2"}, {"DEPT", "<null>", "NUMBER"}}},
        {pk_query.c_str(), {{"PK_EMP", "EMPNO"}}},
        {index_query.c_str(), {{"IX_EMPDEPT", "NONUNIQUE", "DEPTNO"}, {"IX_EMPDEPT", "NONUNIQUE", "EMPNO"}}},
        {index_query_old.c_str(), {{"IX_EMPDEPT", "NONUNIQUE", "DEPTNO"}, {"IX_EMPDEPT", "NONUNIQUE", "EMPNO"}}},
        {"select count(*) from USER_CONSTRAINTS where R_CONSTRAINT_NAME='PK_EMP' and "
         "CONSTRAINT_TYPE='R'",
         {{"1"}}},
        {fk_query.c_str(), {{"EMPDEPT", "FK_EMPDEPT_EMP", "CASCADE", "EMPNO"}}},
        {"select * from dual", {{"X"}}},
    };
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS) << s.error().text;
    for (const catalog_case& c : cases) {
        SCOPED_TRACE(c.sql);
        sword status;
        const rows got = rows_as_text(s, c.sql, &status);
        ASSERT_EQ(status, OCI_SUCCESS) << s.error().text;
        EXPECT_EQ(sorted(got), sorted(c.expected));
    }
}

// The way the Oracle side reads its single-row answers: define without indicator, execute
// with one iteration, which fetches the row.
TEST(OciCatalog, SingleRowAnswersComeWithTheExecute) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    {
        statement st(s);
        int32_t count = -1;
        ASSERT_EQ(st.prepare(u("SELECT COUNT(*) FROM \"MANY\"")), OCI_SUCCESS);
        ASSERT_EQ(st.define(1, &count, 4, SQLT_INT), OCI_SUCCESS);
        ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
        EXPECT_EQ(count, 100);
    }
    {
        statement st(s);
        std::vector<char16_t> banner(0x20000 / 2);
        ASSERT_EQ(st.prepare(u("select * from v$version")), OCI_SUCCESS);
        ASSERT_EQ(st.define(1, banner.data(), 0x20000, SQLT_STR), OCI_SUCCESS);
        ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
        EXPECT_EQ(narrow(banner.data()), "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production");
    }
    {
        // The table list: the execute brings the first name, fetches the rest.
        statement st(s);
        char16_t name[256];
        ASSERT_EQ(st.prepare(u("select TABLE_NAME from user_tables")), OCI_SUCCESS);
        ASSERT_EQ(st.define(1, name, 512, SQLT_STR), OCI_SUCCESS);
        ASSERT_EQ(st.execute(1), OCI_SUCCESS);
        std::vector<std::string> names{narrow(name)};
        while (st.fetch() == OCI_SUCCESS) names.push_back(narrow(name));
        EXPECT_EQ(names.size(), 7u);
    }
}

TEST(OciCatalog, ANullWithoutIndicatorIsOra1405) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    statement st(s);
    char16_t buf[64];
    ASSERT_EQ(st.prepare(u("select TABLE_NAME, IOT_TYPE from user_tables")), OCI_SUCCESS);
    ASSERT_EQ(st.define(2, buf, sizeof buf, SQLT_STR), OCI_SUCCESS);
    EXPECT_EQ(st.execute(1), OCI_ERROR);
    const ora_err e = s.error();
    EXPECT_EQ(e.code, 1405);
    EXPECT_EQ(e.text, "ORA-01405: fetched column value is NULL\n");
}

}  // namespace
