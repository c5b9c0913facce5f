// Loader behaviour: failing statements, value conversions, names, generated rows.
#include <sys/wait.h>

#include <cstdio>

#include "tests/ocilite/store_fixture.h"

namespace {

using ocilite_test::rows_t;

TEST(loader, a_bad_statement_names_its_line_and_leaves_nothing_behind) {
    ocilite_test::temp_store s;
    ocilite::sql_error e = s.load(
        "CREATE USER u IDENTIFIED BY p;\n"
        "CREATE TABLE t (id NUMBER(3) PRIMARY KEY, name VARCHAR2(5));\n"
        "INSERT INTO t VALUES (1, 'one');\n"
        "-- a comment\n"
        "INSERT INTO t SELECT LEVEL + 1, 'x' FROM DUAL\n"
        "  CONNECT BY LEVEL <= 5;\n"
        "INSERT INTO t SELECT LEVEL + 10, RPAD('y', LEVEL, 'y') FROM DUAL CONNECT BY LEVEL <= 9;\n"
        "INSERT INTO t VALUES (99, 'never');\n");
    EXPECT_EQ(e.code, 12899);
    EXPECT_EQ(e.line, 7);
    EXPECT_EQ(e.message, "ORA-12899: value too large for column \"U\".\"T\".\"NAME\" (actual: 6, maximum: 5)");
    // The earlier statements stay; none of the failing statement's five good rows do.
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM t1"), (rows_t{{"6"}}));
}

TEST(loader, unreadable_text_fails_at_its_line_after_the_statements_before_it) {
    ocilite_test::temp_store s;
    ocilite::sql_error e =
        s.load("CREATE TABLE a (x NUMBER);\nINSERT INTO a VALUES (1);\n\nCREATE TABLE b (y NUMBER) garbage;\n");
    EXPECT_EQ(e.code, 933);
    EXPECT_EQ(e.line, 4);
    EXPECT_EQ(s.rows("SELECT table_name FROM ocilite_tables"), (rows_t{{"A"}}));
    ocilite::sql_error q = s.load("INSERT INTO a VALUES (2);\nINSERT INTO a VALUES ('unterminated);\n");
    EXPECT_EQ(q.code, 1756);
    EXPECT_EQ(q.line, 2);
    EXPECT_EQ(s.rows("SELECT c1 FROM t1 ORDER BY rowid"), (rows_t{{"1"}, {"2"}}));
}

TEST(loader, the_tool_reports_errors_on_stderr_with_a_nonzero_status) {
    ocilite_test::temp_store s;
    std::string script = s.dir() + "/bad.sql";
    {
        std::FILE* f = std::fopen(script.c_str(), "w");
        std::fputs(
            "CREATE TABLE ok_table (x NUMBER);\nCREATE TABLE other (x NUMBER);\nCREATE TABLE ok_table (x NUMBER);\n",
            f);
        std::fclose(f);
    }
    std::string cmd =
        std::string(MG_OCILITE_LOAD) + " " + s.dir() + "/NEW.sqlite < " + script + " 2> " + s.dir() + "/err.txt";
    int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_EQ(test_support::read_file(s.dir() + "/err.txt"),
              "ocilite-load: <stdin>: line 3: ORA-00955: name is already used by an existing object\n");
    std::string ok =
        std::string(MG_OCILITE_LOAD) + " " + s.dir() + "/NEW.sqlite " + std::string(MG_SOURCE_DIR) + "/demo/schema.sql";
    status = std::system(ok.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

struct value_case {
    const char* type;
    const char* literal;
    const char* stored;  // typeof:value, or "ORA-nnnnn"
};

TEST(loader, values_convert_as_oracle_stores_them) {
    const std::vector<value_case> cases = {
        {"NUMBER", "42", "integer:42"},
        {"NUMBER", ".5", "text:.5"},
        {"NUMBER", "-0.25", "text:-.25"},
        {"NUMBER", "1.50", "text:1.5"},
        {"NUMBER", "1e3", "integer:1000"},
        {"NUMBER", "1.5E-3", "text:.0015"},
        {"NUMBER", "'  12 '", "integer:12"},
        {"NUMBER", "'abc'", "ORA-01722"},
        {"NUMBER", "123456789012345678901234567890", "text:123456789012345678901234567890"},
        {"NUMBER", "9.99e125", "text:9.99E+125"},
        {"NUMBER", "1e126", "ORA-01426"},
        {"NUMBER", "-1e126", "ORA-01426"},
        {"NUMBER", "TO_BINARY_DOUBLE(1e300)", "ORA-01426"},
        {"NUMBER", "1e-130", "text:1E-130"},
        {"NUMBER", "-1e-131", "integer:0"},
        {"NUMBER(5,2)", "123.456", "text:123.46"},
        {"NUMBER(5,2)", "999.995", "ORA-01438"},
        {"NUMBER(5,2)", "-999.994", "text:-999.99"},
        {"NUMBER(3)", "999.4", "integer:999"},
        {"NUMBER(3)", "1000", "ORA-01438"},
        {"NUMBER(5,-2)", "12345", "integer:12300"},
        {"NUMBER(3,5)", ".00123456", "text:.00123"},
        {"NUMBER(3,5)", ".01", "ORA-01438"},
        {"FLOAT(10)", "1234.5678", "integer:1235"},
        {"INTEGER", "2.5", "integer:3"},
        {"VARCHAR2(3)", "'abc'", "text:abc"},
        {"VARCHAR2(3)", "'abcd'", "ORA-12899"},
        {"VARCHAR2(3)", "'é€'", "ORA-12899"},
        {"VARCHAR2(3 CHAR)", "'é€x'", "text:é€x"},
        {"VARCHAR2(10)", "''", "null:"},
        {"VARCHAR2(10)", "12.50", "text:12.5"},
        {"CHAR(4)", "'ab'", "text:ab  "},
        {"NCHAR(3)", "N'日本'", "text:日本 "},
        {"NVARCHAR2(2)", "N'日本語'", "ORA-12899"},
        {"VARCHAR2(10)", "EMPTY_CLOB()", "ORA-00932"},
        {"NVARCHAR2(10)", "EMPTY_CLOB()", "ORA-00932"},
        {"CHAR(10)", "EMPTY_BLOB()", "ORA-00932"},
        {"VARCHAR2(4000 CHAR)", "RPAD('é', 2001, 'é')", "ORA-12899"},
        {"NVARCHAR2(2000)", "RPAD(UNISTR('\\D83D\\DE00'), 1001, UNISTR('\\D83D\\DE00'))", "ORA-12899"},
        {"DATE", "TO_DATE('31-12-1999 23:59:58', 'DD-MM-YYYY HH24:MI:SS')", "text:1999-12-31 23:59:58"},
        {"DATE", "TO_DATE('2005-02-30', 'YYYY-MM-DD')", "ORA-01847"},
        {"DATE", "'15-MAR-2005'", "text:2005-03-15 00:00:00"},
        {"DATE", "DATE '2000-01-31' + 1.5", "text:2000-02-01 12:00:00"},
        {"DATE", "TO_DATE('01/02/2003 01:02:03 PM', 'MM/DD/YYYY HH:MI:SS AM')", "text:2003-01-02 13:02:03"},
        {"TIMESTAMP", "TIMESTAMP '2005-03-15 10:20:30.1234567'", "text:2005-03-15 10:20:30.123457000"},
        {"TIMESTAMP(0)", "TIMESTAMP '2005-03-15 10:20:30.6'", "text:2005-03-15 10:20:31.000000000"},
        {"TIMESTAMP WITH TIME ZONE", "TIMESTAMP '2005-03-15 10:20:30 -05:30'",
         "text:2005-03-15 10:20:30.000000000 -05:30"},
        {"INTERVAL YEAR TO MONTH", "INTERVAL '2-3' YEAR TO MONTH", "text:+02-03"},
        {"INTERVAL YEAR TO MONTH", "INTERVAL '123-0' YEAR(3) TO MONTH", "ORA-01873"},
        {"INTERVAL DAY TO SECOND", "INTERVAL '1 02:03:04' DAY TO SECOND", "text:+01 02:03:04.000000"},
        {"INTERVAL DAY(3) TO SECOND(0)", "'-10 00:00:01.7'", "text:-010 00:00:02"},
        {"RAW(4)", "HEXTORAW('0aFF')", "blob:0AFF"},
        {"RAW(2)", "'ABCDEF'", "ORA-12899"},
        {"RAW(2)", "'XY'", "ORA-01465"},
        {"BLOB", "EMPTY_BLOB()", "blob:"},
        {"BLOB", "OCILITE_RANDOM_BYTES(3, 7)", "blob:"},
        {"CLOB", "EMPTY_CLOB()", "text:"},
        {"CLOB", "'text'", "text:text"},
        {"LONG RAW", "HEXTORAW('01AB')", "blob:01AB"},
        {"BINARY_DOUBLE", "1.5", "real:1.5"},
        {"DATE", "42", "ORA-00932"},
        {"NUMBER", "DATE '2000-01-01'", "ORA-00932"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " <- " + c.literal);
        ocilite_test::temp_store s;
        s.load_ok(std::string("CREATE TABLE v (x ") + c.type + ");");
        ocilite::sql_error e = s.load(std::string("INSERT INTO v VALUES (") + c.literal + ");");
        std::string want = c.stored;
        if (want.rfind("ORA-", 0) == 0) {
            EXPECT_EQ(e.message.substr(0, 9), want);
            EXPECT_EQ(s.rows("SELECT COUNT(*) FROM t1"), (rows_t{{"0"}}));
            continue;
        }
        ASSERT_EQ(e.code, 0) << e.message;
        rows_t r = s.rows(
            "SELECT typeof(c1), CASE typeof(c1) WHEN 'blob' THEN hex(c1) WHEN 'null' THEN '' ELSE c1 END FROM t1");
        ASSERT_EQ(r.size(), 1u);
        std::string got = r[0][0] + ":" + r[0][1];
        if (want == "blob:" && std::string(c.literal).find("RANDOM") != std::string::npos) {
            EXPECT_EQ(r[0][0], "blob");
            EXPECT_EQ(r[0][1].size(), 6u);
            continue;
        }
        EXPECT_EQ(got, want);
    }
}

TEST(loader, not_null_keys_and_foreign_keys_are_enforced) {
    ocilite_test::temp_store s;
    s.load_ok(
        "CREATE USER app IDENTIFIED BY pw;"
        "CREATE TABLE p (id NUMBER PRIMARY KEY, code VARCHAR2(5) CONSTRAINT uq_code UNIQUE);"
        "CREATE TABLE c (id NUMBER, p_id NUMBER CONSTRAINT fk_c_p REFERENCES p ON DELETE CASCADE, v VARCHAR2(5) NOT "
        "NULL);"
        "INSERT INTO p VALUES (1, 'a');");
    struct bad {
        const char* sql;
        const char* message;
    };
    const std::vector<bad> cases = {
        {"INSERT INTO p VALUES (1, 'b');", "ORA-00001: unique constraint (APP.SYS_C0010000) violated"},
        {"INSERT INTO p VALUES (2, 'a');", "ORA-00001: unique constraint (APP.UQ_CODE) violated"},
        {"INSERT INTO p (code) VALUES ('z');", "ORA-01400: cannot insert NULL into (\"APP\".\"P\".\"ID\")"},
        {"INSERT INTO c VALUES (1, 7, 'x');",
         "ORA-02291: integrity constraint (APP.FK_C_P) violated - parent key not found"},
        {"INSERT INTO c VALUES (1, 1, '');", "ORA-01400: cannot insert NULL into (\"APP\".\"C\".\"V\")"},
        {"INSERT INTO c (id, nosuch) VALUES (1, 2);", "ORA-00904: \"NOSUCH\": invalid identifier"},
        {"INSERT INTO c VALUES (1, 1);", "ORA-00947: not enough values"},
        {"INSERT INTO nosuch VALUES (1);", "ORA-00942: table or view does not exist"},
        {"CREATE TABLE p (x NUMBER);", "ORA-00955: name is already used by an existing object"},
        {"CREATE TABLE d (x NUMBER, x NUMBER);", "ORA-00957: duplicate column name"},
        {"CREATE TABLE d (x NUMBER PRIMARY KEY, y NUMBER PRIMARY KEY);",
         "ORA-02260: table can have only one primary key"},
        {"CREATE TABLE d (x NUMBER REFERENCES c);", "ORA-02268: referenced table does not have a primary key"},
        {"CREATE TABLE d (x VARCHAR2);", "ORA-00906: missing left parenthesis"},
        {"CREATE TABLE d (x VARCHAR2(4001));", "ORA-00910: specified length too long for its datatype"},
        {"CREATE TABLE d (x NUMBER(39));", "ORA-01727: numeric precision specifier is out of range (1 to 38)"},
        {"CREATE TABLE d (x WIDGET);", "ORA-00902: invalid datatype"},
        {"CREATE TABLE d (x LONG, y LONG RAW);", "ORA-01754: a table may contain only one column of type LONG"},
        {"CREATE INDEX ix ON p (id);", "ORA-01408: such column list already indexed"},
        {"CREATE TABLE other.d (x NUMBER);", "ORA-01918: user 'OTHER' does not exist"},
        {"CREATE VIEW bad_view AS SELECT nosuch FROM p;", "ORA-00904: \"NOSUCH\": invalid identifier"},
        {"FROBNICATE p;", "ORA-00900: invalid SQL statement"},
        {"UPDATE p SET id = 2;", "ORA-03001: not supported by ocilite: UPDATE statements"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        ocilite::sql_error e = s.load(c.sql);
        EXPECT_EQ(e.message, c.message);
        EXPECT_EQ(e.line, 1);
    }
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM t1"), (rows_t{{"1"}}));
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM t2"), (rows_t{{"0"}}));
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM ocilite_tables"), (rows_t{{"2"}}));
    // A row may reference itself; ALTER TABLE adds a key to existing rows after checking them.
    s.load_ok(
        "CREATE TABLE tree (id NUMBER PRIMARY KEY, parent NUMBER REFERENCES tree);"
        "INSERT INTO tree VALUES (1, 1); INSERT INTO tree VALUES (2, 1);"
        "ALTER TABLE c ADD CONSTRAINT pk_c PRIMARY KEY (id);");
    EXPECT_EQ(s.rows("SELECT NULLABLE FROM USER_TAB_COLUMNS WHERE TABLE_NAME='C' AND COLUMN_NAME='ID'"),
              (rows_t{{"N"}}));
}

TEST(loader, refuses_what_oracle_refuses) {
    const std::string x4000(4000, 'x');
    std::string cjk;  // 1,334 characters of three bytes each: 4,002 bytes
    for (int i = 0; i < 1334; ++i) cjk += "世";
    struct refusal {
        std::string what;
        std::string sql;
        int code;  // 0: accepted
    };
    const std::vector<refusal> cases = {
        {"a literal of 4000 bytes", "INSERT INTO t (v) VALUES ('" + x4000 + "');", 0},
        {"a literal of 4001 bytes", "INSERT INTO t (v) VALUES ('" + x4000 + "x');", 1704},
        {"a literal counted in bytes", "INSERT INTO t (nv) VALUES (N'" + cjk + "');", 1704},
        {"a literal in a query", "SELECT 'x' || '" + x4000 + "y' FROM DUAL;", 1704},
        {"a literal in PL/SQL", "DECLARE s VARCHAR2(5000) := '" + x4000 + "y'; BEGIN NULL; END;\n/\n", 0},
        {"4000 bytes into VARCHAR2(n CHAR)", "INSERT INTO t (v) VALUES (RPAD('é', 2000, 'é'));", 0},
        {"a column named ROWID", "CREATE TABLE r (rowid NUMBER);", 904},
        {"a quoted column named ROWID", "ALTER TABLE t ADD (\"ROWID\" NUMBER);", 904},
        {"a column named rowid in lower case", "CREATE TABLE r (\"rowid\" NUMBER);", 0},
        {"a table named ROWID", "CREATE TABLE \"ROWID\" (x NUMBER);", 0},
        {"a null character in a quoted name", std::string("CREATE TABLE \"a\0b\" (x NUMBER);", 30), 911},
        {"MAXVALUE of 28 digits", "CREATE SEQUENCE s MAXVALUE 9999999999999999999999999999;", 0},
        {"MAXVALUE of 29 digits", "CREATE SEQUENCE s MAXVALUE 1.0E28;", 4003},
        {"MINVALUE of 28 negative digits", "CREATE SEQUENCE s INCREMENT BY -1 MINVALUE -9999999999999999999999999999;",
         4003},
        {"START WITH of 29 digits", "CREATE SEQUENCE s START WITH 1E28 NOMAXVALUE;", 4003},
        {"an identity's MAXVALUE", "CREATE TABLE i (id NUMBER GENERATED ALWAYS AS IDENTITY (MAXVALUE 1E28));", 4003},
        {"several rows of VALUES", "INSERT INTO t (n) VALUES (1), (2);", 933},
        {"GRANT to a user, a role and PUBLIC", "CREATE ROLE app; GRANT CREATE SESSION TO u, app, PUBLIC;", 0},
        {"GRANT to nobody", "GRANT CREATE SESSION TO u, nobody;", 1917},
        {"REVOKE from nobody", "REVOKE SELECT ON t FROM nobody;", 1917},
        {"a role named as a user", "CREATE ROLE u;", 1921},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ocilite_test::temp_store s;
        s.load_ok(
            "CREATE USER u IDENTIFIED BY p;\nCREATE TABLE t (v VARCHAR2(4000 CHAR), nv NVARCHAR2(2000), n NUMBER);");
        ocilite::sql_error e = s.load(c.sql);
        EXPECT_EQ(e.code, c.code) << e.message;
        if (c.code != 0) {
            EXPECT_EQ(s.rows("SELECT COUNT(*) FROM t1"), (rows_t{{"0"}}));
        }
    }
}

TEST(loader, quoted_names_keep_their_case) {
    ocilite_test::temp_store s;
    s.load_ok(
        "CREATE TABLE \"Emp\" (\"ID\" NUMBER, \"id\" VARCHAR2(3), Name VARCHAR2(5));"
        "CREATE TABLE emp (id NUMBER);"
        "INSERT INTO \"Emp\" (\"id\", \"ID\", name) VALUES ('low', 1, 'n');"
        "INSERT INTO EMP VALUES (2);");
    EXPECT_EQ(s.rows("SELECT table_name, sqlite_name FROM ocilite_tables ORDER BY sqlite_name"),
              (rows_t{{"Emp", "t1"}, {"EMP", "t2"}}));
    EXPECT_EQ(s.rows("SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME='Emp' ORDER BY COLUMN_ID"),
              (rows_t{{"ID"}, {"id"}, {"NAME"}}));
    EXPECT_EQ(s.rows("SELECT c1, c2, c3 FROM t1"), (rows_t{{"1", "low", "n"}}));
    EXPECT_EQ(s.load("INSERT INTO \"emp\" VALUES (3);").code, 942);
    EXPECT_EQ(s.load("INSERT INTO \"Emp\" (\"Id\") VALUES (3);").code, 904);
}

TEST(loader, generates_rows_from_the_row_number) {
    ocilite_test::temp_store s;
    s.load_ok(
        "CREATE TABLE big (id NUMBER(10) PRIMARY KEY, code VARCHAR2(20), amount NUMBER(12,2), at DATE,"
        " flag CHAR(1), body CLOB, data BLOB);"
        "INSERT INTO big (id, code, amount, at, flag)"
        " SELECT LEVEL, 'C' || LPAD(TO_CHAR(MOD(LEVEL, 1000)), 4, '0'), LEVEL / 4,"
        "        TO_DATE('2020-01-01', 'YYYY-MM-DD') + LEVEL / 86400, CASE WHEN MOD(LEVEL, 2) = 0 THEN 'Y' ELSE 'N' END"
        " FROM DUAL CONNECT BY LEVEL <= 100000;"
        "INSERT INTO big (id, body, data) SELECT 200000 + LEVEL, RPAD('x', 65536 + LEVEL, 'yz'),"
        " OCILITE_RANDOM_BYTES(65536, LEVEL) FROM DUAL CONNECT BY LEVEL < 4;");
    EXPECT_EQ(s.rows("SELECT COUNT(*), MIN(c1), MAX(c1) FROM t1"), (rows_t{{"100003", "1", "200003"}}));
    EXPECT_EQ(s.rows("SELECT c2, c3, c4, c5 FROM t1 WHERE c1 IN (1, 2, 86400) ORDER BY c1"),
              (rows_t{{"C0001", ".25", "2020-01-01 00:00:01", "N"},
                      {"C0002", ".5", "2020-01-01 00:00:02", "Y"},
                      {"C0400", "21600", "2020-01-02 00:00:00", "Y"}}));
    EXPECT_EQ(s.rows("SELECT length(c6), substr(c6, 1, 4), length(c7) FROM t1 WHERE c1 > 200000 ORDER BY c1"),
              (rows_t{{"65537", "xyzy", "65536"}, {"65538", "xyzy", "65536"}, {"65539", "xyzy", "65536"}}));
    // The same seed gives the same bytes; another seed others.
    EXPECT_EQ(s.rows("SELECT COUNT(DISTINCT c7) FROM t1 WHERE c1 > 200000"), (rows_t{{"3"}}));
}

}  // namespace
