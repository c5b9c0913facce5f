// Runs the built console program as a user would: a child process with its own
// environment, standard output and standard error captured, and its exit status.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace con_test {

struct proc_result {
    std::string out;
    std::string err;
    int code = -1000;  // exit status (0..255); -1000 when the child died by a signal
};

struct proc_options {
    std::map<std::string, std::string> env;  // added to (or replacing in) the environment
    std::string cwd;
    long file_size_limit = -1;  // bytes; a write past it fails with EFBIG
};

proc_result run_process(const std::vector<std::string>& argv, const proc_options& options = {});

// A folder of its own per test, removed at destruction.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

}  // namespace con_test
