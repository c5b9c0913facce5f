#include "tests/console/proc_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace con_test {

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
    void close_end(int i) {
        if (fd[i] >= 0) close(fd[i]);
        fd[i] = -1;
    }
};

std::vector<std::string> merged_environment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        auto eq = kv.find('=');
        if (eq != std::string::npos) all[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const auto& [k, v] : extra) all[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : all) out.push_back(k + "=" + v);
    return out;
}

}  // namespace

proc_result run_process(const std::vector<std::string>& argv, const proc_options& options) {
    std::vector<std::string> env = merged_environment(options.env);
    std::vector<char*> cargv, cenv;
    for (const auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    for (const auto& e : env) cenv.push_back(const_cast<char*>(e.c_str()));
    cenv.push_back(nullptr);

    pipe_pair out, err;
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(out.fd[1], 1);
        dup2(err.fd[1], 2);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
        if (options.file_size_limit >= 0) {
            // A write past the limit then fails with EFBIG instead of killing the child.
            signal(SIGXFSZ, SIG_IGN);
            rlimit lim{static_cast<rlim_t>(options.file_size_limit), static_cast<rlim_t>(options.file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &lim);
        }
        execve(cargv[0], cargv.data(), cenv.data());
        _exit(127);
    }
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
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    return r;
}

temp_dir::temp_dir() {
    path_ = (std::filesystem::temp_directory_path() / "tollspar-test-XXXXXX").string();
    if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace con_test
