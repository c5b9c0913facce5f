#include "SQL/sql_batch.h"

#include <utility>

#include "SQL/sql_exc.h"
#include "SQL/sql_send.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rec_exc.h"

sql_insert_batcher::sql_insert_batcher(sql_statement_sink& sink, size_t batch_bytes, size_t max_statement,
                                       sql::statement_sender* sender)
    : sink_(sink), batch_bytes_(batch_bytes), max_statement_(max_statement), sender_(sender) {}

void sql_insert_batcher::set_head(std::string head) {
    if (!current_.rows.empty()) tk_fail(tk_where::sql_tab, 136);
    head_ = std::move(head);
}

size_t sql_insert_batcher::limit() const {
    return max_statement_ != 0 && max_statement_ < batch_bytes_ ? max_statement_ : batch_bytes_;
}

void sql_insert_batcher::check_fits(size_t statement_bytes) const {
    // Sent, such a statement would make the server close the connection, and every later
    // table would be lost with it.
    if (max_statement_ != 0 && statement_bytes > max_statement_) throw sql_exception::packet_too_large();
}

size_t sql_insert_batcher::open_row() {
    std::string& text = current_.text;
    const size_t before = text.size();
    if (current_.rows.empty()) {
        tk_log::log(1, "Initialize new query...");
        // Room for a whole statement at once, or each statement would grow by doubling,
        // copying and touching new pages on the way; a sent statement's storage serves again.
        if (text.capacity() < spare_.capacity()) text.swap(spare_);
        text.reserve(batch_bytes_ + batch_bytes_ / 8);
        // the same for the list of its rows
        if (current_.rows.capacity() < spare_rows_.capacity()) current_.rows.swap(spare_rows_);
        text.assign(head_);
    } else {
        text += ", ";
    }
    row_offset_ = text.size();
    return before;
}

void sql_insert_batcher::undo_row(size_t before) { current_.text.resize(before); }

void sql_insert_batcher::close_row(size_t before, int number) {
    TK_CHECK(row_offset_ >= head_.size() && row_offset_ <= current_.text.size());  // writers only append
    const size_t length = current_.text.size() - row_offset_;
    tk_log::log(1, "sql_query=[%s]", std::string_view(current_.text).substr(row_offset_, length));
    if (!current_.rows.empty() && current_.text.size() > limit()) {
        // The statement goes without this row, which opens the next one: no statement grows
        // past the limit unless one row alone is larger. The smaller side is copied: the
        // row into a new statement, or, for a row larger than the rows before it (a large
        // value), those rows out while the row moves to the head in place.
        statement full;
        if (length <= before) {
            full = std::move(current_);
            current_ = statement{};
            current_.text.swap(spare_);
            current_.rows.swap(spare_rows_);
            current_.text.reserve(batch_bytes_ + batch_bytes_ / 8);
            current_.text.assign(head_);
            current_.text.append(full.text, row_offset_, length);
            full.text.resize(before);
        } else {
            full.text.swap(spare_);
            full.text.assign(current_.text, 0, before);
            full.rows = std::move(current_.rows);
            current_.rows = {};
            current_.rows.swap(spare_rows_);
            current_.text.erase(head_.size(), row_offset_ - head_.size());
        }
        current_.rows.push_back({head_.size(), length, number});
        send_taken(full);
    } else {
        current_.rows.push_back({row_offset_, length, number});
    }
    if (current_.text.size() > limit()) send_current();
}

void sql_insert_batcher::flush() {
    if (!current_.rows.empty()) {
        try {
            send_current();
        } catch (const udb_record_exception& earlier) {
            // The statement before lost rows, and this one went all the same: its own
            // refusals follow them.
            if (!sender_ || !sender_->pending()) throw;
            std::vector<udb_lost_record> lost = earlier.records();
            try {
                settle();
            } catch (const udb_record_exception& later) {
                lost.insert(lost.end(), later.records().begin(), later.records().end());
            } catch (const sql_exception& later) {
                lost.push_back({0, later.code(), later.message(), later.cause()});
            }
            throw udb_record_exception(std::move(lost));
        } catch (...) {
            if (sender_ && sender_->pending()) settle_quietly();
            throw;
        }
    }
    settle();
}

void sql_insert_batcher::settle_quietly() noexcept {
    try {
        settle();
    } catch (const std::exception& e) {
        tk_log::log(3, "Error:\n%s", e.what());
    }
}

void sql_insert_batcher::send_current() {
    statement taken = std::move(current_);
    current_ = statement{};
    send_taken(taken);
}

void sql_insert_batcher::recycle(statement& s) {
    s.text.clear();
    s.rows.clear();
    if (s.text.capacity() > spare_.capacity()) spare_.swap(s.text);
    if (s.rows.capacity() > spare_rows_.capacity()) spare_rows_.swap(s.rows);
}

void sql_insert_batcher::send_taken(statement& s) {
    if (!sender_) {
        // The storage serves the next statement whatever happens to the rows.
        try {
            send(s, single_);
        } catch (...) {
            recycle(s);
            throw;
        }
        recycle(s);
        return;
    }
    // The statement before is done first, its retry included: what it raises comes before
    // anything of this one.
    std::exception_ptr earlier;
    try {
        settle();
    } catch (...) {
        earlier = std::current_exception();
    }
    if (ended_) {
        recycle(s);
        if (earlier) std::rethrow_exception(earlier);
        return;
    }
    out_.text.swap(s.text);
    out_.rows.swap(s.rows);
    recycle(s);
    sender_->post([this] { send(out_, out_single_); });
    if (earlier) std::rethrow_exception(earlier);
}

void sql_insert_batcher::settle() {
    if (!sender_ || !sender_->pending()) return;
    try {
        sender_->wait();
    } catch (const sql_exception& e) {
        if (sql_exception::ends_table(e.code())) ended_ = true;
        recycle(out_);
        throw;
    } catch (const udb_record_exception& e) {
        for (const udb_lost_record& lost : e.records())
            if (lost.why == udb_lost_record::cause::table) ended_ = true;
        recycle(out_);
        throw;
    } catch (...) {
        recycle(out_);
        throw;
    }
    recycle(out_);
}

void sql_insert_batcher::send(const statement& s, std::string& single) {
    tk_log::log(2, "Run SQL query: [%s]", s.text);
    TK_CHECK(!s.rows.empty() && s.rows.back().offset + s.rows.back().length == s.text.size());  // the last row ends it
    try {
        sink_.send_statement(s.text);
        return;
    } catch (const sql_exception& e) {
        // Refused for the table's or the connection's sake: each row alone would fail the same.
        if (sql_exception::ends_table(e.code())) throw;
        if (s.rows.size() == 1)
            throw udb_record_exception(
                std::vector<udb_lost_record>{{s.rows[0].number, e.code(), e.message(), e.cause()}});
        tk_log::log(2, "The batch was refused (%s); sending its rows one by one", e.message());
    }
    std::vector<udb_lost_record> failed;
    const size_t head_length = s.rows.front().offset;  // the statement's own head
    for (const pending_row& row : s.rows) {
        single.assign(s.text, 0, head_length);
        single.append(s.text, row.offset, row.length);
        try {
            sink_.send_statement(single);
        } catch (const sql_exception& e) {
            failed.push_back({row.number, e.code(), e.message(), e.cause()});
            // The rows that failed before it are reported; the rest would fail with it.
            if (e.cause() == udb_lost_record::cause::table) break;
        }
    }
    if (!failed.empty()) throw udb_record_exception(std::move(failed));
}
