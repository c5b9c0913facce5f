// Anonymous blocks, the ALTER TABLE / DROP forms of install scripts, and the functions their
// INSERT values use.
#include "tests/ocilite/store_fixture.h"

namespace {

using ocilite_test::rows_t;

TEST(blocks, run_their_statements_with_variables_handlers_and_dynamic_sql) {
    ocilite_test::temp_store s;
    s.load_ok(
        "CREATE USER app IDENTIFIED BY pw;\n"
        "CREATE TABLE log (n NUMBER, msg VARCHAR2(60));\n"
        "CREATE TABLE k (id NUMBER PRIMARY KEY);\n"
        "DECLARE\n"
        "  v_count  NUMBER := 0;\n"
        "  v_name   log.msg%TYPE DEFAULT 'start';\n"
        "  c_step   CONSTANT NUMBER := 10;\n"
        "  e_missing EXCEPTION;\n"
        "  PRAGMA EXCEPTION_INIT(e_missing, -942);\n"
        "BEGIN\n"
        "  INSERT INTO log VALUES (v_count, v_name);\n"
        "  FOR i IN 1 .. 3 LOOP\n"
        "    v_count := v_count + c_step;\n"
        "    INSERT INTO log VALUES (v_count, 'loop ' || i);\n"
        "  END LOOP;\n"
        "  SELECT COUNT(*) INTO v_count FROM log WHERE n > 0;\n"
        "  IF v_count = 3 THEN\n"
        "    INSERT INTO log VALUES (v_count, 'three');\n"
        "  ELSIF v_count > 3 THEN\n"
        "    NULL;\n"
        "  ELSE\n"
        "    RAISE_APPLICATION_ERROR(-20001, 'wrong count');\n"
        "  END IF;\n"
        "  BEGIN\n"
        "    EXECUTE IMMEDIATE 'DROP TABLE ' || 'nosuch';\n"
        "  EXCEPTION\n"
        "    WHEN e_missing THEN\n"
        "      INSERT INTO log VALUES (SQLCODE, 'no table');\n"
        "  END;\n"
        "  BEGIN\n"
        "    INSERT INTO k VALUES (1);\n"
        "    INSERT INTO k VALUES (1);\n"
        "  EXCEPTION\n"
        "    WHEN DUP_VAL_ON_INDEX THEN\n"
        "      INSERT INTO log VALUES (-1, SUBSTR(SQLERRM, 1, 9));\n"
        "  END;\n"
        "  BEGIN\n"
        "    SELECT msg INTO v_name FROM log WHERE n = 999;\n"
        "  EXCEPTION\n"
        "    WHEN NO_DATA_FOUND THEN\n"
        "      v_name := 'none found';\n"
        "  END;\n"
        "  INSERT INTO log VALUES (99, v_name);\n"
        "  EXECUTE IMMEDIATE 'CREATE TABLE made_here (x NUMBER)';\n"
        "  COMMIT;\n"
        "END;\n"
        "/\n");
    EXPECT_EQ(s.rows("SELECT c1, c2 FROM t1 ORDER BY rowid"), (rows_t{{"0", "start"},
                                                                      {"10", "loop 1"},
                                                                      {"20", "loop 2"},
                                                                      {"30", "loop 3"},
                                                                      {"3", "three"},
                                                                      {"-942", "no table"},
                                                                      {"-1", "ORA-00001"},
                                                                      {"99", "none found"}}));
    // The handled duplicate left the first row in.
    EXPECT_EQ(s.rows("SELECT c1 FROM t2"), (rows_t{{"1"}}));
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM ocilite_tables WHERE table_name='MADE_HERE'"), (rows_t{{"1"}}));

    // An unhandled failure rolls the whole block back, naming the failing step's line.
    ocilite::sql_error e = s.load(
        "BEGIN\n"
        "  INSERT INTO log VALUES (100, 'gone');\n"
        "  INSERT INTO k VALUES (1);\n"
        "END;\n"
        "/\n");
    EXPECT_EQ(e.message, "ORA-00001: unique constraint (APP.SYS_C0010000) violated");
    EXPECT_EQ(e.line, 3);
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM t1 WHERE c1 = 100"), (rows_t{{"0"}}));

    struct bad {
        const char* block;
        const char* message;
    };
    const std::vector<bad> cases = {
        {"BEGIN\n  SELECT n INTO x FROM log WHERE n = 0;\nEND;\n/\n", "ORA-06550: identifier 'X' must be declared"},
        {"DECLARE v NUMBER;\nBEGIN\n  SELECT n INTO v FROM log;\nEND;\n/\n",
         "ORA-01422: exact fetch returns more than requested number of rows"},
        {"DECLARE\n  CURSOR c IS SELECT n FROM log;\nBEGIN\n  NULL;\nEND;\n/\n",
         "ORA-03001: not supported by ocilite: CURSOR declarations"},
        {"BEGIN\n  my_proc(1);\nEXCEPTION WHEN OTHERS THEN NULL;\nEND;\n/\n",
         "ORA-03001: not supported by ocilite: calls of MY_PROC"},
        {"BEGIN\n  WHILE 1 = 1 LOOP NULL; END LOOP;\nEND;\n/\n",
         "ORA-03001: not supported by ocilite: PL/SQL WHILE statements"},
        {"BEGIN\n  RAISE_APPLICATION_ERROR(-1, 'x');\nEND;\n/\n",
         "ORA-21000: error number argument to raise_application_error of -1 is out of range"},
        {"BEGIN\n  EXECUTE IMMEDIATE 'INSERT INTO log VALUES (1, ''x'');';\nEND;\n/\n", "ORA-00911: invalid character"},
        {"BEGIN\n  INSERT INTO log VALUES (1, 'x')\nEND;\n/\n",
         "ORA-06550: PLS-00103: Encountered the symbol \"end-of-file\" when expecting END"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        EXPECT_EQ(s.load(c.block).message, c.message);
    }
    // A branch never taken may hold what the stand-in cannot run; statistics calls do nothing.
    s.load_ok(
        "BEGIN\n  IF 1 = 0 THEN\n    other_proc;\n  END IF;\n"
        "  DBMS_STATS.GATHER_SCHEMA_STATS('APP', granularity => 'ALL', cascade => TRUE);\nEND;\n/\n");
}

TEST(ddl, alter_table_and_drop_forms_of_install_scripts) {
    ocilite_test::temp_store s;
    s.load_ok(
        "CREATE USER app IDENTIFIED BY pw;\n"
        "CREATE TABLE p (id NUMBER CONSTRAINT p_pk PRIMARY KEY, name VARCHAR2(10));\n"
        "CREATE TABLE c (id NUMBER, p_id NUMBER);\n"
        "ALTER TABLE c ADD (CONSTRAINT c_pk PRIMARY KEY (id), CONSTRAINT c_p_fk FOREIGN KEY (p_id) REFERENCES p);\n"
        "ALTER TABLE c MODIFY CONSTRAINT c_p_fk DISABLE NOVALIDATE;\n"
        "INSERT INTO c VALUES (1, 42);\n"
        "ALTER TABLE c ADD (note VARCHAR2(20) DEFAULT 'n/a', flag CHAR(1));\n"
        "INSERT INTO c (id, p_id) VALUES (2, NULL);\n");
    EXPECT_EQ(s.rows("SELECT CONSTRAINT_NAME, STATUS FROM USER_CONSTRAINTS WHERE TABLE_NAME='C' ORDER BY 1"),
              (rows_t{{"C_PK", "ENABLED"}, {"C_P_FK", "DISABLED"}}));
    EXPECT_EQ(s.rows("SELECT c1, c2, c3, c4 FROM t2 ORDER BY c1"),
              (rows_t{{"1", "42", "NULL", "NULL"}, {"2", "NULL", "n/a", "NULL"}}));
    EXPECT_EQ(s.load("ALTER TABLE c ENABLE CONSTRAINT c_p_fk;").message,
              "ORA-02298: cannot validate (APP.C_P_FK) - parent keys not found");
    s.load_ok("ALTER TABLE c ENABLE NOVALIDATE CONSTRAINT c_p_fk;");
    EXPECT_EQ(s.load("INSERT INTO c (id, p_id) VALUES (3, 43);").message,
              "ORA-02291: integrity constraint (APP.C_P_FK) violated - parent key not found");
    EXPECT_EQ(s.load("ALTER TABLE c DISABLE CONSTRAINT nosuch;").code, 2431);
    EXPECT_EQ(s.load("DROP TABLE p;").message, "ORA-02449: unique/primary keys in table referenced by foreign keys");
    s.load_ok("CREATE VIEW pv AS SELECT id FROM p;\nDROP VIEW pv;\nDROP TABLE p CASCADE CONSTRAINTS PURGE;\n");
    EXPECT_EQ(s.rows("SELECT table_name FROM ocilite_tables"), (rows_t{{"C"}}));
    EXPECT_EQ(s.rows("SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS"), (rows_t{{"C_PK"}}));
    EXPECT_EQ(s.rows("SELECT COUNT(*) FROM ALL_VIEWS"), (rows_t{{"0"}}));
    EXPECT_EQ(s.rows("SELECT name FROM sqlite_master WHERE name='t1'"), (rows_t{}));
    // The freed name can be used again, and rows copied from another table.
    s.load_ok(
        "CREATE TABLE p (id NUMBER, name VARCHAR2(10));\n"
        "INSERT INTO p (id, name) SELECT id * 10, NVL(note, 'x') FROM c WHERE id < 10;\n");
    EXPECT_EQ(s.rows("SELECT c1, c2 FROM t3 ORDER BY c1"), (rows_t{{"10", "x"}, {"20", "n/a"}}));
    EXPECT_EQ(s.load("DROP TABLE nosuch;").code, 942);
    EXPECT_EQ(s.load("ALTER TABLE c DROP COLUMN note;").message,
              "ORA-03001: not supported by ocilite: ALTER TABLE ... DROP");
}

struct fn_case {
    const char* type;
    const char* expr;
    const char* stored;
};

TEST(functions, install_scripts_put_these_in_insert_values) {
    const std::vector<fn_case> cases = {
        {"RAW(20)", "UTL_RAW.CAST_TO_RAW('AB')", "4142"},
        {"BLOB", "UTL_RAW.CAST_TO_RAW('{\"a\":1}')", "7B2261223A317D"},
        {"NVARCHAR2(10)", "UNISTR('caf\\00e9')", "caf\xC3\xA9"},
        {"INTERVAL YEAR TO MONTH", "TO_YMINTERVAL('01-02')", "+01-02"},
        {"INTERVAL DAY TO SECOND", "TO_DSINTERVAL('2 03:04:05')", "+02 03:04:05.000000"},
        {"TIMESTAMP WITH TIME ZONE", "TO_TIMESTAMP_TZ('2020-01-02 03:04:05 +02:00', 'YYYY-MM-DD HH24:MI:SS TZH:TZM')",
         "2020-01-02 03:04:05.000000000 +02:00"},
        {"TIMESTAMP", "TO_TIMESTAMP('28-FEB-2022 19.51.10.834453249', 'DD-MON-YYYY HH24.MI.SS.FF')",
         "2022-02-28 19:51:10.834453000"},
        {"DATE", "TO_DATE('17-06-2013', 'dd-MM-yyyy')", "2013-06-17 00:00:00"},
        {"NUMBER", "NVL(NULL, 5)", "5"},
        {"VARCHAR2(10)", "DECODE(2, 1, 'one', 2, 'two', 'many')", "two"},
        {"VARCHAR2(10)", "DECODE(NULL, NULL, 'null', 'other')", "null"},
        {"VARCHAR2(10)", "SUBSTR('abcdef', -3, 2)", "de"},
        {"NUMBER", "INSTR('banana', 'an', 1, 2)", "4"},
        {"NUMBER", "INSTR('banana', 'an', -1)", "4"},
        {"VARCHAR2(10)", "TRIM('  x  ')", "x"},
        {"VARCHAR2(10)", "REPLACE('a-b-c', '-', '+')", "a+b+c"},
        {"VARCHAR2(10)", "REPLACE('a-b-c', '-')", "abc"},
        {"VARCHAR2(10)", "'a' || CHR(66)", "aB"},
        {"NUMBER", "ROUND(2.345, 2)", "2.35"},
        {"NUMBER", "TRUNC(-2.99)", "-2"},
        {"DATE", "ADD_MONTHS(DATE '2020-01-31', 1)", "2020-02-29 00:00:00"},
        {"DATE", "TRUNC(TO_DATE('2020-05-06 07:08:09', 'YYYY-MM-DD HH24:MI:SS'))", "2020-05-06 00:00:00"},
        {"VARCHAR2(20)", "INITCAP('hello wORLD')", "Hello World"},
        {"NUMBER", "GREATEST(3, 7, 5) - LEAST(3, 7, 5)", "4"},
        {"VARCHAR2(20)", "q'[it's [here]]'", "it's [here]"},
        {"NVARCHAR2(20)", "nq'!don't!'", "don't"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expr);
        ocilite_test::temp_store s;
        s.load_ok(std::string("CREATE TABLE v (x ") + c.type + ");");
        s.load_ok(std::string("INSERT INTO v VALUES (") + c.expr + ");");
        rows_t r = s.rows("SELECT CASE typeof(c1) WHEN 'blob' THEN hex(c1) ELSE c1 END FROM t1");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0][0], c.stored);
    }
    // SYSTIMESTAMP and CURRENT_DATE are the statement's time.
    ocilite_test::temp_store s;
    s.load_ok("CREATE TABLE v (a TIMESTAMP, b DATE); INSERT INTO v VALUES (SYSTIMESTAMP, CURRENT_DATE);");
    rows_t r = s.rows("SELECT substr(c1, 1, 16) = substr(c2, 1, 16) FROM t1");
    EXPECT_EQ(r, (rows_t{{"1"}}));
}

}  // namespace
