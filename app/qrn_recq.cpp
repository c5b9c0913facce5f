#include "app/qrn_recq.h"

#include <algorithm>
#include <utility>

#include "TK/tk_trace.h"

qrn_record_queue::qrn_record_queue(limits bounds)
    : bounds_{std::max<size_t>(bounds.records, 1), std::max<size_t>(bounds.bytes, 1)} {}

size_t qrn_record_queue::bytes_of(const udb_record& record) {
    size_t total = 0;
    for (const auto& field : record) {
        total += sizeof(udb_field) + field->name.capacity() * sizeof(compat::wchar);
        const VARIANT& v = field->get_variant();
        if (v.vt == VT_BSTR) {
            total += v.bstrVal.str().capacity() * sizeof(compat::wchar);
        } else if (v.vt == VT_BYTE_ARRAY) {
            const void* data = nullptr;
            total += field->get_bytes(&data);
        }
    }
    return total;
}

void qrn_record_queue::empty_if_large(udb_record& record) const {
    if (bytes_of(record) <= bounds_.bytes / bounds_.records) return;
    for (const auto& field : record) static_cast<ole_variant&>(*field) = ole_variant();
}

bool qrn_record_queue::batch_full(size_t count, size_t bytes) const {
    return count >= std::max<size_t>(bounds_.records / 8, 1) || bytes >= bounds_.bytes / 8;
}

bool qrn_record_queue::has_room(size_t count, size_t bytes) const {
    if (out_count_ == 0) return true;
    return out_count_ + count <= bounds_.records && out_bytes_ + bytes <= bounds_.bytes;
}

bool qrn_record_queue::push(entries& batch, records& spares) {
    size_t bytes = 0;
    for (const qrn_read_entry& e : batch) bytes += e.bytes;
    std::unique_lock lock(mutex_);
    if (!stopped_ && !has_room(batch.size(), bytes)) {
        reader_waits_ = true;
        reader_wake_.wait(lock, [&] { return stopped_ || has_room(batch.size(), bytes); });
        reader_waits_ = false;
    }
    if (stopped_) {
        batch.clear();
        return false;
    }
    out_count_ += batch.size();
    out_bytes_ += bytes;
    for (qrn_read_entry& e : batch) queued_.push_back(std::move(e));
    batch.clear();
    for (auto& record : spare_) spares.push_back(std::move(record));
    spare_.clear();
    if (loop_waits_) loop_wake_.notify_one();
    return true;
}

bool qrn_record_queue::stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
}

void qrn_record_queue::take(entries& batch, records& done, size_t done_count, size_t done_bytes) {
    batch.clear();
    std::unique_lock lock(mutex_);
    // The loop gives back only what it was handed: more would open the bounds to the reader.
    TK_CHECK(done.size() <= done_count && done_count <= out_count_ && done_bytes <= out_bytes_);
    for (auto& record : done) spare_.push_back(std::move(record));
    done.clear();
    out_count_ -= std::min(done_count, out_count_);
    out_bytes_ -= std::min(done_bytes, out_bytes_);
    if (reader_waits_) reader_wake_.notify_one();
    if (queued_.empty() && !stopped_) {
        loop_waits_ = true;
        loop_wake_.wait(lock, [&] { return stopped_ || !queued_.empty(); });
        loop_waits_ = false;
    }
    if (queued_.empty()) {
        batch.emplace_back().end = true;  // stopped before the reader finished
        return;
    }
    const size_t n = std::min(queued_.size(), std::max<size_t>(bounds_.records / 4, 1));
    for (size_t i = 0; i < n; ++i) {
        batch.push_back(std::move(queued_.front()));
        queued_.pop_front();
    }
}

void qrn_record_queue::stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    reader_wake_.notify_one();
    loop_wake_.notify_one();
}
