// Recordsets and records: paged reads of every column kind with NULLs, the schema built
// from the result's descriptors.
#include "SQL/sql_recs.h"
#include "SQL/sql_tab.h"
#include "tests/SQL/live_fixture.h"

namespace {

using live_test::LiveDb;

class LivePaging : public LiveDb, public ::testing::WithParamInterface<int> {};

// 256 and 257 rows sit on either side of a page; 600 spans three pages.
TEST_P(LivePaging, ReadsEveryRowOnceInOrder) {
    const int n = GetParam();
    exec(
        "CREATE TABLE t (id INT PRIMARY KEY, i8 BIGINT UNSIGNED, d DECIMAL(10,2), du DECIMAL(10,2) UNSIGNED, "
        "f DOUBLE, dt DATETIME, dd DATE, tm TIME, s VARCHAR(100), tx TEXT, tb TEXT COLLATE utf8mb4_bin, "
        "b BLOB, vb VARCHAR(10) BINARY)");
    exec(
        "INSERT INTO t SELECT seq, IF(seq % 3 = 0, NULL, 18446744073709551615 - seq), seq + 0.25, seq, seq / 4, "
        "'2004-05-06 07:08:09', '2004-05-06', '10:11:12', CONCAT('s', seq), IF(seq % 2, NULL, 'text'), "
        "'bin text', UNHEX('00FF10'), 'Ab' FROM seq_1_to_" +
        std::to_string(n));
    sql_database& db = open();
    auto t = db.get_table(u"t", true);
    EXPECT_EQ(t->get_record_count(), n);

    const udb_schema& s = t->get_schema();
    ASSERT_EQ(s.size(), 13u);
    EXPECT_EQ(s[2]->vartype, VT_DECIMAL);
    EXPECT_EQ(s[2]->reserved, (10 << 8) | 2);
    EXPECT_EQ(s[3]->reserved, (10 << 8) | 2) << "UNSIGNED decimal precision";
    EXPECT_EQ(s[8]->size, 100) << "VARCHAR(100) has 100 characters";
    EXPECT_EQ(s[9]->vartype, VT_BSTR);
    EXPECT_EQ(s[10]->vartype, VT_BSTR) << "TEXT of a _bin collation is text";
    EXPECT_EQ(s[11]->vartype, VT_BLOB);
    EXPECT_EQ(s[12]->vartype, VT_BSTR);
    EXPECT_EQ(s[5]->reserved, 1);
    EXPECT_EQ(s[6]->reserved, 2);
    EXPECT_EQ(s[7]->reserved, 3);

    int seen = 0;
    for (; !t->is_eof(); t->next()) {
        const udb_record* r = t->get_item();
        ASSERT_NE(r, nullptr) << "row " << seen;
        ++seen;
        ASSERT_EQ(r->at(0)->to_long(), seen);
        EXPECT_EQ(r->at(1)->get_type() == VT_EMPTY || r->at(1)->get_type() == VT_NULL, seen % 3 == 0);
        EXPECT_EQ(r->at(9)->get_type() == VT_EMPTY || r->at(9)->get_type() == VT_NULL, seen % 2 == 1);
        if (seen == 1) {
            EXPECT_EQ(r->at(8)->to_wstring(), u"s1");
            EXPECT_EQ(r->at(10)->get_type(), VT_BSTR);
            EXPECT_EQ(r->at(10)->to_wstring(), u"bin text");
            EXPECT_EQ(r->at(11)->get_type(), VT_ARRAY | VT_UI1);
            EXPECT_EQ(r->at(11)->to_string(), "0x00FF10");
            EXPECT_EQ(r->at(12)->to_wstring(), u"Ab");
            EXPECT_EQ(r->at(5)->to_string(), "2004-05-06 07:08:09");
            EXPECT_EQ(r->at(2)->to_string(), "1.25");
            EXPECT_EQ(r->at(1)->to_string(), "18446744073709551614");
        }
    }
    EXPECT_EQ(seen, n);

    // back to the start
    t->reset();
    ASSERT_FALSE(t->is_eof());
    EXPECT_EQ(t->get_item()->at(0)->to_long(), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, LivePaging, ::testing::Values(256, 257, 600));

TEST_F(LiveDb, EmptyTableHasSchemaAndNoRows) {
    exec("CREATE TABLE e (a INT NOT NULL AUTO_INCREMENT PRIMARY KEY, b VARCHAR(5))");
    sql_database& db = open();
    auto t = db.get_table(u"e", true);
    EXPECT_EQ(t->get_record_count(), 0);
    EXPECT_TRUE(t->is_eof());
    ASSERT_EQ(t->get_schema().size(), 2u);
    EXPECT_TRUE(t->get_schema()[0]->b_not_null);
    EXPECT_TRUE(t->get_schema()[0]->b_auto_increment);
}

TEST_F(LiveDb, QueryRecordsetCountsAndReadsItsRows) {
    exec("CREATE TABLE q (a INT)");
    exec("INSERT INTO q SELECT seq FROM seq_1_to_10");
    sql_database& db = open();
    auto rs = db.get_table(u"big_ones", u"SELECT a FROM q WHERE a > 7", true);
    EXPECT_TRUE(rs->is_query());
    EXPECT_EQ(rs->get_record_count(), 3);
    std::vector<long> got;
    for (; !rs->is_eof(); rs->next()) got.push_back(rs->get_item()->at(0)->to_long());
    EXPECT_EQ(got, (std::vector<long>{8, 9, 10}));

    // a query past one page
    auto many = db.get_table(u"many", u"SELECT seq FROM seq_1_to_300", true);
    EXPECT_EQ(many->get_record_count(), 300);
    long expected = 0;
    for (; !many->is_eof(); many->next()) ASSERT_EQ(many->get_item()->at(0)->to_long(), ++expected);
    EXPECT_EQ(expected, 300);
}

TEST_F(LiveDb, TextCellEndsAtZeroByte) {
    sql_database& db = open();
    auto rs = db.query(u"SELECT CONCAT('ab', CHAR(0), 'cd')");
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->get_item()->at(0)->to_wstring(), u"ab");
}

}  // namespace
