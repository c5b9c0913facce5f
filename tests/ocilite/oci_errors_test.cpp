// Oracle's error numbers and texts through OCIErrorGet; parse-only; injected errors.
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

class OciErrors : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(s.logon(), OCI_SUCCESS) << s.error().text; }
    session s;
};

struct error_case {
    const char* sql;
    sb4 code;
    const char* prefix;  // the text starts so (ORA-00904 names the identifier)
};

TEST_F(OciErrors, BadStatementsFailAtExecuteWithOracleErrors) {
    const error_case cases[] = {
        {"SELECT * FROM NO_SUCH_TABLE", 942, "ORA-00942: table or view does not exist\n"},
        {"SELECT * FROM emp_names_missing", 942, "ORA-00942: table or view does not exist\n"},
        {"SELECT * FROM \"emp\"", 942, "ORA-00942: table or view does not exist\n"},
        {"SELECT NOSUCHCOL FROM EMP", 904, "ORA-00904: "},
        {"SELEKT * FROM EMP", 900, "ORA-00900: invalid SQL statement\n"},
        {"SELECT * FROM EMP WHERE EMPNO = 1 garbage garbage", 933, "ORA-00933: SQL command not properly ended\n"},
    };
    for (const error_case& c : cases) {
        SCOPED_TRACE(c.sql);
        statement st(s);
        // Preparing never fails: the server sees the text at execute.
        ASSERT_EQ(st.prepare(u(c.sql)), OCI_SUCCESS);
        EXPECT_EQ(st.execute(0), OCI_ERROR);
        const ora_err e = s.error();
        EXPECT_EQ(e.code, c.code);
        EXPECT_EQ(e.text.rfind(c.prefix, 0), 0u) << e.text;
    }
}

TEST_F(OciErrors, ParseOnlyChecksWithoutRunning) {
    statement good(s);
    ASSERT_EQ(good.prepare(u("SELECT ENAME FROM EMP WHERE EMPNO > 0")), OCI_SUCCESS);
    EXPECT_EQ(good.execute(1, OCI_PARSE_ONLY), OCI_SUCCESS) << s.error().text;
    // Nothing ran: there is no cursor to fetch from.
    EXPECT_EQ(good.fetch(), OCI_ERROR);
    EXPECT_EQ(s.error().code, 24338);

    statement bad(s);
    ASSERT_EQ(bad.prepare(u("SELECT ENAME FROM EMP WHERE")), OCI_SUCCESS);
    EXPECT_EQ(bad.execute(1, OCI_PARSE_ONLY), OCI_ERROR);
    EXPECT_NE(s.error().code, 0);
}

TEST_F(OciErrors, ErrorTextIsCutToTheBuffer) {
    statement st(s);
    st.run("SELECT * FROM NO_SUCH_TABLE");
    char16_t small[8];
    sb4 code = 0;
    ASSERT_EQ(
        oci().OCIErrorGet(s.err, 1, nullptr, &code, reinterpret_cast<OraText*>(small), sizeof small, OCI_HTYPE_ERROR),
        OCI_SUCCESS);
    EXPECT_EQ(code, 942);
    EXPECT_EQ(narrow(small), "ORA-009");
    EXPECT_EQ(
        oci().OCIErrorGet(s.err, 2, nullptr, &code, reinterpret_cast<OraText*>(small), sizeof small, OCI_HTYPE_ERROR),
        OCI_NO_DATA);
}

TEST_F(OciErrors, InjectedAtTheNthExecuteOrFetch) {
    inject_error("execute", 2, 3113);
    {
        statement first(s), second(s), third(s);
        EXPECT_EQ(first.run("select * from dual"), OCI_SUCCESS);
        EXPECT_EQ(second.run("select * from dual"), OCI_ERROR);
        const ora_err e = s.error();
        EXPECT_EQ(e.code, 3113);
        EXPECT_EQ(e.text, "ORA-03113: end-of-file on communication channel\n");
        EXPECT_EQ(third.run("select * from dual"), OCI_SUCCESS);  // fires once
    }
    inject_error("fetch", 3, 1555);
    statement st(s);
    int32_t id = 0;
    ASSERT_EQ(st.prepare(u("SELECT ID FROM MANY ORDER BY ID")), OCI_SUCCESS);
    ASSERT_EQ(st.define(1, &id, 4, SQLT_INT), OCI_SUCCESS);
    ASSERT_EQ(st.execute(0), OCI_SUCCESS);
    EXPECT_EQ(st.fetch(), OCI_SUCCESS);
    EXPECT_EQ(st.fetch(), OCI_SUCCESS);
    EXPECT_EQ(st.fetch(), OCI_ERROR);
    EXPECT_EQ(s.error().code, 1555);
    inject_error("", 0, 0);
}

}  // namespace
