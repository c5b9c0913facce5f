// Child processes of the reliability tests: the built programs run as a user runs them,
// with their own environment, standard input from a file, standard output and error
// captured in files, and the process id at hand so a test can pause, resume or stop it
// at a chosen moment.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace rel_test {

struct proc_spec {
    std::vector<std::string> argv;               // argv[0] is the program's path
    std::map<std::string, std::string> env;      // added to (or replacing in) the environment
    std::string stdin_file;                      // empty: /dev/null
    long file_size_limit = -1;                   // bytes; a write past it fails with EFBIG
};

struct proc_result {
    int code = -1000;  // exit status 0..255; -1000 when a signal ended the child
    std::string out;
    std::string err;
};

class child {
public:
    // Starts the program; its output goes to files in `work_dir`.
    child(const proc_spec& spec, const std::string& work_dir);
    ~child();  // a child still running is killed and reaped
    child(const child&) = delete;
    child& operator=(const child&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int sig) const;
    bool running();
    // Waits for the end and collects the output.
    proc_result wait();
    // What the child has written to standard output so far.
    std::string out_so_far() const;

private:
    pid_t pid_ = -1;
    std::string out_path_, err_path_;
    bool reaped_ = false;
    int status_ = 0;
};

proc_result run(const proc_spec& spec, const std::string& work_dir);

// A folder of its own, removed at destruction.
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

}  // namespace rel_test
