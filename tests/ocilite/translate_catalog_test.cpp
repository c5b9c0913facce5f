// Every catalog query the Oracle reader sends, verbatim, against the demo store: each must
// translate, run, and return what Oracle's dictionary would.
#include <algorithm>

#include "compat/text/text.h"
#include "ocilite/sql_translate.h"
#include "tests/ocilite/store_fixture.h"

namespace {

using ocilite_test::rows_t;

class catalog_queries : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store_ = new ocilite_test::temp_store;
        store_->load_ok(ocilite_test::demo_schema());
    }
    static void TearDownTestSuite() {
        delete store_;
        store_ = nullptr;
    }

    static ocilite::translated tr(const std::string& sql) {
        return ocilite::translate(store_->db(), compat::utf8_to_utf16(sql));
    }
    static rows_t run(const std::string& sql) { return store_->rows(tr(sql).sqlite_sql); }

    static ocilite_test::temp_store* store_;
};
ocilite_test::temp_store* catalog_queries::store_ = nullptr;

struct catalog_case {
    const char* sql;
    std::vector<std::string> names;  // described column names
    rows_t rows;                     // expected rows, in order
    bool any_order = false;
};

TEST_F(catalog_queries, verbatim_texts_return_the_dictionary_rows) {
    const std::string banner = "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production";
    const std::vector<catalog_case> cases = {
        {"select * from v$version", {"BANNER"}, {{banner}}},
        {"select TABLE_NAME from user_tables",
         {"TABLE_NAME"},
         {{"DEPARTMENTS"}, {"EMPLOYEES"}, {"DOCUMENTS"}, {"AUDIT_LOG"}, {"LEGACY_IMAGES"}, {"MixedCase"}}},
        {"select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and NESTED='NO' and IOT_TYPE IS NULL "
         "OR IOT_TYPE='IOT'",
         {"TABLE_NAME", "IOT_TYPE"},
         {{"DEPARTMENTS", "NULL"},
          {"EMPLOYEES", "NULL"},
          {"DOCUMENTS", "NULL"},
          {"AUDIT_LOG", "NULL"},
          {"LEGACY_IMAGES", "NULL"},
          {"MixedCase", "NULL"}}},
        {"select VIEW_NAME, TEXT from SYS.ALL_VIEWS WHERE OWNER='DEMO'",
         {"VIEW_NAME", "TEXT"},
         {{"EMPLOYEE_DIRECTORY",
           "SELECT e.emp_id, e.first_name || ' ' || e.last_name AS full_name, d.name AS department\n"
           "  FROM employees e JOIN departments d ON d.dept_id = e.dept_id"},
          {"DEPARTMENT_HEADCOUNT", "SELECT dept_id, COUNT(*) FROM employees GROUP BY dept_id"}}},
        // The owner is stored in upper case: a lower-case name finds nothing.
        {"select VIEW_NAME, TEXT from SYS.ALL_VIEWS WHERE OWNER='demo'", {"VIEW_NAME", "TEXT"}, {}},
        {"SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = 'EMPLOYEES'", {"COUNT(*)"}, {{"16"}}},
        {"SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = 'MixedCase'", {"COUNT(*)"}, {{"3"}}},
        {"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = 'DEPARTMENTS'",
         {"COLUMN_NAME", "DATA_DEFAULT", "DATA_TYPE"},
         {{"DEPT_ID", "NULL", "NUMBER"},
          {"NAME", "NULL", "VARCHAR2"},
          {"LOCATION", "NULL", "NVARCHAR2"},
          {"BUDGET", "0", "NUMBER"},
          {"CREATED_ON", "SYSDATE", "DATE"},
          {"MOTTO", "'We''re the best'", "VARCHAR2"}}},
        {"SELECT a.constraint_name, a.column_name FROM user_cons_columns a, user_constraints b WHERE "
         "a.table_name='EMPLOYEES' AND a.constraint_name=b.constraint_name AND b.constraint_type='P' ORDER BY "
         "a.constraint_name, a.position",
         {"CONSTRAINT_NAME", "COLUMN_NAME"},
         {{"PK_EMPLOYEES", "EMP_ID"}}},
        {"SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
         "user_ind_columns, user_indexes where user_ind_columns.table_name = 'EMPLOYEES' AND "
         "user_indexes.generated='N' AND user_ind_columns.index_name = user_indexes.index_name AND "
         "user_ind_columns.table_name = user_indexes.table_name ORDER BY user_indexes.index_name, "
         "user_ind_columns.column_position",
         {"INDEX_NAME", "UNIQUENESS", "COLUMN_NAME"},
         {{"IX_EMPLOYEES_DEPT", "NONUNIQUE", "DEPT_ID"},
          {"IX_EMPLOYEES_NAME", "NONUNIQUE", "LAST_NAME"},
          {"IX_EMPLOYEES_NAME", "NONUNIQUE", "FIRST_NAME"},
          {"PK_EMPLOYEES", "UNIQUE", "EMP_ID"},
          {"UQ_EMPLOYEES_EMAIL", "UNIQUE", "EMAIL"}}},
        // The release-7 form has no GENERATED filter: the system-named key index shows too.
        {"SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
         "user_ind_columns, user_indexes where user_ind_columns.table_name = 'DEPARTMENTS' AND "
         "user_ind_columns.index_name = user_indexes.index_name AND user_ind_columns.table_name = "
         "user_indexes.table_name ORDER BY user_indexes.index_name, user_ind_columns.column_position",
         {"INDEX_NAME", "UNIQUENESS", "COLUMN_NAME"},
         {{"PK_DEPARTMENTS", "UNIQUE", "DEPT_ID"}, {"SYS_C0010000", "UNIQUE", "NAME"}}},
        {"SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
         "user_ind_columns, user_indexes where user_ind_columns.table_name = 'DEPARTMENTS' AND "
         "user_indexes.generated='N' AND user_ind_columns.index_name = user_indexes.index_name AND "
         "user_ind_columns.table_name = user_indexes.table_name ORDER BY user_indexes.index_name, "
         "user_ind_columns.column_position",
         {"INDEX_NAME", "UNIQUENESS", "COLUMN_NAME"},
         {{"PK_DEPARTMENTS", "UNIQUE", "DEPT_ID"}}},
        {"select count(*) from USER_CONSTRAINTS where R_CONSTRAINT_NAME='PK_EMPLOYEES' and CONSTRAINT_TYPE='R'",
         {"COUNT(*)"},
         {{"2"}}},
        {"select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM USER_CONSTRAINTS a, "
         "USER_CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' and "
         "a.R_CONSTRAINT_NAME='PK_EMPLOYEES'",
         {"TABLE_NAME", "CONSTRAINT_NAME", "DELETE_RULE", "COLUMN_NAME"},
         {{"DOCUMENTS", "SYS_C0010002", "NO ACTION", "EMP_ID"},
          {"EMPLOYEES", "FK_EMP_MANAGER", "SET NULL", "MANAGER_ID"}},
         true},
        {"select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM USER_CONSTRAINTS a, "
         "USER_CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' and "
         "a.R_CONSTRAINT_NAME='PK_DEPARTMENTS'",
         {"TABLE_NAME", "CONSTRAINT_NAME", "DELETE_RULE", "COLUMN_NAME"},
         {{"EMPLOYEES", "FK_EMP_DEPT", "CASCADE", "DEPT_ID"}}},
        {"SELECT COUNT(*) FROM \"EMPLOYEES\"", {"COUNT(*)"}, {{"204"}}},
        {"SELECT COUNT(*) FROM \"MixedCase\"", {"COUNT(*)"}, {{"2"}}},
        {"SELECT COUNT(*) FROM (select emp_id from employees where dept_id = 10)", {"COUNT(*)"}, {{"51"}}},
        {"SELECT COUNT(*) FROM (SELECT * FROM EMPLOYEE_DIRECTORY)", {"COUNT(*)"}, {{"204"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        ocilite::translated t = tr(c.sql);
        EXPECT_TRUE(t.is_query);
        std::vector<std::string> names;
        for (const auto& d : t.columns) names.push_back(compat::utf16_to_utf8(d.name));
        EXPECT_EQ(names, c.names);
        rows_t got = store_->rows(t.sqlite_sql);
        rows_t want = c.rows;
        if (c.any_order) {
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
        }
        EXPECT_EQ(got, want);
    }
}

TEST_F(catalog_queries, catalog_columns_describe_with_oracle_types) {
    ocilite::translated t = tr("select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE, DATA_LENGTH from USER_TAB_COLUMNS");
    ASSERT_EQ(t.columns.size(), 4u);
    EXPECT_EQ(t.columns[0].type_code, ocilite::type_code::varchar2);
    EXPECT_EQ(t.columns[0].data_size, 128);
    EXPECT_FALSE(t.columns[0].nullable);
    EXPECT_EQ(t.columns[1].type_code, ocilite::type_code::long_text);
    EXPECT_EQ(t.columns[1].type_name, u"LONG");
    EXPECT_EQ(t.columns[3].type_code, ocilite::type_code::number);
    ocilite::translated v = tr("select VIEW_NAME, TEXT from SYS.ALL_VIEWS WHERE OWNER='DEMO'");
    EXPECT_EQ(v.columns[1].type_code, ocilite::type_code::long_text);
    ocilite::translated c = tr("SELECT COUNT(*) FROM \"EMPLOYEES\"");
    EXPECT_EQ(c.columns[0].type_code, ocilite::type_code::number);
    EXPECT_EQ(c.columns[0].precision, 0);
    EXPECT_EQ(c.columns[0].scale, -127);
}

struct describe_case {
    const char* column;
    int type_code;
    const char16_t* type_name;
    int data_size, precision, scale;
    bool nullable;
    int charset_form;
};

TEST_F(catalog_queries, select_star_describes_every_column_type) {
    const std::vector<describe_case> cases = {
        {"DOC_ID", 2, u"NUMBER", 22, 38, 0, false, 1},
        {"EMP_ID", 2, u"NUMBER", 22, 6, 0, true, 1},
        {"TITLE", 1, u"NVARCHAR2", 200, 0, 0, false, 2},
        {"BODY", 112, u"CLOB", 4000, 0, 0, true, 1},
        {"SUMMARY", 112, u"NCLOB", 4000, 0, 0, true, 2},
        {"ATTACHMENT", 113, u"BLOB", 4000, 0, 0, true, 1},
        {"THUMBNAIL", 23, u"RAW", 16, 0, 0, true, 1},
        {"EXTERNAL_FILE", 114, u"BFILE", 530, 0, 0, true, 1},
        {"CREATED_AT", 181, u"TIMESTAMP WITH TIME ZONE", 13, 0, 6, true, 1},
        {"REVIEWED_AT", 231, u"TIMESTAMP WITH LOCAL TIME ZONE", 11, 0, 6, true, 1},
        {"RETENTION", 182, u"INTERVAL YEAR TO MONTH", 5, 2, 0, true, 1},
        {"REVIEW_TIME", 183, u"INTERVAL DAY TO SECOND", 11, 3, 2, true, 1},
        {"SIZE_BYTES", 2, u"NUMBER", 22, 0, -127, true, 1},
        {"SCORE", 101, u"BINARY_DOUBLE", 8, 0, 0, true, 1},
        {"RATIO", 100, u"BINARY_FLOAT", 4, 0, 0, true, 1},
        {"BIG_NUMBER", 2, u"NUMBER", 22, 38, 0, true, 1},
        {"ROUNDED_TO_HUNDREDS", 2, u"NUMBER", 22, 10, -2, true, 1},
    };
    ocilite::translated t = tr("SELECT * FROM \"DOCUMENTS\"");
    ASSERT_EQ(t.columns.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        const auto& d = t.columns[i];
        SCOPED_TRACE(c.column);
        EXPECT_EQ(compat::utf16_to_utf8(d.name), c.column);
        EXPECT_EQ(d.type_code, c.type_code);
        EXPECT_EQ(d.type_name, c.type_name);
        EXPECT_EQ(d.data_size, c.data_size);
        EXPECT_EQ(d.precision, c.precision);
        EXPECT_EQ(d.scale, c.scale);
        EXPECT_EQ(d.nullable, c.nullable);
        EXPECT_EQ(d.charset_form, c.charset_form);
    }
    ocilite::translated e = tr("SELECT * FROM \"EMPLOYEES\"");
    const std::vector<describe_case> more = {
        {"COUNTRY", 96, u"CHAR", 2, 0, 0, true, 1},         {"GRADE", 96, u"NCHAR", 6, 0, 0, true, 2},
        {"SALARY", 2, u"NUMBER", 22, 8, 2, true, 1},        {"COMMISSION", 2, u"NUMBER", 22, 5, 5, true, 1},
        {"BONUS_RATE", 2, u"FLOAT", 22, 63, -127, true, 1}, {"HEADCOUNT", 2, u"NUMBER", 22, 38, 0, true, 1},
        {"HIRE_DATE", 12, u"DATE", 7, 0, 0, true, 1},       {"LAST_LOGIN", 180, u"TIMESTAMP", 11, 0, 3, true, 1},
    };
    for (const auto& c : more) {
        SCOPED_TRACE(c.column);
        auto it = std::find_if(e.columns.begin(), e.columns.end(), [&](const ocilite::column_desc& d) {
            return compat::utf16_to_utf8(d.name) == c.column;
        });
        ASSERT_NE(it, e.columns.end());
        EXPECT_EQ(it->type_code, c.type_code);
        EXPECT_EQ(it->type_name, c.type_name);
        EXPECT_EQ(it->data_size, c.data_size);
        EXPECT_EQ(it->precision, c.precision);
        EXPECT_EQ(it->scale, c.scale);
        EXPECT_EQ(it->charset_form, c.charset_form);
    }
}

TEST_F(catalog_queries, select_star_returns_store_values_in_insertion_order) {
    rows_t r = run("SELECT * FROM \"DEPARTMENTS\"");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"10", "Administration", "Paris", "125000.5", "2001-03-15 00:00:00",
                                              "We're the best"}));
    EXPECT_EQ(r[2][1], "東京支社");
    EXPECT_EQ(r[2][3], ".75");
    EXPECT_EQ(r[3][2], "NULL");
}

}  // namespace
