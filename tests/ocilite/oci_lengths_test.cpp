// Lengths as Oracle reports them: character-semantics columns (bytes in DATA_SIZE, characters
// in CHAR_SIZE and CHAR_LENGTH, CHAR_USED 'C'), LONG VARCHAR's 4-byte count, and the widest
// DAY TO SECOND interval.
#include "tests/ocilite/oci_client.h"

namespace {

using namespace oci_test;

// A store of its own in the fixture folder, so the shared fixture's table list stays.
void build_lengths_store() {
    static const bool built = [] {
        fixture_store::get().stores.build_text(
            "LENGTHS",
            "CREATE USER scott IDENTIFIED BY tiger;\n"
            "CREATE TABLE T (ID NUMBER(5), VCC VARCHAR2(10 CHAR), CHC CHAR(3 CHAR), VB VARCHAR2(10 BYTE), "
            "NVC NVARCHAR2(10), L LONG, DS INTERVAL DAY(9) TO SECOND(9));\n"
            "INSERT INTO T VALUES (1, 'a', 'b', 'c', N'd', 'l' || CHR(0) || 'g', "
            "INTERVAL '123456789 23:59:59.123456789' DAY(9) TO SECOND(9));\n"
            "COMMIT;\n");
        return true;
    }();
    ASSERT_TRUE(built);
}

template <class T>
T attr(session& s, OCIParam* p, ub4 which) {
    T value{};
    EXPECT_EQ(oci().OCIAttrGet(p, OCI_DTYPE_PARAM, &value, nullptr, which, s.err), OCI_SUCCESS) << s.error().text;
    return value;
}

TEST(OciLengths, CharacterSemanticsDescribeAndCatalog) {
    build_lengths_store();
    session s;
    ASSERT_EQ(s.logon("scott", "tiger", "LENGTHS"), OCI_SUCCESS) << s.error().text;
    statement st(s);
    ASSERT_EQ(st.run("SELECT VCC, CHC, VB, NVC FROM T"), OCI_SUCCESS) << s.error().text;
    const struct {
        ub2 data_size;
        ub1 char_used;
        ub2 char_size;
    } cases[] = {{40, 1, 10}, {12, 1, 3}, {10, 0, 10}, {20, 1, 10}};
    for (ub4 pos = 1; pos <= std::size(cases); ++pos) {
        SCOPED_TRACE(pos);
        OCIParam* p = st.param(pos);
        EXPECT_EQ(attr<ub2>(s, p, OCI_ATTR_DATA_SIZE), cases[pos - 1].data_size);
        EXPECT_EQ(attr<ub1>(s, p, OCI_ATTR_CHAR_USED), cases[pos - 1].char_used);
        EXPECT_EQ(attr<ub2>(s, p, OCI_ATTR_CHAR_SIZE), cases[pos - 1].char_size);
    }
    EXPECT_EQ(
        rows_as_text(s,
                     "select COLUMN_NAME, DATA_LENGTH, CHAR_LENGTH, CHAR_USED from USER_TAB_COLUMNS "
                     "where table_name = 'T' and DATA_TYPE in ('VARCHAR2', 'CHAR', 'NVARCHAR2') "
                     "order by COLUMN_ID"),
        (std::vector<std::vector<std::string>>{
            {"VCC", "40", "10", "C"}, {"CHC", "12", "3", "C"}, {"VB", "10", "10", "B"}, {"NVC", "20", "10", "C"}}));
}

TEST(OciLengths, LongVarcharCountsItsBytesAndKeepsZeroCharacters) {
    build_lengths_store();
    session s;
    ASSERT_EQ(s.logon("scott", "tiger", "LENGTHS"), OCI_SUCCESS) << s.error().text;
    {
        statement st(s);
        ASSERT_EQ(st.prepare(u("SELECT L FROM T")), OCI_SUCCESS);
        std::vector<char16_t> buf(2 + 16, u'#');
        sb2 ind = 0;
        ASSERT_EQ(st.define(1, buf.data(), static_cast<sb4>(buf.size() * 2), SQLT_LVC, &ind), OCI_SUCCESS);
        ASSERT_EQ(st.execute(), OCI_SUCCESS) << s.error().text;
        ASSERT_EQ(st.fetch(), OCI_SUCCESS) << s.error().text;
        sb4 count = 0;
        std::memcpy(&count, buf.data(), sizeof count);
        EXPECT_EQ(count, 6);
        EXPECT_TRUE(std::u16string(buf.data() + 2, 3) == std::u16string(u"l\0g", 3));
        EXPECT_EQ(ind, 0);
    }
    {
        // Cut to the buffer: the count says what arrived, the indicator the full length.
        statement st(s);
        ASSERT_EQ(st.prepare(u("SELECT L FROM T")), OCI_SUCCESS);
        std::vector<char16_t> buf(2 + 2);
        sb2 ind = 0;
        ub2 rcode = 0;
        ASSERT_EQ(st.define(1, buf.data(), static_cast<sb4>(buf.size() * 2), SQLT_LVC, &ind, nullptr, &rcode),
                  OCI_SUCCESS);
        ASSERT_EQ(st.execute(), OCI_SUCCESS);
        EXPECT_EQ(st.fetch(), OCI_SUCCESS_WITH_INFO);
        sb4 count = 0;
        std::memcpy(&count, buf.data(), sizeof count);
        EXPECT_EQ(count, 4);
        EXPECT_EQ(ind, 6);
        EXPECT_EQ(rcode, 1406);
    }
}

TEST(OciLengths, WidestDayToSecondIntervalIsKeptAsWritten) {
    build_lengths_store();
    session s;
    ASSERT_EQ(s.logon("scott", "tiger", "LENGTHS"), OCI_SUCCESS) << s.error().text;
    EXPECT_EQ(rows_as_text(s, "SELECT DS FROM T"),
              (std::vector<std::vector<std::string>>{{"+123456789 23:59:59.123456789"}}));
}

}  // namespace
