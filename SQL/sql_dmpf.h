// The dump's output file: opened for writing (truncated, binary, so line breaks stay as
// chosen); a file that cannot be opened and any failed write are errors of level 1, so a
// run never reports success with a missing or cut file. The file stays locked (flock) while
// it is open, so a second run writing the same file at the same time is refused.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace sql {

class dmp_file {
public:
    // Opens path (narrow, ANSI code page); failure raises.
    explicit dmp_file(const std::string& path);
    dmp_file(const dmp_file&) = delete;
    dmp_file& operator=(const dmp_file&) = delete;

    void write(std::string_view text);
    // Flushes and closes; a failure raises. Further writes raise.
    void close();
    bool is_open() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

private:
    struct closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    [[noreturn]] void failed(const char* what, int error);

    std::string path_;
    std::unique_ptr<std::FILE, closer> file_;
};

}  // namespace sql
