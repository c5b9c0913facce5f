// ocilite-load runs SQL*Plus install scripts as SQL*Plus does: commands, substitution
// variables, nested scripts, error handling and the exit status.
#include <filesystem>

#include "ocilite/sql_translate.h"
#include "tests/ocilite/store_fixture.h"
#include "tests/support/proc_run.h"
#include "tests/support/temp_dir.h"

namespace {

using ocilite_test::rows_t;
using test_support::proc_result;

std::string fixture(const std::string& name) { return std::string(MG_SOURCE_DIR) + "/tests/fixtures/sqlplus/" + name; }

// Runs the loader in dir on store STORE.sqlite with the arguments given.
proc_result load(const std::string& dir, std::vector<std::string> args, const std::string& stdin_file = "") {
    std::vector<std::string> argv{MG_OCILITE_LOAD};
    for (auto& a : args) argv.push_back(a == "STORE" ? dir + "/STORE.sqlite" : a);
    test_support::proc_options o;
    o.cwd = dir;
    o.stdin_file = stdin_file;
    return test_support::run_process(argv, o);
}

rows_t query(const std::string& store, const std::string& sql) {
    ocilite::sqlite_db db(store, false);
    return test_support::sqlite_rows(db.get(), sql);
}

TEST(sqlplus, an_install_script_calling_its_create_and_populate_scripts_runs_as_shipped) {
    test_support::temp_dir dir("ocilite-sqlplus");
    proc_result r = load(dir.path(), {"-D", "pass=Sh0p!", "STORE", fixture("shop_install.sql")});
    EXPECT_EQ(r.code, 0) << r.err;
    // PROMPT texts and query rows on standard output; NOPRINT columns hidden.
    EXPECT_NE(r.out.find("Installing the SHOP sample schema.\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Table provided actual\nregions 3 3\ncustomers 4 4\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("USERS"), std::string::npos) << r.out;
    // Commands without effect are noted once each on standard error; nothing else is said.
    EXPECT_NE(r.err.find("shop_install.sql: line 10: note: SET ECHO has no effect on a store; skipped\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("note: SPOOL has no effect"), std::string::npos);
    EXPECT_NE(r.err.find("shop_create.sql: line 97: note: view ORDER_ITEMS_LIST created; querying it is not "
                         "supported by ocilite (LISTAGG)\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("ORA-"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("shop_install.log")));

    std::string store = dir.file("STORE.sqlite");
    EXPECT_EQ(query(store, "SELECT username, password FROM ocilite_users"), (rows_t{{"SHOP", "Sh0p!"}}));
    EXPECT_EQ(
        query(store, "SELECT TABLE_NAME, IFNULL(IOT_TYPE, '-') FROM USER_TABLES ORDER BY TABLE_NAME"),
        (rows_t{{"COUNTRIES", "IOT"}, {"CUSTOMERS", "-"}, {"ORDERS", "-"}, {"ORDER_LINES", "-"}, {"REGIONS", "-"}}));
    // The anonymous blocks' rows, with their functions evaluated; '&' kept under SET DEFINE OFF.
    EXPECT_EQ(query(store, "SELECT c1, c2, c3, c4 FROM t3 ORDER BY c1"),
              (rows_t{{"1", "tammy.bryant@internalmail", "Tammy Bryant", "US"},
                      {"2", "roy.white@internalmail", "Roy O'White", "FR"},
                      {"3", "gary@internalmail", "Gar\xC3\xA9 Jenkins", "IT"},
                      {"4", "victor@internalmail", "Victor Morris", "NULL"}}));
    EXPECT_EQ(query(store, "SELECT hex(c5) FROM t3 WHERE c1 = 2"),
              (rows_t{{"7B22636F6C6F7572223A22726564222C0A2273697A6573223A5B332C345D7D"}}));
    EXPECT_EQ(query(store, "SELECT c1, c2, c3, c4, c5 FROM t4 ORDER BY c1"),
              (rows_t{{"1000", "1", "2020-02-03 10:11:12.500000000", "OPEN", "R&D order"},
                      {"1001", "2", "2021-06-07 08:00:00.000000000", "PAID", "none"}}));
    EXPECT_EQ(query(store, "SELECT c3 FROM t5 ORDER BY c1, c2"), (rows_t{{"12.5"}, {"7.46"}, {"99"}}));
    // The block whose duplicate row its handler swallowed kept its other rows.
    EXPECT_EQ(query(store, "SELECT c1 FROM t2 ORDER BY c1"), (rows_t{{"FR"}, {"IT"}, {"JP"}, {"US"}}));
    EXPECT_EQ(query(store,
                    "SELECT CONSTRAINT_NAME, STATUS FROM USER_CONSTRAINTS WHERE TABLE_NAME='COUNTRIES'"
                    " ORDER BY CONSTRAINT_NAME"),
              (rows_t{{"COUNTRY_C_ID_PK", "ENABLED"}, {"COUNTR_REG_FK", "ENABLED"}}));
    EXPECT_EQ(query(store,
                    "SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME IN"
                    " ('CUSTOMERS_DETAILS_JSON', 'ORDERS_STATUS_C') ORDER BY CONSTRAINT_NAME"),
              (rows_t{{"details is json"}, {"status in ( 'OPEN', 'PAID', 'SHIPPED' )"}}));
    // Views: the one the translator runs, and the ones it cannot, kept with their text.
    EXPECT_EQ(query(store, "SELECT VIEW_NAME, substr(TEXT, 1, 20) FROM USER_VIEWS ORDER BY VIEW_NAME"),
              (rows_t{{"CUSTOMER_ORDERS", "SELECT c.customer_id"},
                      {"ORDER_ITEMS_LIST", "SELECT o.order_id,\n "},
                      {"RANKED_LINES", "SELECT l.order_id, l"},
                      {"STATUS_TOTALS", "SELECT o.status, COU"}}));
    EXPECT_EQ(query(store, "SELECT view_name, reason FROM ocilite_unrunnable_views ORDER BY view_name"),
              (rows_t{{"ORDER_ITEMS_LIST", "LISTAGG"},
                      {"RANKED_LINES", "analytic functions (OVER)"},
                      {"STATUS_TOTALS", "GROUPING SETS"}}));
    {
        // Selecting from a view the stand-in cannot run says so; the others run.
        ocilite::sqlite_db db(store, false);
        try {
            ocilite::translate(db.get(), u"select * from order_items_list");
            ADD_FAILURE() << "no error";
        } catch (const ocilite::ora_error& e) {
            EXPECT_EQ(e.message, "ORA-03001: not supported by ocilite: the query of view ORDER_ITEMS_LIST (LISTAGG)");
        }
        ocilite::translated t = ocilite::translate(db.get(), u"select full_name from customer_orders");
        EXPECT_EQ(t.columns.size(), 1u);
    }
    EXPECT_EQ(query(store, "SELECT TABLE_NAME, COMMENTS FROM USER_TAB_COMMENTS ORDER BY TABLE_NAME"),
              (rows_t{{"ORDER_ITEMS_LIST", "Lines of each order as a list"},
                      {"REGIONS",
                       "Regions of the world. Countries name their region /\na region has countries; see "
                       "COUNTRIES."}}));
    EXPECT_EQ(query(store,
                    "SELECT OBJECT_NAME, OBJECT_TYPE FROM USER_OBJECTS WHERE OBJECT_TYPE <> 'SEQUENCE'"
                    " ORDER BY OBJECT_NAME"),
              (rows_t{{"ADD_ORDER_NOTE", "PROCEDURE"},
                      {"ORDER_LINES_BI", "TRIGGER"},
                      {"SECURE_CUSTOMERS", "TRIGGER"},
                      {"SECURE_DML", "PROCEDURE"}}));
    EXPECT_EQ(query(store,
                    "SELECT TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, STATUS FROM USER_TRIGGERS"
                    " ORDER BY TRIGGER_NAME"),
              (rows_t{{"ORDER_LINES_BI", "BEFORE EACH ROW", "INSERT", "ENABLED"},
                      {"SECURE_CUSTOMERS", "BEFORE STATEMENT", "INSERT OR UPDATE OR DELETE", "DISABLED"}}));
    EXPECT_EQ(query(store, "SELECT COUNT(*) FROM USER_SOURCE WHERE NAME='SECURE_DML'"), (rows_t{{"9"}}));

    // Run again: the install drops the old schema (its DROP USER CASCADE) and builds it anew.
    proc_result again = load(dir.path(), {"-D", "pass=Sh0p!", "STORE", fixture("shop_install.sql")});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_NE(again.out.find("Old SHOP schema has been dropped.\n"), std::string::npos) << again.out;
    rows_t customers = query(store, "SELECT sqlite_name FROM ocilite_tables WHERE table_name='CUSTOMERS'");
    ASSERT_EQ(customers.size(), 1u);
    EXPECT_EQ(query(store, "SELECT COUNT(*) FROM " + customers[0][0]), (rows_t{{"4"}}));
    EXPECT_EQ(query(store, "SELECT COUNT(*) FROM ocilite_tables"), (rows_t{{"5"}}));
}

TEST(sqlplus, a_missing_password_stops_the_install_naming_the_variable) {
    test_support::temp_dir dir("ocilite-sqlplus");
    proc_result r = load(dir.path(), {"STORE", fixture("shop_install.sql")});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("shop_install.sql: line 24: ACCEPT PASS: no value (ACCEPT does not prompt here; give -D "
                         "PASS=value)\n"),
              std::string::npos)
        << r.err;
    // WHENEVER SQLERROR EXIT: nothing after the failure ran.
    EXPECT_EQ(query(dir.file("STORE.sqlite"), "SELECT COUNT(*) FROM ocilite_tables"), (rows_t{{"0"}}));
}

struct error_case {
    const char* script;
    int code;            // exit status
    const char* err;     // expected on standard error (substring)
    const char* tables;  // tables in the store afterwards, comma separated
};

TEST(sqlplus, failing_statements_are_reported_and_the_script_goes_on_unless_told_to_exit) {
    const std::vector<error_case> cases = {
        // Default: report with file and line, go on, exit non-zero.
        {"CREATE TABLE a (x NUMBER);\nINSERT INTO nosuch VALUES (1);\nCREATE TABLE b (x NUMBER);\n", 1,
         "s.sql: line 2: ORA-00942: table or view does not exist\n", "A,B"},
        // WHENEVER SQLERROR EXIT SQL.SQLCODE: the ORA number's low byte (942 -> 174).
        {"WHENEVER SQLERROR EXIT SQL.SQLCODE\nCREATE TABLE a (x NUMBER);\nINSERT INTO nosuch VALUES (1);\n"
         "CREATE TABLE b (x NUMBER);\n",
         174, "s.sql: line 3: ORA-00942", "A"},
        {"WHENEVER SQLERROR EXIT 7\nCREATE TABLE a (x NUMBER) garbage;\nCREATE TABLE b (x NUMBER);\n", 7,
         "s.sql: line 2: ORA-00933: SQL command not properly ended\n", ""},
        {"WHENEVER SQLERROR EXIT FAILURE\nWHENEVER SQLERROR CONTINUE\nUPDATE a SET x = 1;\nCREATE TABLE b (x "
         "NUMBER);\n",
         1, "s.sql: line 3: ORA-03001: not supported by ocilite: UPDATE statements\n", "B"},
        // A statement the stand-in cannot run says so, and never as a syntax error.
        {"CREATE TABLE a (x NUMBER);\nCREATE INDEX ai ON a (UPPER(x));\n", 1,
         "s.sql: line 2: ORA-03001: not supported by ocilite: indexes on expressions\n", "A"},
        {"BEGIN\n  FOR r IN (SELECT 1 FROM dual) LOOP\n    NULL;\n  END LOOP;\nEND;\n/\n", 1,
         "s.sql: line 2: ORA-03001: not supported by ocilite: cursor FOR loops\n", ""},
        // An undefined variable names itself, and the statement does not run.
        {"CREATE TABLE &tab (x NUMBER);\nCREATE TABLE b (x NUMBER);\n", 1,
         "s.sql: line 1: substitution variable &TAB is not defined (give -D TAB=value)\n", "B"},
        {"CREATE TABLE t_&1 (x NUMBER);\n", 1,
         "s.sql: line 1: substitution variable &1 is not defined (give it as script argument 1)\n", ""},
        // EXIT ends the run with its code; a failure before it still makes the status non-zero.
        {"CREATE TABLE a (x NUMBER);\nEXIT 3\nCREATE TABLE b (x NUMBER);\n", 3, "", "A"},
        {"INSERT INTO nosuch VALUES (1);\nEXIT\n", 1, "ORA-00942", ""},
        {"@nosuch.sql\nCREATE TABLE a (x NUMBER);\n", 1, "s.sql: line 1: SP2-0310: unable to open file", "A"},
        // A failed CONNECT leaves no session: nothing runs until a CONNECT succeeds.
        {"CONNECT nobody/pw\nCREATE TABLE a (x NUMBER);\nEXECUTE NULL\nCONNECT sys\nCREATE TABLE b (x NUMBER);\n", 1,
         "s.sql: line 3: SP2-0640: Not connected\n", "B"},
        // '/' on its own runs the SQL buffer again.
        {"CREATE TABLE a (x NUMBER);\n/\nCREATE TABLE b (x NUMBER);\n", 1,
         "s.sql: line 2: ORA-00955: name is already used by an existing object\n", "A,B"},
        {"BEGIN\n  RAISE_APPLICATION_ERROR(-20001, 'stop ' || 'here');\nEND;\n/\n", 1,
         "s.sql: line 2: ORA-20001: stop here\n", ""},
        {"INSERT INTO nosuch VALUES (1);\nEXIT SQL.SQLCODE\n", 174, "ORA-00942", ""},
        // A byte-order mark, an alternative quote holding ';' at a line's end, SQL*Plus's own variables.
        {"\xEF\xBB\xBFrem saved by an editor\nCREATE TABLE a (x VARCHAR2(30));\n"
         "INSERT INTO a VALUES (q'[it's;\nnot the end]');\nCREATE TABLE b (x NUMBER);\n",
         0, "", "A,B"},
        {"CREATE USER app IDENTIFIED BY p;\nCREATE TABLE t_&_USER (x NUMBER);\n", 0, "", "T_APP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        test_support::temp_dir dir("ocilite-sqlplus");
        test_support::write_file(dir.file("s.sql"), c.script);
        proc_result r = load(dir.path(), {"STORE", dir.file("s.sql")});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        rows_t tables = query(dir.file("STORE.sqlite"), "SELECT table_name FROM ocilite_tables ORDER BY table_name");
        std::string names;
        for (const auto& t : tables) names += (names.empty() ? "" : ",") + t[0];
        EXPECT_EQ(names, c.tables);
    }
}

TEST(sqlplus, a_slash_runs_the_sql_buffer_again) {
    test_support::temp_dir dir("ocilite-sqlplus");
    test_support::write_file(dir.file("s.sql"),
                             "/\n"  // nothing in the buffer yet
                             "CREATE TABLE a (x NUMBER);\n"
                             "INSERT INTO a VALUES (1);\n"
                             "/\n"
                             "PROMPT commands leave the buffer alone\n"
                             "/\n"
                             "INSERT INTO a VALUES (2)\n"
                             ".\n"  // ended, not run: a '/' runs it
                             "/\n"
                             "BEGIN\n"
                             "  INSERT INTO a VALUES (3);\n"
                             "END;\n"
                             "/\n"
                             "/\n");
    proc_result r = load(dir.path(), {"STORE", dir.file("s.sql")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(query(dir.file("STORE.sqlite"), "SELECT c1 FROM t1 ORDER BY rowid"),
              (rows_t{{"1"}, {"1"}, {"1"}, {"2"}, {"3"}, {"3"}}));
}

TEST(sqlplus, substitution_variables_come_from_definitions_and_arguments) {
    test_support::temp_dir dir("ocilite-sqlplus");
    std::filesystem::create_directory(dir.file("sub"));
    test_support::write_file(dir.file("main.sql"),
                             "DEFINE owner = 'app'\n"
                             "DEF suffix=_t\n"
                             "CREATE USER &owner IDENTIFIED BY &&pw;\n"
                             "CREATE TABLE &owner..items&suffix (id NUMBER, who VARCHAR2(30), note VARCHAR2(40));\n"
                             "INSERT INTO items_t VALUES (1, USER, '&1 and &2');\n"
                             "@@sub/more one-arg\n"
                             "SET DEFINE OFF\n"
                             "INSERT INTO items_t VALUES (3, USER, 'Tom & Jerry');\n"
                             "SET DEFINE ON\n"
                             "PROMPT owner is &owner, -\n"
                             "the end\n"
                             "CONNECT other/pw2\n"
                             "INSERT INTO items_t VALUES (4, USER, 'as other');\n"
                             "EXECUTE INSERT INTO items_t VALUES (5, USER, 'exec')\n");
    test_support::write_file(dir.file("sub/more.sql"),
                             "CREATE USER other IDENTIFIED BY pw2;\n"
                             "INSERT INTO items_t VALUES (2, USER, '&1');\n");
    proc_result r = load(dir.path(), {"-Dpw=Secret", "STORE", dir.file("main.sql"), "first", "second"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("owner is app,  the end\n"), std::string::npos) << r.out;
    EXPECT_EQ(query(dir.file("STORE.sqlite"), "SELECT username, password FROM ocilite_users ORDER BY username"),
              (rows_t{{"APP", "Secret"}, {"OTHER", "pw2"}}));
    EXPECT_EQ(query(dir.file("STORE.sqlite"), "SELECT c1, c2, c3 FROM t1 ORDER BY c1"),
              (rows_t{{"1", "APP", "first and second"},
                      {"2", "APP", "one-arg"},
                      {"3", "APP", "Tom & Jerry"},
                      {"4", "OTHER", "as other"},
                      {"5", "OTHER", "exec"}}));
    // Standard input, with the arguments after --.
    test_support::write_file(dir.file("in.sql"), "CREATE TABLE &1 (x NUMBER);\n");
    proc_result in = load(dir.path(), {"STORE", "--", "from_stdin"}, dir.file("in.sql"));
    EXPECT_EQ(in.code, 0) << in.err;
    EXPECT_EQ(query(dir.file("STORE.sqlite"), "SELECT COUNT(*) FROM ocilite_tables WHERE table_name='FROM_STDIN'"),
              (rows_t{{"1"}}));
}

}  // namespace
