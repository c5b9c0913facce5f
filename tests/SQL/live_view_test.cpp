// The view converter and the case-insensitive search it is built on.
#include <gtest/gtest.h>

#include "SQL/ci_wstring.h"
#include "SQL/sql_fk_parser.h"
#include "SQL/sql_view_converter.h"
#include "UDB/udb_rel.h"

namespace {

TEST(CiFind, FindsWithoutCaseFromStart) {
    const compat::wstring text = u"Select a FROM t where B = 1 from";
    EXPECT_EQ(ci_wstring::find(text, u"from"), 9);
    EXPECT_EQ(ci_wstring::find(text, u"from", 10), 28);
    EXPECT_EQ(ci_wstring::find(text, u"WHERE"), 16);
    EXPECT_EQ(ci_wstring::find(text, u"nothing"), -1);
    EXPECT_EQ(ci_wstring::find(u"ÄBC äbc", u"äbc", 1), 4);
}

TEST(CiFind, EmptyPatternAndShortRest) {
    EXPECT_EQ(ci_wstring::find(u"abc", u"", 2), 2);
    EXPECT_EQ(ci_wstring::find(u"abc", u"", 3), 3);
    EXPECT_EQ(ci_wstring::find(u"abc", u"", 4), -1);
    EXPECT_EQ(ci_wstring::find(u"abc", u"bcd", 1), -1);
    EXPECT_EQ(ci_wstring::find(u"abc", u"c", 3), -1);
    // n limits the pattern
    EXPECT_EQ(ci_wstring::find(u"abxabc", u"abc", 0, 2), 0);
}

struct view_case {
    const char16_t* in;
    const char16_t* out;
};

class ViewConvert : public ::testing::TestWithParam<view_case> {};

TEST_P(ViewConvert, Rewrites) {
    EXPECT_EQ(sql_view_converter(GetParam().in).convert_to_ansi(), compat::wstring(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewConvert,
    ::testing::Values(
        // trailing ORDER BY goes, from its blank on
        view_case{u"select a from t ORDER BY a", u"select a from t"},
        view_case{u"select a from t order by a desc, b", u"select a from t"},
        // no blank before it: kept
        view_case{u"ORDER BY a", u"ORDER BY a"},
        // inside a literal, a quoted name or a subquery it is not the view's own
        view_case{u"select 'x order by y' AS `a` from t", u"select 'x order by y' AS `a` from t"},
        view_case{u"select (select b from u order by b limit 1) AS `c` from t",
                  u"select (select b from u order by b limit 1) AS `c` from t"},
        // joins and filters: the join keyword becomes cross join, after INNER
        view_case{u"select a from t INNER JOIN u on t.x = u.x where a > 1",
                  u"select a from t INNER cross join u on t.x = u.x where a > 1"},
        view_case{u"select a from t join u join v where a > 1",
                  u"select a from t cross join u cross join v where a > 1"},
        // a join without a filter stays
        view_case{u"select a from t inner join u on t.x = u.x", u"select a from t inner join u on t.x = u.x"},
        // join only in a quoted string or a quoted name: unchanged
        view_case{u"select \"join\" AS `joined` from t where a = 1", u"select \"join\" AS `joined` from t where a = 1"},
        // a real join beside quoted names that hold the word: only the keyword changes
        view_case{u"select `t`.`joined_at` AS `j` from (`t` join `u`) where `t`.`a` = 1",
                  u"select `t`.`joined_at` AS `j` from (`t` cross join `u`) where `t`.`a` = 1"},
        // both rules together
        view_case{u"select a from t join u where a = 1 order by a", u"select a from t cross join u where a = 1"}));

TEST(ViewConvert, SkeletonDropsStringsAndNames) {
    sql_view_converter v(u"select \"a`b\" , `c` x");
    EXPECT_EQ(v.skeleton(), u"select  ,  x");
}

TEST(FkParser, SplitsLinesAndLeavesRelationships) {
    udb_relationships rels;
    sql_fk_parser p(u"t", "CREATE TABLE `t` (\n  `a` int,\n\n  `b` int\n) ENGINE=InnoDB");
    ASSERT_EQ(p.chunks().size(), 5u);
    EXPECT_EQ(p.chunks()[0], "CREATE TABLE `t` (");
    EXPECT_EQ(p.chunks()[2], "");
    EXPECT_EQ(p.chunks()[4], ") ENGINE=InnoDB");
    p.do_parse(rels);
    EXPECT_TRUE(rels.empty());

    EXPECT_TRUE(sql_fk_parser(u"t", "").chunks().empty());
    EXPECT_EQ(sql_fk_parser(u"t", std::string_view("a\nb\0c\nd", 7)).chunks().size(), 2u);
}

}  // namespace
