#include "tests/support/proc_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/files.h"

extern char** environ;

namespace test_support {

namespace {

struct pipe_pair {
    int fd[2] = {-1, -1};
    pipe_pair() {
        if (pipe2(fd, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    }
    ~pipe_pair() {
        for (int f : fd)
            if (f >= 0) close(f);
    }
    pipe_pair(const pipe_pair&) = delete;
    pipe_pair& operator=(const pipe_pair&) = delete;
    void close_end(int i) {
        if (fd[i] >= 0) close(fd[i]);
        fd[i] = -1;
    }
};

std::vector<std::string> merged_environment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
        std::string kv(*e);
        auto eq = kv.find('=');
        if (eq != std::string::npos) all[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const auto& [k, v] : extra) all[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : all) out.push_back(k + "=" + v);
    return out;
}

// Where the child's standard streams go; a path is opened in the child, an fd is dup'ed.
struct stream_plan {
    std::string in_path, out_path, err_path;
    int out_fd = -1, err_fd = -1;
};

// Forks and execs; the argv and environment arrays are built before the fork so the child
// only calls async-signal-safe functions.
pid_t spawn(const std::vector<std::string>& argv, const proc_options& options, const stream_plan& plan) {
    std::vector<std::string> env = merged_environment(options.env);
    std::vector<char*> cargv, cenv;
    for (const auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    for (const auto& e : env) cenv.push_back(const_cast<char*>(e.c_str()));
    cenv.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid != 0) return pid;

    if (!plan.in_path.empty()) {
        int i = ::open(plan.in_path.c_str(), O_RDONLY);
        if (i < 0) ::_exit(126);
        ::dup2(i, 0);
    }
    int o = plan.out_fd, e = plan.err_fd;
    if (!plan.out_path.empty()) o = ::open(plan.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!plan.err_path.empty()) e = ::open(plan.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0) ::_exit(126);
    ::dup2(o, 1);
    ::dup2(e, 2);
    if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(126);
    if (options.file_size_limit >= 0) {
        // SIGXFSZ keeps the default a user's shell leaves it at: a program under test must
        // turn a write past the limit into a reported error itself, not die by the signal.
        ::signal(SIGXFSZ, SIG_DFL);
        rlimit lim{static_cast<rlim_t>(options.file_size_limit), static_cast<rlim_t>(options.file_size_limit)};
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ::execve(cargv[0], cargv.data(), cenv.data());
    ::_exit(127);
}

int exit_code(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1000; }

std::string unique_name(const std::string& dir, const char* what) {
    static std::atomic<int> counter{0};
    return dir + "/proc-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "." + what;
}

}  // namespace

proc_result run_process(const std::vector<std::string>& argv, const proc_options& options) {
    pipe_pair out, err;
    stream_plan plan;
    plan.in_path = options.stdin_file;
    plan.out_fd = out.fd[1];
    plan.err_fd = err.fd[1];
    pid_t pid = spawn(argv, options, plan);
    out.close_end(1);
    err.close_end(1);

    proc_result r;
    pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open_count = 2;
    char buf[65536];
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.code = exit_code(status);
    return r;
}

child::child(const std::vector<std::string>& argv, const proc_options& options, const std::string& work_dir)
    : out_path_(unique_name(work_dir, "out")), err_path_(unique_name(work_dir, "err")) {
    stream_plan plan;
    plan.in_path = options.stdin_file;
    plan.out_path = out_path_;
    plan.err_path = err_path_;
    pid_ = spawn(argv, options, plan);
}

child::~child() {
    if (!reaped_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::kill(pid_, SIGCONT);
        ::waitpid(pid_, &status_, 0);
    }
    std::error_code ec;
    std::filesystem::remove(out_path_, ec);
    std::filesystem::remove(err_path_, ec);
}

void child::signal(int sig) const {
    if (!reaped_) ::kill(pid_, sig);
}

bool child::running() {
    if (reaped_) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
}

proc_result child::wait() {
    while (!reaped_) {
        if (::waitpid(pid_, &status_, 0) == pid_)
            reaped_ = true;
        else if (errno != EINTR)
            break;
    }
    proc_result r;
    r.code = exit_code(status_);
    r.out = read_file(out_path_);
    r.err = read_file(err_path_);
    return r;
}

std::string child::out_so_far() const { return read_file(out_path_); }

char process_state(pid_t pid) {
    const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

std::string sh_quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace test_support
