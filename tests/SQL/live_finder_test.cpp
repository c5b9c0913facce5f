// The foreign-key parser on the CREATE TABLE texts the server shows, and the field
// finder's safe names.
#include "SQL/sql_field_finder.h"
#include "SQL/sql_fk_parser.h"
#include "SQL/sql_recs.h"
#include "tests/SQL/live_fixture.h"

namespace {

using live_test::field;
using live_test::LiveDb;
using live_test::record;

TEST_F(LiveDb, FkParserCountsTheLinesOfShowCreateTable) {
    exec("CREATE TABLE p (id INT PRIMARY KEY)");
    exec(
        "CREATE TABLE c (id INT PRIMARY KEY, pid INT, note VARCHAR(10), KEY k (pid), "
        "CONSTRAINT fk_p FOREIGN KEY (pid) REFERENCES p (id)) ENGINE=InnoDB");
    sql_database& db = open();
    auto rs = db.query(u"SHOW CREATE TABLE c");
    ASSERT_NE(rs, nullptr);
    const std::string text = rs->get_item()->at(1)->to_string();
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    ASSERT_GE(lines, 6u);
    sql_fk_parser parser(u"c", text);
    EXPECT_EQ(parser.chunks().size(), lines);
    EXPECT_EQ(parser.chunks().front(), "CREATE TABLE `c` (");
    udb_relationships rels;
    parser.do_parse(rels);
    EXPECT_TRUE(rels.empty());

    // opening the table reads the same text and leaves the database's relationships alone
    auto t = db.get_table(u"c", true);
    EXPECT_TRUE(db.get_relationships().empty());
}

TEST_F(LiveDb, FieldFinderGivesCollidingNamesDistinctSafeNames) {
    open();
    auto r = record({field(u"x#1", ole_variant(1)), field(u"x;1", ole_variant(2)), field(u"plain", ole_variant(3)),
                     field(u"Plain", ole_variant(4))});
    sql_field_finder finder(*r);
    const auto& names = finder.names();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], u"x_1");
    EXPECT_NE(names[1], names[0]);
    EXPECT_EQ(finder.get_field_idx(names[0]), 0);
    EXPECT_EQ(finder.get_field_idx(names[1]), 1);
    // exact comparison: plain and Plain are two fields
    EXPECT_EQ(finder.get_field_idx(u"plain"), 2);
    EXPECT_EQ(finder.get_field_idx(u"Plain"), 3);
    EXPECT_EQ(finder.get_field_idx(u"PLAIN"), -1);
    EXPECT_EQ(finder.get_field_idx(u"x#1"), -1);
}

}  // namespace
