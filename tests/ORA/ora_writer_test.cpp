// The destination writer against a store: tables with native types, defaults and keys,
// records with LOBs, updates, and a round trip of every type the reader maps.
#include <cmath>
#include <cstring>

#include "ORA/ora_init.h"
#include "ORA/ora_tab.h"
#include "ORA/ora_util.h"
#include "ORA/ora_vali.h"
#include "TK/tk_excep.h"
#include "compat/text/format.h"
#include "tests/ORA/ora_fixture.h"
#include "tests/support/records.h"

namespace ora_test {
namespace {

using test_support::record;
using test_support::rows_t;
using test_support::schema;

// A destination store with one user and nothing else, new for every test.
class OraWriter : public client {
protected:
    void SetUp() override {
        client::SetUp();
        stores().build_text("DEST", "CREATE USER scott IDENTIFIED BY tiger;\n");
        db_ = connect("DEST");
    }
    void TearDown() override {
        db_.reset();
        client::TearDown();
    }
    rows_t columns_of(const std::string& table) {
        return stores().rows("DEST",
                             "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, "
                             "DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME='" +
                                 table + "' ORDER BY COLUMN_ID");
    }
    rows_t data_of(const std::string& table, const std::string& columns = "*") {
        return stores().rows("DEST",
                             "SELECT " + columns + " FROM " + stores().table_name("DEST", table) + " ORDER BY rowid");
    }
    std::unique_ptr<ora_database> db_;
};

ole_variant bytes(std::initializer_list<uint8_t> b) { return ole_variant(std::vector<uint8_t>(b)); }

TEST_F(OraWriter, NativeTypesDefaultsAndNotNull) {
    auto s = schema({
        {u"T2000", VT_BSTR, 2000, true, false, ole_variant(u"it's")},
        {u"T2001", VT_BSTR, 2001, true, false, ole_variant(u"x")},
        {u"T4000", VT_BSTR, 4000, false},
        {u"T4001", VT_BSTR, 4001, false},
        {u"T0", VT_BSTR, 0, true},
        {u"SHORT", VT_BSTR, 3, false, false, ole_variant(u"abcdef")},
        {u"R16", VT_BLOB, 16, false},
        {u"R2000", VT_BLOB, 2000, false},
        {u"R2001", VT_BLOB, 2001, false},
        {u"B0", VT_BLOB, 0, true},
        {u"I2", VT_I2, 0, true, false, ole_variant(u"007")},
        {u"I4", VT_I4, 0, false, false, ole_variant(u"42")},
        {u"I8", VT_I8, 0, false, false, ole_variant(u"9000000000")},
        {u"UI4", VT_UI4, 0, false, false, ole_variant(u"4000000000")},
        {u"BOOL", VT_BOOL, 0, false},
        {u"DEC", VT_DECIMAL, 0, false, false, ole_variant(u"0.00"), 0x0A02},
        {u"R8", VT_R8, 0, false, false, ole_variant(u"1e200")},
        {u"R8ABC", VT_R8, 0, false, false, ole_variant(u"abc")},
        {u"D", VT_DATE, 0, false, false, ole_variant(u"2004-05-06")},
    });
    udb_indexes none;
    auto table = db_->create_table(u"T", *s, none);
    ASSERT_TRUE(table);
    rows_t expected = {
        {"T2000", "NVARCHAR2", "4000", "NULL", "NULL", "N", "'it''s'"},
        {"T2001", "CLOB", "4000", "NULL", "NULL", "Y", "NULL"},
        {"T4000", "CLOB", "4000", "NULL", "NULL", "Y", "NULL"},
        {"T4001", "CLOB", "4000", "NULL", "NULL", "Y", "NULL"},
        {"T0", "CLOB", "4000", "NULL", "NULL", "Y", "NULL"},
        {"SHORT", "NVARCHAR2", "6", "NULL", "NULL", "Y", "'abc'"},
        {"R16", "RAW", "16", "NULL", "NULL", "Y", "NULL"},
        {"R2000", "RAW", "2000", "NULL", "NULL", "Y", "NULL"},
        {"R2001", "BLOB", "4000", "NULL", "NULL", "Y", "NULL"},
        {"B0", "BLOB", "4000", "NULL", "NULL", "Y", "NULL"},
        {"I2", "NUMBER", "22", "5", "0", "N", "NULL"},
        {"I4", "NUMBER", "22", "11", "0", "Y", "42"},
        {"I8", "NUMBER", "22", "19", "0", "Y", "9000000000"},
        {"UI4", "NUMBER", "22", "19", "0", "Y", "4000000000"},
        {"BOOL", "NUMBER", "22", "3", "0", "Y", "NULL"},
        {"DEC", "NUMBER", "22", "10", "2", "Y", "0.00"},
        {"R8", "NUMBER", "22", "NULL", "NULL", "Y", "0"},
        {"R8ABC", "NUMBER", "22", "NULL", "NULL", "Y", "NULL"},
        {"D", "DATE", "7", "NULL", "NULL", "Y", "to_date('2004-05-06', 'YYYY-MM-DD')"},
    };
    EXPECT_EQ(columns_of("T"), expected);
}

TEST_F(OraWriter, CaseOnlyColumnClashGetsASafeNameAndMappedPair) {
    auto s = schema({{u"Id", VT_I4, 0}, {u"ID", VT_I4, 0}, {u"my-col", VT_BSTR, 5}});
    udb_indexes none;
    db_->create_table(u"Mixed", *s, none);
    rows_t names =
        stores().rows("DEST", "SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME='Mixed' ORDER BY COLUMN_ID");
    EXPECT_EQ(names, (rows_t{{"Id"}, {"ID00000"}, {"my_col"}}));
    EXPECT_EQ(db_->get_fn_mapped_name_ex(u"Mixed", u"ID"), u"ID00000");
    EXPECT_EQ(db_->get_fn_mapped_name_ex(u"Mixed", u"my-col"), u"my_col");

    // Records name their fields as the source does; they land in the renamed columns.
    auto t = db_->get_table(u"Mixed", true);
    t->append_record(*record({{u"Id", ole_variant(1)}, {u"ID", ole_variant(2)}, {u"my-col", ole_variant(u"ab")}}));
    EXPECT_EQ(data_of("Mixed"), (rows_t{{"1", "2", "ab"}}));
}

TEST_F(OraWriter, UpperCaseNamesWhenAsked) {
    db_->set_upper_case_names(true);
    auto s = schema({{u"id", VT_I4, 0, true}, {u"Name", VT_BSTR, 10}});
    udb_indexes pk;
    pk.push_back(udb_index(u"pk_up", true, true, {u"id"}));
    auto t = db_->create_table(u"UP", *s, pk);
    EXPECT_EQ(columns_of("UP")[0][0], "ID");
    EXPECT_EQ(columns_of("UP")[1][0], "NAME");
    t->append_record(*record({{u"Name", ole_variant(u"n")}, {u"id", ole_variant(1)}}));
    t->update(*record({{u"id", ole_variant(1)}, {u"Name", ole_variant(u"m")}}));
    EXPECT_EQ(read_all(*db_->get_table(u"UP", true))[0][1].to_wstring(), u"m");
}

TEST_F(OraWriter, KeysAndIndexes) {
    auto s = schema({{u"A", VT_I4, 0, true}, {u"B", VT_I4, 0, true}, {u"C", VT_BSTR, 10}, {u"L", VT_BSTR, 0}});
    udb_indexes idx;
    idx.push_back(udb_index(u"PK_T", true, true, {u"A", u"B"}));
    idx.push_back(udb_index(u"U_SAME_AS_PK", true, false, {u"B", u"A"}));
    idx.push_back(udb_index(u"U_PREFIX", true, false, {u"A"}));
    idx.push_back(udb_index(u"I_C", false, false, {u"C"}));
    idx.push_back(udb_index(u"I_CLOB", false, false, {u"C", u"L"}));
    idx.push_back(udb_index(u"1BAD-NAME", false, false, {u"B", u"C"}));
    // Refused by the server as already there (ORA-01408, ORA-02261): skipped, the rest goes on.
    idx.push_back(udb_index(u"I_C_AGAIN", false, false, {u"C"}));
    idx.push_back(udb_index(u"U_PREFIX_AGAIN", true, false, {u"A"}));
    idx.push_back(udb_index(u"I_LAST", false, false, {u"C", u"B"}));
    db_->create_table(u"KT", *s, idx);
    EXPECT_EQ(stores().rows("DEST",
                            "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS WHERE TABLE_NAME='KT' "
                            "ORDER BY CONSTRAINT_NAME"),
              (rows_t{{"PK_T", "P"}, {"U_PREFIX", "U"}}));
    EXPECT_EQ(stores().rows(
                  "DEST", "SELECT INDEX_NAME, UNIQUENESS FROM USER_INDEXES WHERE TABLE_NAME='KT' ORDER BY INDEX_NAME"),
              (rows_t{{"A1BAD_NAME", "NONUNIQUE"},
                      {"I_C", "NONUNIQUE"},
                      {"I_LAST", "NONUNIQUE"},
                      {"PK_T", "UNIQUE"},
                      {"U_PREFIX", "UNIQUE"}}));

    // The reader sees the keys it would convert.
    auto t = db_->get_table(u"KT", true);
    ASSERT_GE(t->get_pk_index(), 0);
    EXPECT_TRUE(t->get_indexes()[static_cast<size_t>(t->get_pk_index())].primary);
}

TEST_F(OraWriter, IndexNamesOutliveTheDatabaseThatMadeThem) {
    auto second = connect("DEST");
    db_.reset();  // the first database of the process goes first
    auto s = schema({{u"A", VT_I4, 0, true}});
    udb_indexes idx;
    idx.push_back(udb_index(u"PK_ONE", true, true, {u"A"}));
    second->create_table(u"ONE", *s, idx);
    EXPECT_EQ(stores().rows("DEST", "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS"), (rows_t{{"PK_ONE"}}));
}

TEST_F(OraWriter, ForeignKeysWithTheirDeleteRules) {
    auto parent = schema({{u"ID", VT_I4, 0, true}, {u"CODE", VT_I4, 0}});
    auto child = schema({{u"ID", VT_I4, 0, true}, {u"P", VT_I4, 0}, {u"Q", VT_I4, 0}, {u"R", VT_I4, 0}});
    udb_indexes pk;
    pk.push_back(udb_index(u"PK_PARENT", true, true, {u"ID"}));
    udb_indexes none;
    db_->create_table(u"PARENT", *parent, pk);
    db_->create_table(u"CHILD", *child, none);
    udb_relationships rels;
    rels.push_back({u"FK_P", u"PK_PARENT", u"CHILD", u"PARENT", u"ON DELETE CASCADE ", {u"P"}, {u"ID"}});
    rels.push_back({u"FK_Q", u"", u"CHILD", u"PARENT", u"ON DELETE NO ACTION", {u"Q"}, {u"CODE"}});
    rels.push_back({u"FK_MISSING", u"", u"CHILD", u"NOWHERE", u"", {u"R"}, {u"ID"}});
    rels.push_back({u"FK_BAD", u"", u"CHILD", u"PARENT", u"", {u"NOPE"}, {u"ID"}});
    std::vector<std::string> reported;
    db_->set_error_sink([&](const compat::wstring& context, const tk_exception& e) {
        reported.push_back(compat::utf16_to_utf8(context) + ": " + e.message());
    });
    db_->create_relationships(rels);
    EXPECT_EQ(stores().rows("DEST",
                            "SELECT c.CONSTRAINT_TYPE, c.DELETE_RULE, k.COLUMN_NAME FROM USER_CONSTRAINTS c JOIN "
                            "USER_CONS_COLUMNS k ON k.CONSTRAINT_NAME = c.CONSTRAINT_NAME WHERE c.TABLE_NAME='CHILD' "
                            "ORDER BY k.COLUMN_NAME"),
              (rows_t{{"R", "CASCADE", "P"}, {"R", "NO ACTION", "Q"}}));
    // The referenced column without a key got one.
    EXPECT_EQ(stores().rows("DEST", "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE='U'"),
              (rows_t{{"PARENT_UI"}}));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind("Foreign key 'FK_BAD': ORA-00904", 0), 0u) << reported[0];
}

TEST_F(OraWriter, NoForeignKeysInAppendMode) {
    auto appending = std::make_unique<ora_database>(u"DEST", udb_open_mode::append);
    udb_relationships rels;
    rels.push_back({u"FK", u"", u"A", u"B", u"", {u"X"}, {u"Y"}});
    appending->create_relationships(rels);  // nothing is asked of the server
    EXPECT_TRUE(stores().rows("DEST", "SELECT 1 FROM USER_CONSTRAINTS").empty());
}

class OraRecords : public OraWriter {
protected:
    void SetUp() override {
        OraWriter::SetUp();
        auto s = schema({{u"ID", VT_I4, 0, true},
                         {u"NAME", VT_BSTR, 20, true, false, ole_variant(u"none")},
                         {u"AMOUNT", VT_R8, 0, true, false, ole_variant(u"1.5")},
                         {u"RATIO", VT_R8, 0, false},
                         {u"BORN", VT_DATE, 0, false},
                         {u"NOTE", VT_BSTR, 0, false},
                         {u"PIC", VT_BLOB, 0, false},
                         {u"TAG", VT_BLOB, 8, false}});
        udb_indexes pk;
        pk.push_back(udb_index(u"PK_REC", true, true, {u"ID"}));
        table_ = db_->create_table(u"REC", *s, pk);
    }
    void TearDown() override {
        table_.reset();
        OraWriter::TearDown();
    }
    std::unique_ptr<udb_recordset> table_;
};

TEST_F(OraRecords, FieldsInAnotherOrderAndFewerFields) {
    table_->append_record(*record({{u"TAG", bytes({0xAB, 0x01})},
                                   {u"PIC", ole_variant()},
                                   {u"NOTE", ole_variant(u"n")},
                                   {u"BORN", ole_variant::from_wstring(u"2005-03-15 10:20:30", VT_DATE)},
                                   {u"RATIO", ole_variant(0.25)},
                                   {u"AMOUNT", ole_variant(2.0)},
                                   {u"NAME", ole_variant(u"O'Brien")},
                                   {u"ID", ole_variant(1)}}));
    table_->append_record(*record({{u"NAME", ole_variant(u"two")}, {u"ID", ole_variant(2)}}));
    EXPECT_EQ(data_of("REC", "c1, c2, c3, c4, c5, c6, quote(c7), quote(c8)"),
              (rows_t{{"1", "O'Brien", "2", ".25", "2005-03-15 10:20:30", "n", "NULL", "X'AB01'"},
                      {"2", "two", "1.5", "NULL", "NULL", "NULL", "NULL", "NULL"}}));
    EXPECT_EQ(table_->get_record_count(), 2);
    // A field no column takes stops the record before anything is sent.
    try {
        table_->append_record(*record({{u"ID", ole_variant(3)}, {u"OTHER", ole_variant(1)}}));
        FAIL() << "a field without a column was accepted";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.message(), "The structure of data source does not conform to the destination table.");
        EXPECT_EQ(e.level(), 0);
    }
    EXPECT_EQ(data_of("REC", "c1").size(), 2u);
}

TEST_F(OraRecords, NullIntoNotNullDropsTheConstraintKeepingTheDefault) {
    auto r = record({{u"ID", ole_variant(1)}, {u"NAME", ole_variant()}, {u"AMOUNT", ole_variant(3.0)}});
    table_->append_record(*r);
    EXPECT_EQ(data_of("REC", "c1, c2"), (rows_t{{"1", "NULL"}}));
    EXPECT_EQ(stores().rows("DEST",
                            "SELECT NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME='REC' AND "
                            "COLUMN_NAME='NAME'"),
              (rows_t{{"Y", "'none'"}}));
    // The key column keeps NOT NULL: the server refuses the row.
    try {
        table_->append_record(*record({{u"ID", ole_variant()}, {u"NAME", ole_variant(u"x")}}));
        FAIL() << "a NULL key went in";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), ora_error_code(1400));
        EXPECT_EQ(e.message().rfind("ORA-01400: cannot insert NULL into (\"SCOTT\".\"REC\".\"ID\")", 0), 0u)
            << e.message();
    }
}

TEST_F(OraRecords, OutOfRangeDoubles) {
    table_->append_record(
        *record({{u"ID", ole_variant(1)}, {u"AMOUNT", ole_variant(1e300)}, {u"RATIO", ole_variant(-1e300)}}));
    table_->append_record(
        *record({{u"ID", ole_variant(2)}, {u"AMOUNT", ole_variant(std::nan(""))}, {u"RATIO", ole_variant(1.5e125)}}));
    EXPECT_EQ(data_of("REC", "c1, c3, c4"), (rows_t{{"1", "1.5", "NULL"}, {"2", "1.5", "1.5E+125"}}));
}

TEST_F(OraRecords, LargeTextAndBinaryGoThroughTheLocators) {
    compat::wstring text;
    while (text.size() < 10000) text += u"Grüße, 世界! ";
    text.resize(10000);
    table_->append_record(*record({{u"ID", ole_variant(1)}, {u"NOTE", ole_variant(text)}, {u"PIC", bytes({1, 2, 3})}}));
    table_->append_record(*record({{u"ID", ole_variant(2)}, {u"NOTE", ole_variant(u"")}, {u"PIC", bytes({})}}));
    rows_t rows = data_of("REC", "c1, c6, quote(c7), length(c6)");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], compat::utf16_to_utf8(text));
    EXPECT_EQ(rows[0][2], "X'010203'");
    EXPECT_EQ(rows[0][3], "10000");
    // Empty values leave the empty LOBs, which are not NULL.
    EXPECT_EQ(rows[1][1], "");
    EXPECT_EQ(rows[1][2], "X''");

    // The reader gets back what went in.
    auto back = db_->get_table(u"REC", true);
    auto values = read_all(*back);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0][5].to_wstring(), text);
    const void* data = nullptr;
    ASSERT_EQ(values[0][6].get_bytes(&data), 3u);
    EXPECT_EQ(std::memcmp(data, "\x01\x02\x03", 3), 0);
}

TEST_F(OraRecords, UpdateByKey) {
    table_->append_record(*record({{u"ID", ole_variant(1)}, {u"NAME", ole_variant(u"old")}}));
    table_->append_record(*record({{u"ID", ole_variant(2)}, {u"NAME", ole_variant(u"other")}}));
    table_->update(
        *record({{u"NAME", ole_variant(u"new")}, {u"ID", ole_variant(1)}, {u"NOT_A_COLUMN", ole_variant(5)}}));
    // The UPDATE commits nothing itself: the session sees it, others once it is committed.
    auto mine = read_all(*db_->get_table(u"REC", true));
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0][1].to_wstring(), u"new");
    EXPECT_EQ(data_of("REC", "c1, c2"), (rows_t{{"1", "old"}, {"2", "other"}}));
    // A failing UPDATE is the record's error.
    try {
        table_->update(*record({{u"ID", ole_variant(2)}, {u"NAME", ole_variant(u"much too long for twenty")}}));
        FAIL() << "an UPDATE failure was swallowed";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), ora_error_code(12899));
    }
    // Logging off commits the session's work.
    table_.reset();
    db_.reset();
    engine_.reset();
    EXPECT_EQ(data_of("REC", "c2"), (rows_t{{"new"}, {"other"}}));
}

TEST_F(OraWriter, UpdateWithoutKeySendsNothing) {
    auto s = schema({{u"A", VT_I4, 0}, {u"B", VT_I4, 0}});
    udb_indexes none;
    auto t = db_->create_table(u"NK", *s, none);
    t->append_record(*record({{u"A", ole_variant(1)}, {u"B", ole_variant(1)}}));
    t->update(*record({{u"A", ole_variant(1)}, {u"B", ole_variant(2)}}));
    EXPECT_EQ(data_of("NK"), (rows_t{{"1", "1"}}));
}

TEST_F(OraRecords, ServerErrorsReachTheCaller) {
    table_->append_record(*record({{u"ID", ole_variant(1)}}));
    struct {
        std::unique_ptr<udb_record> record;
        int oracle_error;
    } cases[] = {
        {record({{u"ID", ole_variant(1)}}), 1},
        {record({{u"ID", ole_variant(2)}, {u"NAME", ole_variant(u"twenty-one characters")}}), 12899},
        {record({{u"ID", ole_variant(u"x")}}), 1722},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.oracle_error);
        try {
            table_->append_record(*c.record);
            ADD_FAILURE() << "accepted";
        } catch (const ora_exception& e) {
            EXPECT_EQ(e.code(), ora_error_code(c.oracle_error)) << e.message();
        }
    }
    EXPECT_EQ(data_of("REC", "c1"), (rows_t{{"1"}}));
    // A table the server has although the database object did not list it.
    auto other = connect("DEST");
    auto s = schema({{u"A", VT_I4, 0}});
    udb_indexes none;
    other->create_table(u"TWICE", *s, none);
    try {
        db_->create_table(u"TWICE", *s, none);
        ADD_FAILURE() << "created twice";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), ora_error_code(955));
        // The text as the client gives it, without its trailing line feed.
        EXPECT_EQ(e.message(), "ORA-00955: name is already used by an existing object");
    }
}

// Names count bytes of the database character set, up to the limit of the server's release:
// 30 before 12.2, 128 from it on.
TEST_F(OraWriter, NamesFitTheServersLimitInBytes) {
    const struct {
        const char* banner;
        size_t limit;
    } releases[] = {
        {"Oracle Database 12c Enterprise Edition Release 12.1.0.2.0 - 64bit Production", 30},
        {"Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production", 128},
    };
    for (const auto& r : releases) {
        SCOPED_TRACE(r.banner);
        db_.reset();
        stores().build_text("DEST", "CREATE USER scott IDENTIFIED BY tiger;\n");
        stores().exec("DEST", std::string("UPDATE \"V$VERSION\" SET BANNER = '") + r.banner + "'");
        db_ = connect("DEST");
        // Two bytes a character: as many as fit, and one more.
        const compat::wstring fits(r.limit / 2, u'Ñ'), too_long(r.limit / 2 + 1, u'Ñ');
        auto s = schema({{u"ID", VT_I4, 0, true, true},
                         {fits.c_str(), VT_I4},
                         {too_long.c_str(), VT_I4},
                         {u"ROWID", VT_I4},
                         {u"rowid", VT_I4}});
        const compat::wstring table(r.limit, u'Q');
        // The first ten sequence names are taken: the suffix _10 needs one more character.
        for (int n = 0; n < 10; ++n)
            db_->query(u"CREATE SEQUENCE \"" + compat::wstring(r.limit - 2, u'Q') + compat::wformat(u"_%d", n) + u"\"");
        udb_indexes none;
        auto t = db_->create_table(table, *s, none);
        std::string cut;
        for (size_t i = 0; i < r.limit / 2 - 1; ++i) cut += "Ñ";
        EXPECT_EQ(stores().rows("DEST", "SELECT COLUMN_NAME FROM USER_TAB_COLUMNS ORDER BY COLUMN_ID"),
                  (rows_t{{"ID"}, {compat::utf16_to_utf8(fits)}, {cut}, {"ROWID00000"}, {"rowid"}}));
        EXPECT_EQ(stores().rows("DEST", "SELECT SEQUENCE_NAME FROM USER_SEQUENCES WHERE SEQUENCE_NAME LIKE '%_10'"),
                  (rows_t{{std::string(r.limit - 3, 'Q') + "_10"}}));
        // Records name the fields as the source does; the auto-number trigger fits the limit too.
        t->append_record(*record({{u"ID", ole_variant()},
                                  {fits.c_str(), ole_variant(1)},
                                  {too_long.c_str(), ole_variant(2)},
                                  {u"ROWID", ole_variant(3)},
                                  {u"rowid", ole_variant(4)}}));
        EXPECT_EQ(data_of(compat::utf16_to_utf8(table)), (rows_t{{"1", "1", "2", "3", "4"}}));
        // A table name is made acceptable as a column name is, and the map knows it.
        auto bad = db_->create_table(u"bad-name", *schema({{u"A", VT_I4}}), none);
        EXPECT_EQ(db_->get_tn_mapped_name_ex(u"bad-name"), u"bad_name");
        bad->append_record(*record({{u"A", ole_variant(5)}}));
        EXPECT_EQ(data_of("bad_name"), (rows_t{{"5"}}));
    }
}

TEST_F(OraWriter, AutoNumberThroughSequenceAndTrigger) {
    // A sequence of the first candidate's name exists already: the next suffix is taken.
    db_->query(u"CREATE SEQUENCE \"Orders_0\"");
    auto s = schema({{u"id", VT_I4, 0, true, true, ole_variant(u"5")}, {u"Item", VT_BSTR, 10}});
    udb_indexes pk;
    pk.push_back(udb_index(u"PK_Orders", true, true, {u"id"}));
    auto t = db_->create_table(u"Orders", *s, pk);
    EXPECT_EQ(stores().rows("DEST",
                            "SELECT SEQUENCE_NAME, MIN_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, CACHE_SIZE "
                            "FROM USER_SEQUENCES ORDER BY SEQUENCE_NAME"),
              (rows_t{{"Orders_0", "1", "1", "N", "N", "20"}, {"Orders_1", "1", "1", "N", "Y", "0"}}));
    EXPECT_EQ(stores().rows("DEST", "SELECT TRIGGER_NAME, TABLE_NAME, STATUS FROM USER_TRIGGERS"),
              (rows_t{{"Orders__TRIGGER", "Orders", "ENABLED"}}));
    // The auto-number column gets neither NOT NULL nor its source default.
    EXPECT_EQ(stores().rows("DEST", "SELECT NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE COLUMN_NAME='id'"),
              (rows_t{{"N", "NULL"}}));
    t->append_record(*record({{u"Item", ole_variant(u"first")}}));
    t->append_record(*record({{u"id", ole_variant()}, {u"Item", ole_variant(u"second")}}));
    t->append_record(*record({{u"id", ole_variant(10)}, {u"Item", ole_variant(u"given")}}));
    EXPECT_EQ(data_of("Orders"), (rows_t{{"1", "first"}, {"2", "second"}, {"10", "given"}}));
}

TEST_F(OraWriter, WithoutTheRightToCreateSequencesTheTableStaysWithoutAutoNumber) {
    db_->query(u"REVOKE CREATE SEQUENCE FROM scott");
    auto s = schema({{u"ID", VT_I4, 0, true, true}, {u"V", VT_I4, 0}});
    udb_indexes pk;
    pk.push_back(udb_index(u"PK_A", true, true, {u"ID"}));
    try {
        db_->create_table(u"A", *s, pk);
        FAIL() << "the refusal was not reported";
    } catch (const ora_exception&) {
        FAIL() << "the Oracle error went out as it was";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.message(), "Insufficient privileges to create sequence.\nAuto increment will not be converted.");
        EXPECT_EQ(e.level(), 0);
    }
    // The table stands with its key and takes records.
    EXPECT_TRUE(db_->is_table_exist(u"A"));
    EXPECT_EQ(stores().rows("DEST", "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME='A'"),
              (rows_t{{"PK_A"}}));
    auto t = db_->get_table(u"A", true);
    t->append_record(*record({{u"ID", ole_variant(7)}, {u"V", ole_variant(1)}}));
    EXPECT_EQ(data_of("A"), (rows_t{{"7", "1"}}));
    EXPECT_TRUE(stores().rows("DEST", "SELECT 1 FROM USER_SEQUENCES").empty());
}

// Tables the loader made, as a conversion into an existing schema meets them: every column
// has its real Oracle type, which the writer must honour whatever size the describe gives.
class OraAppend : public OraWriter {
protected:
    void SetUp() override {
        OraWriter::SetUp();
        db_.reset();
        stores().build_text("DEST",
                            "CREATE USER scott IDENTIFIED BY tiger;\n"
                            "CREATE TABLE TXT (ID NUMBER(9) PRIMARY KEY, V3000 VARCHAR2(3000), V4000C VARCHAR2(4000 "
                            "CHAR), NV NVARCHAR2(2000), L LONG, C CLOB, NC NCLOB, B BLOB);\n"
                            "CREATE TABLE LR (ID NUMBER(9) PRIMARY KEY, R LONG RAW);\n"
                            "CREATE TABLE NN (ID NUMBER(9) PRIMARY KEY, V VARCHAR2(10) NOT NULL, N NUMBER(5) NOT "
                            "NULL, D DATE DEFAULT SYSDATE NOT NULL);\n"
                            "CREATE TABLE F (ID NUMBER(9) PRIMARY KEY, BF BINARY_FLOAT, BD BINARY_DOUBLE, N NUMBER);\n"
                            "CREATE TABLE G (ID NUMBER(9) PRIMARY KEY, T NVARCHAR2(100), R RAW(16));\n");
        db_ = connect("DEST");
    }
    // What another session sees: committed rows only.
    std::string committed(const std::string& table, const std::string& expression) {
        return stores().value("DEST", "SELECT " + expression + " FROM " + stores().table_name("DEST", table));
    }
    std::string column(const std::string& table, const std::string& name) {
        return stores().column_name("DEST", table, name);
    }
};

compat::wstring repeated(const char16_t* piece, size_t times) {
    compat::wstring text;
    for (size_t i = 0; i < times; ++i) text += piece;
    return text;
}

TEST_F(OraAppend, TextAndBinaryColumnsTakeValuesByTheirRealType) {
    // Sizes the describe gives as large text are no LOBs: VARCHAR2(3000), VARCHAR2(4000 CHAR)
    // and NVARCHAR2 take their values in the statement, LONG and LONG RAW too, bound when
    // longer than a literal may be (2000 CJK characters are 6000 bytes of the database
    // character set); CLOB, NCLOB and BLOB take theirs through the locators.
    const compat::wstring v3000(3000, u'x'), v4000c = repeated(u"é", 2000), nv = repeated(u"世", 2000), l(10000, u'l'),
                                             c = repeated(u"Grüße ", 2000), nc = repeated(u"世界", 3000);
    const std::vector<uint8_t> b(5000, 0x5A), r(3000, 0xA5);
    auto txt = db_->get_table(u"TXT", true);
    txt->append_record(*record({{u"ID", ole_variant(1)},
                                {u"V3000", ole_variant(v3000)},
                                {u"V4000C", ole_variant(v4000c)},
                                {u"NV", ole_variant(nv)},
                                {u"L", ole_variant(l)},
                                {u"C", ole_variant(c)},
                                {u"NC", ole_variant(nc)},
                                {u"B", ole_variant(b)}}));
    auto lr = db_->get_table(u"LR", true);
    lr->append_record(*record({{u"ID", ole_variant(1)}, {u"R", ole_variant(r)}}));
    auto values = read_all(*db_->get_table(u"TXT", true));
    ASSERT_EQ(values.size(), 1u);
    const compat::wstring texts[] = {v3000, v4000c, nv, l, c, nc};
    for (size_t i = 0; i < std::size(texts); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(values[0][i + 1].to_wstring(), texts[i]);
    }
    const void* data = nullptr;
    ASSERT_EQ(values[0][7].get_bytes(&data), b.size());
    EXPECT_EQ(std::memcmp(data, b.data(), b.size()), 0);
    EXPECT_EQ(committed("LR", "hex(substr(" + column("LR", "R") + ", 1, 2)) || length(" + column("LR", "R") + ")"),
              "A5A53000");
}

TEST_F(OraAppend, ARowAndItsLobsAreCommittedTogether) {
    auto txt = db_->get_table(u"TXT", true);
    auto rec = record({{u"ID", ole_variant(1)}, {u"C", ole_variant(u"the text")}});
    // The INSERT goes through; selecting the row's locators fails.
    inject_error("execute", 2, 3113);
    try {
        txt->append_record(*rec);
        FAIL() << "the failure was not reported";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), ora_error_code(3113));
    }
    // Nothing of the record stays, so it can be sent again.
    EXPECT_EQ(committed("TXT", "COUNT(*)"), "0");
    txt->append_record(*rec);
    // Committed with its LOB before the table is closed: another session sees both.
    EXPECT_EQ(committed("TXT", column("TXT", "C")), "the text");

    // An update left open before a record whose LOB write fails stays.
    auto nn = db_->get_table(u"NN", true);
    nn->append_record(*record({{u"ID", ole_variant(1)}, {u"V", ole_variant(u"old")}, {u"N", ole_variant(1)}}));
    auto keyed = db_->get_table(u"NN", true);
    keyed->update(*record({{u"ID", ole_variant(1)}, {u"V", ole_variant(u"new")}}));
    inject_error("execute", 2, 3113);
    EXPECT_THROW(txt->append_record(*record({{u"ID", ole_variant(2)}, {u"C", ole_variant(u"x")}})), ora_exception);
    EXPECT_EQ(committed("NN", column("NN", "V")), "new");
    EXPECT_EQ(committed("TXT", "COUNT(*)"), "1");
}

TEST_F(OraAppend, UpdatesBindWhatNoLiteralHolds) {
    auto txt = db_->get_table(u"TXT", true);
    txt->append_record(*record({{u"ID", ole_variant(1)}, {u"C", ole_variant(u"short")}}));
    // A CLOB over 4000 bytes, a BLOB over 2000 bytes, an NVARCHAR2 over 4000 bytes of the
    // database character set: no literal can carry them.
    const compat::wstring c(9000, u'c'), nv = repeated(u"世", 1500);
    const std::vector<uint8_t> b(2500, 0x42);
    txt->update(*record({{u"ID", ole_variant(1)},
                         {u"C", ole_variant(c)},
                         {u"B", ole_variant(b)},
                         {u"NV", ole_variant(nv)},
                         {u"V3000", ole_variant(u"it's short")}}));
    auto values = read_all(*db_->get_table(u"TXT", true));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0][1].to_wstring(), u"it's short");
    EXPECT_EQ(values[0][3].to_wstring(), nv);
    EXPECT_EQ(values[0][5].to_wstring(), c);
    const void* data = nullptr;
    ASSERT_EQ(values[0][7].get_bytes(&data), b.size());
    EXPECT_EQ(std::memcmp(data, b.data(), b.size()), 0);
}

TEST_F(OraAppend, FloatingPointValuesArriveUnchanged) {
    auto f = db_->get_table(u"F", true);
    f->append_record(*record({{u"ID", ole_variant(1)},
                              {u"BF", ole_variant(16777216.0f)},
                              {u"BD", ole_variant(0.30000000000000004)},
                              {u"N", ole_variant(0.30000000000000004)}}));
    f->append_record(*record({{u"ID", ole_variant(2)},
                              {u"BF", ole_variant(3.4028235e38f)},
                              {u"BD", ole_variant(-1.5e-300)},
                              {u"N", ole_variant(1e126)}}));
    auto values = read_all(*db_->get_table(u"F", true));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0][1].to_double(), 16777216.0);
    EXPECT_EQ(values[0][2].to_double(), 0.30000000000000004);
    EXPECT_EQ(values[0][3].to_double(), 0.30000000000000004);
    EXPECT_EQ(static_cast<float>(values[1][1].to_double()), 3.4028235e38f);
    EXPECT_EQ(values[1][2].to_double(), -1.5e-300);
    // 1E126 is beyond NUMBER (ORA-01426): the nullable column gets NULL.
    EXPECT_TRUE(values[1][3].is_null());
}

TEST_F(OraAppend, ANullDropsNotNullAndNothingElse) {
    auto nn = db_->get_table(u"NN", true);
    nn->append_record(
        *record({{u"ID", ole_variant(1)}, {u"V", ole_variant()}, {u"N", ole_variant()}, {u"D", ole_variant()}}));
    EXPECT_EQ(stores().rows("DEST",
                            "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, "
                            "DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME='NN' ORDER BY COLUMN_ID"),
              (rows_t{{"ID", "NUMBER", "22", "9", "0", "N", "NULL"},
                      {"V", "VARCHAR2", "10", "NULL", "NULL", "Y", "NULL"},
                      {"N", "NUMBER", "22", "5", "0", "Y", "NULL"},
                      {"D", "DATE", "7", "NULL", "NULL", "Y", "SYSDATE"}}));
    EXPECT_EQ(data_of("NN"), (rows_t{{"1", "NULL", "NULL", "NULL"}}));
}

TEST_F(OraAppend, OnlyAWholeGuidBecomesItsBytes) {
    auto g = db_->get_table(u"G", true);
    const compat::wstring guid = u"{01234567-89AB-CDEF-0123-456789ABCDEF}";
    g->append_record(*record({{u"ID", ole_variant(1)},
                              {u"T", ole_variant(u"the row's guid=" + guid + u" is in the text")},
                              {u"R", ole_variant(u"guid=" + guid + u"   ")}}));
    EXPECT_EQ(data_of("G", "c2, hex(c3)"), (rows_t{{"the row's guid=" + compat::utf16_to_utf8(guid) + " is in the text",
                                                    "67452301AB89EFCD0123456789ABCDEF"}}));
}

TEST_F(OraAppend, AnUpdateThatChangesNoRowIsTheRecordsError) {
    auto nn = db_->get_table(u"NN", true);
    nn->append_record(*record({{u"ID", ole_variant(1)}, {u"V", ole_variant(u"v")}, {u"N", ole_variant(1)}}));
    auto keyed = db_->get_table(u"NN", true);
    for (const ole_variant& key : {ole_variant(), ole_variant(2)}) {
        SCOPED_TRACE(compat::utf16_to_utf8(key.to_wstring()));
        try {
            keyed->update(*record({{u"ID", key}, {u"V", ole_variant(u"w")}}));
            ADD_FAILURE() << "reported as done";
        } catch (const ora_exception&) {
            ADD_FAILURE() << "not the record's error";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.message(), "The record to update was not found in the destination table.");
            EXPECT_EQ(e.level(), 0);
        }
    }
    keyed.reset();
    nn.reset();
    db_.reset();
    engine_.reset();
    EXPECT_EQ(data_of("NN", "c1, c2"), (rows_t{{"1", "v"}}));
}

// Every type the reader maps, read from one store, written by the writer into another, and
// read back: the same values, as texts (integer columns come back in wider types). The
// engine holds one connection: the source is read whole before the destination is opened.
TEST_F(OraWriter, RoundTripOfEveryMappedType) {
    struct table_copy {
        compat::wstring name;
        std::unique_ptr<udb_schema> schema = std::make_unique<udb_schema>();
        udb_indexes indexes;
        std::vector<std::unique_ptr<udb_record>> records;
    };
    std::vector<table_copy> tables;
    db_.reset();
    build_store("VALS", "values.sql");
    {
        auto source = connect("VALS");
        for (const char16_t* name : {u"T_VALS", u"T_LONG", u"T_LRAW", u"T_LOBS", u"T_NUMS", u"T_FLOATS"}) {
            auto from = source->get_table(name, true);
            table_copy t;
            t.name = name;
            for (const auto& f : from->get_schema()) t.schema->push_back(std::make_unique<t_ftd>(*f));
            t.indexes = from->get_indexes();
            from->reset();
            while (!from->is_eof()) {
                auto copy = std::make_unique<udb_record>();
                for (const auto& f : *from->get_item()) copy->push_back(std::make_unique<udb_field>(*f));
                t.records.push_back(std::move(copy));
                from->next();
            }
            tables.push_back(std::move(t));
        }
    }
    db_ = connect("DEST");
    for (const table_copy& t : tables) {
        SCOPED_TRACE(compat::utf16_to_utf8(t.name));
        auto to = db_->create_table(t.name, *t.schema, t.indexes);
        for (const auto& r : t.records) to->append_record(*r);
        auto back = db_->get_table(t.name, true);
        auto read = read_all(*back);
        ASSERT_EQ(read.size(), t.records.size());
        for (size_t r = 0; r < read.size(); ++r) {
            for (size_t c = 0; c < read[r].size(); ++c) {
                const udb_field& in = *t.records[r]->at(c);
                const ole_variant& out = read[r][c];
                EXPECT_EQ(out.is_null(), in.is_null()) << "row " << r << " column " << compat::utf16_to_utf8(in.name);
                // A float or double shows fewer digits than it holds (and a float comes back as
                // a NUMBER's double): the values themselves.
                if (!in.is_null() && (in.get_type() == VT_R4 || in.get_type() == VT_R8)) {
                    const double got = out.to_double();
                    EXPECT_EQ(in.get_type() == VT_R4 ? static_cast<float>(got) : got, in.to_double())
                        << "row " << r << " column " << compat::utf16_to_utf8(in.name);
                    continue;
                }
                EXPECT_EQ(compat::utf16_to_utf8(out.to_wstring()), compat::utf16_to_utf8(in.to_wstring()))
                    << "row " << r << " column " << compat::utf16_to_utf8(in.name);
            }
        }
        const udb_schema& b = back->get_schema();
        ASSERT_EQ(b.size(), t.schema->size());
        for (size_t c = 0; c < b.size(); ++c) {
            EXPECT_EQ(b[c]->name, t.schema->at(c)->name);
            EXPECT_EQ(b[c]->b_not_null, t.schema->at(c)->b_not_null) << compat::utf16_to_utf8(b[c]->name);
        }
        EXPECT_EQ(back->get_indexes().size(), t.indexes.size());
    }
}

}  // namespace
}  // namespace ora_test
