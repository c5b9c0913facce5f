#include "TK/tk_threa.h"

#include <system_error>
#include <utility>

#include "TK/tk_errco.h"
#include "TK/tk_excep.h"
#include "TK/tk_fname.h"
#include "TK/tk_trace.h"

#include <sys/stat.h>

void tk_functor::operator()() {
    while (!done()) {
        if (stop_requested()) return;
        step();
    }
    finish();
}

void tk_functor::step() { wait_for_stop(std::chrono::milliseconds(100)); }

void tk_functor::request_stop() {
    {
        std::lock_guard lock(mutex_);
        stop_.store(true, std::memory_order_release);
    }
    wake_.notify_all();
}

bool tk_functor::wait_for_stop(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, timeout, [this] { return stop_requested(); });
}

tk_converter::tk_converter() { tk_log::log(2, "tk_converter::ctor"); }

void tk_converter::set_logfile(const std::string& path) {
    tk_log::log(1, "tk_convertor::set_logfile(%s)", path);
    if (!path.empty()) {
        if (tk_is_file_exist(path, TK_FILE_READABLE) && !tk_is_file_exist(path, TK_FILE_WRITABLE))
            throw tk_exception(tk_message(TK_MSG_LOGFILE_READ_ONLY), 1);
        // A folder cannot be a log file: treat it like a missing folder.
        struct stat st {};
        bool names_folder = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        tk_file_name name(path);
        if (names_folder || (name.name().empty() && name.ext().empty()) || !tk_is_path_exist(name.get_path()))
            throw tk_exception(tk_message(TK_MSG_LOGFILE_NO_PATH), 1);
    }
    log_file_ = path;
    if (path.empty()) return;
    if (tk_log* log = tk_log::try_get()) {
        log->set_file(path);
        log->enable();
    }
}

namespace {

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception of an unknown type";
    }
}

}  // namespace

tk_thread::~tk_thread() {
    stop_and_join();
    functor_ = nullptr;
    if (!error_) return;
    try {
        tk_log::log(3, "A worker thread ended with an error that nobody collected: %s", describe(error_));
    } catch (...) {
        // A destructor must not throw; the error was lost with the trace line.
    }
}

bool tk_thread::is_running() const { return thread_.joinable() && !returned_.load(std::memory_order_acquire); }

void tk_thread::start() {
    if (is_running()) tk_fail(tk_where::threa, 92);
    cleanup();
    if (functor_) tk_fail(tk_where::threa, 100);
    tk_functor* f = get_functor();
    if (!f) tk_fail(tk_where::threa, 105);
    f->clear_stop();
    returned_.store(false, std::memory_order_release);
    try {
        thread_ = std::thread(&tk_thread::thread_proc, f, &returned_, &error_);
    } catch (const std::system_error& e) {
        // Nobody would ever be told that the work did not start: say so.
        owned_.reset();
        throw tk_exception(std::string("Cannot start a worker thread: ") + e.what(), e.code().value(), 1);
    }
    functor_ = f;
}

void tk_thread::terminate() {
    if (!is_running()) tk_fail(tk_where::threa, 55);
    stop_and_join();
    cleanup();
}

void tk_thread::wait() {
    if (thread_.joinable()) thread_.join();
    cleanup();
}

void tk_thread::cleanup() {
    if (is_running()) tk_fail(tk_where::threa, 71);
    if (thread_.joinable()) thread_.join();  // returned already: this does not block
    functor_ = nullptr;
    owned_.reset();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

tk_functor* tk_thread::get_functor() {
    owned_ = std::make_unique<tk_functor>();
    return owned_.get();
}

void tk_thread::thread_proc(tk_functor* functor, std::atomic<bool>* returned, std::exception_ptr* error) {
    try {
        if (!functor) tk_fail(tk_where::threa, 149);
        (*functor)();
    } catch (...) {
        // Left on its own, the exception would end the process (std::terminate).
        *error = std::current_exception();
    }
    returned->store(true, std::memory_order_release);
}

void tk_thread::stop_and_join() {
    if (!thread_.joinable()) return;
    if (functor_) functor_->request_stop();
    thread_.join();
}
