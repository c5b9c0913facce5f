// One table of the live destination database opened for writing: its columns, defaults,
// indexes and keys are read from the server; records are written as multi-row INSERTs of
// about 1,000,000 bytes (fast mode), each sent on a thread of its own while the next is
// written, or one INSERT each, and updated by their key.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_batch.h"
#include "SQL/sql_colmap.h"
#include "SQL/sql_recs.h"
#include "SQL/sql_send.h"
#include "SQL/sql_valw.h"

class sql_table : public sql_recordset, private sql_statement_sink {
public:
    // A batch is sent once its text grows past this many bytes.
    static constexpr size_t batch_bytes = 1000000;

    sql_table(sql_database& db, const compat::wstring& name, udb_relationships& relationships);
    // Sends what is still buffered; a failure there can only be logged, so owners call
    // flush first to learn of it.
    ~sql_table() override;

    // A refused row raises udb_record_exception; a refused batch raises it naming only the
    // rows that fail on their own (the others arrive). A refusal whose cause is the table
    // (sql_exception::ends_table) raises sql_exception.
    void append_record(const udb_record& record) override;
    // UPDATE of the row with the record's whole primary or unique key. A record whose key
    // matches no row, or that the server refuses, raises udb_record_exception; a table
    // without such a key, or a record that lacks part of it, is left alone.
    void update(const udb_record& record) override;
    // Sends the buffered rows now (as append_record does when a batch is full) and waits
    // for them.
    void flush() override;
    // A full batch is sent while the next is written: this waits for the one being sent,
    // raising what appending raises for it. Flushing, updating and closing wait as well.
    void settle() override;
    void skip_record() override { ++received_; }

    // Number of rows waiting in the buffer, and its size in bytes.
    size_t pending_rows() const { return batch_.pending_rows(); }
    size_t pending_bytes() const { return batch_.pending_bytes(); }

private:
    void initialize();
    void read_columns();
    void read_indexes();
    void read_foreign_keys();
    const sql_column_map& map_for(const udb_record& record);
    [[noreturn]] void structure_error(const sql_column_map& map) const;
    void fast_append(const udb_record& record);
    void slow_append(const udb_record& record);
    void update_row(const udb_record& record);
    void send_statement(const std::string& statement) override;

    sql::escaped_value_writer values_;
    std::unique_ptr<sql_column_map> map_;
    std::string quoted_name_;
    sql_insert_batcher batch_;
    // Sends batch_'s statements; declared after it, so that it has ended first.
    sql::statement_sender sender_;
    int received_ = 0;  // records handed to append_record or skipped
};
