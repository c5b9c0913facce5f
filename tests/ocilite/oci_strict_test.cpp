// What the real client library refuses, ocilite refuses too: environments with one
// character set of two, the default database without a local instance, unknown handle
// types, fetch orientations other than forward, unknown character set forms. And the
// datetime descriptors that carry a TIMESTAMP's date and time of day.
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

TEST(OciStrict, EnvironmentTakesBothCharacterSetsOrNeither) {
    struct {
        ub2 charset, ncharset;
        sword status;
    } cases[] = {
        {OCI_UTF16ID, OCI_UTF16ID, OCI_SUCCESS},
        {0, 0, OCI_SUCCESS},
        {OCI_UTF16ID, 0, OCI_ERROR},
        {0, OCI_UTF16ID, OCI_ERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.charset) + "/" + std::to_string(c.ncharset));
        OCIEnv* env = nullptr;
        EXPECT_EQ(oci().OCIEnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, c.charset,
                                        c.ncharset),
                  c.status);
        if (c.status == OCI_SUCCESS) {
            ASSERT_NE(env, nullptr);
            ub2 id = 0;
            OCIError* err = nullptr;
            ASSERT_EQ(oci().OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr),
                      OCI_SUCCESS);
            EXPECT_EQ(oci().OCIAttrGet(env, OCI_HTYPE_ENV, &id, nullptr, OCI_ATTR_CHARSET_ID, err), OCI_SUCCESS);
            EXPECT_EQ(id, c.charset ? c.charset : 873);
            oci().OCIHandleFree(env, OCI_HTYPE_ENV);
        }
    }
}

TEST(OciStrict, AttachToTheDefaultDatabaseFails) {
    session s;
    OCIServer* srv = nullptr;
    ASSERT_EQ(oci().OCIHandleAlloc(s.env, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(oci().OCIServerAttach(srv, s.err, reinterpret_cast<const OraText*>(u""), 0, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(s.error().code, 12560);
    // A named database attaches (the logon then decides the store).
    const std::u16string db = u"OCITEST";
    EXPECT_EQ(oci().OCIServerAttach(srv, s.err, ot(db), static_cast<sb4>(bytes(db)), OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(oci().OCIServerDetach(srv, s.err, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(oci().OCIHandleFree(srv, OCI_HTYPE_SERVER), OCI_SUCCESS);
}

TEST(OciStrict, UnknownHandleTypesAndDescriptorTypesAreInvalidHandles) {
    session s;
    void* h = nullptr;
    EXPECT_EQ(oci().OCIHandleAlloc(s.env, &h, 99, 0, nullptr), OCI_INVALID_HANDLE);
    EXPECT_EQ(oci().OCIDescriptorAlloc(s.env, &h, 99, 0, nullptr), OCI_INVALID_HANDLE);
}

TEST(OciStrict, OnlyForwardFetchesAreTaken) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    statement st(s);
    ASSERT_EQ(st.run("SELECT ENAME FROM EMP"), OCI_SUCCESS) << s.error().text;
    std::vector<char16_t> buf(32);
    ASSERT_EQ(st.define(1, buf.data(), static_cast<sb4>(buf.size() * 2), SQLT_STR), OCI_SUCCESS);
    for (ub2 orientation : {ub2{0}, OCI_FETCH_PRIOR, OCI_FETCH_ABSOLUTE}) {
        EXPECT_EQ(oci().OCIStmtFetch(st.h, s.err, 1, orientation, OCI_DEFAULT), OCI_ERROR) << orientation;
        EXPECT_EQ(s.error().code, 24391);
    }
    EXPECT_EQ(oci().OCIStmtFetch(st.h, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
}

TEST(OciStrict, DefinesTakeOnlyTheTwoCharacterSetForms) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    statement st(s);
    ASSERT_EQ(st.prepare(u("SELECT NVC FROM ALLTYPES WHERE ID = 1")), OCI_SUCCESS);
    std::vector<char16_t> buf(64);
    OCIDefine* def = nullptr;
    ASSERT_EQ(oci().OCIDefineByPos(st.h, &def, s.err, 1, buf.data(), static_cast<sb4>(buf.size() * 2), SQLT_STR,
                                   nullptr, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ub1 form = SQLCS_NCHAR;
    EXPECT_EQ(oci().OCIAttrSet(def, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, s.err), OCI_SUCCESS)
        << s.error().text;
    form = 7;
    EXPECT_EQ(oci().OCIAttrSet(def, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, s.err), OCI_ERROR);
    EXPECT_EQ(s.error().code, 12714);
    oci().OCIHandleFree(def, OCI_HTYPE_DEFINE);
}

TEST(OciStrict, TimestampsCarryTheirTimeOfDayThroughDatetimeDescriptors) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    const struct {
        const char* column;
        ub2 dty;
        ub4 dtype;
    } cases[] = {
        {"TS", SQLT_TIMESTAMP, OCI_DTYPE_TIMESTAMP},
        {"TSTZ", SQLT_TIMESTAMP_TZ, OCI_DTYPE_TIMESTAMP_TZ},
        {"TSLTZ", SQLT_TIMESTAMP_LTZ, OCI_DTYPE_TIMESTAMP_LTZ},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        statement st(s);
        ASSERT_EQ(st.prepare(u(std::string("SELECT ") + c.column + " FROM ALLTYPES WHERE ID = 1")), OCI_SUCCESS);
        void* dt = nullptr;
        ASSERT_EQ(oci().OCIDescriptorAlloc(s.env, &dt, c.dtype, 0, nullptr), OCI_SUCCESS);
        sb2 ind = 0;
        ASSERT_EQ(st.define(1, &dt, sizeof dt, c.dty, &ind), OCI_SUCCESS);
        ASSERT_EQ(st.execute(), OCI_SUCCESS) << s.error().text;
        ASSERT_EQ(st.fetch(), OCI_SUCCESS) << s.error().text;
        sb2 year = 0;
        ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
        ub4 fraction = 0;
        auto* value = static_cast<OCIDateTime*>(dt);
        ASSERT_EQ(oci().OCIDateTimeGetDate(s.env, s.err, value, &year, &month, &day), OCI_SUCCESS) << s.error().text;
        ASSERT_EQ(oci().OCIDateTimeGetTime(s.env, s.err, value, &hour, &minute, &second, &fraction), OCI_SUCCESS);
        EXPECT_EQ(std::vector<int>({year, month, day, hour, minute, second}),
                  std::vector<int>({2005, 3, 15, 10, 20, 30}));
        EXPECT_EQ(oci().OCIDescriptorFree(dt, c.dtype), OCI_SUCCESS);
    }
    // A descriptor of another kind than the define's type is refused.
    statement st(s);
    ASSERT_EQ(st.prepare(u("SELECT TS FROM ALLTYPES WHERE ID = 1")), OCI_SUCCESS);
    void* dt = nullptr;
    ASSERT_EQ(oci().OCIDescriptorAlloc(s.env, &dt, OCI_DTYPE_TIMESTAMP_TZ, 0, nullptr), OCI_SUCCESS);
    sb2 ind = 0;
    ASSERT_EQ(st.define(1, &dt, sizeof dt, SQLT_TIMESTAMP, &ind), OCI_SUCCESS);
    ASSERT_EQ(st.execute(), OCI_SUCCESS);
    EXPECT_EQ(st.fetch(), OCI_ERROR);
    EXPECT_EQ(s.error().code, 932);
    oci().OCIDescriptorFree(dt, OCI_DTYPE_TIMESTAMP_TZ);
}

}  // namespace
