#include "SQL/sql_conn.h"

#include <algorithm>
#include <new>

#include "SQL/sql_esc.h"

namespace sql {

sql_connection::sql_connection() { init(); }

void sql_connection::init() {
    handle_.reset(mysql_init(nullptr));
    if (!handle_) throw std::bad_alloc();
    mysql_options(handle_.get(), MYSQL_READ_DEFAULT_GROUP, option_group);
    unsigned timeout = connect_timeout_s;
    mysql_options(handle_.get(), MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
}

void sql_connection::reset() {
    handle_.reset();
    init();
}

bool sql_connection::connect(const std::string& host, const std::string& user,
                             const std::optional<std::string>& password, unsigned port) {
    const char* pw = password ? password->c_str() : nullptr;
    return mysql_real_connect(handle_.get(), host.c_str(), user.c_str(), pw, nullptr, port, nullptr, 0) != nullptr;
}

int sql_connection::query(std::string_view statement) {
    return mysql_real_query(handle_.get(), statement.data(), statement.size());
}

int sql_connection::select_db(const std::string& name) { return mysql_select_db(handle_.get(), name.c_str()); }

bool sql_connection::set_character_set(const char* charset) {
    return mysql_set_character_set(handle_.get(), charset) == 0;
}

const char* sql_connection::server_info() { return mysql_get_server_info(handle_.get()); }

unsigned sql_connection::error_number() { return mysql_errno(handle_.get()); }

bool sql_connection::backslash_escapes() const {
    return (handle_->server_status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) == 0;
}

namespace {
// mysql_real_escape_string wants room for twice its input and a terminator: a value goes in
// pieces, so that this room stays small however large the value is.
constexpr size_t escape_piece = size_t{64} * 1024;

bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

void sql_connection::append_escaped(std::string& out, std::string_view bytes) {
    // The connection runs utf8mb4 (or utf8), where no byte of a multi-byte character is
    // ASCII: there the library's backslash escaping is exactly the program's own.
    if (backslash_escapes()) {
        sql::append_escaped(out, bytes);
        return;
    }
    for (size_t at = 0; at < bytes.size(); at += escape_piece) {
        const size_t n = std::min(escape_piece, bytes.size() - at);
        const size_t end = out.size();
        out.resize(end + 2 * n + 1);
        const unsigned long written = mysql_real_escape_string(handle_.get(), out.data() + end, bytes.data() + at, n);
        out.resize(end + written);
    }
}

void sql_connection::append_escaped(std::string& out, compat::wstring_view text) {
    if (backslash_escapes()) {
        sql::append_escaped_utf8(out, text);
        return;
    }
    std::string piece;
    for (size_t at = 0; at < text.size();) {
        size_t n = std::min(escape_piece, text.size() - at);
        if (at + n < text.size() && is_high_surrogate(text[at + n - 1])) ++n;  // a pair stays whole
        piece = compat::utf16_to_utf8(text.substr(at, n));
        append_escaped(out, std::string_view(piece));
        at += n;
    }
}

std::string sql_connection::error_text() {
    const char* e = mysql_error(handle_.get());
    return e ? e : "";
}

}  // namespace sql
