#include "tests/reliability/rel_proc.h"

#include <fcntl.h>
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

extern char** environ;

namespace rel_test {

namespace {

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

std::string unique_name(const std::string& dir, const char* what) {
    static std::atomic<int> counter{0};
    return dir + "/proc-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "." + what;
}

}  // namespace

child::child(const proc_spec& spec, const std::string& work_dir)
    : out_path_(unique_name(work_dir, "out")), err_path_(unique_name(work_dir, "err")) {
    std::vector<std::string> env = merged_environment(spec.env);
    std::vector<char*> cargv, cenv;
    for (const auto& a : spec.argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    for (const auto& e : env) cenv.push_back(const_cast<char*>(e.c_str()));
    cenv.push_back(nullptr);
    const std::string in = spec.stdin_file.empty() ? "/dev/null" : spec.stdin_file;

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        int i = ::open(in.c_str(), O_RDONLY);
        int o = ::open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = ::open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (i < 0 || o < 0 || e < 0) ::_exit(126);
        ::dup2(i, 0);
        ::dup2(o, 1);
        ::dup2(e, 2);
        if (spec.file_size_limit >= 0) {
            // A write past the limit then fails with EFBIG instead of killing the child.
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit lim{static_cast<rlim_t>(spec.file_size_limit), static_cast<rlim_t>(spec.file_size_limit)};
            ::setrlimit(RLIMIT_FSIZE, &lim);
        }
        ::execve(cargv[0], cargv.data(), cenv.data());
        ::_exit(127);
    }
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
    pid_t r = ::waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) reaped_ = true;
    return !reaped_;
}

proc_result child::wait() {
    while (!reaped_) {
        if (::waitpid(pid_, &status_, 0) == pid_) reaped_ = true;
        else if (errno != EINTR) break;
    }
    proc_result r;
    r.code = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1000;
    r.out = read_file(out_path_);
    r.err = read_file(err_path_);
    return r;
}

std::string child::out_so_far() const { return read_file(out_path_); }

proc_result run(const proc_spec& spec, const std::string& work_dir) {
    child c(spec, work_dir);
    return c.wait();
}

temp_dir::temp_dir() {
    path_ = (std::filesystem::temp_directory_path() / "mg-rel-XXXXXX").string();
    if (!::mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
}

temp_dir::~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace rel_test
