// Piecewise fetch: a define in OCI_DYNAMIC_FETCH mode takes its value piece by piece into the
// buffers its OCIDefineDynamic callback hands out, as Oracle delivers LONG and LONG RAW.
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

// The callback's side: a buffer of the same size for every piece, the pieces kept end to end.
struct receiver {
    ub4 piece_size = 4;
    std::vector<unsigned char> buffer;
    std::vector<ub1> pieces;  // the piece code of each call
    std::string value;
    ub4 length = 0;
    sb2 ind = 12345;
    ub2 rcode = 7;
    bool fail = false;

    void take_last() {
        if (!pieces.empty()) value.append(reinterpret_cast<const char*>(buffer.data()), length);
    }
    static sb4 next(void* context, OCIDefine*, ub4, void** bufpp, ub4** alenp, ub1* piecep, void** indp, ub2** rcodep) {
        auto& r = *static_cast<receiver*>(context);
        if (r.fail) return OCI_ERROR;
        r.take_last();
        r.pieces.push_back(*piecep);
        r.buffer.assign(r.piece_size, 0xEE);
        r.length = r.piece_size;
        *bufpp = r.buffer.data();
        *alenp = &r.length;
        *indp = &r.ind;
        *rcodep = &r.rcode;
        return OCI_CONTINUE;
    }
};

struct pieced {
    sword rc = OCI_ERROR;
    receiver r;
    ora_err error;
};

// One column of one row through a piecewise define of the given type and largest size.
pieced fetch_pieces(session& s, const std::string& sql, ub2 dty, ub4 piece_size, sb4 limit = 1 << 30,
                    bool register_callback = true, bool fail = false) {
    pieced p;
    p.r.piece_size = piece_size;
    p.r.fail = fail;
    statement st(s);
    OCIDefine* d = nullptr;
    if (st.prepare(u(sql)) != OCI_SUCCESS || oci().OCIDefineByPos(st.h, &d, s.err, 1, nullptr, limit, dty, nullptr,
                                                                  nullptr, nullptr, OCI_DYNAMIC_FETCH) != OCI_SUCCESS) {
        p.error = s.error();
        return p;
    }
    if (register_callback) {
        EXPECT_EQ(oci().OCIDefineDynamic(d, s.err, &p.r, &receiver::next), OCI_SUCCESS);
    }
    p.rc = st.execute(0);
    if (p.rc == OCI_SUCCESS) p.rc = st.fetch();
    p.error = s.error();
    p.r.take_last();
    return p;
}

std::string utf16_bytes(const std::u16string& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

class OciPiecewise : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(s.logon(), OCI_SUCCESS) << s.error().text; }
    session s;
};

TEST_F(OciPiecewise, TheValueComesWholeInPiecesThatNeverSplitACharacter) {
    constexpr ub1 first = OCI_FIRST_PIECE, next = OCI_NEXT_PIECE;
    const struct {
        const char* sql;
        ub2 dty;
        ub4 piece_size;
        std::string expected;
        std::vector<ub1> pieces;
    } cases[] = {
        // 18 bytes of UTF-16 in buffers of 4
        {"SELECT LNG FROM ALLTYPES WHERE ID = 1",
         SQLT_CHR,
         4,
         utf16_bytes(u"long text"),
         {first, next, next, next, next}},
        {"SELECT LNG FROM ALLTYPES WHERE ID = 1", SQLT_LNG, 64, utf16_bytes(u"long text"), {first}},
        // an odd buffer takes whole units; the pair of units of U+1F600 goes in one piece
        {"SELECT VC FROM ALLTYPES WHERE ID = 3",
         SQLT_CHR,
         5,
         utf16_bytes(u"h\u00e9llo \U0001F600"),
         {first, next, next, next}},
        {"SELECT LR FROM LONGRAWS WHERE ID = 1", SQLT_BIN, 1, "\x01\xAB", {first, next}},
        {"SELECT LR FROM LONGRAWS WHERE ID = 1", SQLT_LBI, 2, "\x01\xAB", {first}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sql) + " in pieces of " + std::to_string(c.piece_size));
        const pieced p = fetch_pieces(s, c.sql, c.dty, c.piece_size);
        EXPECT_EQ(p.rc, OCI_SUCCESS) << p.error.text;
        EXPECT_EQ(p.r.value, c.expected);
        EXPECT_EQ(p.r.pieces, c.pieces);
        EXPECT_EQ(p.r.ind, 0);
        EXPECT_EQ(p.r.rcode, 0);
    }
}

TEST_F(OciPiecewise, ANullIsOneCallWithTheIndicatorSet) {
    const pieced p = fetch_pieces(s, "SELECT LNG FROM ALLTYPES WHERE ID = 2", SQLT_CHR, 16);
    EXPECT_EQ(p.rc, OCI_SUCCESS) << p.error.text;
    EXPECT_EQ(p.r.pieces, std::vector<ub1>{OCI_FIRST_PIECE});
    EXPECT_EQ(p.r.ind, -1);
    EXPECT_EQ(p.r.value, "");
}

TEST_F(OciPiecewise, AValuePastTheLargestSizeOrABufferTooSmallEndsCut) {
    const struct {
        ub4 piece_size;
        sb4 limit;
        std::string expected;
    } cases[] = {
        {4, 10, utf16_bytes(u"long ")},  // 18 bytes, 10 of them allowed
        {1, 1 << 30, ""},                // no buffer takes a character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        const pieced p = fetch_pieces(s, "SELECT LNG FROM ALLTYPES WHERE ID = 1", SQLT_CHR, c.piece_size, c.limit);
        EXPECT_EQ(p.rc, OCI_SUCCESS_WITH_INFO);
        EXPECT_EQ(p.error.code, 1406);
        EXPECT_EQ(p.r.value, c.expected);
        EXPECT_EQ(p.r.ind, 18);  // the whole value's length
        EXPECT_EQ(p.r.rcode, 1406);
    }
    // a pair of units that no buffer of 3 bytes can take
    const pieced p = fetch_pieces(s, "SELECT VC FROM ALLTYPES WHERE ID = 3", SQLT_CHR, 3);
    EXPECT_EQ(p.rc, OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(p.r.value, utf16_bytes(u"h\u00e9llo "));
}

TEST_F(OciPiecewise, MisuseFailsTheFetch) {
    pieced p = fetch_pieces(s, "SELECT LNG FROM ALLTYPES WHERE ID = 1", SQLT_CHR, 4, 1 << 30, true, true);
    EXPECT_EQ(p.rc, OCI_ERROR);
    EXPECT_EQ(p.error.code, 24343);
    // without a callback Oracle would poll with OCIStmtGetPieceInfo, which ocilite lacks
    p = fetch_pieces(s, "SELECT LNG FROM ALLTYPES WHERE ID = 1", SQLT_CHR, 4, 1 << 30, false);
    EXPECT_EQ(p.rc, OCI_ERROR);
    EXPECT_EQ(p.error.code, 3001);
    // binary pieces of a text
    p = fetch_pieces(s, "SELECT LNG FROM ALLTYPES WHERE ID = 1", SQLT_BIN, 4);
    EXPECT_EQ(p.rc, OCI_ERROR);
    EXPECT_EQ(p.error.code, 932);
}

}  // namespace
