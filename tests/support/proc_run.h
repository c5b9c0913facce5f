// Runs built programs as a user would: a child process with its own environment,
// standard input, standard output and error captured, and its exit status. run_process
// waits for the end; child keeps the process id at hand so a test can pause, resume or
// stop it at a chosen moment.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace test_support {

struct proc_result {
    std::string out;
    std::string err;
    int code = -1000;  // exit status (0..255); -1000 when the child died by a signal
};

struct proc_options {
    std::map<std::string, std::string> env;  // added to (or replacing in) the environment
    std::string cwd;                         // empty: the caller's
    std::string stdin_file;                  // empty: the caller's standard input
    long file_size_limit = -1;               // bytes; a write past it fails with EFBIG
};

// Output is read through pipes while the child runs.
proc_result run_process(const std::vector<std::string>& argv, const proc_options& options = {});

class child {
public:
    // Starts the program (argv[0] is its path); its output goes to files in `work_dir`.
    child(const std::vector<std::string>& argv, const proc_options& options, const std::string& work_dir);
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

// The state letter of /proc/PID/stat ('T' stopped, 'Z' zombie), 0 when there is no such process.
char process_state(pid_t pid);

// A word for /bin/sh (paths here hold no quote).
std::string sh_quoted(const std::string& s);

}  // namespace test_support
