// A worker thread that sends one statement job at a time, so that the server takes a batch
// while the next one is written. A job is posted only once the one before has been waited
// for: the owner learns of each job's result, in order, before the next goes. The job's
// trace lines are written when it is waited for, where the owner would have written them
// sending the statement itself.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "TK/tk_log.h"

namespace sql {

class statement_sender {
public:
    statement_sender() = default;
    // Waits for the job at hand (its result is dropped) and ends the thread.
    ~statement_sender();
    statement_sender(const statement_sender&) = delete;
    statement_sender& operator=(const statement_sender&) = delete;

    // Runs the job on the thread (started by the first one); the job before must have been
    // waited for. Without a thread to give, the job runs here and now.
    void post(std::function<void()> job);
    // Waits for the posted job, writes its trace lines and raises what it raised. Nothing
    // posted: returns at once.
    void wait();
    // A job posted and not yet waited for.
    bool pending() const { return pending_; }

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;  // the job to run; empty once taken
    bool running_ = false;       // taken and not finished
    bool stopping_ = false;
    std::exception_ptr error_;
    tk_log::held_lines lines_;
    bool pending_ = false;  // the owner's side only
    std::thread thread_;
};

}  // namespace sql
