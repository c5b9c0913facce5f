// tollspar: converts an Oracle schema into a MySQL database or dump file from the command
// line. Exit code 0 when everything arrived, 1 when the run finished but reported tables or
// records that did not arrive, -1 (255) for every failure that stopped it.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "TK/tk_log.h"
#include "app/console/con_front.h"
#include "app/console/con_out.h"
#include "app/console/con_parse.h"
#include "app/console/con_usage.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"

namespace {

// The arguments as the program reads them. The passwords in the process's own argument
// area are overwritten at once: the process list (ps, /proc/PID/cmdline) shows that area.
std::vector<std::string> take_arguments(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    for (int i = 1; i < argc; ++i) {
        for (const char* prefix : {"--mysqlp=", "--oraclp="}) {
            const size_t n = std::strlen(prefix);
            if (std::strncmp(argv[i], prefix, n) == 0) std::memset(argv[i] + n, 'x', std::strlen(argv[i] + n));
        }
    }
    return args;
}

// The run that an interrupt (Ctrl-C), a termination request or a closed terminal (SIGHUP)
// stops between two records: it then ends as a failure and what it wrote says where it
// stopped. A second signal ends the process at once. A signal the program was started with
// ignored (nohup, a background job) stays ignored.
std::atomic<tk_functor*> interruptible{nullptr};

extern "C" void on_stop_signal(int sig) {
    std::signal(sig, SIG_DFL);
    if (tk_functor* run = interruptible.load()) run->request_stop_from_signal();
}

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

struct stop_on_signals {
    explicit stop_on_signals(tk_functor& run) {
        interruptible.store(&run);
        for (size_t i = 0; i < std::size(stop_signals); ++i) {
            struct sigaction stop {};
            stop.sa_handler = on_stop_signal;
            sigemptyset(&stop.sa_mask);
            ::sigaction(stop_signals[i], nullptr, &before_[i]);
            if (before_[i].sa_handler != SIG_IGN) ::sigaction(stop_signals[i], &stop, nullptr);
        }
    }
    ~stop_on_signals() {
        for (size_t i = 0; i < std::size(stop_signals); ++i) ::sigaction(stop_signals[i], &before_[i], nullptr);
        interruptible.store(nullptr);
    }
    stop_on_signals(const stop_on_signals&) = delete;
    stop_on_signals& operator=(const stop_on_signals&) = delete;

private:
    struct sigaction before_[std::size(stop_signals)]{};
};

// The dump goes where standard output goes (/dev/stdout, or the file it is redirected to).
bool is_standard_output(const std::string& file) {
    struct stat dest {};
    struct stat out {};
    return ::stat(file.c_str(), &dest) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 && dest.st_dev == out.st_dev &&
           dest.st_ino == out.st_ino;
}

// The trace log touches no file until the command line has named the destination: a log
// file that is the dump would be emptied and written into. The check refuses such a run
// (the log is then switched off); a command line that fails before the check keeps its log
// unless it named the dump.
class log_held_until_checked {
public:
    explicit log_held_until_checked(const quarnel_convertor& conv)
        : conv_(conv), before_(tk_log::hold_lines(&lines_)) {}
    ~log_held_until_checked() {
        if (settled_) return;
        try {
            settle();
        } catch (const tk_exception&) {
            // the log stays unwritten; the run ended for another reason already
        }
    }
    log_held_until_checked(const log_held_until_checked&) = delete;
    log_held_until_checked& operator=(const log_held_until_checked&) = delete;

    void settle() {
        settled_ = true;
        tk_log::hold_lines(before_);
        try {
            conv_.check_log_file();
        } catch (const tk_exception&) {
            if (tk_log* log = tk_log::try_get()) log->disable();
            throw;
        }
        tk_log::write_held(lines_);
    }

private:
    const quarnel_convertor& conv_;
    tk_log::held_lines lines_;
    tk_log::held_lines* before_;
    bool settled_ = false;
};

int run_conversion(int argc, char** raw_argv) {
    const std::vector<std::string> args = take_arguments(argc, raw_argv);
    std::vector<const char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);

    quarnel_convertor conv(error_handler::instance().front());
    log_held_until_checked held_log(conv);
    if (argc <= 1 || !parse_cmd_line(argc, argv.data()))
        tk_console_fatal(con_usage_text(qrn_version_major, qrn_version_minor));
    held_log.settle();
    if (!conv.is_mysql_direct() && is_standard_output(conv.destination_file())) con_set_output_to_stderr(true);
    conv.connect_oracle_server(conv.source_name());
    // Before the destination is touched: a run with nothing to convert is refused.
    conv.check_selection();
    if (conv.is_mysql_direct()) conv.connect_mysql_server();
    conv.check_dest();
    {
        stop_on_signals interrupt(conv);
        conv();
    }
    if (conv.stop_requested() && !con_is_silent()) con_err_line("The conversion was stopped before its end.");
    // An error at the top of the run (the destination could not be opened, a standard
    // exception) has been reported; it is still a failed run.
    if (conv.run_failed()) return -1;
    return conv.run_losses() > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A file-size limit then fails the write (EFBIG), which is reported, instead of killing
    // the process with the dump half written and no word said.
    std::signal(SIGXFSZ, SIG_IGN);
    // Likewise a reader of a pipe that goes away: the write fails and the run says so.
    std::signal(SIGPIPE, SIG_IGN);
    tk_log log(nullptr, false, 3, false);
    con_front_end front;
    error_handler handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data());
    handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    try {
        try {
            return run_conversion(argc, argv);
        } catch (const tk_exception& e) {
            // Levels 1 and 2 end the process inside the handler. A level-0 error here (an
            // Oracle or MySQL error while connecting or checking) stopped the program before
            // any conversion, so it is a failure too.
            handler.handle(e, false);
            return -1;
        } catch (const std::exception& e) {
            tk_console_fatal(e.what());
        }
    } catch (const qrn_exit_request& r) {
        return r.code;
    }
}
