// The writing side of the client library as a server judges it: DDL and DML through
// OCIStmtExecute, RETURNING ROWID through dynamic binds, LOB writes through locked locators,
// and the session's transaction.
#include <algorithm>
#include <fstream>

#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;
using rows = std::vector<std::vector<std::string>>;

// A store of its own per test (WRITE.sqlite beside the fixture store), with two users.
class OciWrite : public ::testing::Test {
protected:
    void SetUp() override {
        stores().build_text("WRITE", "CREATE USER scott IDENTIFIED BY tiger;\nCREATE USER other IDENTIFIED BY pw;\n");
        ASSERT_EQ(s.logon("scott", "tiger", "WRITE"), OCI_SUCCESS) << s.error().text;
        ok("CREATE TABLE \"W\" (\"ID\" NUMBER(11,0) NOT NULL, \"NAME\" NVARCHAR2(5) , \"D\" DATE, \"R\" RAW(4), "
           "\"CL\" CLOB, \"BL\" BLOB, CONSTRAINT \"PK_W\" PRIMARY KEY (\"ID\"))");
    }

    void ok(const std::string& sql, ub4 mode = OCI_DEFAULT) {
        statement st(s);
        ASSERT_EQ(st.prepare(u(sql)), OCI_SUCCESS);
        ASSERT_EQ(st.execute(1, mode), OCI_SUCCESS) << s.error().text << "\n" << sql;
    }
    ora_err refused(const std::string& sql) {
        statement st(s);
        EXPECT_EQ(st.prepare(u(sql)), OCI_SUCCESS);
        EXPECT_EQ(st.execute(1), OCI_ERROR) << sql;
        return s.error();
    }
    // What another session sees: only committed work.
    rows seen_by_other(const std::string& sql) {
        session other;
        EXPECT_EQ(other.logon("other", "pw", "WRITE"), OCI_SUCCESS) << other.error().text;
        return rows_as_text(other, sql);
    }
    static const test_support::store_folder& stores() { return fixture_store::get().stores; }

    session s;
};

// Records every callback the library makes, in order.
struct recorder {
    std::vector<std::string> calls;
    OCIBind* bind = nullptr;
    char16_t buffer[256] = {};
    ub4 length = 0;
    sb2 indicator = -5;
    ub2 rcode = 99;

    static sb4 in(void* ctx, OCIBind* b, ub4 iter, ub4 index, void** bufpp, ub4* alenp, ub1* piecep, void** indpp) {
        auto* self = static_cast<recorder*>(ctx);
        self->calls.push_back("in " + std::to_string(iter) + "/" + std::to_string(index) +
                              (b == self->bind ? " bind" : " other"));
        *bufpp = nullptr;
        *alenp = 0;
        *piecep = OCI_ONE_PIECE;
        *indpp = nullptr;
        return OCI_CONTINUE;
    }
    static sb4 out(void* ctx, OCIBind* b, ub4 iter, ub4 index, void** bufpp, ub4** alenpp, ub1* piecep, void** indpp,
                   ub2** rcodepp) {
        auto* self = static_cast<recorder*>(ctx);
        self->calls.push_back("out " + std::to_string(iter) + "/" + std::to_string(index) +
                              (b == self->bind ? " bind" : " other"));
        self->length = sizeof self->buffer;
        *bufpp = self->buffer;
        *alenpp = &self->length;
        *piecep = OCI_ONE_PIECE;
        *indpp = &self->indicator;
        *rcodepp = &self->rcode;
        return OCI_CONTINUE;
    }
};

TEST_F(OciWrite, InsertReturningRowidThroughDynamicBinds) {
    statement st(s);
    const std::u16string sql =
        u"INSERT /*+ APPEND */ INTO \"W\" (\"ID\", \"NAME\", \"D\", \"R\") VALUES(1, 'O''Br', "
        u"to_date('2004-05-06 07:08:09', 'YYYY-MM-DD HH24:MI:SS'), '0aFF') RETURNING ROWID INTO :1";
    ASSERT_EQ(st.prepare(sql), OCI_SUCCESS);
    recorder r;
    const std::u16string name = u":1";
    ASSERT_EQ(oci().OCIBindByName(st.h, &r.bind, s.err, ot(name), bytes(name), r.buffer, sizeof r.buffer, SQLT_STR,
                                  nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC),
              OCI_SUCCESS);
    ASSERT_EQ(oci().OCIBindDynamic(r.bind, s.err, &r, recorder::in, &r, recorder::out), OCI_SUCCESS);
    ASSERT_EQ(st.execute(1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(r.calls, (std::vector<std::string>{"in 0/0 bind", "out 0/0 bind"}));
    const std::string rowid = narrow(r.buffer);
    ASSERT_EQ(rowid.size(), 18u);
    EXPECT_TRUE(
        std::all_of(rowid.begin(), rowid.end(), [](char c) { return std::isalnum(c) || c == '+' || c == '/'; }));
    EXPECT_EQ(r.length, 36u);
    EXPECT_EQ(r.indicator, 0);
    EXPECT_EQ(r.rcode, 0);
    // Committed on success: another session sees it; the ROWID finds the row.
    EXPECT_EQ(seen_by_other("SELECT ID, NAME, TO_CHAR(D, 'YYYY-MM-DD HH24:MI:SS'), R FROM W"),
              (rows{{"1", "O'Br", "2004-05-06 07:08:09", "0AFF"}}));
    EXPECT_EQ(rows_as_text(s, "SELECT ID, ROWID FROM W WHERE ROWID = '" + rowid + "'"), (rows{{"1", rowid}}));
    ora_err bad = refused("SELECT ID FROM W WHERE ROWID = 'not a rowid'");
    EXPECT_EQ(bad.code, 1410);
}

TEST_F(OciWrite, ReturningNeedsItsBindWithCallbacks) {
    const std::u16string sql = u"INSERT INTO W (ID) VALUES (1) RETURNING ROWID INTO :RID";
    {
        statement st(s);
        ASSERT_EQ(st.prepare(sql), OCI_SUCCESS);
        EXPECT_EQ(st.execute(1), OCI_ERROR);
        EXPECT_EQ(s.error().text, "ORA-01008: not all variables bound\n");
    }
    {
        statement st(s);
        ASSERT_EQ(st.prepare(sql), OCI_SUCCESS);
        char16_t buffer[64];
        OCIBind* b = nullptr;
        const std::u16string name = u":rid";
        ASSERT_EQ(oci().OCIBindByName(st.h, &b, s.err, ot(name), bytes(name), buffer, sizeof buffer, SQLT_STR, nullptr,
                                      nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
        EXPECT_EQ(st.execute(1), OCI_ERROR);
        EXPECT_EQ(s.error().code, 24369);
    }
    EXPECT_TRUE(rows_as_text(s, "SELECT ID FROM W").empty());
}

TEST_F(OciWrite, WorkWithoutCommitStaysInTheSession) {
    ok("INSERT INTO W (ID, NAME) VALUES (1, 'a')");
    ok("UPDATE \"W\" SET \"NAME\"='b' WHERE \"ID\"=1");
    EXPECT_EQ(rows_as_text(s, "SELECT NAME FROM W"), (rows{{"b"}}));
    EXPECT_TRUE(seen_by_other("SELECT NAME FROM W").empty());
    ASSERT_EQ(oci().OCITransRollback(s.svc, s.err, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_TRUE(rows_as_text(s, "SELECT NAME FROM W").empty());

    ok("INSERT INTO W (ID, NAME) VALUES (2, 'c')");
    ok("COMMIT");
    EXPECT_EQ(seen_by_other("SELECT ID FROM W"), (rows{{"2"}}));
    ok("INSERT INTO W (ID, NAME) VALUES (3, 'd')");
    ASSERT_EQ(oci().OCITransCommit(s.svc, s.err, OCI_DEFAULT), OCI_SUCCESS);
    ok("INSERT INTO W (ID, NAME) VALUES (4, 'e')");
    // DDL commits what is open.
    ok("CREATE INDEX I_NAME ON W (NAME)");
    EXPECT_EQ(seen_by_other("SELECT ID FROM W ORDER BY ID"), (rows{{"2"}, {"3"}, {"4"}}));
    // Logging off ends the session, which commits.
    ok("UPDATE W SET NAME = 'z' WHERE ID >= 3");
    ASSERT_EQ(oci().OCILogoff(s.svc, s.err), OCI_SUCCESS);
    s.svc = nullptr;
    EXPECT_EQ(seen_by_other("SELECT ID, NAME FROM W ORDER BY ID"), (rows{{"2", "c"}, {"3", "z"}, {"4", "z"}}));
}

TEST_F(OciWrite, FailingStatementLeavesTheTransactionsOtherWork) {
    ok("INSERT INTO W (ID, NAME) VALUES (1, 'a')");
    struct {
        const char* sql;
        int code;
        const char* text;
    } cases[] = {
        {"INSERT INTO W (ID) VALUES (1)", 1, "ORA-00001: unique constraint (SCOTT.PK_W) violated\n"},
        {"INSERT INTO W (NAME) VALUES ('x')", 1400, "ORA-01400: cannot insert NULL into (\"SCOTT\".\"W\".\"ID\")\n"},
        {"INSERT INTO W (ID, NAME) VALUES (2, 'toolong')", 12899,
         "ORA-12899: value too large for column \"SCOTT\".\"W\".\"NAME\" (actual: 7, maximum: 5)\n"},
        {"INSERT INTO W (ID) VALUES ('x')", 1722, "ORA-01722: invalid number\n"},
        {"UPDATE W SET ID = NULL WHERE ID = 1", 1407, "ORA-01407: cannot update (\"SCOTT\".\"W\".\"ID\") to NULL\n"},
        {"UPDATE W SET NAME = 'toolong'", 12899,
         "ORA-12899: value too large for column \"SCOTT\".\"W\".\"NAME\" (actual: 7, maximum: 5)\n"},
        {"INSERT INTO NOPE (ID) VALUES (1)", 942, "ORA-00942: table or view does not exist\n"},
        {"CREATE TABLE W (A NUMBER)", 955, "ORA-00955: name is already used by an existing object\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        ora_err e = refused(c.sql);
        EXPECT_EQ(e.code, c.code);
        EXPECT_EQ(e.text, c.text);
    }
    EXPECT_EQ(rows_as_text(s, "SELECT ID, NAME FROM W"), (rows{{"1", "a"}}));
}

TEST_F(OciWrite, TextLiteralsBeyondFourThousandBytesAreRefused) {
    ok("CREATE TABLE L (V VARCHAR2(4000), N NVARCHAR2(2000))");
    const std::string x4000(4000, 'x');
    std::string cjk;  // 1,334 characters, 4,002 bytes in the database character set
    for (int i = 0; i < 1334; ++i) cjk += "世";
    ok("INSERT INTO L (V) VALUES ('" + x4000 + "')");
    for (const std::string& sql : {"INSERT INTO L (V) VALUES ('" + x4000 + "x')", "UPDATE L SET V = '" + x4000 + "x'",
                                   "SELECT '" + x4000 + "x' FROM DUAL", "INSERT INTO L (N) VALUES (N'" + cjk + "')"}) {
        SCOPED_TRACE(sql.substr(0, 30));
        EXPECT_EQ(refused(sql).text, "ORA-01704: string literal too long\n");
    }
    EXPECT_EQ(rows_as_text(s, "SELECT LENGTH(V) FROM L"), (rows{{"4000"}}));
}

TEST_F(OciWrite, ValuesBoundByPositionAndByName) {
    ok("CREATE TABLE B (ID NUMBER, V VARCHAR2(4000), N NVARCHAR2(2000), CL CLOB, BL BLOB, F BINARY_DOUBLE)");
    statement st(s);
    ASSERT_EQ(st.prepare(u"INSERT INTO B (ID, V, N, CL, BL, F) VALUES (:id, :v, :n, :cl, :bl, :f)"), OCI_SUCCESS);
    sb4 id = 7;
    std::u16string v = u"it's ünïcode";
    ub2 v_length = static_cast<ub2>(bytes(v));
    sb2 v_indicator = 0;
    // 2000 characters: 4000 bytes of UTF-16, 6000 of the database character set.
    const std::u16string n(2000, u'世');
    const std::u16string cl(20000, u'x');
    const std::string bl(5000, '\x07');
    double f = 0.30000000000000004;
    OCIBind* b = nullptr;
    const std::u16string v_name = u":V", bl_name = u":bl";
    ASSERT_EQ(oci().OCIBindByPos(st.h, &b, s.err, 1, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                                 OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(oci().OCIBindByName(st.h, &b, s.err, ot(v_name), bytes(v_name), v.data(), bytes(v), SQLT_CHR,
                                  &v_indicator, &v_length, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(oci().OCIBindByPos(st.h, &b, s.err, 3, const_cast<char16_t*>(n.data()), static_cast<sb4>(bytes(n)),
                                 SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ub1 form = SQLCS_NCHAR;
    EXPECT_EQ(oci().OCIAttrSet(b, OCI_HTYPE_BIND, &form, 0, OCI_ATTR_CHARSET_FORM, s.err), OCI_SUCCESS);
    ASSERT_EQ(oci().OCIBindByPos(st.h, &b, s.err, 4, const_cast<char16_t*>(cl.data()), static_cast<sb4>(bytes(cl)),
                                 SQLT_LNG, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(
        oci().OCIBindByName(st.h, &b, s.err, ot(bl_name), bytes(bl_name), const_cast<char*>(bl.data()),
                            static_cast<sb4>(bl.size()), SQLT_LBI, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
        OCI_SUCCESS);
    ASSERT_EQ(oci().OCIBindByPos(st.h, &b, s.err, 6, &f, sizeof f, SQLT_BDOUBLE, nullptr, nullptr, nullptr, 0, nullptr,
                                 OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
    // The same statement again: another key, and NULL through the indicator.
    id = 8;
    v_indicator = -1;
    ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(rows_as_text(s, "SELECT ID, V, LENGTH(N), LENGTH(CL) FROM B ORDER BY ID"),
              (rows{{"7", "it's ünïcode", "2000", "20000"}, {"8", "<null>", "2000", "20000"}}));
    ok("COMMIT");
    const std::string table = stores().table_name("WRITE", "B");
    const auto column = [&](const char* name) { return stores().column_name("WRITE", "B", name); };
    EXPECT_EQ(stores().value("WRITE", "SELECT substr(" + column("N") + ", 1, 2) || length(" + column("BL") +
                                          ") || hex(substr(" + column("BL") + ", 1, 1)) || printf(' %!.17g', " +
                                          column("F") + ") FROM " + table + " WHERE " + column("ID") + " = 7"),
              "世世5000"
              "07 0.30000000000000004");

    // UPDATE binds in SET and WHERE; the row count tells what changed.
    statement up(s);
    ASSERT_EQ(up.prepare(u"UPDATE B SET V = :1 WHERE ID = :2"), OCI_SUCCESS);
    std::u16string nv = u"new";
    sb4 key = 8;
    ASSERT_EQ(oci().OCIBindByPos(up.h, &b, s.err, 1, nv.data(), static_cast<sb4>(bytes(nv)), SQLT_CHR, nullptr, nullptr,
                                 nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(oci().OCIBindByPos(up.h, &b, s.err, 2, &key, sizeof key, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                                 OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(up.execute(1), OCI_SUCCESS) << s.error().text;
    ub4 count = 0;
    ASSERT_EQ(oci().OCIAttrGet(up.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err), OCI_SUCCESS);
    EXPECT_EQ(count, 1u);
    key = 9;
    ASSERT_EQ(up.execute(1), OCI_SUCCESS) << s.error().text;
    ASSERT_EQ(oci().OCIAttrGet(up.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err), OCI_SUCCESS);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(rows_as_text(s, "SELECT V FROM B WHERE ID = 8"), (rows{{"new"}}));
}

TEST_F(OciWrite, EveryPlaceholderNeedsItsBind) {
    statement st(s);
    ASSERT_EQ(st.prepare(u"INSERT INTO W (ID, NAME) VALUES (:1, :2)"), OCI_SUCCESS);
    sb4 id = 1;
    OCIBind* b = nullptr;
    ASSERT_EQ(oci().OCIBindByPos(st.h, &b, s.err, 1, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                                 OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(st.execute(1), OCI_ERROR);
    EXPECT_EQ(s.error().text, "ORA-01008: not all variables bound\n");
    ASSERT_EQ(oci().OCIBindByPos(st.h, &b, s.err, 3, &id, sizeof id, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                                 OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(st.execute(1), OCI_ERROR);
    EXPECT_EQ(s.error().code, 1036);
    EXPECT_TRUE(rows_as_text(s, "SELECT ID FROM W").empty());
}

TEST_F(OciWrite, UpdatesChangeTheRowsTheConditionPicks) {
    ok("INSERT INTO W (ID, NAME) VALUES (1, 'a')");
    ok("INSERT INTO W (ID, NAME) VALUES (2, 'b')");
    ok("INSERT INTO W (ID, NAME) VALUES (3, 'c')");
    statement st(s);
    ASSERT_EQ(st.prepare(u"UPDATE \"W\" SET \"NAME\"='x', \"R\"=HEXTORAW('0A0B') WHERE \"ID\">=2 AND \"NAME\"<>'c'"),
              OCI_SUCCESS);
    ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
    ub4 count = 0;
    ASSERT_EQ(oci().OCIAttrGet(st.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err), OCI_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(rows_as_text(s, "SELECT ID, NAME, R FROM W ORDER BY ID"),
              (rows{{"1", "a", "<null>"}, {"2", "x", "0A0B"}, {"3", "c", "<null>"}}));
    // A key the change would duplicate is refused by its name; the rows stay.
    ora_err e = refused("UPDATE W SET ID = 1 WHERE ID = 3");
    EXPECT_EQ(e.text, "ORA-00001: unique constraint (SCOTT.PK_W) violated\n");
    EXPECT_EQ(refused("UPDATE W SET NOPE = 1").code, 904);
    EXPECT_EQ(rows_as_text(s, "SELECT ID FROM W ORDER BY ID"), (rows{{"1"}, {"2"}, {"3"}}));
}

TEST_F(OciWrite, DatesWithOraclesLenientPunctuation) {
    ok("INSERT INTO W (ID, D) VALUES (1, to_date('10:11:12', 'HH24-MI-SS'))");
    ok("INSERT INTO W (ID, D) VALUES (2, to_date('2004/05/06', 'YYYY-MM-DD'))");
    rows got = rows_as_text(s, "SELECT TO_CHAR(D, 'DD HH24:MI:SS') FROM W ORDER BY ID");
    EXPECT_EQ(got, (rows{{"01 10:11:12"}, {"06 00:00:00"}}));
}

TEST_F(OciWrite, PrivilegesCanBeRevoked) {
    ok("REVOKE CREATE SEQUENCE FROM scott");
    ora_err e = refused("CREATE SEQUENCE \"W_0\" INCREMENT BY 1 START WITH 1");
    EXPECT_EQ(e.text, "ORA-01031: insufficient privileges\n");
}

// The locators of one row, selected FOR UPDATE.
class OciLobWrite : public OciWrite {
protected:
    void SetUp() override {
        OciWrite::SetUp();
        ok("INSERT INTO W (ID, CL, BL) VALUES (1, EMPTY_CLOB(), EMPTY_BLOB())", OCI_COMMIT_ON_SUCCESS);
        for (OCILobLocator** l : {&cl, &bl})
            ASSERT_EQ(oci().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(l), OCI_DTYPE_LOB, 0, nullptr),
                      OCI_SUCCESS);
    }
    void TearDown() override {
        oci().OCIDescriptorFree(cl, OCI_DTYPE_LOB);
        oci().OCIDescriptorFree(bl, OCI_DTYPE_LOB);
    }
    void select(statement& st, const char* tail = " FOR UPDATE") {
        ASSERT_EQ(st.prepare(u(std::string("SELECT \"CL\", \"BL\" FROM \"W\" WHERE ID = 1") + tail)), OCI_SUCCESS);
        ASSERT_EQ(st.define(1, &cl, -1, SQLT_CLOB, &ind[0]), OCI_SUCCESS);
        ASSERT_EQ(st.define(2, &bl, -1, SQLT_BLOB, &ind[1]), OCI_SUCCESS);
        ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
    }
    sword write(OCILobLocator* loc, ub4* amount, const void* data, ub4 length, ub2 csid, ub4 offset = 1) {
        return oci().OCILobWrite(s.svc, s.err, loc, amount, offset, const_cast<void*>(data), length, OCI_ONE_PIECE,
                                 nullptr, nullptr, csid, SQLCS_IMPLICIT);
    }
    std::string stored(const char* column) {
        return stores().value("WRITE", std::string("SELECT quote(") + stores().column_name("WRITE", "W", column) +
                                           ") FROM " + stores().table_name("WRITE", "W"));
    }
    OCILobLocator* cl = nullptr;
    OCILobLocator* bl = nullptr;
    sb2 ind[2] = {};
};

TEST_F(OciLobWrite, AmountsByTheBuffersCharacterSet) {
    statement st(s);
    select(st);
    const std::u16string text = u"Grüße 世界";
    ub4 amount = static_cast<ub4>(text.size());
    // Id 0: the environment's character set, UTF-16 here; the amount counts characters.
    ASSERT_EQ(write(cl, &amount, text.data(), bytes(text), 0), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(amount, text.size());
    ok("COMMIT");
    EXPECT_EQ(stored("CL"), "'Grüße 世界'");

    statement again(s);
    select(again);
    // The UTF-8 id: the amount counts bytes. Written at offset 7, past "Grüße ".
    const std::string utf8 = "Welt!";
    amount = static_cast<ub4>(utf8.size());
    ASSERT_EQ(write(cl, &amount, utf8.data(), static_cast<ub4>(utf8.size()), 873, 7), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(amount, 5u);
    // Three bytes of a BLOB, amount 3.
    const unsigned char three[] = {0x00, 0xFF, 0x10};
    amount = 3;
    ASSERT_EQ(write(bl, &amount, three, 3, 0), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(amount, 3u);
    ok("COMMIT");
    EXPECT_EQ(stored("CL"), "'Grüße Welt!'");
    EXPECT_EQ(stored("BL"), "X'00FF10'");
}

TEST_F(OciLobWrite, Utf8BytesUnderIdZeroAreReadAsUtf16) {
    statement st(s);
    select(st);
    const std::string utf8 = "abcd";
    // Four bytes are two UTF-16 characters: what was meant does not arrive.
    ub4 amount = 2;
    ASSERT_EQ(write(cl, &amount, utf8.data(), 4, 0), OCI_SUCCESS) << s.error().text;
    ok("COMMIT");
    EXPECT_NE(stored("CL"), "'abcd'");
}

TEST_F(OciLobWrite, AmountsTheBufferDoesNotHoldAreRefused) {
    const std::u16string text = u"abc";
    const std::string utf8 = "abc";
    const unsigned char three[] = {1, 2, 3};
    struct {
        const char* what;
        bool blob;
        ub4 amount;
        const void* data;
        ub4 length;
        ub2 csid;
        int code;  // 0: written
    } cases[] = {
        {"UTF-16 characters the buffer holds", false, 3, text.data(), 6, OCI_UTF16ID, 0},
        {"fewer UTF-16 characters than the buffer holds", false, 2, text.data(), 6, 0, 0},
        {"more UTF-16 characters than the buffer holds", false, 4, text.data(), 6, OCI_UTF16ID, 24811},
        {"an odd byte count of UTF-16", false, 2, text.data(), 5, OCI_UTF16ID, 22993},
        {"more UTF-8 bytes than the buffer holds", false, 4, utf8.data(), 3, 873, 24811},
        {"more BLOB bytes than the buffer holds", true, 4, three, 3, 0, 24811},
        {"BLOB bytes the buffer holds", true, 3, three, 3, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        statement st(s);
        select(st);
        ub4 amount = c.amount;
        const sword rc = write(c.blob ? bl : cl, &amount, c.data, c.length, c.csid);
        if (c.code == 0) {
            EXPECT_EQ(rc, OCI_SUCCESS) << s.error().text;
            EXPECT_EQ(amount, c.amount);
        } else {
            EXPECT_EQ(rc, OCI_ERROR);
            EXPECT_EQ(s.error().code, c.code) << s.error().text;
        }
        ok("ROLLBACK");
    }
    // Nothing of the refused writes arrived.
    EXPECT_EQ(stored("CL"), "''");
    EXPECT_EQ(stored("BL"), "X''");
}

TEST_F(OciLobWrite, LocatorsAreDefinedOnLobColumnsOnly) {
    ok("UPDATE W SET NAME = 'n', R = HEXTORAW('01') WHERE ID = 1");
    const struct {
        const char* column;
        ub2 dty;
    } cases[] = {{"NAME", SQLT_CLOB}, {"R", SQLT_BLOB}, {"CL", SQLT_BLOB}, {"BL", SQLT_CLOB}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        statement st(s);
        ASSERT_EQ(st.prepare(u(std::string("SELECT \"") + c.column + "\" FROM \"W\" WHERE ID = 1 FOR UPDATE")),
                  OCI_SUCCESS);
        ASSERT_EQ(st.define(1, c.dty == SQLT_CLOB ? &cl : &bl, -1, c.dty, &ind[0]), OCI_SUCCESS);
        EXPECT_EQ(st.execute(1), OCI_ERROR);
        EXPECT_EQ(s.error().code, 932) << s.error().text;
    }
}

TEST_F(OciLobWrite, WritesNeedTheRowLocked) {
    {
        statement st(s);
        select(st, "");
        ub4 amount = 1;
        EXPECT_EQ(write(cl, &amount, u"x", 2, 0), OCI_ERROR);
        EXPECT_EQ(s.error().text, "ORA-22920: row containing the LOB value is not locked\n");
    }
    statement st(s);
    select(st);
    ok("COMMIT");  // the lock goes with the transaction
    ub4 amount = 1;
    EXPECT_EQ(write(cl, &amount, u"x", 2, 0), OCI_ERROR);
    EXPECT_EQ(s.error().code, 22920);
}

}  // namespace
