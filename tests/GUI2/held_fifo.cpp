#include "tests/GUI2/held_fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

std::string held_fifo_schema(int rows) {
    const std::string text(1000, 'x');
    std::string sql = "CREATE USER scott IDENTIFIED BY tiger;\nCREATE TABLE BIG (ID NUMBER(10), T VARCHAR2(1000));\n";
    for (int i = 0; i < rows; ++i) sql += "INSERT INTO BIG VALUES (" + std::to_string(i) + ", '" + text + "');\n";
    return sql + "COMMIT;\n";
}

held_fifo::held_fifo(std::string path, std::function<bool()> release, std::chrono::seconds limit)
    : path_(std::move(path)) {
    std::filesystem::remove(path_);
    if (::mkfifo(path_.c_str(), 0600) != 0) return;
    // Opened before the writer, without blocking, so the writer's open succeeds at once.
    reader_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader_ < 0) return;
    drain_ = std::thread([this, release = std::move(release), limit] {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!released_ && std::chrono::steady_clock::now() < deadline) {
            released_ = release();
            if (!released_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::fcntl(reader_, F_SETFL, 0);
        char buf[65536];
        while (::read(reader_, buf, sizeof buf) > 0) {
        }
    });
}

held_fifo::~held_fifo() {
    if (drain_.joinable()) drain_.join();
    if (reader_ >= 0) ::close(reader_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}
