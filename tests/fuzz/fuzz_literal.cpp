// The dump's literal writer on arbitrary values (the first byte picks the road): every
// literal is exactly one token; byte arrays and texts give back their bytes. With
// MG_MYSQL_PORT set, each byte-array and text literal also goes through the server
// (SELECT HEX(...)) and must come back as the same bytes without a warning; with
// MG_REQUIRE_SANDBOX=1 and no MG_MYSQL_PORT the target fails.
#include <mysql.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SQL/sql_util.h"
#include "UDB/udb_sche.h"
#include "compat/text/text.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/mysql_literal.h"
#include "tests/support/sandbox.h"
#include "values/ole_var.h"

namespace {

constexpr VARTYPE scalar_types[] = {VT_I1, VT_UI1, VT_I2, VT_I4,      VT_UI4,  VT_I8,   VT_UI8,
                                    VT_R4, VT_R8,  VT_CY, VT_DECIMAL, VT_DATE, VT_BOOL, VT_BLOB};

std::string hex_of(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// One connection for the whole run, or none without a sandbox.
class server_check {
public:
    server_check() {
        const unsigned port = test_support::sandbox_port();
        if (port == 0) {
            if (test_support::sandbox_required()) mg_fuzz::fail("server connection", test_support::no_sandbox);
            return;
        }
        mysql_ = mysql_init(nullptr);
        if (!mysql_real_connect(mysql_, "127.0.0.1", "root", "", nullptr, port, nullptr, 0) ||
            mysql_set_character_set(mysql_, "utf8mb4") != 0)
            mg_fuzz::fail("server connection", mysql_error(mysql_));
    }
    ~server_check() {
        if (mysql_) mysql_close(mysql_);
    }
    server_check(const server_check&) = delete;
    server_check& operator=(const server_check&) = delete;

    void expect(const std::string& literal, const std::string& bytes) {
        if (!mysql_) return;
        const std::string sql = "SELECT HEX(" + literal + ")";
        if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
            mg_fuzz::fail("server refused the literal", literal + ": " + mysql_error(mysql_));
        MYSQL_RES* res = mysql_store_result(mysql_);
        MYSQL_ROW row = res ? mysql_fetch_row(res) : nullptr;
        const std::string got = row && row[0] ? row[0] : "<null>";
        if (res) mysql_free_result(res);
        MG_FUZZ_CHECK(got == hex_of(bytes), literal + " gave " + got);
        MG_FUZZ_CHECK(mysql_warning_count(mysql_) == 0, literal);
    }

private:
    MYSQL* mysql_ = nullptr;
};

server_check& server() {
    static server_check s;
    return s;
}

mg_fuzz::literal_value one_token(const std::string& literal) {
    auto v = mg_fuzz::read_mysql_literal(literal);
    if (!v) mg_fuzz::fail("not one literal token", literal);
    return *v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned road = data[0];
    const std::string raw(reinterpret_cast<const char*>(data + 1), size - 1);
    // Text reaches the writer as UTF-16 from the reader, so it is always well formed.
    const compat::wstring wide = compat::utf8_to_utf16(raw);
    const std::string text = compat::utf16_to_utf8(wide);

    switch (road % 4) {
        case 0: {  // a byte array (RAW, LONG RAW, BLOB)
            const std::vector<uint8_t> bytes(raw.begin(), raw.end());
            const std::string lit = to_mysql_str(ole_variant(bytes));
            auto v = one_token(lit);
            MG_FUZZ_CHECK(!v.is_null && !v.is_number && v.bytes == raw, lit);
            server().expect(lit, raw);
            break;
        }
        case 1: {  // a text cell as the INSERT writer puts it
            const udb_field field(u"c", 0, ole_variant(wide));
            const t_ftd column(0, u"c", VT_BSTR, false, false);
            const std::string lit = get_fld_append_str(field, column);
            auto v = one_token(lit);
            MG_FUZZ_CHECK(!v.is_null && !v.is_number && v.bytes == text, lit);
            server().expect(lit, text);
            break;
        }
        case 2: {  // the text form of a scalar type: one token whatever the text
            const VARTYPE type = scalar_types[(road / 4) % std::size(scalar_types)];
            (void)one_token(to_mysql_str(text, type));
            break;
        }
        case 3: {  // a DEFAULT text
            const VARTYPE type = scalar_types[(road / 4) % std::size(scalar_types)];
            if (type == VT_BLOB) break;
            const t_ftd column(0, u"c", type, false, false, ole_variant(wide));
            const std::string def = compat::utf16_to_utf8(make_mysql_def_val(column));
            if (!def.empty()) (void)one_token(def);
            break;
        }
    }
    return 0;
}
