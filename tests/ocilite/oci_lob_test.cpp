// LOB locators read in chunks with Oracle's amount and offset rules (UTF-16 environment).
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

class OciLob : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(s.logon(), OCI_SUCCESS) << s.error().text;
        ASSERT_EQ(oci().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr),
                  OCI_SUCCESS);
    }
    void TearDown() override { oci().OCIDescriptorFree(loc, OCI_DTYPE_LOB); }

    // Selects one LOB column of one row into the locator.
    sword select(const char* column, int id, ub2 type, statement& st) {
        const std::string sql = std::string("SELECT ") + column + " FROM ALLTYPES WHERE ID = " + std::to_string(id);
        EXPECT_EQ(st.prepare(u(sql)), OCI_SUCCESS);
        EXPECT_EQ(st.define(1, &loc, -1, type, &ind), OCI_SUCCESS);
        return st.execute(1);
    }

    // The Oracle side's chunk loop: amount 0 (streamed), 32768-byte buffer, the offset moved
    // on by each amount read, until a read gives 0.
    std::string read_like_the_oracle_side(ub1 form, int* calls) {
        std::string joined;
        std::vector<unsigned char> buffer(65536);
        ub4 offset = 1;
        *calls = 0;
        for (;;) {
            ub4 amount = 0;
            const sword rc =
                oci().OCILobRead(s.svc, s.err, loc, &amount, offset, buffer.data(), 32768, nullptr, nullptr, 0, form);
            ++*calls;
            EXPECT_NE(rc, OCI_ERROR) << s.error().text;
            if (amount == 0 || rc == OCI_ERROR || *calls > 100) break;
            const size_t chunk_bytes = form ? amount * 2 : amount;  // characters for a CLOB
            joined.append(reinterpret_cast<const char*>(buffer.data()), chunk_bytes);
            offset += amount;
        }
        return joined;
    }

    session s;
    OCILobLocator* loc = nullptr;
    sb2 ind = 0;
};

std::u16string as_u16(const std::string& bytes) {
    return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

TEST_F(OciLob, ClobLargerThanAChunkReadsWhole) {
    for (const char* column : {"CL", "NCL"}) {
        SCOPED_TRACE(column);
        statement st(s);
        ASSERT_EQ(select(column, 3, SQLT_CLOB, st), OCI_SUCCESS) << s.error().text;
        ub1 form = 0;
        ASSERT_EQ(oci().OCILobCharSetForm(s.env, s.err, loc, &form), OCI_SUCCESS);
        EXPECT_EQ(form, std::string(column) == "NCL" ? SQLCS_NCHAR : SQLCS_IMPLICIT);
        ub4 length = 0;
        ASSERT_EQ(oci().OCILobGetLength(s.svc, s.err, loc, &length), OCI_SUCCESS);
        EXPECT_EQ(length, fixture_store::big_clob().size());
        int calls = 0;
        const std::u16string text = as_u16(read_like_the_oracle_side(form, &calls));
        EXPECT_EQ(text, fixture_store::big_clob());
        EXPECT_GT(calls, 3);  // several pieces of 16384 characters, then the end
    }
}

TEST_F(OciLob, BlobLargerThanAChunkReadsWhole) {
    statement st(s);
    ASSERT_EQ(select("BL", 3, SQLT_BLOB, st), OCI_SUCCESS) << s.error().text;
    ub1 form = 9;
    ASSERT_EQ(oci().OCILobCharSetForm(s.env, s.err, loc, &form), OCI_SUCCESS);
    EXPECT_EQ(form, 0);
    int calls = 0;
    EXPECT_EQ(read_like_the_oracle_side(0, &calls), fixture_store::big_blob());
}

TEST_F(OciLob, EmptyAndNullLobs) {
    {
        statement st(s);
        ASSERT_EQ(select("CL", 2, SQLT_CLOB, st), OCI_SUCCESS) << s.error().text;
        EXPECT_EQ(ind, 0);
        int calls = 0;
        EXPECT_EQ(read_like_the_oracle_side(SQLCS_IMPLICIT, &calls), "");
        EXPECT_EQ(calls, 1);
        char16_t buf[8];
        ub4 amount = 0;
        EXPECT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
                  OCI_NO_DATA);
    }
    statement st(s);
    ASSERT_EQ(select("NCL", 2, SQLT_CLOB, st), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(ind, -1);
}

TEST_F(OciLob, AmountsAndOffsetsCountCharacters) {
    statement st(s);
    ASSERT_EQ(select("CL", 3, SQLT_CLOB, st), OCI_SUCCESS);
    const std::u16string whole = fixture_store::big_clob();
    char16_t buf[2000];

    // A read that fits the buffer: exactly the amount asked, from the offset.
    ub4 amount = 1000;
    ASSERT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, 5, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(amount, 1000u);
    EXPECT_EQ(std::u16string(buf, 1000), whole.substr(4, 1000));

    // Near the end: fewer characters than asked.
    amount = 1000;
    const ub4 near_end = static_cast<ub4>(whole.size() - 9);
    ASSERT_EQ(
        oci().OCILobRead(s.svc, s.err, loc, &amount, near_end, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
        OCI_SUCCESS);
    EXPECT_EQ(amount, 10u);
    EXPECT_EQ(std::u16string(buf, 10), whole.substr(near_end - 1));

    // More than the buffer holds: polling, piece by piece, the last one with OCI_SUCCESS.
    amount = 5000;
    std::u16string polled;
    sword rc = oci().OCILobRead(s.svc, s.err, loc, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT);
    int pieces = 1;
    polled.append(buf, amount);
    while (rc == OCI_NEED_DATA && pieces < 10) {
        rc = oci().OCILobRead(s.svc, s.err, loc, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT);
        polled.append(buf, amount);
        ++pieces;
    }
    EXPECT_EQ(rc, OCI_SUCCESS);
    EXPECT_EQ(pieces, 3);  // 2000 + 2000 + 1000 characters
    EXPECT_EQ(polled, whole.substr(0, 5000));

    // Offset 0 is no position; past the end there is no data.
    amount = 10;
    EXPECT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, 0, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
              OCI_ERROR);
    amount = 10;
    EXPECT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, static_cast<ub4>(whole.size() + 1), buf, sizeof buf, nullptr,
                               nullptr, 0, SQLCS_IMPLICIT),
              OCI_NO_DATA);
    EXPECT_EQ(amount, 0u);
}

struct collected {
    std::u16string text;
    std::vector<ub1> pieces;
};

sb4 collect(void* ctx, const void* buf, ub4 len, ub1 piece) {
    auto* c = static_cast<collected*>(ctx);
    c->text.append(static_cast<const char16_t*>(buf), len / 2);
    c->pieces.push_back(piece);
    return OCI_CONTINUE;
}

TEST_F(OciLob, StreamedThroughACallback) {
    statement st(s);
    ASSERT_EQ(select("CL", 3, SQLT_CLOB, st), OCI_SUCCESS);
    char16_t buf[16384];
    collected c;
    ub4 amount = 0;
    ASSERT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, 1, buf, sizeof buf, &c, collect, 0, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(c.text, fixture_store::big_clob());
    EXPECT_EQ(amount, c.text.size());
    ASSERT_GE(c.pieces.size(), 2u);
    EXPECT_EQ(c.pieces.front(), OCI_FIRST_PIECE);
    EXPECT_EQ(c.pieces.back(), OCI_LAST_PIECE);
}

TEST_F(OciLob, ABfileFetchesIntoAFileLocatorOnly) {
    OCILobLocator* file = nullptr;
    ASSERT_EQ(oci().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&file), OCI_DTYPE_FILE, 0, nullptr),
              OCI_SUCCESS);
    const struct {
        const char* what;
        const char* sql;
        ub2 type;
        OCILobLocator** locator;
        int error;  // 0: fetched, with the indicator below
        sb2 indicator;
    } cases[] = {
        {"a NULL BFILE", "SELECT BF FROM ALLTYPES WHERE ID = 1", SQLT_BFILEE, &file, 0, -1},
        {"a BFILE", "SELECT BF FROM ALLTYPES WHERE ID = 3", SQLT_BFILEE, &file, 0, 0},
        {"a CLOB as a BFILE", "SELECT CL FROM ALLTYPES WHERE ID = 1", SQLT_BFILEE, &file, 932, 0},
        {"a BFILE as a BLOB", "SELECT BF FROM ALLTYPES WHERE ID = 3", SQLT_BLOB, &loc, 932, 0},
        {"a BFILE into a LOB locator", "SELECT BF FROM ALLTYPES WHERE ID = 3", SQLT_BFILEE, &loc, 22275, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        statement st(s);
        ASSERT_EQ(st.prepare(u(c.sql)), OCI_SUCCESS) << s.error().text;
        ind = 5;
        ASSERT_EQ(st.define(1, c.locator, -1, c.type, &ind), OCI_SUCCESS);
        const sword rc = st.execute(1);
        if (c.error) {
            EXPECT_EQ(rc, OCI_ERROR);
            EXPECT_EQ(s.error().code, c.error);
        } else {
            EXPECT_EQ(rc, OCI_SUCCESS) << s.error().text;
            EXPECT_EQ(ind, c.indicator);
        }
    }
    // Its file is not read through the locator.
    char16_t buf[8];
    ub4 amount = 4;
    EXPECT_NE(oci().OCILobRead(s.svc, s.err, file, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(oci().OCIDescriptorFree(file, OCI_DTYPE_LOB), OCI_INVALID_HANDLE);
    EXPECT_EQ(oci().OCIDescriptorFree(file, OCI_DTYPE_FILE), OCI_SUCCESS);
}

TEST_F(OciLob, ALocatorNeverFetchedIsInvalid) {
    char16_t buf[8];
    ub4 amount = 4;
    EXPECT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
              OCI_ERROR);
    EXPECT_EQ(s.error().code, 22275);
}

}  // namespace
