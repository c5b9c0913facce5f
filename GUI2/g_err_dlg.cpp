#include "GUI2/g_err_dlg.h"

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "TK/tk_mail.h"
#include "TK/tk_utils.h"

namespace ui = compat::ui;
using compat::wstring;

namespace {

// Runs the dialog where widgets live; a caller on another thread waits for the answer.
template <class Dialog>
int run_on_ui_thread(Dialog& d) {
    int result = -1;
    auto show = [&] { result = d.run_modal(ui::application::active_window()); };
    if (ui::application::on_ui_thread())
        show();
    else if (!ui::application::invoke(show))
        return -1;
    return result;
}

// The message row: the system's error picture beside the text.
void build_message(ui::surface& s, int message_id) {
    s.begin_row();
    s.add_icon(0, ui::icon::error);
    s.add_text(message_id, u"");
    s.add_stretch();
    s.end_row();
}

}  // namespace

wstring error_dialog_caption() {
    return wizard_shell::is_initialized() ? wizard_shell::instance().title() + u" Error" : wstring(u"Error");
}

dlg_error_ex::dlg_error_ex(wstring message) : message_(std::move(message)) { tk_log::log(1, "dlg_error_ex::ctor"); }

int dlg_error_ex::show(const wstring& message) {
    dlg_error_ex d(message);
    const int result = run_on_ui_thread(d);
    return result < 0 ? ui::id_ok : result;
}

void dlg_error_ex::build() {
    set_size_du(264, 58);
    build_message(*this, id_message);
    begin_row();
    add_stretch();
    add_button(ui::id_ok, u"OK");
    add_button(id_copy, u"Copy to clipboard");
    add_button(id_send_bug, u"Send bug", true);
    end_row();
}

bool dlg_error_ex::on_init() {
    tk_log::log(1, "dlg_error_ex::on_init");
    set_caption(error_dialog_caption());
    set_text(id_message, message_);
    center_on_owner();
    bring_to_top();
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
            tk_copy_to_clipboard2(message_);
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
    tk_send_bug(title, tk_to_narrow(message_));
}

dlg_error_continue::dlg_error_continue(wstring message) : message_(std::move(message)) {
    tk_log::log(1, "dlg_error_continue::ctor");
}

dlg_error_continue::answer dlg_error_continue::ask(const wstring& message) {
    dlg_error_continue d(message);
    const int result = run_on_ui_thread(d);
    if (result < 0) return {id_abort, false};
    return {result, d.dont_show()};
}

void dlg_error_continue::build() {
    set_size_du(264, 76);
    build_message(*this, id_message);
    add_check(id_dont_show, u"&Do not show this dialog box again", ui::check_mode::by_command);
    begin_row();
    add_stretch();
    add_button(id_abort, u"Abort");
    add_button(id_continue, u"Continue", true);
    end_row();
}

bool dlg_error_continue::on_init() {
    tk_log::log(1, "dlg_error_continue::on_init");
    set_caption(error_dialog_caption());
    set_text(id_message, message_);
    center_on_owner();
    bring_to_top();
    return true;
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
