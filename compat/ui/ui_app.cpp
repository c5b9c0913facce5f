#include "compat/ui/ui_app.h"

#include <QApplication>
#include <QIcon>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "compat/ui/ui_image.h"
#include "compat/ui/ui_image_impl.h"

#if defined(__SANITIZE_THREAD__)
#define MG_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define MG_TSAN 1
#endif
#endif
#ifdef MG_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace compat::ui {
namespace {

// A function on its way to the user-interface thread through Qt's event queue. The queue's
// locks are Qt's own, which ThreadSanitizer does not see; so each copy says when it is
// complete (release) and is taken (acquire) before it is called or destroyed, and the call
// releases it again for the thread that destroys it.
class handed_over {
public:
    explicit handed_over(std::function<void()> fn) : fn_(std::move(fn)) { release(); }
    handed_over(const handed_over& other) : fn_(other.fn_) { release(); }
    handed_over(handed_over&& other) noexcept : fn_(std::move(other.fn_)) { release(); }
    handed_over& operator=(const handed_over&) = delete;
    handed_over& operator=(handed_over&&) = delete;
    ~handed_over() { acquire(); }

    void operator()() {
        acquire();
        fn_();
        release();
    }

private:
#ifdef MG_TSAN
    void release() { __tsan_release(this); }
    void acquire() { __tsan_acquire(this); }
#else
    void release() {}
    void acquire() {}
#endif
    std::function<void()> fn_;
};

void queue_to_ui(QObject* target, std::function<void()> fn) {
    QMetaObject::invokeMethod(target, handed_over(std::move(fn)), Qt::QueuedConnection);
}

std::mutex sink_mutex;
std::function<void(std::exception_ptr)> error_sink;

std::mutex invoke_mutex;
std::condition_variable invoke_done;
bool invokes_stopped = false;

void (*fatal_handler)() = nullptr;
QtMessageHandler previous_handler = nullptr;

// The toolkit reports a platform that cannot start as a fatal message and aborts; while
// the application starts, that message means "no display".
void startup_message(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg && fatal_handler) fatal_handler();
    if (previous_handler) previous_handler(type, context, message);
}

uint32_t parse_version(const char* text) {
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(text, "%u.%u.%u", &major, &minor, &patch);
    return major << 16 | minor << 8 | patch;
}

bool has_display() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

std::unique_ptr<QApplication> app;

}  // namespace

application::application(int& argc, char** argv, void (*no_display)()) {
    if (!has_display()) no_display();
    fatal_handler = no_display;
    previous_handler = qInstallMessageHandler(startup_message);
    app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous_handler);
    fatal_handler = nullptr;
    QApplication::setQuitOnLastWindowClosed(false);
    resume_invokes();
}

application::~application() {
    stop_invokes();
    app.reset();
}

uint32_t application::runtime_version() { return parse_version(qVersion()); }
uint32_t application::build_version() { return QT_VERSION; }
std::string application::build_version_text() { return QT_VERSION_STR; }

bool application::exists() { return app != nullptr; }

bool application::on_ui_thread() { return app && QThread::currentThread() == app->thread(); }

void application::post(std::function<void()> fn) {
    if (!app) return;
    queue_to_ui(app.get(), [fn = std::move(fn)] { guarded(fn); });
}

bool application::invoke(const std::function<void()>& fn) {
    if (on_ui_thread()) return guarded(fn);
    if (!app) return false;
    struct state {
        bool done = false;
        bool ran = false;
    };
    auto shared = std::make_shared<state>();
    {
        std::lock_guard<std::mutex> lock(invoke_mutex);
        if (invokes_stopped) return false;
    }
    queue_to_ui(app.get(), [shared, fn] {
        {
            std::lock_guard<std::mutex> lock(invoke_mutex);
            if (invokes_stopped) return;
        }
        guarded(fn);
        std::lock_guard<std::mutex> lock(invoke_mutex);
        shared->done = shared->ran = true;
        invoke_done.notify_all();
    });
    std::unique_lock<std::mutex> lock(invoke_mutex);
    invoke_done.wait(lock, [&] { return shared->done || invokes_stopped; });
    return shared->ran;
}

void application::stop_invokes() {
    std::lock_guard<std::mutex> lock(invoke_mutex);
    invokes_stopped = true;
    invoke_done.notify_all();
}

void application::resume_invokes() {
    std::lock_guard<std::mutex> lock(invoke_mutex);
    invokes_stopped = false;
}

void application::process_events(int ms) {
    if (!app) return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void application::quit_loops() {
    if (app) QCoreApplication::exit(0);
}

window application::active_window() {
    if (!app) return nullptr;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

void application::beep() {
    if (app) QApplication::beep();
}

void application::set_window_icon(const image& picture) {
    if (app) QApplication::setWindowIcon(QIcon(QPixmap::fromImage(image_access::get(picture))));
}

std::function<void(std::exception_ptr)> set_error_sink(std::function<void(std::exception_ptr)> sink) {
    std::lock_guard<std::mutex> lock(sink_mutex);
    std::swap(error_sink, sink);
    return sink;
}

bool guarded(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        std::function<void(std::exception_ptr)> sink;
        {
            std::lock_guard<std::mutex> lock(sink_mutex);
            sink = error_sink;
        }
        if (sink) {
            try {
                sink(std::current_exception());
            } catch (...) {
                std::fputs("error sink failed\n", stderr);
            }
        } else {
            try {
                throw;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
            } catch (...) {
                std::fputs("unknown exception\n", stderr);
            }
        }
        return false;
    }
}

}  // namespace compat::ui
