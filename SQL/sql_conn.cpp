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

std::string sql_connection::error_text() {
    const char* e = mysql_error(handle_.get());
    return e ? e : "";
}

}  // namespace sql
