#include "tests/GUI2/x_session.h"

#include <signal.h>
#include <unistd.h>

#include <thread>

using namespace std::chrono_literals;
using test_support::child;
using test_support::proc_options;

namespace x_session {

namespace {

// A child that is asked to end (SIGTERM) and waited for when the scope ends; the child's
// own destructor kills what is still there.
void stop(child& c) {
    if (!c.running()) return;
    c.signal(SIGTERM);
    poll_until([&c] { return !c.running(); }, 5s);
}

}  // namespace

bool poll_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

bool tools_installed() { return ::access("/usr/bin/Xvfb", X_OK) == 0 && ::access("/usr/bin/xdotool", X_OK) == 0; }

x_server::x_server(const std::string& work_dir)
    // the server picks a free display itself and tells its number on standard output
    : xvfb_({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, work_dir) {
    if (!poll_until([&] { return xvfb_.out_so_far().find('\n') != std::string::npos || !xvfb_.running(); }, 20s))
        return;
    if (!xvfb_.running()) return;
    std::string number = xvfb_.out_so_far();
    number.erase(number.find('\n'));
    display_ = ":" + number;
}

x_server::~x_server() { stop(xvfb_); }

std::string x_server::xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    proc_options options;
    options.env = {{"DISPLAY", display_}};
    return test_support::run_process(argv, options).out;
}

wizard_end run_profile_to_finish(const x_server& x, const std::string& profile, const std::string& work_dir,
                                 const char* first_window) {
    wizard_end end;
    proc_options options;
    options.env = {{"DISPLAY", x.display()}, {"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", ""}};
    child wizard({MG_MARROWGATE, profile}, options, work_dir);
    std::string window;
    end.window_came = poll_until(
        [&] {
            window = x.xdotool({"search", "--name", first_window});
            return !window.empty() || !wizard.running();
        },
        60s);
    end.window_came = end.window_came && !window.empty();
    if (end.window_came) {
        window.erase(window.find('\n'));
        // Enter presses the window's default button: nothing on the progress page (its
        // buttons are disabled), Finish on the finish page, OK in a box; only while that
        // window is the wizard's one window, since another box would take the key.
        end.ended = poll_until(
            [&] {
                if (!wizard.running()) return true;
                const std::string shown =
                    x.xdotool({"search", "--onlyvisible", "--pid", std::to_string(wizard.pid()), "--name", "."});
                for (size_t at = 0, next; (next = shown.find('\n', at)) != std::string::npos; at = next + 1) {
                    const std::string id = shown.substr(at, next - at);
                    if (id == window)
                        end.sheet_listed = true;
                    else
                        end.other_window = x.xdotool({"getwindowname", id});
                }
                if (!end.other_window.empty()) return true;
                x.xdotool({"windowfocus", "--sync", window});
                x.xdotool({"key", "--clearmodifiers", "Return"});
                return !wizard.running();
            },
            120s);
        end.ended = end.ended && end.other_window.empty();
    }
    stop(wizard);
    end.result = wizard.wait();
    return end;
}

}  // namespace x_session
