// Column descriptions and values per type, LOBs in chunks, truncation, and prefetch.
#include <limits>

#include "ORA/ora_tab.h"
#include "ORA/ora_util.h"
#include "tests/ORA/ora_fixture.h"

namespace ora_test {
namespace {

class OraRead : public client {
protected:
    static void SetUpTestSuite() { build_store("VALS", "values.sql"); }
    void SetUp() override {
        client::SetUp();
        db_ = connect("VALS");
    }
    void TearDown() override {
        db_.reset();
        client::TearDown();
    }
    std::vector<uint8_t> bytes_of(const ole_variant& v) {
        const void* data = nullptr;
        size_t n = v.get_bytes(&data);
        auto p = static_cast<const uint8_t*>(data);
        return n ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
    }
    std::unique_ptr<ora_database> db_;
};

TEST_F(OraRead, ColumnDescriptions) {
    auto t = db_->get_table(u"T_VALS", true);
    struct {
        const char16_t* name;
        VARTYPE vartype;
        int size;
        bool not_null;
        int reserved;
    } cases[] = {
        {u"ID", VT_I4, 0, true, 0},      {u"N_BIG", VT_I8, 0, false, 0},   {u"N_DEC", VT_DECIMAL, 0, false, 7 << 8 | 2},
        {u"N_FREE", VT_R8, 0, false, 0}, {u"N_SMALL", VT_I1, 0, false, 0}, {u"VC", VT_BSTR, 20, false, 0},
        {u"CH", VT_BSTR, 5, false, 0},   {u"NVC", VT_BSTR, 10, false, 0},  {u"D", VT_DATE, 0, false, 1},
        {u"TS", VT_DATE, 0, false, 1},   {u"RW", VT_BLOB, 16, false, 0},   {u"CL", VT_BSTR, 0, false, 0},
        {u"BL", VT_BLOB, 0, false, 0},   {u"BF", VT_BSTR, 18, false, 0},   {u"IDS", VT_BSTR, 64, false, 0},
        {u"IYM", VT_BSTR, 64, false, 0},
    };
    const udb_schema& schema = t->get_schema();
    ASSERT_EQ(schema.size(), std::size(cases));
    for (size_t i = 0; i < schema.size(); ++i) {
        SCOPED_TRACE(compat::utf16_to_utf8(cases[i].name));
        const t_ftd& f = *schema[i];
        EXPECT_EQ(f.name, cases[i].name);
        EXPECT_EQ(f.vartype, cases[i].vartype);
        EXPECT_EQ(f.size, cases[i].size);
        EXPECT_EQ(f.b_not_null, cases[i].not_null);
        EXPECT_EQ(f.reserved, cases[i].reserved);
    }
    EXPECT_EQ(t->get_record_count(), 2);
    EXPECT_TRUE(t->get_indexes().size() == 1 && t->get_indexes()[0].primary);
}

TEST_F(OraRead, OneValuePerTypeAndNulls) {
    auto t = db_->get_table(u"T_VALS", true);
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    const auto& r = rows[0];
    EXPECT_EQ(r[0].to_long(), 1);
    ASSERT_EQ(r[1].get_type(), VT_I8);
    EXPECT_EQ(r[1].get_i8(), 3000000000LL);
    EXPECT_EQ(r[2].to_string(), "-12.5");
    EXPECT_DOUBLE_EQ(r[3].to_double(), 0.5);
    EXPECT_EQ(r[4].to_long(), -7);
    EXPECT_EQ(r[5].to_wstring(), u"h\u00e9llo");
    EXPECT_EQ(r[6].to_wstring(), u"ab   ");
    EXPECT_EQ(r[7].to_wstring(), u"\u00f1and\u00fa");
    EXPECT_EQ(r[8].to_string(), "2005-03-15 10:20:30");
    EXPECT_EQ(r[9].to_string(), "2005-03-15 10:20:30");
    EXPECT_EQ(bytes_of(r[10]), (std::vector<uint8_t>{0x01, 0xAB}));
    EXPECT_EQ(r[11].to_wstring(), u"clob text");
    EXPECT_EQ(bytes_of(r[12]), (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(r[13].to_wstring(), u"<unsupported type>");
    EXPECT_EQ(r[14].to_wstring(), u"+12345 02:03:04.123456789");
    EXPECT_EQ(r[15].to_wstring(), u"+02-03");
    const auto& n = rows[1];
    EXPECT_EQ(n[0].to_long(), 2);
    // Every type keeps a NULL, BFILE included.
    for (size_t i = 1; i < n.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(n[i].get_type(), VT_EMPTY);
    }
}

TEST_F(OraRead, NumberMappingThroughTheDescribe) {
    auto t = db_->get_table(u"T_NUMS", true);
    struct {
        VARTYPE vartype;
        int reserved;
        const char* text;
    } cases[] = {
        {VT_I1, 0, "-99"},
        {VT_I2, 0, "9999"},
        {VT_I4, 0, "999999999"},
        {VT_I8, 0, "9999999999"},  // never cut to 32 bits
        {VT_I8, 0, "999999999999999999"},
        {VT_DECIMAL, 19 << 8, "1234567890123456789"},
        {VT_DECIMAL, 38 << 8, "12345678901234567890123456789012345678"},
        {VT_R8, 0, nullptr},  // FLOAT(10)
        {VT_R8, 0, nullptr},  // NUMBER
        {VT_DECIMAL, 22 << 8, "12300"},
        {VT_DECIMAL, 6 << 8 | 5, "0.00123"},  // scale above precision: MySQL needs 6 digits
        {VT_DECIMAL, 6 << 8 | 5, "0.12345"},
    };
    ASSERT_EQ(t->get_schema().size(), std::size(cases));
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 1u);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(compat::utf16_to_utf8(t->get_schema()[i]->name));
        EXPECT_EQ(t->get_schema()[i]->vartype, cases[i].vartype);
        EXPECT_EQ(t->get_schema()[i]->reserved, cases[i].reserved);
        EXPECT_EQ(rows[0][i].get_type(), cases[i].vartype);
        if (cases[i].text) {
            EXPECT_EQ(rows[0][i].to_string(), cases[i].text);
        }
    }
    EXPECT_DOUBLE_EQ(rows[0][7].to_double(), 1.5);
    EXPECT_DOUBLE_EQ(rows[0][8].to_double(), -0.25);
}

TEST_F(OraRead, LongRawArrivesAsItsBytes) {
    auto t = db_->get_table(u"T_LRAW", true);
    EXPECT_EQ(t->get_schema()[1]->vartype, VT_BLOB);
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(bytes_of(rows[0][1]), (std::vector<uint8_t>{0x01, 0xAB}));
    EXPECT_EQ(bytes_of(rows[1][1]), (std::vector<uint8_t>{0x00}));
}

std::string hex_of(const std::vector<uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

TEST_F(OraRead, LongsArriveWholeAtAnyLength) {
    db_.reset();
    stores().build_text("LONGS",
                        "CREATE USER scott IDENTIFIED BY tiger;\n"
                        "CREATE TABLE T_L (ID NUMBER(5) NOT NULL, TXT LONG);\n"
                        // a character of two UTF-16 units where the first piece (32,768 units) ends
                        "INSERT INTO T_L VALUES (1, RPAD('a', 32767, 'a') || '\xF0\x9F\x98\x80' || "
                        "RPAD('b', 967232, 'b'));\n"
                        "INSERT INTO T_L VALUES (2, RPAD('c', 5000000, 'c'));\n"
                        "INSERT INTO T_L VALUES (3, 'after');\n"
                        "CREATE TABLE T_R (ID NUMBER(5) NOT NULL, BIN LONG RAW);\n"
                        "INSERT INTO T_R VALUES (1, OCILITE_RANDOM_BYTES(1000000, 1));\n"
                        "INSERT INTO T_R VALUES (2, OCILITE_RANDOM_BYTES(5000000, 2));\n"
                        "INSERT INTO T_R VALUES (3, HEXTORAW('03'));\n"
                        "COMMIT;\n");
    db_ = connect("LONGS");
    auto t = db_->get_table(u"T_L", true);
    // what a LONG holds: its MySQL column is a LONGTEXT
    EXPECT_EQ(t->get_schema()[1]->size, std::numeric_limits<int>::max());
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0][1].to_wstring() ==
                compat::wstring(32767, u'a') + u"\U0001F600" + compat::wstring(967232, u'b'));
    EXPECT_TRUE(rows[1][1].to_wstring() == compat::wstring(5000000, u'c'));
    EXPECT_EQ(rows[2][1].to_wstring(), u"after");

    auto r = db_->get_table(u"T_R", true);
    EXPECT_EQ(r->get_schema()[1]->size, std::numeric_limits<int>::max());
    auto raws = read_all(*r);
    ASSERT_EQ(raws.size(), 3u);
    const std::string tab = stores().table_name("LONGS", "T_R"), bin = stores().column_name("LONGS", "T_R", "BIN"),
                      id = stores().column_name("LONGS", "T_R", "ID");
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(hex_of(bytes_of(raws[k][1])),
                  stores().value(
                      "LONGS", "SELECT hex(" + bin + ") FROM " + tab + " WHERE " + id + " = " + std::to_string(k + 1)));
    }
    EXPECT_EQ(bytes_of(raws[1][1]).size(), 5000000u);
}

// The column's limit made small: a value past it fails its record with its size, the
// records after it are read.
TEST_F(OraRead, ALongPastWhatItsColumnHoldsFailsItsRecordWithItsSize) {
    const struct {
        const char16_t* query;
        int code;
        uint64_t limit;
        std::vector<std::string> outcomes;
    } cases[] = {
        {u"SELECT TXT FROM T_LONG",
         SQLT_LNG,
         10,
         {"short long", "The value of column TXT is 19 characters long, more than the 10 its MySQL column holds",
          "after"}},
        {u"SELECT BIN FROM T_LRAW",
         SQLT_LBI,
         1,
         {"The value of column BIN is 2 bytes long, more than the 1 its MySQL column holds", "0x00"}},
    };
    ora_engine& e = ora_engine::instance();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ora_columns columns;
        {
            ora_stmt describe;
            describe.prepare(c.query);
            describe.execute(0);
            void* param = nullptr;
            e.check_status(e.oci().OCIParamGet(describe.get(), OCI_HTYPE_STMT, e.err(), &param, 1));
            columns.push_back(std::make_unique<ora_long>(static_cast<OCIParam*>(param), c.code, c.limit));
            e.oci().OCIDescriptorFree(param, OCI_DTYPE_PARAM);
        }
        ora_stmt query;
        query.prepare(c.query);
        columns[0]->define(query.get(), 1);
        query.execute(0);
        ora_record record(columns);
        std::vector<std::string> outcomes;
        while (query.fetch() != OCI_NO_DATA) {
            try {
                record.refill(columns);
                outcomes.push_back(record.at(0)->to_string());
            } catch (const ora_value_exception& x) {
                outcomes.push_back(x.what());
            }
        }
        EXPECT_EQ(outcomes, c.outcomes);
        columns.clear();
    }
}

TEST_F(OraRead, TextsKeepZeroCharactersAndCountLengthsInCharacters) {
    db_.reset();
    stores().build_text("ZEROS",
                        "CREATE USER scott IDENTIFIED BY tiger;\n"
                        "CREATE TABLE T_Z (ID NUMBER(5) NOT NULL, VC VARCHAR2(20), CH CHAR(4), NVC NVARCHAR2(6), "
                        "VCC VARCHAR2(5 CHAR), CHC CHAR(3 CHAR), L LONG);\n"
                        "INSERT INTO T_Z VALUES (1, 'a' || CHR(0) || 'b', CHR(0) || 'x', N'n' || CHR(0), "
                        "'\xF0\x9F\x98\x80' || CHR(0) || '\xE6\x9D\xB1', '\xC3\xA9', 'l' || CHR(0) || CHR(0) || 'g');\n"
                        "INSERT INTO T_Z VALUES (2, CHR(0), CHR(0), CHR(0), CHR(0), CHR(0), CHR(0));\n"
                        "COMMIT;\n");
    db_ = connect("ZEROS");
    auto t = db_->get_table(u"T_Z", true);
    // VARCHAR2(5 CHAR) describes 20 bytes in an AL32UTF8 database: the column is 5 characters.
    const int sizes[] = {0, 20, 4, 6, 5, 3, std::numeric_limits<int>::max()};
    ASSERT_EQ(t->get_schema().size(), std::size(sizes));
    for (size_t i = 0; i < std::size(sizes); ++i) EXPECT_EQ(t->get_schema()[i]->size, sizes[i]) << i;
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    using namespace std::string_literals;
    const std::vector<compat::wstring> first = {u"a\0b"s,     u"\0x  "s, u"n\0"s, u"\U0001F600\0\u6771"s,
                                                u"\u00e9  "s, u"l\0\0g"s};
    const std::vector<compat::wstring> second = {u"\0"s, u"\0   "s, u"\0"s, u"\0"s, u"\0  "s, u"\0"s};
    for (size_t i = 0; i < first.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(rows[0][i + 1].to_wstring() == first[i]) << rows[0][i + 1].to_wstring().size();
        EXPECT_TRUE(rows[1][i + 1].to_wstring() == second[i]) << rows[1][i + 1].to_wstring().size();
    }
}

TEST_F(OraRead, BinaryFloatsArriveAsTheirValues) {
    db_.reset();
    stores().build_text("BINF",
                        "CREATE USER scott IDENTIFIED BY tiger;\n"
                        "CREATE TABLE T_BF (ID NUMBER(5) NOT NULL, BF BINARY_FLOAT, BD BINARY_DOUBLE, "
                        "FL FLOAT, NF NUMBER);\n"
                        "INSERT INTO T_BF VALUES (1, 1.1, 0.30000000000000004, 0.30000000000000004, 1E+125);\n"
                        "INSERT INTO T_BF VALUES (2, NULL, NULL, NULL, NULL);\n"
                        "INSERT INTO T_BF VALUES (3, 2, 3, 4, 5);\n"
                        "INSERT INTO T_BF VALUES (4, -3.4028234663852886E+38, 1.7976931348623157E+308, -.5, .1);\n"
                        "COMMIT;\n");
    // An infinity, which the SQL scripts cannot write.
    stores().exec("BINF", "UPDATE " + stores().table_name("BINF", "T_BF") + " SET " +
                              stores().column_name("BINF", "T_BF", "BD") + " = 9e999 WHERE " +
                              stores().column_name("BINF", "T_BF", "ID") + " = 3");
    db_ = connect("BINF");
    auto t = db_->get_table(u"T_BF", true);
    const auto& schema = t->get_schema();
    EXPECT_EQ(schema[1]->vartype, VT_R4);
    EXPECT_EQ(schema[2]->vartype, VT_R8);
    EXPECT_EQ(schema[3]->vartype, VT_R8);
    EXPECT_EQ(schema[4]->vartype, VT_R8);
    std::vector<std::vector<ole_variant>> rows;
    std::vector<int> failed;
    for (int k = 0; !t->is_eof(); ++k, t->next()) {
        try {
            udb_record* record = t->get_item();
            std::vector<ole_variant> row;
            for (const auto& f : *record) row.push_back(*f);
            rows.push_back(row);
        } catch (const ora_value_exception& e) {
            EXPECT_NE(std::string(e.what()).find("Infinity"), std::string::npos) << e.what();
            failed.push_back(k);
        }
    }
    EXPECT_EQ(failed, std::vector<int>{2});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1].get_type(), VT_R4);
    EXPECT_EQ(rows[0][1].get_variant().fltVal, 1.1f);
    EXPECT_EQ(rows[0][2].get_variant().dblVal, 0.30000000000000004);
    EXPECT_EQ(rows[0][3].get_variant().dblVal, 0.30000000000000004);
    EXPECT_EQ(rows[0][4].get_variant().dblVal, 1E+125);
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(rows[1][i].get_type(), VT_EMPTY) << i;
    EXPECT_EQ(rows[2][1].get_variant().fltVal, -3.4028234663852886E+38f);
    EXPECT_EQ(rows[2][2].get_variant().dblVal, 1.7976931348623157E+308);
    EXPECT_EQ(rows[2][4].get_variant().dblVal, 0.1);
}

TEST_F(OraRead, TimestampsOfEveryKindKeepTheirTimeOfDay) {
    db_.reset();
    stores().build_text("STAMPS",
                        "CREATE USER scott IDENTIFIED BY tiger;\n"
                        "CREATE TABLE T_TS (ID NUMBER(5) NOT NULL, TS TIMESTAMP(9), TZ TIMESTAMP WITH TIME ZONE, "
                        "LTZ TIMESTAMP WITH LOCAL TIME ZONE);\n"
                        "INSERT INTO T_TS VALUES (1, TIMESTAMP '2005-03-15 23:59:58.999999999', "
                        "TIMESTAMP '2005-03-15 23:59:58.5 +02:00', TIMESTAMP '2005-03-15 23:59:58');\n"
                        "INSERT INTO T_TS VALUES (2, TIMESTAMP '0001-01-01 00:00:01', NULL, NULL);\n"
                        "COMMIT;\n");
    db_ = connect("STAMPS");
    auto t = db_->get_table(u"T_TS", true);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(t->get_schema()[i]->vartype, VT_DATE) << i;
        EXPECT_EQ(t->get_schema()[i]->reserved, 1) << i;
    }
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    // The fraction is dropped, never rounded into the next second.
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(rows[0][i].to_string(), "2005-03-15 23:59:58") << i;
    EXPECT_EQ(rows[1][1].to_string(), "0001-01-01 00:00:01");
    EXPECT_EQ(rows[1][2].get_type(), VT_EMPTY);
    EXPECT_EQ(rows[1][3].get_type(), VT_EMPTY);
}

TEST_F(OraRead, LobsLongerThanOneChunkArriveWhole) {
    db_.reset();
    compat::wstring text;
    while (text.size() < 70000) text += u"a\u00e9\u20ac\U0001F600z";  // 6 UTF-16 units per round
    std::string hex;
    std::vector<uint8_t> blob;
    for (int i = 0; i < 100000; ++i) blob.push_back(static_cast<uint8_t>(i * 7 + 3));
    static const char digits[] = "0123456789ABCDEF";
    for (uint8_t b : blob) hex += {digits[b >> 4], digits[b & 15]};
    const std::string tab = stores().table_name("VALS", "T_LOBS"), id = stores().column_name("VALS", "T_LOBS", "ID");
    stores().exec("VALS", "UPDATE " + tab + " SET " + stores().column_name("VALS", "T_LOBS", "CL") + " = '" +
                              compat::utf16_to_utf8(text) + "', " + stores().column_name("VALS", "T_LOBS", "BL") +
                              " = X'" + hex + "' WHERE " + id + " = 1");
    db_ = connect("VALS");
    auto t = db_->get_table(u"T_LOBS", true);
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1].to_wstring().size(), text.size());
    EXPECT_TRUE(rows[0][1].to_wstring() == text);
    EXPECT_TRUE(bytes_of(rows[0][2]) == blob);
    // Empty LOBs are values, not NULL.
    EXPECT_EQ(rows[1][1].get_type(), VT_BSTR);
    EXPECT_EQ(rows[1][1].to_wstring(), u"");
    EXPECT_EQ(bytes_of(rows[1][2]).size(), 0u);
}

TEST_F(OraRead, EachRowReplacesTheValuesOfTheRowBefore) {
    // One record serves every row: longer and shorter texts and byte strings, NULLs
    // between values and values after NULLs must each arrive as that row holds them.
    db_.reset();
    stores().build_text("SHAPES",
                        "CREATE USER scott IDENTIFIED BY tiger;\n"
                        "CREATE TABLE T_SHAPES (ID NUMBER(9) NOT NULL, TXT VARCHAR2(60), AMT NUMBER(12,2), "
                        "D DATE, BIN RAW(16));\n"
                        "INSERT INTO T_SHAPES VALUES (1, 'a rather longer text than the next one holds', 12345.67, "
                        "TO_DATE('2020-02-29 23:59:59', 'YYYY-MM-DD HH24:MI:SS'), HEXTORAW('00112233445566778899'));\n"
                        "INSERT INTO T_SHAPES VALUES (2, 'short', NULL, NULL, HEXTORAW('AB'));\n"
                        "INSERT INTO T_SHAPES VALUES (3, NULL, -0.5, DATE '2021-05-06', NULL);\n"
                        "INSERT INTO T_SHAPES VALUES (4, 'after NULL', 7, NULL, HEXTORAW('CDEF'));\n"
                        "COMMIT;\n");
    db_ = connect("SHAPES");
    auto t = db_->get_table(u"T_SHAPES", true);
    auto rows = read_all(*t);
    ASSERT_EQ(rows.size(), 4u);
    struct expected {
        const char16_t* txt;  // nullptr: NULL
        const char* amt;
        const char* d;
        std::vector<uint8_t> bin;  // empty: NULL
    };
    const expected cases[] = {
        {u"a rather longer text than the next one holds",
         "12345.67",
         "2020-02-29 23:59:59",
         {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99}},
        {u"short", nullptr, nullptr, {0xAB}},
        {nullptr, "-0.5", "2021-05-06", {}},
        {u"after NULL", "7", nullptr, {0xCD, 0xEF}},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& r = rows[i];
        const expected& c = cases[i];
        EXPECT_EQ(r[0].to_long(), static_cast<int>(i) + 1);
        if (c.txt) {
            EXPECT_EQ(r[1].get_type(), VT_BSTR);
            EXPECT_EQ(r[1].to_wstring(), c.txt);
        } else {
            EXPECT_EQ(r[1].get_type(), VT_EMPTY);
        }
        if (c.amt)
            EXPECT_EQ(r[2].to_string(), c.amt);
        else
            EXPECT_EQ(r[2].get_type(), VT_EMPTY);
        if (c.d)
            EXPECT_EQ(r[3].to_string(), c.d);
        else
            EXPECT_EQ(r[3].get_type(), VT_EMPTY);
        if (c.bin.empty())
            EXPECT_EQ(r[4].get_type(), VT_EMPTY);
        else
            EXPECT_EQ(bytes_of(r[4]), c.bin);
    }
}

TEST_F(OraRead, RowsAreReadUntilTheServerHasNoMoreWithFewRoundTrips) {
    db_.reset();
    stores().build_text("MANY",
                        "CREATE USER scott IDENTIFIED BY tiger;\n"
                        "CREATE TABLE T_MANY (ID NUMBER(9) NOT NULL, TXT VARCHAR2(20));\nCOMMIT;\n");
    const std::string tab = stores().table_name("MANY", "T_MANY");
    stores().exec("MANY",
                  "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5000) INSERT INTO " + tab +
                      " (" + stores().column_name("MANY", "T_MANY", "ID") + ", " +
                      stores().column_name("MANY", "T_MANY", "TXT") + ") SELECT x, 'row ' || x FROM n");
    db_ = connect("MANY");
    auto t = db_->get_table(u"T_MANY", true);
    EXPECT_EQ(t->get_record_count(), 5000);
    t->set_record_count(10);  // the count feeds progress only: it must not end the reading
    unsigned long long before = round_trips();
    auto rows = read_all(*t);
    unsigned long long trips = round_trips() - before;
    ASSERT_EQ(rows.size(), 5000u);
    EXPECT_EQ(rows[4999][0].to_long(), 5000);
    EXPECT_EQ(rows[4999][1].to_wstring(), u"row 5000");
    EXPECT_LT(trips, 50u);
    EXPECT_TRUE(t->is_eof());  // stays at the end without asking again
}

}  // namespace
}  // namespace ora_test
