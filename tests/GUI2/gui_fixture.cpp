#include "tests/GUI2/gui_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/qrn_conv.h"
#include "tests/GUI2/wizard_driver.h"

namespace fs = std::filesystem;

gui_fixture::gui_fixture()
    : handler_(front_, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data()) {
    handler_.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    shell_ = std::make_unique<wizard_shell>(u"Marrowgate Test", wizard_shell::icon_resource,
                                            wizard_shell::watermark_resource, wizard_shell::header_resource);
    // The desktop's launcher, as a script that notes what it was asked to open.
    char pattern[] = "/tmp/mg-gui-XXXXXX";
    launcher_dir_ = mkdtemp(pattern);
    url_log_ = launcher_dir_ + "/urls";
    const std::string script = launcher_dir_ + "/xdg-open";
    std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << url_log_ << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    old_path_ = path ? path : "";
    setenv("PATH", (launcher_dir_ + ":" + old_path_).c_str(), 1);
    compat::ui::set_error_sink(&wizard_shell::report_exception);
    wizard_test::set_failure_handler([](const std::string& what) { ADD_FAILURE() << what; });
}

gui_fixture::~gui_fixture() {
    compat::ui::set_error_sink(nullptr);
    setenv("PATH", old_path_.c_str(), 1);
    shell_.reset();
    std::error_code ignored;
    fs::remove_all(launcher_dir_, ignored);
}

std::vector<std::string> gui_fixture::opened_urls() const {
    // The launcher runs detached: give it a moment.
    std::vector<std::string> urls;
    test_support::wait_until([&] { return fs::exists(url_log_); }, 2000);
    std::ifstream in(url_log_);
    for (std::string line; std::getline(in, line);) urls.push_back(line);
    return urls;
}

QPushButton* gui_fixture::sheet_button(int id) {
    return shell_->sheet().native()->findChild<QPushButton*>(QString::number(id));
}

int gui_fixture::run_sheet(const std::function<void()>& script) {
    return test_support::run_with([&] { return shell_->run(); }, script);
}
