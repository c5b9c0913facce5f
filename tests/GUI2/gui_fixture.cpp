#include "tests/GUI2/gui_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "app/qrn_conv.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

gui_fixture::gui_fixture()
    : handler_(front_, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data()) {
    handler_.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    shell_ = std::make_unique<wizard_shell>(u"Marrowgate Test", wizard_shell::icon_resource,
                                            wizard_shell::watermark_resource, wizard_shell::header_resource);
    // The desktop's launcher, as a script that notes what it was asked to open.
    url_log_ = launcher_dir_.file("urls");
    const std::string script = launcher_dir_.file("xdg-open");
    test_support::write_file(script, "#!/bin/sh\necho \"$1\" >> '" + url_log_ + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    old_path_ = path ? path : "";
    setenv("PATH", (launcher_dir_.path() + ":" + old_path_).c_str(), 1);
    if (const char* state = std::getenv("XDG_STATE_HOME")) {
        had_state_ = true;
        old_state_ = state;
    }
    setenv("XDG_STATE_HOME", state_dir_.path().c_str(), 1);
    compat::ui::set_error_sink(&wizard_shell::report_exception);
    wizard_test::set_failure_handler([](const std::string& what) { ADD_FAILURE() << what; });
}

gui_fixture::~gui_fixture() {
    compat::ui::set_error_sink(nullptr);
    setenv("PATH", old_path_.c_str(), 1);
    if (had_state_)
        setenv("XDG_STATE_HOME", old_state_.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
    shell_.reset();
}

std::vector<std::string> gui_fixture::opened_urls() const {
    // The launcher runs detached: give it a moment.
    test_support::wait_until([&] { return fs::exists(url_log_); }, 2000);
    return test_support::lines_of(test_support::read_file(url_log_));
}

bool gui_fixture::wait_for_urls(size_t n) const {
    return test_support::wait_until(
        [&] { return test_support::lines_of(test_support::read_file(url_log_)).size() >= n; }, 10000);
}

QPushButton* gui_fixture::sheet_button(int id) {
    return shell_->sheet().native()->findChild<QPushButton*>(QString::number(id));
}

int gui_fixture::run_sheet(const std::function<void()>& script) {
    return test_support::run_with([&] { return shell_->run(); }, script, [&] { return shell_->sheet().native(); });
}
