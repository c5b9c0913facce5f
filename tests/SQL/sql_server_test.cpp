// The engine against the sandbox server, and dumps loaded by the stock mariadb client.
#include <gtest/gtest.h>
#include <mysql.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "SQL/sql_dump.h"
#include "SQL/sql_ver.h"
#include "sql_engine_fixture.h"
#include "tests/support/sandbox.h"
#include "tests/support/temp_dir.h"

using compat::wstring;
using namespace sql_test;
using namespace std::string_literals;
using test_support::sandbox_port;
namespace fs = std::filesystem;

namespace {

// A plain client connection for checking what the engine did.
class raw_client {
public:
    raw_client() : h_(mysql_init(nullptr)) {
        mysql_options(h_, MYSQL_READ_DEFAULT_FILE, "/dev/null");
        ok_ = mysql_real_connect(h_, "127.0.0.1", "root", "", nullptr, sandbox_port(), nullptr, 0) &&
              mysql_set_character_set(h_, "utf8mb4") == 0;
    }
    ~raw_client() { mysql_close(h_); }
    bool ok() const { return ok_; }
    void run(const std::string& q) { ASSERT_EQ(mysql_real_query(h_, q.data(), q.size()), 0) << mysql_error(h_); }
    // Rows of cells; a NULL cell is nullopt.
    std::vector<std::vector<std::optional<std::string>>> rows(const std::string& q) {
        std::vector<std::vector<std::optional<std::string>>> out;
        if (mysql_real_query(h_, q.data(), q.size()) != 0) {
            ADD_FAILURE() << mysql_error(h_);
            return out;
        }
        MYSQL_RES* res = mysql_store_result(h_);
        if (!res) return out;
        unsigned n = mysql_num_fields(res);
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            unsigned long* len = mysql_fetch_lengths(res);
            auto& r = out.emplace_back();
            for (unsigned i = 0; i < n; ++i)
                r.push_back(row[i] ? std::optional<std::string>(std::string(row[i], len[i])) : std::nullopt);
        }
        mysql_free_result(res);
        return out;
    }
    std::string value(const std::string& q) {
        auto r = rows(q);
        return r.empty() || r[0].empty() || !r[0][0] ? "" : *r[0][0];
    }

private:
    MYSQL* h_;
    bool ok_ = false;
};

// A database object that the engine hands back from open_db and create_db.
class stub_database : public udb_database {
public:
    using udb_database::udb_database;
    std::unique_ptr<udb_recordset> create_table(const wstring&, const udb_schema&, const udb_indexes&) override {
        return nullptr;
    }
    std::unique_ptr<udb_recordset> get_table(const wstring&, bool) override { return nullptr; }
    std::unique_ptr<udb_recordset> get_table(const wstring&, const wstring&, bool) override { return nullptr; }
    bool test_query(const wstring&) override { return false; }
};

std::string hex(std::string_view bytes) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += d[c >> 4];
        out += d[c & 15];
    }
    return out;
}

class SqlServer : public engine_test {
protected:
    void SetUp() override {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        db = "sqlt_" + std::to_string(::getpid()) + "_" + test;
        for (auto& c : db) c = char(std::tolower(static_cast<unsigned char>(c)));
        // An empty home of the test's own, whose option file asks for the quoting modes
        // and the character set that the engine must undo.
        std::ofstream(home / ".my.cnf") << "[QZ MySQL Lib]\n"
                                        << "init-command=SET SESSION sql_mode='NO_BACKSLASH_ESCAPES,ANSI_QUOTES'\n"
                                        << "default-character-set=latin1\n";
        ::setenv("HOME", home.c_str(), 1);
        engine_test::SetUp();
        ASSERT_TRUE(client.ok());
        eng().set_live_db_factory([](const wstring& name, sql::sql_connection&, udb_open_mode mode) {
            return std::unique_ptr<udb_database>(std::make_unique<stub_database>(name, mode, false));
        });
    }
    void TearDown() override {
        client.run("DROP DATABASE IF EXISTS `" + db + "`");
        engine_test::TearDown();
    }
    void connect() { eng().connect("127.0.0.1", "root", "", sandbox_port()); }

    std::string db;
    test_support::temp_dir home_dir{"sql-server-home"};
    fs::path home{home_dir.path()};
    raw_client client;
};

}  // namespace

TEST_F(SqlServer, WrongPasswordGivesAccessDenied) {
    try {
        eng().connect("127.0.0.1", "root", "wrong", sandbox_port());
        FAIL() << "no exception";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.code(), 0x400415);
        EXPECT_EQ(e.level(), 0);
    }
    EXPECT_FALSE(eng().is_connected());
    // the handle starts afresh after a failure and after a connection
    connect();
    connect();
    EXPECT_TRUE(eng().is_connected());
}

TEST_F(SqlServer, ConnectionReadsVersionAndSetsItsSession) {
    connect();
    std::string text = client.value("SELECT VERSION()");
    EXPECT_EQ(eng().version(), sql::parse_version_word(text).value());
    EXPECT_GE(eng().version(), 0x0A0000u) << text;
    EXPECT_EQ(eng().use_innodb(), 1);
    MYSQL* h = eng().connection().handle();
    ASSERT_EQ(mysql_query(h, "SELECT @@SESSION.sql_mode, @@character_set_client, @@character_set_connection"), 0);
    MYSQL_RES* res = mysql_store_result(h);
    ASSERT_NE(res, nullptr);
    MYSQL_ROW row = mysql_fetch_row(res);
    std::string mode = row[0], client_cs = row[1], conn_cs = row[2];
    mysql_free_result(res);
    EXPECT_EQ(mode.find("ANSI_QUOTES"), std::string::npos) << mode;
    EXPECT_EQ(mode.find("NO_BACKSLASH_ESCAPES"), std::string::npos) << mode;
    EXPECT_EQ(client_cs, "utf8mb4");
    EXPECT_EQ(conn_cs, "utf8mb4");
}

TEST_F(SqlServer, CreateOpenTestAndDropDatabases) {
    connect();
    wstring name = compat::utf8_to_utf16(db + "`x");
    EXPECT_FALSE(eng().is_db_exist(name));
    auto created = eng().create_db(name);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->get_mode(), udb_open_mode::created);
    EXPECT_TRUE(eng().is_db_exist(name));
    EXPECT_NE(eng().open_db(name, udb_open_mode::append), nullptr);
    EXPECT_THROW(eng().create_db(name), sql_exception);
    eng().db_delete(name);
    EXPECT_FALSE(eng().is_db_exist(name));
    try {
        eng().open_db(name, udb_open_mode::append);
        FAIL() << "no exception";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.code(), 0x400000 | 1049);
    }
    EXPECT_THROW(eng().db_delete(name), sql_exception);
}

namespace {

struct awkward_row {
    wstring text;
    std::vector<uint8_t> bytes;
    const char* decimal;  // as written, nullptr = NULL
    const char* decimal_back;
};

std::vector<uint8_t> every_byte() {
    std::vector<uint8_t> v(256);
    for (int i = 0; i < 256; ++i) v[i] = uint8_t(i);
    return v;
}

}  // namespace

TEST_F(SqlServer, DumpOfAwkwardValuesLoadsWithTheStockClient) {
    const std::vector<awkward_row> rows = {
        {u"O'Brien", every_byte(), "12345678901234567.0123456789", "12345678901234567.0123456789"},
        {u"back\\slash\\", {0x5C, 0x27, 0x22}, "-0.5", "-0.5000000000"},
        {wstring(u"nul\0inside", 10), {0x00}, ".5", "0.5000000000"},
        {u"cr\rlf\ncrlf\r\n", {0x0D, 0x0A}, "0", "0.0000000000"},
        {u"ctrl-z\x1A", {0x1A, 0xFF, 0xFE}, "99999999999999999999999999", "99999999999999999999999999.0000000000"},
        {u"accents \u00e9\u00e0\u00fc\u00df", {}, "1", "1.0000000000"},
        {u"CJK \u6F22\u5B57 \U00020BB7", {0xE3, 0x5C}, "2", "2.0000000000"},
        {u"emoji \U0001F600\U0001F680", {0xF0, 0x9F}, "3", "3.0000000000"},
        {u"\"dq\" `bq` ; -- /* c */ #", {0x3B}, "4", "4.0000000000"},
        {u"', 1); DROP TABLE t; --", {0x27}, "5", "5.0000000000"},
    };
    auto s =
        schema({column(u"id", VT_I4, 0, true), column(u"txt", VT_BSTR, 200), column(u"big", VT_BSTR, 5000),
                column(u"bin", VT_BLOB, 0), column(u"num", VT_DECIMAL, 0, false, false, ole_variant(), (38 << 8) | 10),
                column(u"dt", VT_DATE, 0, false, false, ole_variant(), 1),
                column(u"d", VT_DATE, 0, false, false, ole_variant(), 2),
                column(u"tm", VT_DATE, 0, false, false, ole_variant(), 3), column(u"r", VT_R8)});
    udb_indexes keys;
    keys.push_back(index(u"pk", true, true, {u"id"}));
    keys.push_back(index(u"itxt", false, false, {u"txt"}));

    fs::path file = home / (db + ".sql");
    for (bool innodb : {false, true}) {
        eng().set_use_innodb(innodb ? 1 : 0);
        {
            dmp_options o;
            o.create_database = true;
            dmp_database dump(compat::utf8_to_utf16(file.string()), o);
            auto rs = dump.create_table(u"t", *s, keys);
            int id = 0;
            for (const auto& r : rows) {
                ++id;
                rs->append_record(*record({
                    field(u"id", id),
                    field(u"txt", r.text),
                    field(u"big", r.text + r.text),
                    field(u"bin", ole_variant(r.bytes)),
                    field(u"num", ole_variant::from_string(r.decimal, VT_DECIMAL)),
                    field(u"dt", ole_variant::from_string("2004-05-06 10:11:12", VT_DATE)),
                    field(u"d", ole_variant::from_string("2004-05-06", VT_DATE)),
                    field(u"tm", ole_variant::from_string("10:11:12", VT_DATE)),
                    field(u"r", 1.5),
                }));
            }
            rs->append_record(
                *record({field(u"id", 99), field(u"txt", ole_variant()), field(u"big", ole_variant()),
                         field(u"bin", ole_variant()), field(u"num", ole_variant()), field(u"dt", ole_variant()),
                         field(u"d", ole_variant()), field(u"tm", ole_variant()), field(u"r", ole_variant())}));
            static_cast<dmp_recordset&>(*rs).flush();
            dump.close();
        }
        std::string cmd =
            "/usr/bin/mariadb --no-defaults --default-character-set=latin1 "
            "--init-command=\"SET SESSION sql_mode='NO_BACKSLASH_ESCAPES,ANSI_QUOTES'\" "
            "--protocol=tcp -h127.0.0.1 -P" +
            std::to_string(sandbox_port()) + " -uroot < '" + file.string() + "' 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

        auto back = client.rows(
            "SELECT id, HEX(txt), HEX(big), HEX(bin), CAST(num AS CHAR), "
            "CAST(dt AS CHAR), CAST(d AS CHAR), CAST(tm AS CHAR), CAST(r AS CHAR), "
            "ENGINE FROM `" +
            db +
            "`.t JOIN information_schema.tables "
            "ON table_schema = '" +
            db + "' AND table_name = 't' ORDER BY id");
        ASSERT_EQ(back.size(), rows.size() + 1);
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto& r = rows[i];
            const auto& b = back[i];
            std::string text = compat::utf16_to_utf8(r.text);
            SCOPED_TRACE("row " + std::to_string(i + 1));
            EXPECT_EQ(b[0], std::to_string(i + 1));
            EXPECT_EQ(b[1], hex(text));
            EXPECT_EQ(b[2], hex(text + text));
            EXPECT_EQ(b[3], hex(std::string(r.bytes.begin(), r.bytes.end())));
            EXPECT_EQ(b[4], r.decimal_back);
            EXPECT_EQ(b[5], "2004-05-06 10:11:12");
            EXPECT_EQ(b[6], "2004-05-06");
            EXPECT_EQ(b[7], "10:11:12");
            EXPECT_EQ(b[8], "1.5");
            EXPECT_EQ(b[9], innodb ? "InnoDB" : "MyISAM");
        }
        const auto& nulls = back.back();
        EXPECT_EQ(nulls[0], "99");
        for (size_t c = 1; c <= 8; ++c) EXPECT_EQ(nulls[c], std::nullopt) << c;
    }
}
