#include "SQL/sql_exc.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include "SQL/sql_conn.h"
#include "TK/tk_trace.h"

namespace {

// The numbers under which the server asks for an authentication protocol the program cannot
// speak. The installed mysqld_error.h names other errors with them, so no macro is used.
constexpr unsigned auth_protocol_errors[] = {1249, 1250};

// The errors whose cause is the table, the database, the account or the server rather than
// the values of one record.
constexpr unsigned table_ending_errors[] = {
    ER_TABLEACCESS_DENIED_ERROR,               // 1142: INSERT command denied
    ER_COLUMNACCESS_DENIED_ERROR,              // 1143
    ER_DBACCESS_DENIED_ERROR,                  // 1044
    ER_ACCESS_DENIED_ERROR,                    // 1045
    ER_SPECIFIC_ACCESS_DENIED_ERROR,           // 1227
    ER_NO_SUCH_TABLE,                          // 1146: the table was dropped under the run
    ER_UNKNOWN_TABLE,                          // 1109
    ER_NO_SUCH_TABLE_IN_ENGINE,                // 1932
    ER_BAD_DB_ERROR,                           // 1049
    ER_BAD_FIELD_ERROR,                        // 1054: a column is gone
    ER_OPEN_AS_READONLY,                       // 1036
    ER_RECORD_FILE_FULL,                       // 1114: the table is full
    ER_DISK_FULL,                              // 1021
    ER_CRASHED_ON_USAGE,                       // 1194
    ER_CRASHED_ON_REPAIR,                      // 1195
    ER_TABLE_NOT_LOCKED_FOR_WRITE,             // 1099
    ER_TABLE_NOT_LOCKED,                       // 1100
    ER_OPTION_PREVENTS_STATEMENT,              // 1290: a read-only server
    ER_CANT_UPDATE_WITH_READLOCK,              // 1223
    ER_CANT_EXECUTE_IN_READ_ONLY_TRANSACTION,  // 1792
    ER_USER_LIMIT_REACHED,                     // 1226
    ER_MUST_CHANGE_PASSWORD,                   // 1820
    ER_OUT_OF_RESOURCES,                       // 1041
    ER_SERVER_SHUTDOWN,                        // 1053
    ER_CONNECTION_KILLED,                      // 1927
    CR_COMMANDS_OUT_OF_SYNC,                   // 2014
};

}  // namespace

bool sql_exception::ends_table(int code) {
    if (is_connection_lost(code)) return true;
    for (unsigned number : table_ending_errors)
        if (code == code_of(number)) return true;
    return false;
}

bool sql_exception::is_connection_lost(int code) {
    return code == code_of(CR_SERVER_GONE_ERROR) || code == code_of(CR_SERVER_LOST);
}

bool sql_exception::is_duplicate_key(int code) { return code == code_of(ER_DUP_ENTRY); }

bool sql_exception::is_auth_protocol_refused(int code) {
    for (unsigned number : auth_protocol_errors)
        if (code == code_of(number)) return true;
    return false;
}

udb_lost_record::cause sql_exception::cause() const {
    if (ends_table(code())) return udb_lost_record::cause::table;
    if (is_duplicate_key(code())) return udb_lost_record::cause::duplicate_key;
    return udb_lost_record::cause::record;
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

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(
          "The program does not support authentication protocol requested by server. See "
          "'Troubleshooting' article of the product documentation.",
          0, 1) {}
