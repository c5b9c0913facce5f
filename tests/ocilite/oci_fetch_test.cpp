// Values per type in the external types the Oracle side defines, NULLs and truncation.
#include <cmath>

#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

struct fetched {
    sword rc = OCI_ERROR;
    std::vector<unsigned char> buf;
    sb2 ind = 12345;
    ub2 rlen = 0;
    ub2 rcode = 0;
    ora_err error;

    std::string text() const {  // the buffer as zero-terminated UTF-16
        return narrow(reinterpret_cast<const char16_t*>(buf.data()));
    }
};

// Fetches one column of one row with a define of the given type and size.
fetched fetch_one(session& s, const std::string& sql, ub2 dty, sb4 size, bool indicator = true) {
    fetched f;
    f.buf.assign(static_cast<size_t>(size) + 2, 0xEE);
    statement st(s);
    if (st.prepare(u(sql)) != OCI_SUCCESS) return f;
    if (st.define(1, f.buf.data(), size, dty, indicator ? &f.ind : nullptr, &f.rlen, &f.rcode) != OCI_SUCCESS) {
        return f;
    }
    f.rc = st.execute(0);
    if (f.rc == OCI_SUCCESS) f.rc = st.fetch();
    f.error = s.error();
    return f;
}

class OciFetch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(s.logon(), OCI_SUCCESS) << s.error().text; }
    std::string col(const char* column, int id) {
        return std::string("SELECT ") + column + " FROM ALLTYPES WHERE ID = " + std::to_string(id);
    }
    session s;
};

struct text_case {
    const char* column;
    int id;
    const char* expected;
};

TEST_F(OciFetch, ValuesAsZeroTerminatedText) {
    const text_case cases[] = {
        {"ID", 1, "1"},
        {"VC", 1, "abc"},
        {"NVC", 1, "Ünï 漢字"},
        {"CH", 1, "ab   "},
        {"NCH", 1, "x   "},
        {"NUM", 1, ".5"},
        {"NUM52", 1, "-12.5"},
        {"FLT", 1, "1.5"},
        {"NUM", 3, "-12"},
        {"NUM52", 3, "123.45"},
        {"DT", 1, "15-MAR-05"},
        {"DT", 3, "31-DEC-99"},
        {"TS", 1, "15-MAR-05 10.20.30.123456 AM"},
        {"IYM", 1, "+02-03"},
        {"IDS", 1, "+01 02:03:04.000000"},
        {"RW", 1, "01AB"},
        {"LNG", 1, "long text"},
        {"CL", 1, "small clob"},
        {"BD", 1, "1.5E+000"},
        {"RID", 1, "AAAR3sAAEAAAACXAAA"},
        {"VC", 3, "héllo 😀"},
    };
    for (const text_case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " of row " + std::to_string(c.id));
        const fetched f = fetch_one(s, col(c.column, c.id), SQLT_STR, 200);
        ASSERT_EQ(f.rc, OCI_SUCCESS) << f.error.text;
        EXPECT_EQ(f.ind, 0);
        EXPECT_EQ(f.text(), c.expected);
        EXPECT_EQ(f.rlen, u(c.expected).size() * 2);
    }
    const fetched longraw = fetch_one(s, "SELECT LR FROM LONGRAWS", SQLT_STR, 200);
    ASSERT_EQ(longraw.rc, OCI_SUCCESS) << longraw.error.text;
    EXPECT_EQ(longraw.text(), "01AB");
}

TEST_F(OciFetch, NullsAndTheEmptyString) {
    for (const char* column : {"VC", "NUM", "RW", "TS", "NVC", "BD"}) {
        SCOPED_TRACE(column);
        const fetched f = fetch_one(s, col(column, 2), SQLT_STR, 64);
        EXPECT_EQ(f.rc, OCI_SUCCESS) << f.error.text;
        EXPECT_EQ(f.ind, -1);  // '' was stored as NULL, as Oracle does
        const fetched bare = fetch_one(s, col(column, 2), SQLT_STR, 64, false);
        EXPECT_EQ(bare.rc, OCI_ERROR);
        EXPECT_EQ(bare.error.code, 1405);
    }
    // An empty CLOB is a value, not NULL.
    const fetched empty = fetch_one(s, col("CL", 2), SQLT_STR, 64);
    EXPECT_EQ(empty.rc, OCI_SUCCESS);
    EXPECT_EQ(empty.ind, 0);
    EXPECT_EQ(empty.text(), "");
}

TEST_F(OciFetch, TheSevenByteDate) {
    const std::vector<unsigned char> march15{120, 105, 3, 15, 11, 21, 31};
    for (const char* column : {"DT", "TS", "TSLTZ"}) {
        SCOPED_TRACE(column);
        fetched f = fetch_one(s, col(column, 1), SQLT_DAT, 7);
        ASSERT_EQ(f.rc, OCI_SUCCESS) << f.error.text;
        f.buf.resize(7);
        EXPECT_EQ(f.buf, march15);
    }
    fetched midnight = fetch_one(s, col("DT", 3), SQLT_DAT, 7);
    ASSERT_EQ(midnight.rc, OCI_SUCCESS);
    midnight.buf.resize(7);
    EXPECT_EQ(midnight.buf, (std::vector<unsigned char>{119, 199, 12, 31, 1, 1, 1}));
    // Text is no date: the type check of a real server.
    EXPECT_EQ(fetch_one(s, col("RW", 1), SQLT_DAT, 7).error.code, 932);
}

TEST_F(OciFetch, RawBytesWithTheirLength) {
    fetched f = fetch_one(s, col("RW", 1), SQLT_BIN, 16);
    ASSERT_EQ(f.rc, OCI_SUCCESS) << f.error.text;
    EXPECT_EQ(f.rlen, 2);
    EXPECT_EQ(f.buf[0], 0x01);
    EXPECT_EQ(f.buf[1], 0xAB);
}

TEST_F(OciFetch, IntegersAndFloats) {
    struct int_case {
        const char* column;
        int id;
        sb4 size;
        int64_t expected;
    };
    const int_case ints[] = {
        {"ID", 1, 4, 1},      {"NUM", 3, 4, -12},   {"NUM", 1, 4, 1},
        {"NUM52", 1, 8, -13}, {"NUM52", 3, 2, 123}, {"ID", 3, 1, 3},
    };
    for (const int_case& c : ints) {
        SCOPED_TRACE(std::string(c.column) + " size " + std::to_string(c.size));
        const fetched f = fetch_one(s, col(c.column, c.id), SQLT_INT, c.size);
        ASSERT_EQ(f.rc, OCI_SUCCESS) << f.error.text;
        int64_t v = 0;
        if (c.size == 1) v = static_cast<int8_t>(f.buf[0]);
        if (c.size == 2) {
            int16_t x;
            std::memcpy(&x, f.buf.data(), 2);
            v = x;
        }
        if (c.size == 4) {
            int32_t x;
            std::memcpy(&x, f.buf.data(), 4);
            v = x;
        }
        if (c.size == 8) std::memcpy(&v, f.buf.data(), 8);
        EXPECT_EQ(v, c.expected);
    }
    const fetched overflow = fetch_one(s, "SELECT EMPNO FROM EMP WHERE EMPNO = 7369", SQLT_INT, 1);
    EXPECT_EQ(overflow.rc, OCI_ERROR);
    EXPECT_EQ(overflow.error.code, 1455);
    EXPECT_EQ(fetch_one(s, col("VC", 1), SQLT_INT, 4).error.code, 1722);

    double d = 0;
    fetched f = fetch_one(s, col("NUM52", 1), SQLT_FLT, 8);
    ASSERT_EQ(f.rc, OCI_SUCCESS) << f.error.text;
    std::memcpy(&d, f.buf.data(), 8);
    EXPECT_EQ(d, -12.5);
    f = fetch_one(s, col("BD", 1), SQLT_FLT, 4);
    ASSERT_EQ(f.rc, OCI_SUCCESS);
    float fl = 0;
    std::memcpy(&fl, f.buf.data(), 4);
    EXPECT_EQ(fl, 1.5f);
}

TEST_F(OciFetch, TruncationIsReportedAsOracleDoes) {
    struct trunc_case {
        const char* column;
        int id;
        ub2 dty;
        sb4 size;
        const char* kept;  // for texts
        sb2 full_length;   // the indicator: the whole value's length in bytes
    };
    const trunc_case cases[] = {
        {"VC", 1, SQLT_STR, 6, "ab", 6},
        {"VC", 3, SQLT_STR, 16, "héllo ", 16},  // the emoji's surrogate pair is
                                                // not split
        {"NUM52", 1, SQLT_STR, 6, "-1", 10},
        {"VC", 1, SQLT_CHR, 4, nullptr, 6},
        {"RW", 1, SQLT_BIN, 1, nullptr, 2},
    };
    for (const trunc_case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " in " + std::to_string(c.size) + " bytes");
        const fetched f = fetch_one(s, col(c.column, c.id), c.dty, c.size);
        EXPECT_EQ(f.rc, OCI_SUCCESS_WITH_INFO);
        EXPECT_EQ(f.error.code, 1406);
        EXPECT_EQ(f.error.text, "ORA-01406: fetched column value was truncated\n");
        EXPECT_EQ(f.ind, c.full_length);
        EXPECT_EQ(f.rcode, 1406);
        if (c.kept) {
            EXPECT_EQ(f.text(), c.kept);
        }
        EXPECT_EQ(f.buf[static_cast<size_t>(c.size)], 0xEE) << "wrote past the buffer";
    }
}

TEST_F(OciFetch, CharExternalTypeIsBlankPadded) {
    const fetched f = fetch_one(s, col("CH", 1), SQLT_AFC, 14);
    ASSERT_EQ(f.rc, OCI_SUCCESS);
    EXPECT_EQ(narrow(std::u16string(reinterpret_cast<const char16_t*>(f.buf.data()), 7)), "ab     ");
}

TEST_F(OciFetch, ArrayFetchFillsConsecutiveElements) {
    statement st(s);
    int32_t ids[8] = {};
    sb2 inds[8] = {};
    ASSERT_EQ(st.prepare(u("SELECT ID FROM MANY WHERE ID <= 10 ORDER BY ID")), OCI_SUCCESS);
    ASSERT_EQ(st.define(1, ids, 4, SQLT_INT, inds), OCI_SUCCESS);
    ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error().text;
    ASSERT_EQ(st.fetch(8), OCI_SUCCESS);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[7], 8);
    EXPECT_EQ(st.fetch(8), OCI_NO_DATA);
    ub4 got = 0;
    oci().OCIAttrGet(st.h, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(ids[1], 10);
    // Past the end the cursor is out of sequence.
    EXPECT_EQ(st.fetch(1), OCI_ERROR);
    EXPECT_EQ(s.error().code, 1002);
}

}  // namespace
