// marrowgate: the wizard that moves an Oracle schema into a MySQL server or a dump file.
// Its command line, as a whole, names a profile to convert without asking.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "GUI2/g_wiz_fe.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "app/qrn_errh.h"
#include "app/qrn_shel.h"
#include "compat/ui/ui.h"

namespace {

[[noreturn]] void no_display() {
    std::fputs("Failed to initialize GUI library\n", stderr);
    std::fflush(stderr);
    std::_Exit(255);
}

std::string command_line(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    compat::ui::application gui(argc, argv, no_display);
    tk_log log(nullptr, false, 3, false);
    wizard_front_end front;
    error_handler handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data());
    handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    compat::ui::set_error_sink(&wizard_shell::report_exception);
    if (!qrn_check_gui_version()) return 255;
    int result = 0;
    try {
        result = qrn_run_wizard(front, command_line(argc, argv));
    } catch (const qrn_exit_request& r) {
        result = r.code;
    }
    compat::ui::application::stop_invokes();
    const int requested = wizard_shell::requested_exit();
    return requested >= 0 ? requested : result;
}
