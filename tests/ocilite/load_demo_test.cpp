// The demo schema loads, and the catalog holds what Oracle's dictionary would show for it.
#include "tests/ocilite/store_fixture.h"

namespace {

using ocilite_test::rows_t;

class demo_store : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store_ = new ocilite_test::temp_store;
        store_->load_ok(ocilite_test::demo_schema());
    }
    static void TearDownTestSuite() {
        delete store_;
        store_ = nullptr;
    }
    static ocilite_test::temp_store* store_;
};
ocilite_test::temp_store* demo_store::store_ = nullptr;

TEST_F(demo_store, columns_carry_types_sizes_and_defaults) {
    rows_t r = store_->rows(
        "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT,"
        " CHAR_LENGTH, CHAR_USED FROM USER_TAB_COLUMNS WHERE TABLE_NAME='EMPLOYEES' ORDER BY COLUMN_ID");
    rows_t want = {
        {"EMP_ID", "NUMBER", "22", "6", "0", "N", "1", "NULL", "0", "NULL"},
        {"DEPT_ID", "NUMBER", "22", "4", "0", "N", "2", "NULL", "0", "NULL"},
        {"MANAGER_ID", "NUMBER", "22", "6", "0", "Y", "3", "NULL", "0", "NULL"},
        {"FIRST_NAME", "VARCHAR2", "40", "NULL", "NULL", "Y", "4", "NULL", "40", "B"},
        {"LAST_NAME", "VARCHAR2", "40", "NULL", "NULL", "N", "5", "NULL", "40", "B"},
        {"EMAIL", "VARCHAR2", "100", "NULL", "NULL", "Y", "6", "NULL", "100", "B"},
        {"COUNTRY", "CHAR", "2", "NULL", "NULL", "Y", "7", "'FR'", "2", "B"},
        {"GRADE", "NCHAR", "6", "NULL", "NULL", "Y", "8", "NULL", "3", "C"},
        {"SALARY", "NUMBER", "22", "8", "2", "Y", "9", "NULL", "0", "NULL"},
        {"COMMISSION", "NUMBER", "22", "5", "5", "Y", "10", "NULL", "0", "NULL"},
        {"BONUS_RATE", "FLOAT", "22", "63", "NULL", "Y", "11", "NULL", "0", "NULL"},
        {"HEADCOUNT", "NUMBER", "22", "NULL", "0", "Y", "12", "NULL", "0", "NULL"},
        {"HIRE_DATE", "DATE", "7", "NULL", "NULL", "Y", "13", "NULL", "0", "NULL"},
        {"SHIFT_START", "DATE", "7", "NULL", "NULL", "Y", "14", "NULL", "0", "NULL"},
        {"LAST_LOGIN", "TIMESTAMP(3)", "11", "NULL", "3", "Y", "15", "NULL", "0", "NULL"},
        {"STATUS", "VARCHAR2", "20", "NULL", "NULL", "N", "16", "'active'", "20", "B"},
    };
    EXPECT_EQ(r, want);
    rows_t d = store_->rows(
        "SELECT DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE FROM USER_TAB_COLUMNS "
        "WHERE TABLE_NAME='DOCUMENTS' AND COLUMN_NAME IN ('REVIEW_TIME','RETENTION','TITLE') "
        "ORDER BY COLUMN_ID");
    EXPECT_EQ(d, (rows_t{{"NVARCHAR2", "200", "NULL", "NULL"},
                         {"INTERVAL YEAR(2) TO MONTH", "5", "2", "0"},
                         {"INTERVAL DAY(3) TO SECOND(2)", "11", "3", "2"}}));
}

TEST_F(demo_store, constraints_and_their_columns) {
    rows_t c = store_->rows(
        "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE, R_CONSTRAINT_NAME, DELETE_RULE, STATUS, INDEX_NAME "
        "FROM USER_CONSTRAINTS WHERE TABLE_NAME='EMPLOYEES' ORDER BY CONSTRAINT_NAME");
    EXPECT_EQ(c, (rows_t{{"FK_EMP_DEPT", "R", "PK_DEPARTMENTS", "CASCADE", "ENABLED", "NULL"},
                         {"FK_EMP_MANAGER", "R", "PK_EMPLOYEES", "SET NULL", "ENABLED", "NULL"},
                         {"PK_EMPLOYEES", "P", "NULL", "NULL", "ENABLED", "PK_EMPLOYEES"},
                         {"UQ_EMPLOYEES_EMAIL", "U", "NULL", "NULL", "ENABLED", "UQ_EMPLOYEES_EMAIL"}}));
    rows_t cc = store_->rows(
        "SELECT CONSTRAINT_NAME, COLUMN_NAME, POSITION FROM USER_CONS_COLUMNS "
        "WHERE TABLE_NAME='DOCUMENTS' ORDER BY CONSTRAINT_NAME");
    EXPECT_EQ(cc, (rows_t{{"SYS_C0010001", "DOC_ID", "1"}, {"SYS_C0010002", "EMP_ID", "1"}}));
}

TEST_F(demo_store, indexes_mark_system_named_ones_as_generated) {
    rows_t i =
        store_->rows("SELECT INDEX_NAME, TABLE_NAME, UNIQUENESS, GENERATED FROM USER_INDEXES ORDER BY INDEX_NAME");
    EXPECT_EQ(i, (rows_t{{"IX_EMPLOYEES_DEPT", "EMPLOYEES", "NONUNIQUE", "N"},
                         {"IX_EMPLOYEES_NAME", "EMPLOYEES", "NONUNIQUE", "N"},
                         {"PK_DEPARTMENTS", "DEPARTMENTS", "UNIQUE", "N"},
                         {"PK_EMPLOYEES", "EMPLOYEES", "UNIQUE", "N"},
                         {"SYS_C0010000", "DEPARTMENTS", "UNIQUE", "Y"},
                         {"SYS_C0010001", "DOCUMENTS", "UNIQUE", "Y"},
                         {"SYS_C0010003", "AUDIT_LOG", "UNIQUE", "Y"},
                         {"SYS_C0010004", "LEGACY_IMAGES", "UNIQUE", "Y"},
                         {"SYS_C0010005", "MixedCase", "UNIQUE", "Y"},
                         {"UQ_EMPLOYEES_EMAIL", "EMPLOYEES", "UNIQUE", "N"},
                         {"UX_DOCUMENTS_TITLE", "DOCUMENTS", "UNIQUE", "N"}}));
    rows_t ic = store_->rows(
        "SELECT COLUMN_NAME, COLUMN_POSITION FROM USER_IND_COLUMNS WHERE INDEX_NAME='IX_EMPLOYEES_NAME' "
        "ORDER BY COLUMN_POSITION");
    EXPECT_EQ(ic, (rows_t{{"LAST_NAME", "1"}, {"FIRST_NAME", "2"}}));
}

TEST_F(demo_store, store_meta_users_and_maps) {
    EXPECT_EQ(store_->rows("SELECT username, password FROM ocilite_users"), (rows_t{{"DEMO", "demo"}}));
    EXPECT_EQ(store_->rows("SELECT value FROM ocilite_meta WHERE key IN ('version','owner') ORDER BY key"),
              (rows_t{{"DEMO"}, {"19.0.0.0.0"}}));
    EXPECT_EQ(store_->rows("SELECT sqlite_name FROM ocilite_tables WHERE table_name='MixedCase'"), (rows_t{{"t6"}}));
    EXPECT_EQ(store_->rows("SELECT DUMMY FROM DUAL"), (rows_t{{"X"}}));
}

TEST_F(demo_store, values_are_stored_as_oracle_keeps_them) {
    // employees: CHAR padding, NUMBER rounding to scale, dates only, times only, timestamps.
    rows_t e = store_->rows("SELECT c7, c8, c9, c10, c11, c13, c14, c15 FROM t2 WHERE c1 IN (100, 101) ORDER BY c1");
    EXPECT_EQ(
        e, (rows_t{{"FR", "A1 ", "8200", ".12345", ".5", "1998-06-01 00:00:00", "0000-00-00 08:30:00",
                    "2024-01-15 09:15:30.125000000"},
                   {"FR", "B2 ", "6100.26", "NULL", ".0125", "2004-02-01 00:00:00", "0000-00-00 22:00:00", "NULL"}}));
    // documents: a CLOB beyond one 32 KB chunk, a BLOB, intervals, zones, negative scale.
    rows_t d = store_->rows(
        "SELECT length(c4), length(c6), typeof(c6), hex(c7), c8, c9, c11, c12, c16, c17 FROM t3 WHERE c1 = 1");
    EXPECT_EQ(d, (rows_t{{"72000", "70000", "blob", "89504E470D0A1A0A", "DOC_DIR/handbook.pdf",
                          "2024-02-29 13:45:00.500000000 +02:00", "+05-06", "+012 03:04:05.25",
                          "12345678901234567890123456789012345678", "123500"}}));
    // EMPTY_CLOB() / EMPTY_BLOB() are empty, not NULL; a column left out is NULL.
    EXPECT_EQ(store_->rows("SELECT typeof(c4), length(c4), typeof(c6), length(c6), typeof(c5) FROM t3 WHERE c1 = 2"),
              (rows_t{{"text", "0", "blob", "0", "null"}}));
    EXPECT_EQ(store_->rows("SELECT c2, c4 FROM t4 WHERE c1 IN (1, 101) ORDER BY c1"),
              (rows_t{{"2024-05-01 12:00:01", "LOGIN "}, {"2024-06-01 01:00:00", "TICK  "}}));
    EXPECT_EQ(store_->rows("SELECT hex(c2) FROM t5 WHERE c1 = 1"), (rows_t{{"01AB"}}));
    // Defaults: SYSDATE (a full date and time of now) and a quoted text with a doubled quote.
    EXPECT_EQ(store_->rows("SELECT length(c5), c5 LIKE '____-__-__ __:__:__', c6 FROM t1 WHERE c1 = 40"),
              (rows_t{{"19", "1", "We're the best"}}));
}

}  // namespace
