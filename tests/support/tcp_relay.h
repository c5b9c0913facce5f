// A TCP server on 127.0.0.1 for tests of what waits on the network: it accepts connections
// and relays them to a server behind it (or to nothing: a server that never answers), and
// can be held, so that whatever a client sends waits unanswered until it goes on. A wait
// never lasts past `give_up`: then a hold ends and a client with nothing behind it is
// dropped, so that a program that waits where it should not fails its test, not hangs it.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace test_support {

class tcp_relay {
public:
    // target_port 0: nothing behind it; clients wait for an answer that does not come.
    explicit tcp_relay(unsigned target_port = 0, std::chrono::milliseconds give_up = std::chrono::seconds(10));
    // Closes every connection and joins the relay's thread.
    ~tcp_relay();
    tcp_relay(const tcp_relay&) = delete;
    tcp_relay& operator=(const tcp_relay&) = delete;

    unsigned port() const { return port_; }
    // Held: nothing is relayed either way until go_on.
    void hold();
    void go_on();
    // Closes the connections accepted so far: their clients see the connection end.
    void drop();
    int accepted() const { return accepted_.load(); }

private:
    void run();
    void wake();

    using clock = std::chrono::steady_clock;

    unsigned target_port_;
    std::chrono::milliseconds give_up_;
    unsigned port_ = 0;
    int listener_ = -1;
    int wake_pipe_[2] = {-1, -1};
    std::atomic<bool> held_{false};
    std::atomic<clock::rep> held_until_{0};  // clock ticks since its epoch
    std::atomic<bool> dropping_{false};
    std::atomic<bool> ending_{false};
    std::atomic<int> accepted_{0};
    struct link {
        int client;
        int server;  // -1: nothing behind
        clock::time_point accepted;
    };
    std::vector<link> links_;  // the thread's own
    std::thread thread_;
};

}  // namespace test_support
