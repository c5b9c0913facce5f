// The records of one table on their way from the thread that reads them ahead to the record
// loop: in the order they were read, each with the exception its reading raised. The
// records read and not yet given back by the loop are bounded by a count and by their
// bytes, so that memory stays flat however long the table and however large its rows.
// Records go over in batches, and come back for reuse the same way: one lock and at most
// one wake-up per batch, not per record.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "TK/tk_log.h"
#include "UDB/udb_sche.h"

// One record read, or the end of the rows.
struct qrn_read_entry {
    // Null when the recordset gave no record, or when reading it raised.
    std::unique_ptr<udb_record> record;
    // What reading this record raised; at the end, what ended the reading (null when the
    // rows simply ended).
    std::exception_ptr error;
    // What moving past this record raised: the reading ended there, after the record.
    std::exception_ptr past_error;
    // The reader's trace lines of this record, each part written where the loop, reading
    // in turn, would have written it: those of finding the row where the loop moves to it,
    // those of reading its values where the loop takes the record, and those of moving past
    // it where the loop moves on to the next.
    tk_log::held_lines log_find;
    tk_log::held_lines log_values;
    tk_log::held_lines log_past;
    size_t bytes = 0;
    bool end = false;
};

class qrn_record_queue {
public:
    struct limits {
        size_t records;
        size_t bytes;
    };
    using entries = std::vector<qrn_read_entry>;
    using records = std::vector<std::unique_ptr<udb_record>>;

    explicit qrn_record_queue(limits bounds);
    qrn_record_queue(const qrn_record_queue&) = delete;
    qrn_record_queue& operator=(const qrn_record_queue&) = delete;

    const limits& bounds() const { return bounds_; }

    // ---- the reader's side
    // A batch of this many entries and bytes is handed over: an eighth of the bounds.
    bool batch_full(size_t count, size_t bytes) const;
    // Hands the batch over (it is left empty), first waiting while the entries read and not
    // given back would pass the bounds with it; a batch alone passes. The records the loop
    // gave back are added to spares. False once stopped: the batch is dropped.
    bool push(entries& batch, records& spares);
    bool stopped() const;

    // ---- the loop's side
    // Gives back `done`, the records of `done_count` entries of `done_bytes` (emptied), and
    // replaces batch with the next entries in order, at most a quarter of the count bound,
    // waiting while none is there. Once stopped with nothing left, an end entry.
    void take(entries& batch, records& done, size_t done_count, size_t done_bytes);
    // The waits end and the reader's pushes fail from now on.
    void stop();

    // The bytes a record counts for: its fields and what their values hold.
    static size_t bytes_of(const udb_record& record);
    // A record given back without the values that would make it hold more than its share
    // of the bytes bound while it waits for reuse.
    void empty_if_large(udb_record& record) const;

private:
    bool has_room(size_t count, size_t bytes) const;

    const limits bounds_;
    mutable std::mutex mutex_;
    std::condition_variable loop_wake_;
    std::condition_variable reader_wake_;
    std::deque<qrn_read_entry> queued_;
    records spare_;
    // Entries handed over and not given back yet, and their bytes.
    size_t out_count_ = 0;
    size_t out_bytes_ = 0;
    bool stopped_ = false;
    bool loop_waits_ = false;
    bool reader_waits_ = false;
};
