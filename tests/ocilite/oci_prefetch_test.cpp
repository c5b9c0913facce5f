// Prefetch settings decide how many fetches cost a round trip.
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

struct prefetch_case {
    ub4 rows;
    ub4 memory;
    unsigned long long expected_trips;  // execute included, reading all 100 rows one by one
};

// 100 rows of (NUMBER(6), VARCHAR2(40)): 22 + 40 = 62 described bytes a row.
const prefetch_case prefetch_cases[] = {
    {1, 0, 1 + 100},      // the default: the execute brings row 1, each fetch one more
    {0, 0, 1 + 100 + 1},  // no prefetch: every fetch and the final end-of-data ask
    {10, 0, 1 + 10},      // ten a trip; the last full batch needs one more to see the end
    {30, 0, 1 + 3},       // 30, 60, 90, 100 (short: the end is known)
    {200, 0, 1},          // everything rides on the execute
    {0, 620, 1 + 10},     // memory for ten rows
    {50, 620, 1 + 10},    // both set: the smaller wins
};

TEST(OciPrefetch, RoundTripsFollowPrefetchRowsAndMemory) {
    session s;
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    for (const prefetch_case& c : prefetch_cases) {
        SCOPED_TRACE("rows " + std::to_string(c.rows) + ", memory " + std::to_string(c.memory));
        statement st(s);
        ASSERT_EQ(st.prepare(u("SELECT ID, TXT FROM MANY")), OCI_SUCCESS);
        ub4 rows = c.rows, memory = c.memory;
        ASSERT_EQ(oci().OCIAttrSet(st.h, OCI_HTYPE_STMT, &rows, 0, OCI_ATTR_PREFETCH_ROWS, s.err), OCI_SUCCESS);
        ASSERT_EQ(oci().OCIAttrSet(st.h, OCI_HTYPE_STMT, &memory, 0, OCI_ATTR_PREFETCH_MEMORY, s.err), OCI_SUCCESS);
        int32_t id = 0;
        ASSERT_EQ(st.define(1, &id, 4, SQLT_INT), OCI_SUCCESS);
        const unsigned long long before = round_trips();
        ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error().text;
        int fetched = 0;
        sword rc;
        while ((rc = st.fetch()) == OCI_SUCCESS) ++fetched;
        EXPECT_EQ(rc, OCI_NO_DATA);
        EXPECT_EQ(fetched, 100);
        EXPECT_EQ(round_trips() - before, c.expected_trips);
        ub4 count = 0;
        oci().OCIAttrGet(st.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err);
        EXPECT_EQ(count, 100u);
    }
}

TEST(OciPrefetch, LogonAndLobReadsAreRoundTrips) {
    session s;
    unsigned long long before = round_trips();
    ASSERT_EQ(s.logon(), OCI_SUCCESS);
    EXPECT_EQ(round_trips() - before, 1u);

    OCILobLocator* loc = nullptr;
    ASSERT_EQ(oci().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&loc), OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    statement st(s);
    ASSERT_EQ(st.prepare(u("SELECT CL FROM ALLTYPES WHERE ID = 1")), OCI_SUCCESS);
    ASSERT_EQ(st.define(1, &loc, -1, SQLT_CLOB), OCI_SUCCESS);
    ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error().text;
    before = round_trips();
    char16_t buf[64];
    ub4 amount = 5;
    ASSERT_EQ(oci().OCILobRead(s.svc, s.err, loc, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(std::u16string(buf, amount), u"small");
    EXPECT_EQ(round_trips() - before, 1u);
    oci().OCIDescriptorFree(loc, OCI_DTYPE_LOB);
}

}  // namespace
