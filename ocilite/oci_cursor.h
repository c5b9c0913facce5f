// The server side of an executed query: the prepared SQLite statement that produces its
// rows, and the client's view of how many of them have already crossed the (simulated)
// network, which decides whether a fetch costs a round trip.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace ocilite {

// What a select-list item holds, as far as fetch conversions care.
enum class source_kind {
    text,        // VARCHAR2, NVARCHAR2, CHAR, NCHAR, ROWID: '' reads as NULL
    long_text,   // LONG
    number,      // NUMBER, FLOAT, INTEGER
    binary_num,  // BINARY_FLOAT, BINARY_DOUBLE
    date,        // DATE
    timestamp,   // TIMESTAMP, and the kinds with time zones
    interval,    // INTERVAL kinds, held as Oracle prints them
    raw,         // RAW
    long_raw,    // LONG RAW
    clob,        // CLOB, NCLOB
    blob,        // BLOB
    bfile,       // BFILE, a file name
};

source_kind kind_of_type(int oracle_type_code);

class cursor {
public:
    cursor() = default;
    ~cursor();
    cursor(const cursor&) = delete;
    cursor& operator=(const cursor&) = delete;

    // Prepares sql on db (kept for repeated executions); false with SQLite's text on error.
    bool prepare(sqlite3* db, const std::string& sql, std::string& error);
    void close();
    bool is_open() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }

    // A new execution: back to the first row; `delivered` rows came back with it.
    void restart(uint64_t delivered);
    // Accounting of rows that have reached the client.
    bool needs_round_trip() const { return credit_ == 0 && !end_known_; }
    bool exhausted() const { return credit_ == 0 && end_known_; }
    void delivered(uint64_t rows) { credit_ = rows; }
    // Steps to the next row: SQLITE_ROW, SQLITE_DONE or an error code.
    int step();

private:
    sqlite3_stmt* stmt_ = nullptr;
    uint64_t credit_ = 0;     // rows already on the client, not yet handed out
    bool end_known_ = false;  // the last delivery came back short: no more rows
};

}  // namespace ocilite
