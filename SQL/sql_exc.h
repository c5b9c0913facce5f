// The MySQL errors: a statement or connection refused by the server, and a server asking
// for an authentication protocol the program cannot speak.
#pragma once

#include <string>

#include "TK/tk_excep.h"
#include "UDB/udb_rec_exc.h"

namespace sql {
class sql_connection;
}

class sql_exception : public tk_exception {
public:
    // The MySQL side's error codes: 0x400000 plus the low 16 bits of the MySQL error.
    static constexpr int code_base = 0x400000;
    static int code_of(unsigned mysql_errno) { return code_base | int(mysql_errno & 0xFFFF); }

    // The MySQL errors the program acts on, asked by code, so that any exception's code may
    // be asked (only this class's codes carry code_base).
    // The server has gone away or the connection was lost during a statement: nothing more
    // can be sent on that connection.
    static bool is_connection_lost(int code);
    // The cause is the table or the connection, not the record: privileges denied, the
    // table or database gone, a read-only or full table, a server going down. Every later
    // record of the table would fail the same way (a lost connection included).
    static bool ends_table(int code);
    // A row with the same key is there already.
    static bool is_duplicate_key(int code);
    // The server asks for an authentication protocol the program cannot speak.
    static bool is_auth_protocol_refused(int code);

    // What this error costs the record whose statement the server refused: the table (see
    // ends_table), a duplicate key, or that record alone.
    udb_lost_record::cause cause() const;

    // The error the server gives for a statement over its max_allowed_packet, raised before
    // such a statement is sent.
    static sql_exception packet_too_large();

    // Reads the last error of the connection.
    explicit sql_exception(sql::sql_connection& connection);
    sql_exception(const std::string& message, unsigned mysql_errno);
};

class sql_auth_not_supported_exception : public tk_exception {
public:
    sql_auth_not_supported_exception();
};
