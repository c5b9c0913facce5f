// A table's source records read on a thread of their own, ahead of the record loop that
// writes them, into a bounded queue (qrn_record_queue): reading and writing overlap instead
// of taking turns. The loop sees what it saw when it read the recordset itself: the same
// records in the same order, a record whose reading failed raising where that record is
// taken, an error that ended the reading raising at the step that meets it.
//
// The recordset, and the database client behind it, belong to the reader thread from the
// constructor until the destructor returns: the destructor stops the reader and waits for
// it, so the table can close and the next one open. Nothing else may use that client
// meanwhile. The reader's trace lines are written by the loop, each where it would have
// written it reading the recordset itself, so the trace reads as before.
#pragma once

#include <memory>
#include <thread>

#include "UDB/udb_db.h"
#include "app/qrn_recq.h"

class qrn_read_ahead {
public:
    // Up to 1024 records or 4 MiB read and not yet done with.
    static constexpr qrn_record_queue::limits default_limits{1024, 4u << 20};

    explicit qrn_read_ahead(udb_recordset& source, qrn_record_queue::limits limits = default_limits);
    ~qrn_read_ahead();
    qrn_read_ahead(const qrn_read_ahead&) = delete;
    qrn_read_ahead& operator=(const qrn_read_ahead&) = delete;

    // Moves to the next record (the one before goes back for reuse); false at the end of
    // the rows. What ended the reading early (finding the next row, or moving past the one
    // before) raises here, once.
    bool next();
    // The record next moved to, the loop's until the next call of next; null when the
    // recordset gave none. What reading it raised raises here instead.
    udb_record* record();

private:
    // The reader thread's body.
    void read_all();
    // Reads the next record of the recordset; its trace lines wait in the entry.
    qrn_read_entry read_one();
    // The values of the recordset's current record, in a record of the reader's own.
    std::unique_ptr<udb_record> take_values(udb_record& row);

    udb_recordset& source_;
    qrn_record_queue queue_;
    // The reader's records to reuse.
    qrn_record_queue::records spares_;
    // The loop's side: the batch being worked through, the records done with.
    qrn_record_queue::entries batch_;
    size_t at_ = 0;
    qrn_read_entry current_;
    qrn_record_queue::records done_;
    size_t done_count_ = 0;
    size_t done_bytes_ = 0;
    bool ended_ = false;
    // Not started when the system has no thread to give: the loop then reads in turn.
    std::thread thread_;
};
