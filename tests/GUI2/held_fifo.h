// A FIFO as a run's dump destination, read only once `release` holds (or the time limit has
// passed): a run writing into it is held mid-table until then, however fast the machine is.
// The reader then drains everything, so the run can reach its next stop test and end.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

// An Oracle schema (user scott/tiger) with one table BIG of `rows` rows of 1000 bytes each:
// far more than a FIFO's buffer, so a run into a held FIFO is held inside that table.
std::string held_fifo_schema(int rows);

class held_fifo {
public:
    held_fifo(std::string path, std::function<bool()> release, std::chrono::seconds limit = std::chrono::seconds(60));
    // Joins the reader and removes the FIFO.
    ~held_fifo();
    held_fifo(const held_fifo&) = delete;
    held_fifo& operator=(const held_fifo&) = delete;

    bool ready() const { return reader_ >= 0; }
    // The reader was released by `release`, not by the time limit.
    bool released_on_request() const { return released_.load(); }

private:
    std::string path_;
    int reader_ = -1;
    std::atomic<bool> released_{false};
    std::thread drain_;
};
