// The table writer: fast and slow INSERTs, the batch threshold, refused rows inside a
// batch, columns that differ only in case, and UPDATE by key.
#include "SQL/sql_exc.h"
#include "SQL/sql_tab.h"
#include "SQL/sql_valw.h"
#include "TK/tk_excep.h"
#include "UDB/udb_rec_exc.h"
#include "tests/SQL/live_fixture.h"

namespace {

using live_test::field;
using live_test::LiveDb;
using live_test::record;

class LiveTab : public LiveDb {
protected:
    sql_table& table(const char16_t* name) {
        table_ = db_->get_table(name, true);
        auto* t = dynamic_cast<sql_table*>(table_.get());
        EXPECT_NE(t, nullptr);
        return *t;
    }
    void append(sql_table& t, int id, const compat::wstring& text) {
        auto r = record({field(u"id", ole_variant(id)), field(u"s", ole_variant(text))});
        t.append_record(*r);
    }
    std::unique_ptr<udb_recordset> table_;
};

TEST_F(LiveTab, FastModeBatchesStayUnderOneMillionBytes) {
    exec("CREATE TABLE t (id INT PRIMARY KEY, s MEDIUMTEXT)");
    open();
    sql_table& t = table(u"t");
    const compat::wstring chunk(1000, u'x');
    int id = 0;
    while (t.pending_bytes() + 1000 + 20 < sql_table::batch_bytes) append(t, ++id, chunk);
    EXPECT_EQ(count("t"), 0);
    // a row that brings the text to exactly 1,000,000 bytes: not sent yet
    const size_t digits = std::to_string(id + 1).size();
    const size_t row_overhead = 2 + 1 + digits + 2 + 2 + 1;  // ", " "(" id ", " quotes ")"
    const size_t fill = sql_table::batch_bytes - t.pending_bytes() - row_overhead;
    append(t, ++id, compat::wstring(fill, u'y'));
    ASSERT_EQ(t.pending_bytes(), sql_table::batch_bytes);
    EXPECT_EQ(count("t"), 0);
    // the next row would take it past: the batch goes without it, and it opens the next
    append(t, ++id, u"z");
    EXPECT_EQ(t.pending_rows(), 1u);
    t.settle();  // the batch is sent on a thread of its own
    EXPECT_EQ(count("t"), id - 1);

    // buffered rows go as one INSERT when the table closes
    for (int k = 0; k < 3; ++k) append(t, ++id, u"tail");
    EXPECT_EQ(t.pending_rows(), 4u);
    table_.reset();
    EXPECT_EQ(count("t"), id);
}

std::string hex_of(std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

// Values go in the connection's escaped form: backslash escapes, or doubled apostrophes while
// the session keeps NO_BACKSLASH_ESCAPES (the client library follows the server's flag).
TEST_F(LiveTab, HostileValuesArriveInTheConnectionsEscapedFormUnderEitherMode) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    bytes += "\xBF\x5C\x27\xBF'\\";
    const compat::wstring text = u"\u00BF\\'\"" + compat::wstring(1, u'\0') + u"\u6F22\r\n\x1A\U0001F600'";
    const std::string text_hex = hex_of(compat::utf16_to_utf8(text));
    auto row = [&](int id, const compat::wstring& s, const std::string& b) {
        return record(
            {field(u"id", ole_variant(id)), field(u"s", ole_variant(s)), field(u"b", ole_variant(b.size(), b.data()))});
    };
    for (const std::string mode : {"", "NO_BACKSLASH_ESCAPES"}) {
        for (const bool fast : {true, false}) {
            SCOPED_TRACE(mode + (fast ? " fast" : " slow"));
            exec("SET SESSION sql_mode = '" + mode + "'");
            exec("DROP TABLE IF EXISTS t");
            exec("CREATE TABLE t (id INT PRIMARY KEY, s LONGTEXT, b LONGBLOB) DEFAULT CHARSET=utf8mb4");
            open();
            engine_->set_fast_insert(fast);
            sql_table& t = table(u"t");
            t.append_record(*row(1, text, bytes));
            t.append_record(*row(2, u"x", "y"));
            t.update(*row(2, text, bytes));
            table_.reset();
            EXPECT_EQ(scalar("SELECT @@SESSION.sql_mode"), mode);
            EXPECT_EQ(scalar("SELECT GROUP_CONCAT(id, ':', HEX(s) = '" + text_hex + "', ':', HEX(b) = '" +
                             hex_of(bytes) + "' ORDER BY id) FROM t"),
                      "1:1:1,2:1:1");
        }
    }
}

// The writer escapes without the connection (a batch may be on its way meanwhile): what it
// writes is byte for byte what the client library writes for the session, with backslash
// escapes and with NO_BACKSLASH_ESCAPES, for text and for bytes that are no UTF-8 at all.
TEST_F(LiveTab, ValuesAreEscapedAsTheClientLibraryEscapesThemForTheSession) {
    const std::string nul(1, '\0');
    const std::string long_run(65535, 'a');  // a text's pieces part at 65,536 units
    const std::vector<std::string> texts = {"'",
                                            "''",
                                            "\\",
                                            "\\'",
                                            "'\\",
                                            "\"",
                                            nul,
                                            "a" + nul + "b",
                                            "\x1A",
                                            "\r\n",
                                            "\n\r\t",
                                            "x'); DROP TABLE t; --",
                                            "\xC2\xBF'",                          // ¿' : the GBK trap in UTF-8
                                            "\xE6\xBC\xA2\\",                     // 漢 and a backslash
                                            "\xF0\x9F\x98\x80'\xF0\x9F\x98\x80",  // emoji around a quote
                                            long_run + "\xF0\x9F\x98\x80'",       // a pair across the pieces
                                            long_run + "'" + long_run + "\\" + nul};
    std::vector<std::string> bytes = texts;
    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    bytes.insert(bytes.end(), {every, "\xBF\x27", "\xBF\x5C", "\xE2\x27", "\xF0\x9F\x27", "\xC0'\xFF\\", "\x80" + nul});

    MYSQL* h = engine_->connection().handle();
    ASSERT_STREQ(mysql_character_set_name(h), "utf8mb4");
    auto library = [&](std::string_view in) {
        std::string out(2 * in.size() + 1, '\0');
        out.resize(mysql_real_escape_string(h, out.data(), in.data(), in.size()));
        return out;
    };
    for (const std::string mode : {"", "NO_BACKSLASH_ESCAPES"}) {
        exec("SET SESSION sql_mode = '" + mode + "'");
        const sql::escaped_value_writer writer(engine_->connection());
        for (const std::string& text : texts) {
            SCOPED_TRACE("mode '" + mode + "', text of " + std::to_string(text.size()) +
                         " bytes: " + text.substr(0, 40));
            std::string written;
            writer.append_text(written, compat::utf8_to_utf16(text));
            EXPECT_EQ(written, "'" + library(text) + "'");
        }
        for (const std::string& value : bytes) {
            SCOPED_TRACE("mode '" + mode + "', bytes of " + std::to_string(value.size()) + ": " + value.substr(0, 40));
            std::string written;
            writer.append_bytes(written, value);
            EXPECT_EQ(written, "_binary'" + library(value) + "'");
        }
    }
}

TEST_F(LiveTab, SlowModeSendsEachRecord) {
    exec("CREATE TABLE t (id INT PRIMARY KEY, s VARCHAR(10))");
    open();
    engine_->set_fast_insert(false);
    sql_table& t = table(u"t");
    append(t, 1, u"a");
    EXPECT_EQ(count("t"), 1);
    EXPECT_EQ(t.pending_rows(), 0u);
    try {
        append(t, 1, u"dup");
        FAIL() << "duplicate accepted";
    } catch (const udb_record_exception& e) {
        EXPECT_EQ(e.code(), 0x400426);
        ASSERT_EQ(e.records().size(), 1u);
        EXPECT_EQ(e.records()[0].number, 0) << "the record at hand";
        EXPECT_EQ(e.records()[0].why, udb_lost_record::cause::duplicate_key);
    }
    append(t, 2, u"b");
    EXPECT_EQ(count("t"), 2);
}

TEST_F(LiveTab, RefusedRowsOfABatchAreReportedAloneAndTheRestArrives) {
    exec("CREATE TABLE t (id INT PRIMARY KEY, s VARCHAR(5))");
    open();
    sql_table& t = table(u"t");
    for (int id = 1; id <= 10; ++id) append(t, id, u"ok");
    append(t, 3, u"dup");            // record 11: duplicate key
    append(t, 12, u"far too long");  // record 12: refused (too long for the column)
    for (int id = 13; id <= 15; ++id) append(t, id, u"ok");
    try {
        t.flush();
        FAIL() << "no error";
    } catch (const udb_record_exception& e) {
        ASSERT_EQ(e.records().size(), 2u);
        EXPECT_EQ(e.records()[0].number, 11);
        EXPECT_EQ(e.records()[0].code, 0x400426);
        EXPECT_EQ(e.records()[0].why, udb_lost_record::cause::duplicate_key);
        EXPECT_EQ(e.records()[1].number, 12);
        EXPECT_EQ(e.records()[1].why, udb_lost_record::cause::record);
        // not a duplicate: a handler that skips duplicates still sees it
        EXPECT_NE(e.code(), 0x400426);
        EXPECT_EQ(e.code(), e.records()[1].code);
    }
    EXPECT_EQ(count("t"), 13);
    EXPECT_EQ(scalar("SELECT s FROM t WHERE id = 3"), "ok");

    // a batch whose only failure is a duplicate: its other rows arrive, the error says 1062
    append(t, 20, u"a");
    append(t, 20, u"b");
    append(t, 21, u"c");
    try {
        t.flush();
        FAIL() << "no error";
    } catch (const udb_record_exception& e) {
        ASSERT_EQ(e.records().size(), 1u);
        EXPECT_EQ(e.records()[0].number, 17);
        EXPECT_EQ(e.code(), 0x400426);
    }
    EXPECT_EQ(count("t"), 15);
}

TEST_F(LiveTab, ColumnsDifferingOnlyInCaseGetTheirOwnValues) {
    sql_database& db = open(udb_open_mode::created);
    udb_schema schema;
    schema.push_back(std::make_unique<t_ftd>(0, u"ID", VT_I4, false, false));
    schema.push_back(std::make_unique<t_ftd>(0, u"id", VT_I4, false, false));
    schema.push_back(std::make_unique<t_ftd>(10, u"Name", VT_BSTR, false, false));
    auto created = db.create_table(u"pair", schema, udb_indexes());
    ASSERT_NE(created, nullptr);
    const udb_schema& cols = created->get_schema();
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0]->name, u"ID");
    EXPECT_NE(cols[1]->name, u"id") << "the second of the pair is renamed";
    const std::string renamed = compat::utf16_to_utf8(cols[1]->name);
    auto* t = dynamic_cast<sql_table*>(created.get());
    ASSERT_NE(t, nullptr);
    for (int k = 0; k < 2; ++k) {
        auto r = record({field(u"ID", ole_variant(1 + k * 10)), field(u"id", ole_variant(2 + k * 10)),
                         field(u"Name", ole_variant(compat::wstring(u"n")))});
        t->append_record(*r);
    }
    // a record with fewer fields than the table
    auto r = record({field(u"id", ole_variant(99))});
    t->append_record(*r);
    created.reset();
    EXPECT_EQ(scalar("SELECT CONCAT(`ID`, ',', `" + renamed + "`) FROM pair WHERE `ID` = 1"), "1,2");
    EXPECT_EQ(scalar("SELECT `" + renamed + "` FROM pair WHERE `ID` = 11"), "12");
    // the short record's id went into the renamed column, not into ID
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM pair WHERE `ID` IS NULL AND `" + renamed + "` = 99"), "1");
}

TEST_F(LiveTab, StructureErrorWhenAColumnHasNoField) {
    exec("CREATE TABLE t (a INT, b INT, c INT)");
    open();
    sql_table& t = table(u"t");
    auto r = record({field(u"a", ole_variant(1)), field(u"x", ole_variant(2))});
    EXPECT_THROW(t.append_record(*r), tk_exception);
    auto wide = record({field(u"a", ole_variant(1)), field(u"b", ole_variant(2)), field(u"z", ole_variant(3)),
                        field(u"q", ole_variant(4))});
    EXPECT_THROW(t.append_record(*wide), tk_exception);
    // a field the table lacks is refused even when the counts would let it take a column
    auto same_count = record({field(u"a", ole_variant(1)), field(u"b", ole_variant(2)), field(u"x", ole_variant(9))});
    EXPECT_THROW(t.append_record(*same_count), tk_exception);
    auto more = record({field(u"c", ole_variant(3)), field(u"b", ole_variant(2)), field(u"a", ole_variant(1)),
                        field(u"extra", ole_variant(9))});
    EXPECT_THROW(t.append_record(*more), tk_exception);
    // every field in the column of its name, whatever the order; a column left out keeps
    // its default
    t.append_record(*record({field(u"c", ole_variant(3)), field(u"b", ole_variant(2)), field(u"a", ole_variant(1))}));
    t.append_record(*record({field(u"b", ole_variant(5)), field(u"a", ole_variant(4))}));
    t.flush();
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(CONCAT(a, b, IFNULL(c, '-')) ORDER BY a) FROM t"), "123,45-");
}

TEST_F(LiveTab, UpdateUsesTheWholeCompositeKey) {
    exec("CREATE TABLE t (a INT, b INT, v VARCHAR(10), PRIMARY KEY (a, b))");
    exec("INSERT INTO t VALUES (1, 1, 'x'), (1, 2, 'y'), (2, 1, 'z')");
    open();
    engine_->set_fast_insert(false);
    sql_table& t = table(u"t");
    // key fields named in another case still count as key
    auto r = record(
        {field(u"A", ole_variant(1)), field(u"b", ole_variant(2)), field(u"v", ole_variant(compat::wstring(u"new")))});
    t.update(*r);
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(v ORDER BY a, b) FROM t"), "x,new,z");

    // part of the key only: nothing is sent
    auto part = record({field(u"a", ole_variant(1)), field(u"v", ole_variant(compat::wstring(u"all")))});
    t.update(*part);
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(v ORDER BY a, b) FROM t"), "x,new,z");

    // no row with that key: a failure of the record
    auto missing = record(
        {field(u"a", ole_variant(9)), field(u"b", ole_variant(9)), field(u"v", ole_variant(compat::wstring(u"q")))});
    EXPECT_THROW(t.update(*missing), tk_exception);

    // the same values again: matched though nothing changes
    t.update(*r);
}

TEST_F(LiveTab, UpdateOfAllKeyTableSendsNothing) {
    exec("CREATE TABLE k (a INT, b INT, PRIMARY KEY (a, b))");
    exec("CREATE TABLE nokey (a INT, b INT)");
    open();
    sql_table& t = table(u"k");
    auto r = record({field(u"a", ole_variant(1)), field(u"b", ole_variant(2))});
    EXPECT_NO_THROW(t.update(*r));
    sql_table& n = table(u"nokey");
    EXPECT_EQ(n.get_pk_index(), -1);
    EXPECT_NO_THROW(n.update(*r));
}

TEST_F(LiveTab, DescribesColumnsFromTheServer) {
    exec(
        "CREATE TABLE d (v VARCHAR(100) NOT NULL DEFAULT 'abc', f FLOAT(10,2), g FLOAT(10,0), h FLOAT, "
        "dt DATETIME NOT NULL DEFAULT '0000-00-00 00:00:00', n INT NOT NULL DEFAULT 7, UNIQUE KEY uk (n, v))");
    open();
    sql_table& t = table(u"d");
    const udb_schema& s = t.get_schema();
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(s[0]->size, 100);
    EXPECT_EQ(s[0]->def_value.to_wstring(), u"abc");
    EXPECT_EQ(s[1]->vartype, VT_DECIMAL);
    EXPECT_EQ(s[1]->reserved, (10 << 8) | 2);
    EXPECT_EQ(s[2]->vartype, VT_R4);
    EXPECT_EQ(s[3]->vartype, VT_R4);
    EXPECT_FALSE(s[4]->b_not_null) << "a zero date is no default";
    EXPECT_EQ(s[5]->def_value.to_long(), 7);
    ASSERT_EQ(t.get_pk_index(), 0);
    EXPECT_EQ(t.get_indexes()[0].fields, (udb_names{u"n", u"v"}));
    EXPECT_TRUE(t.get_indexes()[0].unique);
}

}  // namespace
