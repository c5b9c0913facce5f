#include "GUI2/g_err_dlg.h"

#include <memory>
#include <optional>
#include <type_traits>

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "TK/tk_mail.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;
using compat::wstring;

namespace {

// Builds, runs and destroys the dialog where widgets live, and reads its answer there; a
// caller on another thread waits. Nothing (no answer) when the interface is closing. The
// call and its answer are shared with the queued call, which may outlive a caller that
// a closing interface has released.
template <class Dialog, class Read>
std::optional<std::invoke_result_t<Read, Dialog&, int>> run_on_ui_thread(const wstring& message, Read read) {
    auto answer = std::make_shared<std::optional<std::invoke_result_t<Read, Dialog&, int>>>();
    auto show = [message, read, answer] {
        Dialog d(message);
        const int button = d.run_modal(ui::application::active_window());
        *answer = read(d, button);
    };
    if (ui::application::on_ui_thread())
        show();
    else if (!ui::application::invoke(show))
        return std::nullopt;
    return *answer;
}

}  // namespace

wstring error_dialog_caption() {
    return wizard_shell::is_initialized() ? wizard_shell::instance().title() + u" Error" : wstring(u"Error");
}

error_dialog::error_dialog(const char* name, wstring message) : name_(name), message_(std::move(message)) {
    tk_log::log(1, "%s::ctor", name_);
}

void error_dialog::build_message(int height_du) {
    set_size_du(264, height_du);
    begin_row();
    add_icon(0, ui::icon::error);
    add_text(id_message, u"");
    add_stretch();
    end_row();
}

bool error_dialog::on_init() {
    tk_log::log(1, "%s::on_init", name_);
    set_caption(error_dialog_caption());
    set_text(id_message, message_);
    center_on_owner();
    bring_to_top();
    return true;
}

dlg_error_ex::dlg_error_ex(wstring message) : error_dialog("dlg_error_ex", std::move(message)) {}

int dlg_error_ex::show(const wstring& message) {
    const auto read = [](dlg_error_ex&, int button) {
        if (button == id_copy) tk_hold_clipboard();
        return button;
    };
    return run_on_ui_thread<dlg_error_ex>(message, read).value_or(ui::id_ok);
}

void dlg_error_ex::build() {
    build_message(58);
    add_text(id_report_file, u"");
    begin_row();
    add_stretch();
    add_button(ui::id_ok, u"OK");
    add_button(id_copy, u"Copy to clipboard");
    add_button(id_send_bug, u"Send bug", true);
    end_row();
}

// Written as the dialog opens: with no mail program and a clipboard that dies with the
// program, the file is what is left of the report.
bool dlg_error_ex::on_init() {
    error_dialog::on_init();
    const tk_saved_report saved = tk_save_bug_report(tk_to_narrow(report_subject()), tk_to_narrow(message()));
    set_text(id_report_file, saved.error.empty() ? u"The report is saved in " + tk_to_wide(saved.path)
                                                 : u"The report could not be saved in " + tk_to_wide(saved.path) +
                                                       u": " + tk_to_wide(saved.error));
    return true;
}

void dlg_error_ex::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked) return;
    switch (id) {
        case ui::id_ok:
        case ui::id_cancel:  // Escape and the close box: as OK
            end(ui::id_ok);
            break;
        case id_copy:
            tk_copy_to_clipboard2(message());
            end(id_copy);
            break;
        case id_send_bug:
            on_send_bug();
            end(id_send_bug);
            break;
        default:
            break;
    }
}

void dlg_error_ex::on_send_bug() {
    const std::string title = wizard_shell::is_initialized() ? tk_to_narrow(wizard_shell::instance().title()) : "";
    tk_send_bug(title, tk_to_narrow(message()));
}

wstring report_subject() {
    return wizard_shell::is_initialized() ? wizard_shell::instance().title() : quarnel_convertor::get_title();
}

dlg_error_continue::dlg_error_continue(wstring message) : error_dialog("dlg_error_continue", std::move(message)) {}

dlg_error_continue::answer dlg_error_continue::ask(const wstring& message) {
    const auto read = [](dlg_error_continue& d, int button) { return answer{button, d.dont_show()}; };
    return run_on_ui_thread<dlg_error_continue>(message, read).value_or(answer{id_abort, false});
}

void dlg_error_continue::build() {
    build_message(76);
    add_check(id_dont_show, u"&Do not show this dialog box again", ui::check_mode::by_command);
    begin_row();
    add_stretch();
    add_button(id_abort, u"Abort");
    add_button(id_continue, u"Continue", true);
    end_row();
}

void dlg_error_continue::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked) return;
    switch (id) {
        case id_abort:
            end(id_abort);
            break;
        case id_continue:  // also Escape and the close box
            end(id_continue);
            break;
        case id_dont_show:
            dont_show_ = !is_checked(id_dont_show);
            set_checked(id_dont_show, dont_show_);
            break;
        default:
            break;
    }
}
