// Our declarations against Oracle's documented values: every constant compat/oci declares,
// with the value the Oracle Call Interface Programmer's Guide gives it. A wrong value here
// would pass every test against ocilite (built from the same header) and fail against a
// real client.
#include <gtest/gtest.h>

#include <cstdint>

#include "compat/oci/oci.h"

namespace {

struct documented {
    const char* name;
    long long declared;
    long long value;
};

#define DOC(name, value) \
    { #name, static_cast < long long>(name), value }

const documented constants[] = {
    // status values
    DOC(OCI_SUCCESS, 0),
    DOC(OCI_SUCCESS_WITH_INFO, 1),
    DOC(OCI_NEED_DATA, 99),
    DOC(OCI_NO_DATA, 100),
    DOC(OCI_ERROR, -1),
    DOC(OCI_INVALID_HANDLE, -2),
    DOC(OCI_STILL_EXECUTING, -3123),
    DOC(OCI_CONTINUE, -24200),
    // modes
    DOC(OCI_DEFAULT, 0x00),
    DOC(OCI_THREADED, 0x01),
    DOC(OCI_OBJECT, 0x02),
    DOC(OCI_UTF16, 0x4000),
    DOC(OCI_BATCH_MODE, 0x01),
    DOC(OCI_EXACT_FETCH, 0x02),
    DOC(OCI_DESCRIBE_ONLY, 0x10),
    DOC(OCI_COMMIT_ON_SUCCESS, 0x20),
    DOC(OCI_PARSE_ONLY, 0x100),
    DOC(OCI_NTV_SYNTAX, 1),
    DOC(OCI_V7_SYNTAX, 2),
    DOC(OCI_V8_SYNTAX, 3),
    DOC(OCI_DYNAMIC_FETCH, 0x02),
    DOC(OCI_DATA_AT_EXEC, 0x02),
    // fetch orientations
    DOC(OCI_FETCH_CURRENT, 0x01),
    DOC(OCI_FETCH_NEXT, 0x02),
    DOC(OCI_FETCH_FIRST, 0x04),
    DOC(OCI_FETCH_LAST, 0x08),
    DOC(OCI_FETCH_PRIOR, 0x10),
    DOC(OCI_FETCH_ABSOLUTE, 0x20),
    DOC(OCI_FETCH_RELATIVE, 0x40),
    // piece codes
    DOC(OCI_ONE_PIECE, 0),
    DOC(OCI_FIRST_PIECE, 1),
    DOC(OCI_NEXT_PIECE, 2),
    DOC(OCI_LAST_PIECE, 3),
    // handle types
    DOC(OCI_HTYPE_ENV, 1),
    DOC(OCI_HTYPE_ERROR, 2),
    DOC(OCI_HTYPE_SVCCTX, 3),
    DOC(OCI_HTYPE_STMT, 4),
    DOC(OCI_HTYPE_BIND, 5),
    DOC(OCI_HTYPE_DEFINE, 6),
    DOC(OCI_HTYPE_DESCRIBE, 7),
    DOC(OCI_HTYPE_SERVER, 8),
    DOC(OCI_HTYPE_SESSION, 9),
    // descriptor types
    DOC(OCI_DTYPE_LOB, 50),
    DOC(OCI_DTYPE_SNAP, 51),
    DOC(OCI_DTYPE_PARAM, 53),
    DOC(OCI_DTYPE_ROWID, 54),
    DOC(OCI_DTYPE_FILE, 56),
    DOC(OCI_DTYPE_TIMESTAMP, 68),
    DOC(OCI_DTYPE_TIMESTAMP_TZ, 69),
    DOC(OCI_DTYPE_TIMESTAMP_LTZ, 70),
    // attributes
    DOC(OCI_ATTR_DATA_SIZE, 1),
    DOC(OCI_ATTR_DATA_TYPE, 2),
    DOC(OCI_ATTR_NAME, 4),
    DOC(OCI_ATTR_PRECISION, 5),
    DOC(OCI_ATTR_SCALE, 6),
    DOC(OCI_ATTR_IS_NULL, 7),
    DOC(OCI_ATTR_CHARSET_ID, 31),
    DOC(OCI_ATTR_CHARSET_FORM, 32),
    DOC(OCI_ATTR_CHAR_USED, 285),
    DOC(OCI_ATTR_CHAR_SIZE, 286),
    DOC(OCI_ATTR_SERVER, 6),
    DOC(OCI_ATTR_SESSION, 7),
    DOC(OCI_ATTR_ROW_COUNT, 9),
    DOC(OCI_ATTR_PREFETCH_ROWS, 11),
    DOC(OCI_ATTR_PREFETCH_MEMORY, 13),
    DOC(OCI_ATTR_PARAM_COUNT, 18),
    DOC(OCI_ATTR_ROWID, 19),
    DOC(OCI_ATTR_STMT_TYPE, 24),
    DOC(OCI_ATTR_ROWS_FETCHED, 197),
    // statement types
    DOC(OCI_STMT_SELECT, 1),
    DOC(OCI_STMT_UPDATE, 2),
    DOC(OCI_STMT_DELETE, 3),
    DOC(OCI_STMT_INSERT, 4),
    DOC(OCI_STMT_CREATE, 5),
    DOC(OCI_STMT_DROP, 6),
    DOC(OCI_STMT_ALTER, 7),
    DOC(OCI_STMT_BEGIN, 8),
    DOC(OCI_STMT_DECLARE, 9),
    // character sets and forms
    DOC(OCI_UTF16ID, 1000),
    DOC(SQLCS_IMPLICIT, 1),
    DOC(SQLCS_NCHAR, 2),
    // data type codes
    DOC(SQLT_CHR, 1),
    DOC(SQLT_NUM, 2),
    DOC(SQLT_INT, 3),
    DOC(SQLT_FLT, 4),
    DOC(SQLT_STR, 5),
    DOC(SQLT_VNU, 6),
    DOC(SQLT_PDN, 7),
    DOC(SQLT_LNG, 8),
    DOC(SQLT_VCS, 9),
    DOC(SQLT_RID, 11),
    DOC(SQLT_DAT, 12),
    DOC(SQLT_BFLOAT, 21),
    DOC(SQLT_BDOUBLE, 22),
    DOC(SQLT_BIN, 23),
    DOC(SQLT_LBI, 24),
    DOC(SQLT_UIN, 68),
    DOC(SQLT_LVC, 94),
    DOC(SQLT_LVB, 95),
    DOC(SQLT_AFC, 96),
    DOC(SQLT_IBFLOAT, 100),
    DOC(SQLT_IBDOUBLE, 101),
    DOC(SQLT_RDD, 104),
    DOC(SQLT_CLOB, 112),
    DOC(SQLT_BLOB, 113),
    DOC(SQLT_BFILEE, 114),
    DOC(SQLT_TIMESTAMP, 187),
    DOC(SQLT_TIMESTAMP_TZ, 188),
    DOC(SQLT_INTERVAL_YM, 189),
    DOC(SQLT_INTERVAL_DS, 190),
    DOC(SQLT_TIMESTAMP_LTZ, 232),
};

#undef DOC

TEST(OciConstants, EveryDeclaredValueIsTheDocumentedOne) {
    for (const documented& c : constants) EXPECT_EQ(c.declared, c.value) << c.name;
}

// The scalar widths the interface is documented with.
TEST(OciConstants, ScalarTypesHaveTheirDocumentedWidths) {
    static_assert(sizeof(ub1) == 1 && sizeof(sb1) == 1 && sizeof(ub2) == 2 && sizeof(sb2) == 2);
    static_assert(sizeof(ub4) == 4 && sizeof(sb4) == 4 && sizeof(sword) == 4);
    EXPECT_TRUE(static_cast<sb1>(-1) < 0 && static_cast<sb2>(-1) < 0 && static_cast<sb4>(-1) < 0);
    EXPECT_TRUE(static_cast<ub1>(-1) > 0 && static_cast<ub2>(-1) > 0 && static_cast<ub4>(-1) > 0);
}

}  // namespace
