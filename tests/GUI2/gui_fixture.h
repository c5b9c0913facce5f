// What every wizard test needs: the trace log, the wizard's front end and error handler,
// the shell, a fake desktop launcher that records the URLs it is asked to open, a state
// folder of the test's own, and helpers to find the sheet's buttons.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "GUI2/g_wiz_fe.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "app/qrn_errh.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_driver.h"

class gui_fixture : public testing::Test {
protected:
    gui_fixture();
    ~gui_fixture() override;

    // The URLs given to the desktop launcher so far.
    std::vector<std::string> opened_urls() const;
    // Waits until the launcher has noted n URLs (each launch runs on its own, so a test that
    // checks their order waits for each one).
    bool wait_for_urls(size_t n) const;
    QPushButton* sheet_button(int id);
    // Runs the shell's sheet with the script running inside it.
    int run_sheet(const std::function<void()>& script);

    tk_log log_{nullptr, false, 3, false};
    wizard_front_end front_;
    error_handler handler_;
    std::unique_ptr<wizard_shell> shell_;
    // The folder of the fake launcher, first on PATH.
    test_support::temp_dir launcher_dir_{"mg-gui"};
    // The user's state folder ($XDG_STATE_HOME), where bug reports go.
    test_support::temp_dir state_dir_{"mg-state"};

private:
    std::string url_log_;
    std::string old_path_;
    std::string old_state_;
    bool had_state_ = false;
};
