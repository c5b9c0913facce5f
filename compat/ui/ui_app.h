// The application object and the user-interface thread. Widgets live on the thread that
// created the application; other threads hand work to it with post() or invoke() (which
// waits for the answer). Exceptions thrown by handlers that the layer calls (commands,
// page notifications, timer ticks) never enter the toolkit's event loop: they go to the
// error sink.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "compat/ui/ui_types.h"

namespace compat::ui {

class application {
public:
    // Starts the windowing system for the process. When no display can be opened,
    // no_display is called (it must not return); the toolkit would otherwise abort.
    application(int& argc, char** argv, void (*no_display)());
    ~application();
    application(const application&) = delete;
    application& operator=(const application&) = delete;

    // The toolkit version found at run time and the one the program was built with, as
    // major << 16 | minor << 8 | patch.
    static uint32_t runtime_version();
    static uint32_t build_version();
    static std::string build_version_text();

    static bool exists();
    static bool on_ui_thread();

    // Queues fn to the user-interface thread (runs it there later, also when called there).
    static void post(std::function<void()> fn);
    // Runs fn on the user-interface thread and waits for it to end; on that thread it runs
    // at once. Returns false (fn not run) once stop_invokes() was called, so that a worker
    // waiting on a closing window never hangs. Exceptions of fn reach the error sink.
    static bool invoke(const std::function<void()>& fn);
    // Refuses and releases every waiting and later invoke(); called before joining workers
    // at shutdown.
    static void stop_invokes();
    // Accepts invoke() again after stop_invokes(), when windows open anew in the same
    // process (no worker of the closed ones may be left).
    static void resume_invokes();

    // Processes pending events for about ms milliseconds (tests, splash waits).
    static void process_events(int ms);
    // Leaves every running event loop (modal dialogs and sheets return).
    static void quit_loops();

    // The active top-level window, or null.
    static window active_window();
    static void beep();
    static void set_window_icon(const class image& picture);
};

// Where exceptions of handlers go. The default writes what() to standard error. Returns the
// sink it replaces, so that a temporary one can put it back.
std::function<void(std::exception_ptr)> set_error_sink(std::function<void(std::exception_ptr)> sink);
// Runs fn; any exception goes to the error sink. True when fn returned normally.
bool guarded(const std::function<void()>& fn);

}  // namespace compat::ui
