// Runnables and the worker thread.
//
// tk_functor::operator() repeats step() until done(); a stop request (from tk_thread, or
// from anyone holding the runnable) ends the loop at the next test, without finish().
// Long steps should poll stop_requested() themselves. A thread is never killed: tk_thread
// stops its runnable by request and joins it. An exception that leaves the runnable ends
// its thread, not the process: the call that joins the thread raises it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "compat/text/text.h"

class tk_functor {
public:
    tk_functor() = default;
    tk_functor(const tk_functor&) = delete;
    tk_functor& operator=(const tk_functor&) = delete;
    virtual ~tk_functor() = default;

    // The run loop: step() while !done(), then finish() once (not after a stop request).
    virtual void operator()();
    virtual bool done() { return false; }
    // Default: waits 100 ms (returns early on a stop request).
    virtual void step();
    virtual void finish() {}

    void request_stop();
    // The request alone, without waking a waiter: safe in a signal handler.
    void request_stop_from_signal() noexcept { stop_.store(true, std::memory_order_release); }
    void clear_stop() { stop_.store(false, std::memory_order_release); }
    bool stop_requested() const { return stop_.load(std::memory_order_acquire); }

protected:
    // Waits up to the time given; true when a stop was requested.
    bool wait_for_stop(std::chrono::milliseconds timeout);

private:
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

// The runnable base of every converter. The flags are read by another thread while a run
// goes on, hence atomic; the names are set before a run starts.
class tk_converter : public tk_functor {
public:
    tk_converter();
    ~tk_converter() override = default;

    virtual void set_silent(bool silent) { silent_.store(silent, std::memory_order_release); }
    bool is_silent() const { return silent_.load(std::memory_order_acquire); }
    bool is_finished() const { return finished_.load(std::memory_order_acquire); }
    void set_finished(bool finished) { finished_.store(finished, std::memory_order_release); }

    const compat::wstring& source_name() const { return source_name_; }
    void set_source_name(compat::wstring name) { source_name_ = std::move(name); }
    const compat::wstring& destination_name() const { return destination_name_; }
    void set_destination_name(compat::wstring name) { destination_name_ = std::move(name); }
    const std::string& log_file() const { return log_file_; }

    // Checks and stores the log file and, when it is not empty and a trace log exists,
    // points the log at it and switches the log on. Raises a level-1 tk_exception for an
    // existing read-only file, and for a missing folder or a path that names a folder.
    void set_logfile(const std::string& path);

private:
    std::atomic<bool> finished_{false};
    std::atomic<bool> silent_{false};
    compat::wstring source_name_;
    compat::wstring destination_name_;
    std::string log_file_;
};

// The spelling some callers use for the converter base.
using tk_convertor = tk_converter;

// Runs one runnable on a new thread. Started, tested and stopped from one thread.
//
// An exception that left the runnable is raised, once, by the call that joins its thread
// (wait, terminate, cleanup, or start for a run nobody collected), after the clean-up: the
// object can start again. The destructor cannot raise it and writes it to the trace log.
class tk_thread {
public:
    tk_thread() = default;
    tk_thread(const tk_thread&) = delete;
    tk_thread& operator=(const tk_thread&) = delete;
    // Stops (by request) and joins a runnable that still runs.
    virtual ~tk_thread();

    // Starts get_functor()'s runnable. Misuse raises tk_mail_assertion; a thread that the
    // system cannot create raises a level-1 tk_exception.
    void start();
    // The thread was started and its runnable has not returned yet.
    bool is_running() const;
    // Requests a stop, waits for the thread, cleans up. Not running: tk_mail_assertion.
    void terminate();
    // Waits for the runnable to end by itself (no stop request), then cleans up.
    void wait();
    // Joins a returned thread and drops the runnable. Running: tk_mail_assertion.
    void cleanup();

protected:
    // The runnable to run; it must outlive the thread. The default is a plain tk_functor
    // (it idles until stopped), owned by this object.
    virtual tk_functor* get_functor();

private:
    static void thread_proc(tk_functor* functor, std::atomic<bool>* returned, std::exception_ptr* error);
    void stop_and_join();

    std::thread thread_;
    std::atomic<bool> returned_{false};
    // Written by the thread before it returns, read after the join.
    std::exception_ptr error_;
    tk_functor* functor_ = nullptr;
    std::unique_ptr<tk_functor> owned_;
};
