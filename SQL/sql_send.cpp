#include "SQL/sql_send.h"

#include <system_error>
#include <utility>

#include "TK/tk_sigblk.h"

namespace sql {

statement_sender::~statement_sender() {
    if (!thread_.joinable()) return;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !job_ && !running_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void statement_sender::post(std::function<void()> job) {
    pending_ = true;
    if (!thread_.joinable()) {
        try {
            const tk_signals_blocked while_starting;
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // no thread to give: the job runs in turn, its result kept for wait
            try {
                job();
            } catch (...) {
                error_ = std::current_exception();
            }
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
    }
    changed_.notify_all();
}

void statement_sender::wait() {
    if (!pending_) return;
    pending_ = false;
    std::exception_ptr error;
    tk_log::held_lines lines;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !job_ && !running_; });
        error = std::exchange(error_, nullptr);
        lines.swap(lines_);
    }
    tk_log::write_held(lines);
    if (error) std::rethrow_exception(error);
}

void statement_sender::run() {
    tk_log::held_lines held;
    tk_log::hold_lines(&held);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || job_; });
        if (!job_) break;
        std::function<void()> job = std::move(job_);
        job_ = nullptr;
        running_ = true;
        lock.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        running_ = false;
        error_ = error;
        for (auto& line : held) lines_.push_back(std::move(line));
        held.clear();
        changed_.notify_all();
    }
    tk_log::hold_lines(nullptr);
}

}  // namespace sql
