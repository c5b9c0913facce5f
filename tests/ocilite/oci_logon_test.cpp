#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

struct logon_case {
    const char* user;
    const char* password;
    const char* connect;
    sb4 expected;  // 0: logon succeeds
    const char* text;
};

const logon_case logon_cases[] = {
    {"scott", "tiger", "OCITEST", 0, ""},
    {"SCOTT", "tiger", "//dbhost:1521/OCITEST", 0, ""},
    {"Scott", "tiger", "dbhost:1600/OCITEST", 0, ""},
    {"scott", "TIGER", "OCITEST", 1017, "ORA-01017: invalid username/password; logon denied\n"},
    {"\"scott\"", "tiger", "OCITEST", 1017, "ORA-01017: invalid username/password; logon denied\n"},
    {"nobody", "tiger", "OCITEST", 1017, "ORA-01017: invalid username/password; logon denied\n"},
    {"scott", "", "OCITEST", 1017, "ORA-01017: invalid username/password; logon denied\n"},
    {"scott", "tiger", "//dbhost:1521/NOSUCH", 12514,
     "ORA-12514: TNS:listener does not currently know of service requested in connect "
     "descriptor\n"},
};

TEST(OciLogon, ChecksUserPasswordAndService) {
    for (const logon_case& c : logon_cases) {
        SCOPED_TRACE(std::string(c.user) + "/" + c.password + "@" + c.connect);
        session s;
        const sword rc = s.logon(c.user, c.password, c.connect);
        if (c.expected == 0) {
            EXPECT_EQ(rc, OCI_SUCCESS) << s.error().text;
            EXPECT_NE(s.svc, nullptr);
        } else {
            EXPECT_EQ(rc, OCI_ERROR);
            const ora_err e = s.error();
            EXPECT_EQ(e.code, c.expected);
            EXPECT_EQ(e.text, c.text);
        }
    }
}

TEST(OciLogon, GivesBackANewServiceContextOverTheOnePassed) {
    session s;
    // The caller's own service context, set up as the Oracle side does before logging on.
    OCISvcCtx* svc = nullptr;
    OCIServer* server = nullptr;
    ASSERT_EQ(oci().OCIHandleAlloc(s.env, reinterpret_cast<void**>(&server), OCI_HTYPE_SERVER, 52, nullptr),
              OCI_SUCCESS);
    // A named database: the default one needs a local instance (see OciStrict).
    const std::u16string link = u"OCITEST";
    ASSERT_EQ(oci().OCIServerAttach(server, s.err, ot(link), static_cast<sb4>(bytes(link)), OCI_DEFAULT), OCI_SUCCESS);
    ASSERT_EQ(oci().OCIHandleAlloc(s.env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr), OCI_SUCCESS);
    ASSERT_EQ(oci().OCIAttrSet(svc, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, s.err), OCI_SUCCESS);
    OCISvcCtx* const allocated = svc;
    const std::u16string user = u"scott", pw = u"tiger", db = u"OCITEST";
    ASSERT_EQ(oci().OCILogon(s.env, s.err, &svc, ot(user), bytes(user), ot(pw), bytes(pw), ot(db), bytes(db)),
              OCI_SUCCESS);
    EXPECT_NE(svc, allocated);

    // The new context works; the one passed in never logged on.
    s.svc = svc;
    sword status;
    const auto rows = rows_as_text(s, "select * from v$version", &status);
    EXPECT_EQ(status, OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(oci().OCILogoff(allocated, s.err), OCI_ERROR);
    EXPECT_EQ(s.error().code, 1012);
    EXPECT_EQ(oci().OCIHandleFree(allocated, OCI_HTYPE_SVCCTX), OCI_SUCCESS);
    EXPECT_EQ(oci().OCIServerDetach(server, s.err, OCI_DEFAULT), OCI_SUCCESS);
}

TEST(OciLogon, LogoffEndsTheSessionAndLogonAgainWorks) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    EXPECT_EQ(oci().OCILogoff(s.svc, s.err), OCI_SUCCESS);
    s.svc = nullptr;
    ASSERT_EQ(s.logon(), OCI_SUCCESS) << s.error().text;
    sword status;
    rows_as_text(s, "select * from dual", &status);
    EXPECT_EQ(status, OCI_SUCCESS) << s.error().text;
}

TEST(OciLogon, InvalidHandlesAreReportedAsSuch) {
    session s;
    OCISvcCtx* svc = nullptr;
    const std::u16string user = u"scott";
    // A block of memory that is no handle (zeroed: no magic word where a handle has one).
    alignas(16) unsigned char not_a_handle[64] = {};
    EXPECT_EQ(oci().OCILogon(reinterpret_cast<OCIEnv*>(not_a_handle), s.err, &svc, ot(user), bytes(user), ot(user),
                             bytes(user), ot(user), bytes(user)),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(oci().OCIHandleFree(nullptr, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
    // An error handle freed as a statement is refused.
    EXPECT_EQ(oci().OCIHandleFree(s.err, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
}

}  // namespace
