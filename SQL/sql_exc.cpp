#include "SQL/sql_exc.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include "SQL/sql_conn.h"
#include "SQL/sql_engi.h"
#include "TK/tk_trace.h"

namespace {

// The numbers under which the server asks for an authentication protocol the program cannot
// speak. The installed mysqld_error.h names other errors with them, so no macro is used.
constexpr unsigned auth_protocol_errors[] = {1249, 1250};

}  // namespace

bool sql_exception::is_connection_lost(int code) {
    return code == code_of(CR_SERVER_GONE_ERROR) || code == code_of(CR_SERVER_LOST);
}

bool sql_exception::is_duplicate_key(int code) { return code == code_of(ER_DUP_ENTRY); }

bool sql_exception::is_auth_protocol_refused(int code) {
    for (unsigned number : auth_protocol_errors)
        if (code == code_of(number)) return true;
    return false;
}

sql_exception sql_exception::packet_too_large() {
    return sql_exception("Got a packet bigger than 'max_allowed_packet' bytes", ER_NET_PACKET_TOO_LARGE);
}

sql_exception::sql_exception(const std::string& message, unsigned mysql_errno)
    : tk_exception(message, code_of(mysql_errno), 0) {
    tk_log::log(2, "sql_exception::sql_exception( msg=%s)", message);
    tk_log::log(2, "Got MySQL error code=%d", code());
}

sql_exception::sql_exception(sql::sql_connection& c) : sql_exception(c.error_text(), c.error_number()) {}

sql_exception::sql_exception() : sql_exception(sql_engine::instance().connection()) {}

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(
          "The program does not support authentication protocol requested by server. See "
          "'Troubleshooting' article of the product documentation.",
          0, 1) {}
