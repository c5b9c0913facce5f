// Column and index chunks of CREATE TABLE.
#include <gtest/gtest.h>

#include "SQL/sql_init.h"
#include "TK/tk_excep.h"
#include "compat/text/format.h"
#include "sql_engine_fixture.h"

using compat::wstring;
using namespace sql_test;

namespace {

struct built {
    sql_chunks columns;
    sql_chunks indexes;
    wstring auto_column;
};

built build(const udb_schema& s, const udb_indexes& idx, sql_target target = sql_target::server) {
    built b;
    sql_schema_initializer cols(u"t", s, idx, b.auto_column, target);
    cols.get_init_chunks(b.columns);
    sql_indexes_initializer keys(cols.get_schema(), idx, b.auto_column, cols.get_names_map(), target);
    keys.get_init_chunks(b.indexes);
    return b;
}

udb_indexes indexes(std::initializer_list<udb_index> list) {
    udb_indexes out;
    for (const auto& i : list) out.push_back(i);
    return out;
}

}  // namespace

using SqlColumns = engine_test;

TEST_F(SqlColumns, AutoNumberColumnGetsItsOwnIndex) {
    eng().set_version(0x50000);
    auto s = schema({column(u"id", VT_I4, 0, true, true)});
    built b = build(*s, {});
    ASSERT_EQ(b.columns.size(), 1u);
    EXPECT_EQ(b.columns[0], u"`id` INT NOT NULL AUTO_INCREMENT");
    EXPECT_EQ(b.auto_column, u"id");
    ASSERT_EQ(b.indexes.size(), 1u);
    EXPECT_EQ(b.indexes[0], u"INDEX `id` (`id`)");
}

TEST_F(SqlColumns, AutoNumberLeadingAnIndexNeedsNoExtraOne) {
    eng().set_version(0x50000);
    auto s = schema({column(u"id", VT_I4, 0, true, true), column(u"b", VT_I4)});
    built b = build(*s, indexes({index(u"pk", true, true, {u"id", u"b"})}));
    ASSERT_EQ(b.indexes.size(), 1u);
    EXPECT_EQ(b.indexes[0], u"PRIMARY KEY (`id`, `b`)");
    // an index that only ends with it, or one that is abandoned, does not serve as its key
    auto s2 = schema({column(u"id", VT_I4, 0, true, true), column(u"big", VT_BSTR, 1000)});
    built b2 = build(*s2, indexes({index(u"ix", false, false, {u"id", u"big"})}));
    ASSERT_EQ(b2.indexes.size(), 1u);
    EXPECT_EQ(b2.indexes[0], u"INDEX `id` (`id`)");
}

TEST_F(SqlColumns, TextColumnsCarryTheirCharacterSet) {
    auto s = schema({column(u"s", VT_BSTR, 50, false, false, ole_variant(u"abc"))});
    eng().set_version(0x40100);
    EXPECT_EQ(build(*s, {}).columns[0], u"`s` VARCHAR(50) CHARACTER SET utf8  DEFAULT 'abc'");
    eng().set_version(0x0A0B13);
    EXPECT_EQ(build(*s, {}).columns[0], u"`s` VARCHAR(50) CHARACTER SET utf8mb4  DEFAULT 'abc'");
    eng().set_version(0x40100);
    EXPECT_EQ(build(*s, {}, sql_target::dump).columns[0],
              u"`s` VARCHAR(50) /*!50503 CHARACTER SET utf8mb4 */  DEFAULT 'abc'");
    eng().set_version(0x40000);
    EXPECT_EQ(build(*s, {}).columns[0], u"s VARCHAR(50) DEFAULT 'abc'");
}

TEST_F(SqlColumns, LongTextAndBlobsTakeNoDefaultAndNoIndex) {
    eng().set_version(0x50000);
    auto s = schema({column(u"t", VT_BSTR, 1000, false, false, ole_variant(u"x")),
                     column(u"b", VT_BLOB, 10, false, false, ole_variant(u"00")), column(u"k", VT_I4)});
    built b = build(*s, indexes({index(u"it", false, false, {u"t"}), index(u"ib", false, false, {u"b"}),
                                 index(u"ik", false, false, {u"k"})}));
    EXPECT_EQ(b.columns[0], u"`t` TEXT CHARACTER SET utf8 ");
    EXPECT_EQ(b.columns[1], u"`b` TINYBLOB");
    ASSERT_EQ(b.indexes.size(), 1u);
    EXPECT_EQ(b.indexes[0], u"INDEX `ik` (`k`)");
}

TEST_F(SqlColumns, PrimaryKeyColumnsAreNotNull) {
    eng().set_version(0x50000);
    auto s = schema({column(u"a", VT_I4), column(u"b", VT_I4)});
    built b = build(*s, indexes({index(u"pk", false, true, {u"a"}), index(u"ix", false, false, {u"b"})}));
    EXPECT_EQ(b.columns[0], u"`a` INT NOT NULL");
    EXPECT_EQ(b.columns[1], u"`b` INT");
    // servers up to 3.23.1: every index column
    eng().set_version(0x31701);
    b = build(*s, indexes({index(u"pk", false, true, {u"a"}), index(u"ix", false, false, {u"b"})}));
    EXPECT_EQ(b.columns[1], u"b INT NOT NULL");
}

TEST_F(SqlColumns, RenamedColumnsAreUniqueAndFollowIntoIndexes) {
    eng().set_version(0x50000);
    auto s = schema({column(u"a`b", VT_I4), column(u"a_b", VT_I4), column(u"a'b", VT_I4)});
    built b = build(*s, indexes({index(u"ix", false, false, {u"a`b", u"a'b"})}));
    EXPECT_EQ(b.columns[0], u"`a_b00000` INT");
    EXPECT_EQ(b.columns[1], u"`a_b` INT");
    EXPECT_EQ(b.columns[2], u"`a_b00001` INT");
    EXPECT_EQ(b.indexes[0], u"INDEX `ix` (`a_b00000`, `a_b00001`)");
}

TEST_F(SqlColumns, SecondAutoNumberColumnIsAnInternalError) {
    eng().set_version(0x50000);
    auto s = schema({column(u"a", VT_I4, 0, true, true), column(u"b", VT_I4, 0, true, true)});
    EXPECT_THROW(build(*s, {}), tk_mail_assertion);
}

TEST_F(SqlColumns, NullFieldIsAnInternalError) {
    EXPECT_THROW(sql_schema_initializer::can_have_auto_num(nullptr), tk_mail_assertion);
    EXPECT_THROW(sql_schema_initializer::can_have_def_value(nullptr), tk_mail_assertion);
}

using SqlIndexes = engine_test;

TEST_F(SqlIndexes, AtMostSixteenColumns) {
    eng().set_version(0x50000);
    auto s = std::make_unique<udb_schema>();
    udb_index wide{u"wide", false, false, {}}, fits{u"fits", false, false, {}};
    for (int i = 0; i < 17; ++i) {
        wstring n = compat::wformat(u"c%d", i);
        s->push_back(std::make_unique<t_ftd>(0, n, VT_I4, false, false));
        wide.fields.push_back(n);
        if (i < 16) fits.fields.push_back(n);
    }
    built b = build(*s, indexes({wide, fits}));
    ASSERT_EQ(b.indexes.size(), 1u);
    EXPECT_EQ(b.indexes[0].substr(0, 12), u"INDEX `fits`");
}

TEST_F(SqlIndexes, AtMostThirtyOneIndexesOnNewServers) {
    for (uint32_t version : {0x50000u, 0x40000u}) {
        eng().set_version(version);
        auto s = schema({column(u"a", VT_I4)});
        udb_indexes list;
        for (int i = 0; i < 40; ++i) list.push_back(udb_index(compat::wformat(u"i%d", i), false, false, {u"a"}));
        EXPECT_EQ(build(*s, list).indexes.size(), version >= 0x40100 ? 31u : 15u);
    }
}

TEST_F(SqlIndexes, KeyLengthCountsBytesAgainstTheEngine) {
    auto s = schema({column(u"a", VT_BSTR, 255), column(u"b", VT_BSTR, 255), column(u"n", VT_I4)});
    auto one = indexes({index(u"one", false, false, {u"a"})});
    auto two = indexes({index(u"two", false, false, {u"a", u"b"})});
    struct {
        uint32_t version;
        int innodb;
        sql_target target;
        size_t one_count, two_count;
    } cases[] = {
        // MyISAM 1000 bytes: utf8 255 * 3 = 765 fits, two do not; utf8mb4 1020 does not fit
        {0x50000, 0, sql_target::server, 1, 0},
        {0x0A0B13, 0, sql_target::server, 0, 0},
        // InnoDB with large prefixes: 3072 bytes
        {0x0A0B13, 1, sql_target::server, 1, 1},
        // InnoDB before: 767
        {0x50000, 1, sql_target::server, 1, 0},
        // a dump counts 4 bytes a character
        {0x40100, 0, sql_target::dump, 0, 0},
        // old servers: 256 single bytes
        {0x40000, 0, sql_target::server, 1, 0},
    };
    for (const auto& c : cases) {
        eng().set_version(c.version);
        eng().set_use_innodb(c.innodb);
        EXPECT_EQ(build(*s, one, c.target).indexes.size(), c.one_count) << std::hex << c.version;
        EXPECT_EQ(build(*s, two, c.target).indexes.size(), c.two_count) << std::hex << c.version;
    }
    eng().set_version(0x40100);
    auto small = schema({column(u"a", VT_BSTR, 100), column(u"n", VT_I4)});
    EXPECT_EQ(build(*small, indexes({index(u"x", true, false, {u"a", u"n"})}), sql_target::dump).indexes[0],
              u"UNIQUE `x` (`a`, `n`)");
}

TEST_F(SqlIndexes, IndexNamedPrimaryIsRenamed) {
    eng().set_version(0x50000);
    auto s = schema({column(u"a", VT_I4)});
    built b = build(*s, indexes({index(u"primary", false, false, {u"a"})}));
    ASSERT_EQ(b.indexes.size(), 1u);
    EXPECT_EQ(b.indexes[0], u"INDEX `primary00000` (`a`)");
}
