// Describe of every type the Oracle side maps (and BINARY_DOUBLE, which it does not).
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

struct describe_case {
    const char* name;
    ub2 type;
    int size;       // OCI_ATTR_DATA_SIZE; -1: not checked
    int precision;  // -1000: not checked
    int scale;      // -1000: not checked
    ub1 nullable;
    ub1 form;  // OCI_ATTR_CHARSET_FORM; 0: not checked
};

const int any = -1000;

const describe_case describe_cases[] = {
    {"ID", SQLT_NUM, 22, 10, 0, 0, 0},
    {"VC", SQLT_CHR, 20, any, any, 1, SQLCS_IMPLICIT},
    {"NVC", SQLT_CHR, 20, any, any, 1, SQLCS_NCHAR},
    {"CH", SQLT_AFC, 5, any, any, 1, SQLCS_IMPLICIT},
    {"NCH", SQLT_AFC, 8, any, any, 1, SQLCS_NCHAR},
    {"NUM", SQLT_NUM, 22, 0, -127, 1, 0},
    {"NUM52", SQLT_NUM, 22, 5, 2, 1, 0},
    {"FLT", SQLT_NUM, 22, 10, -127, 1, 0},
    {"DT", SQLT_DAT, 7, any, any, 1, 0},
    {"TS", SQLT_TIMESTAMP, 11, any, any, 1, 0},
    {"TSTZ", SQLT_TIMESTAMP_TZ, 13, any, any, 1, 0},
    {"TSLTZ", SQLT_TIMESTAMP_LTZ, 11, any, any, 1, 0},
    {"IYM", SQLT_INTERVAL_YM, 5, any, any, 1, 0},
    {"IDS", SQLT_INTERVAL_DS, 11, any, any, 1, 0},
    {"RW", SQLT_BIN, 16, any, any, 1, 0},
    {"LNG", SQLT_LNG, 0, any, any, 1, 0},
    {"CL", SQLT_CLOB, -1, any, any, 1, SQLCS_IMPLICIT},
    {"NCL", SQLT_CLOB, -1, any, any, 1, SQLCS_NCHAR},
    {"BL", SQLT_BLOB, -1, any, any, 1, 0},
    {"BF", SQLT_BFILEE, -1, any, any, 1, 0},
    {"BD", SQLT_IBDOUBLE, 8, any, any, 1, 0},
    {"RID", SQLT_RDD, -1, any, any, 1, 0},
};

template <class T>
T attr(session& s, OCIParam* p, ub4 which) {
    T value{};
    EXPECT_EQ(oci().OCIAttrGet(p, OCI_DTYPE_PARAM, &value, nullptr, which, s.err), OCI_SUCCESS) << s.error().text;
    return value;
}

std::string name_of(session& s, OCIParam* p) {
    OraText* name = nullptr;
    ub4 length = 0;
    EXPECT_EQ(oci().OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME, s.err), OCI_SUCCESS);
    return narrow(std::u16string(reinterpret_cast<const char16_t*>(name), length / 2));
}

TEST(OciDescribe, ReportsEachTypeAsOracleDoes) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    statement st(s);
    ASSERT_EQ(st.run("SELECT * FROM \"ALLTYPES\""), OCI_SUCCESS) << s.error().text;
    ub4 count = 0;
    ASSERT_EQ(oci().OCIAttrGet(st.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.err), OCI_SUCCESS);
    ASSERT_EQ(count, std::size(describe_cases));
    for (ub4 pos = 1; pos <= count; ++pos) {
        const describe_case& c = describe_cases[pos - 1];
        SCOPED_TRACE(c.name);
        OCIParam* p = st.param(pos);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(name_of(s, p), c.name);
        // The Oracle side reads the type into a zeroed 32-bit field: only 16 bits are written.
        uint32_t type = 0;
        ASSERT_EQ(oci().OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err), OCI_SUCCESS);
        EXPECT_EQ(type, c.type);
        if (c.size >= 0) {
            EXPECT_EQ(attr<ub2>(s, p, OCI_ATTR_DATA_SIZE), c.size);
        }
        if (c.precision != any) {
            EXPECT_EQ(attr<sb2>(s, p, OCI_ATTR_PRECISION), c.precision);
        }
        if (c.scale != any) {
            EXPECT_EQ(attr<sb1>(s, p, OCI_ATTR_SCALE), c.scale);
        }
        EXPECT_EQ(attr<ub1>(s, p, OCI_ATTR_IS_NULL), c.nullable);
        if (c.form) {
            EXPECT_EQ(attr<ub1>(s, p, OCI_ATTR_CHARSET_FORM), c.form);
        }
    }
    void* beyond = nullptr;
    EXPECT_EQ(oci().OCIParamGet(st.h, OCI_HTYPE_STMT, s.err, &beyond, count + 1), OCI_ERROR);
    EXPECT_EQ(s.error().code, 24334);
}

TEST(OciDescribe, NamesOfExpressionsAndQuotedColumns) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    statement st(s);
    ASSERT_EQ(st.run("SELECT COUNT(*), \"id\", name FROM \"Emp\""), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(name_of(s, st.param(1)), "COUNT(*)");
    EXPECT_EQ(attr<ub2>(s, st.param(1), OCI_ATTR_DATA_TYPE), SQLT_NUM);
    EXPECT_EQ(name_of(s, st.param(2)), "id");
    EXPECT_EQ(name_of(s, st.param(3)), "NAME");
}

TEST(OciDescribe, ExecuteWithoutRowsStillDescribes) {
    // The Oracle side describes on a statement executed with 0 iterations and reads nothing.
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    statement st(s);
    ASSERT_EQ(st.prepare(u("SELECT ENAME, EMPNO FROM EMP")), OCI_SUCCESS);
    ASSERT_EQ(st.execute(0, OCI_DESCRIBE_ONLY), OCI_SUCCESS) << s.error().text;
    ub4 count = 0;
    oci().OCIAttrGet(st.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(attr<ub2>(s, st.param(1), OCI_ATTR_DATA_SIZE), 10);
}

}  // namespace
