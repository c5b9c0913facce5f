#include "app/qrn_ahead.h"

#include <pthread.h>

#include <csignal>
#include <system_error>
#include <utility>

#include "TK/tk_sigblk.h"
#include "TK/tk_trace.h"

namespace {

// A copy of the record's fields without their values.
std::unique_ptr<udb_record> empty_like(const udb_record& row) {
    auto record = std::make_unique<udb_record>();
    for (const auto& f : row)
        record->push_back(std::make_unique<udb_field>(f->name, f->size, ole_variant(), f->flag1, f->flag2));
    return record;
}

}  // namespace

qrn_read_ahead::qrn_read_ahead(udb_recordset& source, qrn_record_queue::limits limits)
    : source_(source), queue_(limits) {
    try {
        const tk_signals_blocked while_starting;
        thread_ = std::thread([this] { read_all(); });
    } catch (const std::system_error& e) {
        tk_log::log(2, "No reader thread (%s): the records are read in turn", e.what());
    }
}

qrn_read_ahead::~qrn_read_ahead() {
    queue_.stop();
    if (thread_.joinable()) thread_.join();
}

void qrn_read_ahead::read_all() {
    qrn_record_queue::entries batch;
    size_t bytes = 0;
    for (;;) {
        qrn_read_entry entry = read_one();
        const bool last = entry.end || entry.past_error;
        bytes += entry.bytes;
        batch.push_back(std::move(entry));
        if (last || queue_.batch_full(batch.size(), bytes)) {
            if (!queue_.push(batch, spares_) || last) return;
            bytes = 0;
        }
    }
}

qrn_read_entry qrn_read_ahead::read_one() {
    qrn_read_entry entry;
    tk_log::held_lines* before = tk_log::hold_lines(&entry.log_find);
    try {
        if (source_.is_eof()) {
            entry.end = true;
        } else {
            tk_log::hold_lines(&entry.log_values);
            try {
                if (udb_record* row = source_.get_item()) entry.record = take_values(*row);
            } catch (...) {
                entry.error = std::current_exception();
            }
            tk_log::hold_lines(&entry.log_past);
            try {
                source_.next();
            } catch (...) {
                entry.past_error = std::current_exception();
            }
        }
    } catch (...) {
        entry.end = true;
        entry.error = std::current_exception();
    }
    tk_log::hold_lines(before);
    if (entry.record) entry.bytes = qrn_record_queue::bytes_of(*entry.record);
    return entry;
}

std::unique_ptr<udb_record> qrn_read_ahead::take_values(udb_record& row) {
    std::unique_ptr<udb_record> record;
    const bool refills = source_.refills_item();
    if (!spares_.empty()) {
        record = std::move(spares_.back());
        spares_.pop_back();
    }
    if (!record || record->size() != row.size()) record = empty_like(row);
    for (size_t k = 0; k < row.size(); ++k) {
        ole_variant& from = *row.at(k);
        ole_variant& to = *record->at(k);
        if (refills)
            from.swap(to);
        else
            to = from;
    }
    return record;
}

bool qrn_read_ahead::next() {
    if (ended_) return false;
    // The loop moves past the record before: what that logged and raised comes now.
    tk_log::write_held(current_.log_past);
    if (current_.past_error) {
        ended_ = true;
        std::rethrow_exception(std::exchange(current_.past_error, nullptr));
    }
    if (!thread_.joinable()) {
        if (current_.record) spares_.push_back(std::move(current_.record));
        current_ = read_one();
    } else {
        if (at_ > 0) {
            // The entry before is done with: it goes back with the next take.
            ++done_count_;
            done_bytes_ += current_.bytes;
            if (current_.record) {
                queue_.empty_if_large(*current_.record);
                done_.push_back(std::move(current_.record));
            }
        }
        if (at_ == batch_.size()) {
            queue_.take(batch_, done_, done_count_, done_bytes_);
            at_ = 0;
            done_count_ = 0;
            done_bytes_ = 0;
        }
        TK_CHECK(at_ < batch_.size());  // a take gives at least one entry
        current_ = std::move(batch_[at_++]);
    }
    tk_log::write_held(current_.log_find);
    if (current_.end) {
        ended_ = true;
        if (current_.error) std::rethrow_exception(std::exchange(current_.error, nullptr));
        return false;
    }
    return true;
}

udb_record* qrn_read_ahead::record() {
    tk_log::write_held(current_.log_values);
    if (current_.error) std::rethrow_exception(std::exchange(current_.error, nullptr));
    return current_.record.get();
}
