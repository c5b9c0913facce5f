// The built marrowgate under a real X server of the test's own (Xvfb on a display it picks),
// as a user starts it with a saved profile: the run converts as the sheet opens, and Enter
// pressed through the X server (xdotool) is Finish once the finish page is there.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/proc_run.h"

namespace x_session {

// Polls `done` every 100 ms until it holds or the time is up.
bool poll_until(const std::function<bool()>& done, std::chrono::milliseconds limit);

// Xvfb and xdotool are there (scripts/setup installs them).
bool tools_installed();

class x_server {
public:
    // Starts Xvfb; started() tells whether it runs.
    explicit x_server(const std::string& work_dir);
    ~x_server();  // asks it to end and waits, so that it leaves no lock file behind
    x_server(const x_server&) = delete;
    x_server& operator=(const x_server&) = delete;

    bool started() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    // xdotool on the display; its standard output.
    std::string xdotool(const std::vector<std::string>& args) const;

private:
    test_support::child xvfb_;
    std::string display_;
};

struct wizard_end {
    bool window_came = false;   // the first window showed
    bool ended = false;         // the wizard ended on Enter
    bool sheet_listed = false;  // the search saw that window among the wizard's windows
    std::string other_window;   // the title of another window that came up (a message box)
    test_support::proc_result result;
};

// The title of the wizard's sheet, as xdotool searches it.
inline const char* const sheet_title = "^Marrowgate [0-9.]+$";

// Runs marrowgate PROFILE on the display and presses Enter on its first window (the sheet,
// or the box titled `first_window` that ends it before any sheet) until it ends, unless
// another window comes up; then the wizard is ended.
wizard_end run_profile_to_finish(const x_server& x, const std::string& profile, const std::string& work_dir,
                                 const char* first_window = sheet_title);

}  // namespace x_session
