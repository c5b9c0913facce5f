// One MySQL client-library connection handle, owned: initialised with the system's client
// options on construction, closed on destruction (also when it never connected), and
// initialised afresh when a closed handle is used again.
#pragma once

#include <mysql.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "compat/text/text.h"

namespace sql {

class sql_connection {
public:
    // The option-file group read at connect, beside the client groups.
    static constexpr const char* option_group = "QZ MySQL Lib";
    static constexpr unsigned connect_timeout_s = 10;

    sql_connection();
    sql_connection(const sql_connection&) = delete;
    sql_connection& operator=(const sql_connection&) = delete;

    // Closes the handle and initialises a fresh one with the same options.
    void reset();
    // mysql_real_connect without a database or socket; false on failure (the handle keeps
    // the error). Without a password the client's option files supply one.
    bool connect(const std::string& host, const std::string& user, const std::optional<std::string>& password,
                 unsigned port);
    // The statement with its length, so a NUL byte cannot cut it; 0 = accepted.
    int query(std::string_view statement);
    int select_db(const std::string& name);
    bool set_character_set(const char* charset);
    // The server's version text, or null.
    const char* server_info();

    // Whether the session escapes with backslashes: false while the server reports
    // NO_BACKSLASH_ESCAPES (as of the last statement's reply).
    bool backslash_escapes() const;

    unsigned error_number();
    std::string error_text();
    MYSQL* handle() { return handle_.get(); }

private:
    struct closer {
        void operator()(MYSQL* h) const { mysql_close(h); }
    };
    void init();

    std::unique_ptr<MYSQL, closer> handle_;
};

}  // namespace sql
