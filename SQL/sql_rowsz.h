// How long a row of a table may be, as the server reckons it when it creates the table:
// no row may pass 65,535 bytes, where a TEXT or BLOB column counts only its length and
// pointer; and an InnoDB row must fit in half a page (8,126 bytes of a 16 KB page), where
// a column of more than 255 bytes may leave all but a 20-byte pointer outside the row
// (DYNAMIC rows; the older COMPACT rows keep 768 bytes of it in the row).
#pragma once

#include <vector>

#include "SQL/sql_target.h"

namespace sql {

// What one column takes of a row at most.
struct row_column {
    enum class kind {
        fixed,    // numbers, dates, CHAR: always its bytes
        varying,  // VARCHAR, VARBINARY: its bytes and their length
        outside,  // TEXT, BLOB: its length and a pointer in the row
    };
    kind shape = kind::fixed;
    int bytes = 0;         // fixed, varying: the most its value takes
    int length_bytes = 0;  // outside: the bytes of its length (1 TINY, 2, 3 MEDIUM, 4 LONG)
    bool nullable = true;
};

class row_limits {
public:
    // The limits of the engine that the table is created with, on the server in force or
    // for the servers that load a dump.
    explicit row_limits(sql_target target);

    // The row as the server counts it against its 65,535 bytes.
    static int server_bytes(const std::vector<row_column>& row);
    static constexpr int server_limit = 65535;
    // The row as InnoDB counts it; has_primary: the table has a primary key (else InnoDB
    // adds a row id of its own).
    int engine_bytes(const std::vector<row_column>& row, bool has_primary) const;
    // The bytes that InnoDB refuses a row of (the row must stay below), 0 for an engine
    // without a limit of its own (MyISAM).
    int engine_limit() const { return engine_limit_; }

    // What a column of the row would save, in each count, as TEXT instead.
    static int server_saving_as_text(const row_column& column);
    int engine_saving_as_text(const row_column& column) const;

private:
    int in_row(const row_column& column) const;

    int engine_limit_ = 0;
    bool dynamic_ = true;
};

}  // namespace sql
