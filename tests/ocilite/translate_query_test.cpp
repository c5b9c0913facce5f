// User queries in the SQL both dialects share, and the Oracle errors of bad ones.
#include "compat/text/text.h"
#include "ocilite/sql_translate.h"
#include "tests/ocilite/store_fixture.h"

namespace {

using ocilite_test::rows_t;

class user_queries : public ::testing::Test {
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
    static ocilite_test::temp_store* store_;
};
ocilite_test::temp_store* user_queries::store_ = nullptr;

struct query_case {
    const char* sql;
    std::vector<std::string> names;
    rows_t rows;
};

TEST_F(user_queries, return_what_oracle_returns) {
    const std::vector<query_case> cases = {
        {"select dept_id, name from departments where dept_id in (10, 30) order by dept_id desc",
         {"DEPT_ID", "NAME"},
         {{"30", "東京支社"}, {"10", "Administration"}}},
        {"SELECT d.name AS \"Dept\", budget b FROM departments d WHERE budget > 100000 ORDER BY 2",
         {"Dept", "B"},
         {{"Administration", "125000.5"}, {"Recherche & Développement", "2500000"}}},
        // NUMBER values held as decimal text compare as numbers.
        {"select emp_id from employees where salary > 6100 and salary < 6101", {"EMP_ID"}, {{"101"}}},
        {"select emp_id, salary from employees where emp_id < 1000 order by salary",
         {"EMP_ID", "SALARY"},
         {{"101", "6100.26"}, {"100", "8200"}, {"102", "450000"}, {"103", "NULL"}}},
        // Oracle sorts NULL last ascending and first descending.
        {"select emp_id from employees where emp_id < 1000 order by first_name desc",
         {"EMP_ID"},
         {{"103"}, {"102"}, {"100"}, {"101"}}},
        {"select last_name from employees where last_name like 'O%' order by 1", {"LAST_NAME"}, {{"O'Connor"}}},
        // LIKE tells case apart.
        {"select count(*) from employees where last_name like 'o%'", {"COUNT(*)"}, {{"0"}}},
        {"select emp_id from employees where first_name is null", {"EMP_ID"}, {{"103"}}},
        {"select emp_id from employees where email is null and emp_id between 100 and 199", {"EMP_ID"}, {{"103"}}},
        // '' is NULL.
        {"select count(*) from \"MixedCase\" where \"Full Name\" is null", {"COUNT(*)"}, {{"1"}}},
        {"select count(*) from employees where first_name = ''", {"COUNT(*)"}, {{"0"}}},
        {"select \"Id\", \"id\" from \"MixedCase\" order by \"Id\"", {"Id", "id"}, {{"1", "one"}, {"2", "NULL"}}},
        {"select e.last_name, d.name from employees e, departments d where e.dept_id = d.dept_id and e.emp_id = 102",
         {"LAST_NAME", "NAME"},
         {{"山田", "東京支社"}}},
        {"select e.last_name, m.last_name boss, d.location from employees e join employees m on m.emp_id = "
         "e.manager_id "
         "join departments d on d.dept_id = e.dept_id where e.emp_id = 103",
         {"LAST_NAME", "BOSS", "LOCATION"},
         {{"O'Connor", "Núñez", "NULL"}}},
        {"select d.name, count(e.emp_id) from departments d left join employees e on e.dept_id = d.dept_id and "
         "e.emp_id < 1000 group by d.name order by d.name",
         {"NAME", "COUNT(E.EMP_ID)"},
         {{"Administration", "1"}, {"Recherche & Développement", "1"}, {"Support 🎧", "1"}, {"東京支社", "1"}}},
        {"select dept_id, count(*), min(emp_id), max(emp_id), sum(headcount) from employees group by dept_id "
         "having count(*) > 50 order by dept_id",
         {"DEPT_ID", "COUNT(*)", "MIN(EMP_ID)", "MAX(EMP_ID)", "SUM(HEADCOUNT)"},
         {{"10", "51", "100", "1200", "12"},
          {"20", "51", "101", "1197", "NULL"},
          {"30", "51", "102", "1198", "NULL"},
          {"40", "51", "103", "1199", "NULL"}}},
        {"select first_name || ' ' || last_name full_name from employees where emp_id = 100",
         {"FULL_NAME"},
         {{"Émilie Durand"}}},
        {"select emp_id * 2 + 1, upper(last_name) from employees where emp_id = 100",
         {"EMP_ID*2+1", "UPPER(LAST_NAME)"},
         {{"201", "DURAND"}}},
        {"select count(*) from employees where hire_date >= DATE '2010-01-01' and hire_date < "
         "TO_DATE('2010-12-31', 'YYYY-MM-DD')",
         {"COUNT(*)"},
         {{"1"}}},
        {"select emp_id from employees where rownum <= 3", {"EMP_ID"}, {{"100"}, {"101"}, {"102"}}},
        {"select full_name, department from employee_directory where emp_id = 101",
         {"FULL_NAME", "DEPARTMENT"},
         {{"José Núñez", "Recherche & Développement"}}},
        {"select headcount from department_headcount where dept_id = 40", {"HEADCOUNT"}, {{"51"}}},
        {"select dummy from dual", {"DUMMY"}, {{"X"}}},
        {"select 1, 'abc', null from dual", {"1", "'ABC'", "NULL"}, {{"1", "abc", "NULL"}}},
        {"select name from departments where dept_id = (select max(dept_id) from departments)",
         {"NAME"},
         {{"Support 🎧"}}},
        {"select count(*) from employees e where exists (select 1 from documents d where d.emp_id = e.emp_id)",
         {"COUNT(*)"},
         {{"2"}}},
        {"select emp_id from employees where emp_id < 102 union select emp_id from employees where emp_id = 103 "
         "order by 1",
         {"EMP_ID"},
         {{"100"}, {"101"}, {"103"}}},
        {"select case when salary > 10000 then 'high' else 'low' end as band from employees where emp_id = 102",
         {"BAND"},
         {{"high"}}},
        {"select nvl(first_name, '?'), decode(dept_id, 40, 'support', 'other') from employees where emp_id = 103",
         {"NVL(FIRST_NAME,'?')", "DECODE(DEPT_ID,40,'SUPPORT','OTHER')"},
         {{"?", "support"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        ocilite::translated t;
        try {
            t = tr(c.sql);
        } catch (const ocilite::ora_error& e) {
            ADD_FAILURE() << e.message;
            continue;
        }
        std::vector<std::string> names;
        for (const auto& d : t.columns) names.push_back(compat::utf16_to_utf8(d.name));
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(store_->rows(t.sqlite_sql), c.rows) << t.sqlite_sql;
    }
}

TEST_F(user_queries, describe_of_expressions) {
    ocilite::translated t =
        tr("select emp_id, last_name || '!', count(*) over_all from employees group by emp_id, last_name");
    ASSERT_EQ(t.columns.size(), 3u);
    EXPECT_EQ(t.columns[0].precision, 6);
    EXPECT_EQ(t.columns[1].type_code, ocilite::type_code::varchar2);
    EXPECT_EQ(t.columns[1].data_size, 41);
    EXPECT_EQ(t.columns[2].type_code, ocilite::type_code::number);
    EXPECT_EQ(t.columns[2].name, u"OVER_ALL");
}

TEST_F(user_queries, non_queries_are_harmless) {
    ocilite::translated t = tr("COMMIT");
    EXPECT_FALSE(t.is_query);
    EXPECT_TRUE(t.columns.empty());
    EXPECT_TRUE(store_->rows(t.sqlite_sql).empty());
}

struct error_case {
    const char* sql;
    int code;
    const char* message;
};

TEST_F(user_queries, bad_sql_raises_oracle_errors) {
    const std::vector<error_case> cases = {
        {"select * from no_such_table", 942, "ORA-00942: table or view does not exist"},
        {"select * from \"employees\"", 942, "ORA-00942: table or view does not exist"},
        {"select * from other_user.employees", 942, "ORA-00942: table or view does not exist"},
        {"select nosuch from employees", 904, "ORA-00904: \"NOSUCH\": invalid identifier"},
        {"select e.nosuch from employees e", 904, "ORA-00904: \"E\".\"NOSUCH\": invalid identifier"},
        {"select \"id\" from departments", 904, "ORA-00904: \"id\": invalid identifier"},
        {"selec 1 from dual", 900, "ORA-00900: invalid SQL statement"},
        {"drop table employees", 900, "ORA-00900: invalid SQL statement"},
        {"select 1 from dual x y", 933, "ORA-00933: SQL command not properly ended"},
        {"select * from employees order by emp_id garbage", 933, "ORA-00933: SQL command not properly ended"},
        {"select * from employees;", 911, "ORA-00911: invalid character"},
        {"select dept_id from employees e, departments d", 918, "ORA-00918: column ambiguously defined"},
        {"select 1 dual", 923, "ORA-00923: FROM keyword not found where expected"},
        {"select (1 from dual", 907, "ORA-00907: missing right parenthesis"},
        {"select 'abc from dual", 1756, "ORA-01756: quoted string not properly terminated"},
        {"select from dual", 936, "ORA-00936: missing expression"},
        {"select nosuchfn(1) from dual", 904, "ORA-00904: \"NOSUCHFN\": invalid identifier"},
        // What the stand-in lacks is named, never reported as a syntax error.
        {"select listagg(last_name, ', ') within group (order by last_name) from employees", 3001,
         "ORA-03001: not supported by ocilite: LISTAGG"},
        {"select emp_id, rank() over (order by salary) from employees", 3001,
         "ORA-03001: not supported by ocilite: analytic functions (OVER)"},
        {"select dept_id, count(*) from employees group by grouping sets ((dept_id), ())", 3001,
         "ORA-03001: not supported by ocilite: GROUPING SETS"},
        {"select emp_seq.nextval from dual", 3001,
         "ORA-03001: not supported by ocilite: sequence values (NEXTVAL, CURRVAL) in queries"},
        {"with e as (select * from employees) select * from e", 3001,
         "ORA-03001: not supported by ocilite: WITH subqueries"},
        {"select e.emp_id from employees e, departments d where e.dept_id = d.dept_id(+)", 3001,
         "ORA-03001: not supported by ocilite: outer joins with (+)"},
        {"select emp_id from employees start with manager_id is null connect by prior emp_id = manager_id", 3001,
         "ORA-03001: not supported by ocilite: CONNECT BY"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            tr(c.sql);
            ADD_FAILURE() << "no error";
        } catch (const ocilite::ora_error& e) {
            EXPECT_EQ(e.code, c.code);
            EXPECT_EQ(e.message, c.message);
        }
    }
}

}  // namespace
