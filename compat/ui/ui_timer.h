// A repeating timer whose ticks run on the user-interface thread. start() and stop() may
// be called from any thread: a request from another thread is queued to the interface
// thread. Construct and destroy it on the interface thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace compat::ui {

class timer {
public:
    explicit timer(std::function<void()> tick);
    ~timer();
    timer(const timer&) = delete;
    timer& operator=(const timer&) = delete;

    void start(int interval_ms);
    void stop();
    // Started and not stopped (the request may still be on its way).
    bool running() const { return running_.load(std::memory_order_acquire); }

private:
    struct impl;
    std::shared_ptr<impl> impl_;
    std::atomic<bool> running_{false};
};

}  // namespace compat::ui
