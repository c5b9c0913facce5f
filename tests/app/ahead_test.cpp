// Reading a table ahead of its record loop: order, the bounds on what is read and not yet
// done with, errors where they belong, the stop, and the recordset used by one thread at
// a time and by none once the reader is gone. Also under ThreadSanitizer.
#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TK/tk_check.h"
#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "app/qrn_ahead.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

// Whether this thread has the console's stop signals blocked.
bool stop_signals_blocked() {
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    return sigismember(&mask, SIGINT) && sigismember(&mask, SIGTERM) && sigismember(&mask, SIGHUP);
}

// Rows numbered from 1: field N holds the number, field T a text of text_units characters.
// Checks on every call that no other call is under way, that the reader is alive, and
// that a call from another thread than the one that made the source has the stop signals
// blocked (they are the loop's thread's to take).
class counted_source : public udb_recordset {
public:
    counted_source(int rows, size_t text_units, bool refills)
        : udb_recordset(u"T"), rows_(rows), text_units_(text_units), refills_(refills) {
        row_.push_back(std::make_unique<udb_field>(u"N", 10, ole_variant(), false, false));
        row_.push_back(std::make_unique<udb_field>(u"T", 0, ole_variant(), false, false));
    }

    bool refills_item() const override { return refills_; }
    bool is_eof() override {
        call c(*this);
        tk_log::log(3, "find %d", fetched_ + 1);
        if (eof_fails_at == fetched_ + 1) throw tk_exception("the fetch failed", 0);
        if (fetched_ == rows_) return true;
        ++fetched_;
        return false;
    }
    udb_record* get_item() override {
        call c(*this);
        if (pause_in_get_item) std::this_thread::sleep_for(pause_in_get_item.value());
        tk_log::log(3, "read %d", fetched_);
        if (item_fails_at == fetched_) throw tk_exception("row " + std::to_string(fetched_) + " failed", 0);
        static_cast<ole_variant&>(*row_.at(0)) = ole_variant(fetched_);
        static_cast<ole_variant&>(*row_.at(1)) = compat::wstring(text_units_, u'a' + fetched_ % 26);
        read.store(fetched_, std::memory_order_release);
        return &row_;
    }
    void next() override {
        call c(*this);
        tk_log::log(3, "past %d", fetched_);
        if (past_fails_at == fetched_) throw tk_exception("moving past " + std::to_string(fetched_) + " failed", 0);
    }
    void append_record(const udb_record&) override {}

    int item_fails_at = 0;
    int eof_fails_at = 0;
    int past_fails_at = 0;
    std::optional<std::chrono::milliseconds> pause_in_get_item;
    std::atomic<int> read{0};
    std::atomic<int> calls{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> closed{false};  // the test's reader is gone: no call may come
    std::atomic<bool> called_when_closed{false};
    std::atomic<bool> signals_open_off_the_loop{false};

private:
    struct call {
        explicit call(counted_source& s) : s_(s) {
            if (s_.inside_.fetch_add(1) != 0) s_.overlapped = true;
            if (s_.closed) s_.called_when_closed = true;
            if (std::this_thread::get_id() != s_.maker_ && !stop_signals_blocked()) s_.signals_open_off_the_loop = true;
            s_.calls.fetch_add(1);
        }
        ~call() { s_.inside_.fetch_sub(1); }
        counted_source& s_;
    };

    const int rows_;
    const size_t text_units_;
    const bool refills_;
    int fetched_ = 0;
    std::atomic<int> inside_{0};
    const std::thread::id maker_ = std::this_thread::get_id();
    udb_record row_;
};

int number_of(const udb_record& r) { return static_cast<int>(r.at(0)->to_long()); }

// Waits until the value stops changing (the reader blocked) and returns it.
int settled(const std::atomic<int>& value) {
    int last = -1;
    for (int quiet = 0; quiet < 5;) {
        std::this_thread::sleep_for(20ms);
        const int now = value.load();
        quiet = now == last ? quiet + 1 : 0;
        last = now;
    }
    return last;
}

struct order_case {
    const char* what;
    int rows;
    size_t text_units;
    bool refills;
    qrn_record_queue::limits limits;
};

class ReadAheadOrder : public ::testing::TestWithParam<order_case> {};

TEST_P(ReadAheadOrder, EveryRowArrivesOnceInOrderWithItsValues) {
    const order_case& c = GetParam();
    counted_source source(c.rows, c.text_units, c.refills);
    ASSERT_FALSE(stop_signals_blocked());
    {
        qrn_read_ahead rows(source, c.limits);
        // The loop's thread takes the signals as before.
        EXPECT_FALSE(stop_signals_blocked());
        int expected = 0;
        while (rows.next()) {
            ++expected;
            udb_record* r = rows.record();
            ASSERT_NE(r, nullptr);
            ASSERT_EQ(number_of(*r), expected);
            ASSERT_EQ(r->at(1)->to_wstring(), compat::wstring(c.text_units, u'a' + expected % 26));
            ASSERT_EQ(r->at(0)->name, u"N");
        }
        EXPECT_EQ(expected, c.rows);
        EXPECT_FALSE(rows.next());  // the end stays the end
    }
    EXPECT_FALSE(source.overlapped);
    EXPECT_FALSE(source.signals_open_off_the_loop);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadAheadOrder,
    ::testing::Values(order_case{"no rows", 0, 4, true, {16, 1 << 20}},
                      order_case{"one row", 1, 4, true, {16, 1 << 20}},
                      order_case{"many batches, values taken over", 10000, 12, true, {64, 1 << 20}},
                      order_case{"many batches, values copied", 3000, 12, false, {64, 1 << 20}},
                      order_case{"a bound of one record", 50, 4, true, {1, 1 << 20}},
                      order_case{"rows larger than the bytes bound", 40, 20000, true, {64, 16 << 10}}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

// A loop that takes nothing leaves the reader waiting at the bound: the records read and
// not yet done with stay within it (plus the one batch the reader gathers before it waits).
TEST(ReadAhead, ReadingWaitsAtTheBoundOfRecordsAndOfBytes) {
    struct bound_case {
        const char* what;
        size_t text_units;
        qrn_record_queue::limits limits;
    };
    for (const bound_case& c :
         {bound_case{"records", 4, {64, 64 << 20}}, bound_case{"bytes", 500, {100000, 64 << 10}}}) {
        SCOPED_TRACE(c.what);
        counted_source source(100000, c.text_units, true);
        qrn_read_ahead rows(source, c.limits);
        const int waiting = settled(source.read);
        ASSERT_GT(waiting, 0);
        ASSERT_LT(waiting, 100000);
        ASSERT_TRUE(rows.next());
        udb_record* first = rows.record();
        const size_t row_bytes = qrn_record_queue::bytes_of(*first);
        EXPECT_LE(static_cast<size_t>(waiting), c.limits.records + c.limits.records / 8);
        EXPECT_LE(static_cast<size_t>(waiting) * row_bytes, c.limits.bytes + c.limits.bytes / 8 + row_bytes);
        // Taking records makes room again.
        for (int i = 0; i < waiting; ++i) ASSERT_TRUE(rows.next());
        EXPECT_GT(settled(source.read), waiting);
    }
}

// What reading a record raised comes with that record and the loop goes on past it; what
// ended the reading (finding a row, or moving past one) comes where the loop would have
// read on. The reader's trace lines are written between the loop's own, each where the
// loop would have written it had it read the recordset itself.
TEST(ReadAhead, ErrorsAndTraceLinesArriveWhereReadingInTurnPutsThem) {
    struct error_case {
        const char* what;
        int item_fails_at;
        int eof_fails_at;
        int past_fails_at;
        std::vector<std::string> seen;
        int whole_rows;         // rows the trace shows from finding to moving past
        const char* trace_end;  // and then
    };
    const error_case cases[] = {
        {"a record fails, then finding a row",
         3,
         6,
         0,
         {"1", "2", "row 3 failed", "4", "5", "ended: the fetch failed"},
         5,
         "find 6\r\n"},
        {"moving past a record fails", 0, 0, 4, {"1", "2", "3", "4", "ended: moving past 4 failed"}, 4, ""},
        {"the rows end", 2, 0, 0, {"1", "row 2 failed", "3", "end"}, 3, "find 4\r\n"},
    };
    for (const error_case& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::temp_dir dir;
        const std::string path = dir.file("run.log");
        tk_log log(nullptr, true, 3, false);
        log.set_file(path);
        counted_source source(c.eof_fails_at || c.past_fails_at ? 100 : 3, 4, true);
        source.item_fails_at = c.item_fails_at;
        source.eof_fails_at = c.eof_fails_at;
        source.past_fails_at = c.past_fails_at;
        std::vector<std::string> seen;
        {
            qrn_read_ahead rows(source, {2, 1 << 20});
            try {
                while (rows.next()) {
                    const int n = static_cast<int>(seen.size()) + 1;
                    tk_log::log(3, "took %d", n);
                    try {
                        udb_record* r = rows.record();
                        seen.push_back(std::to_string(number_of(*r)));
                    } catch (const tk_exception& e) {
                        seen.push_back(e.message());
                    }
                    tk_log::log(3, "wrote %d", n);
                }
                seen.push_back("end");
            } catch (const tk_exception& e) {
                seen.push_back("ended: " + e.message());
            }
            EXPECT_FALSE(rows.next());
        }
        EXPECT_EQ(seen, c.seen);
        std::string trace;
        for (int n = 1; n <= c.whole_rows; ++n)
            for (const char* step : {"find", "took", "read", "wrote", "past"})
                trace += std::string(step) + " " + std::to_string(n) + "\r\n";
        EXPECT_EQ(test_support::read_file(path), trace + c.trace_end);
    }
}

// The loop stops mid-table (a stop request, or an error that ends the table): once the
// reader is gone, whether it was waiting at the bound or inside a slow read, the recordset
// is called no more; while it lived, it was called by the reader alone, one call at a time.
TEST(ReadAhead, StopMidTableEndsTheReaderBeforeTheTableCloses) {
    struct stop_case {
        const char* what;
        std::optional<std::chrono::milliseconds> pause;
        bool by_error;
    };
    for (const stop_case& c :
         {stop_case{"waiting at the bound", std::nullopt, false}, stop_case{"inside a slow read", 30ms, false},
          stop_case{"an error thrown out of the loop", std::nullopt, true}}) {
        SCOPED_TRACE(c.what);
        counted_source source(1000000, 8, true);
        source.pause_in_get_item = c.pause;
        try {
            qrn_read_ahead rows(source, {64, 1 << 20});
            for (int i = 0; i < 3; ++i) ASSERT_TRUE(rows.next());
            if (c.by_error) throw tk_exception("the destination failed", 1);
        } catch (const tk_exception&) {
        }
        source.closed = true;
        const int calls = source.calls.load();
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(source.calls.load(), calls);
        EXPECT_FALSE(source.called_when_closed);
        EXPECT_FALSE(source.overlapped);
        EXPECT_LT(source.read.load(), 1000000);
    }
}

// The loop gives back only entries it was handed, with their records and bytes: giving
// back more is the internal error (where the checks are compiled in), not counts that would
// let the reader run past the bounds.
TEST(ReadAhead, GivingBackMoreThanWasHandedOverIsTheInternalError) {
    if (!TK_CHECKS) GTEST_SKIP() << "this build leaves the checks out";
    struct give_back_case {
        const char* what;
        size_t records;
        size_t count;
        size_t bytes;
    };
    for (const give_back_case& c : {give_back_case{"more entries", 2, 3, 10}, give_back_case{"more bytes", 2, 2, 11},
                                    give_back_case{"more records than entries", 3, 2, 10}}) {
        SCOPED_TRACE(c.what);
        qrn_record_queue queue({8, 1024});
        qrn_record_queue::entries batch(2);
        for (qrn_read_entry& e : batch) e.bytes = 5;
        qrn_record_queue::records spares;
        ASSERT_TRUE(queue.push(batch, spares));
        qrn_record_queue::entries taken;
        qrn_record_queue::records done;
        queue.take(taken, done, 0, 0);
        ASSERT_EQ(taken.size(), 2u);
        for (size_t i = 0; i < c.records; ++i) done.push_back(std::make_unique<udb_record>());
        try {
            queue.take(taken, done, c.count, c.bytes);
            ADD_FAILURE() << "the queue took back what it never handed over";
        } catch (const tk_mail_assertion& e) {
            EXPECT_EQ(e.level(), 2);
        }
        EXPECT_EQ(done.size(), c.records) << "the refused records stay the loop's";
        // What was handed over still goes back.
        done.resize(2);
        queue.stop();
        queue.take(taken, done, 2, 10);
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_TRUE(taken[0].end);
        EXPECT_TRUE(done.empty());
    }
}

}  // namespace
