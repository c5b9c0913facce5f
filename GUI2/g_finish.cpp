#include "GUI2/g_finish.h"

#include <algorithm>

#include "GUI2/g_f_dlg.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;
using compat::wstring;

gui_finish_page::gui_finish_page(wstring success_text, wstring error_text)
    : wizard_page(dialog_id, wizard_page_kind::finish),
      success_text_(std::move(success_text)),
      error_text_(std::move(error_text)) {
    tk_log::log(2, "gui_finish_page::ctor");
}

void gui_finish_page::build() {
    add_text(id_title, u"Conversion is Completed");
    add_spacing(8);
    add_text(id_result, u"");
    add_edit(id_errors, ui::edit_multiline | ui::edit_readonly);
    show(id_errors, false);
    add_stretch();
    begin_row();
    add_button(id_save, u"&Save Settings");
    add_stretch();
    end_row();
}

bool gui_finish_page::page_init() {
    tk_log::log(2, "gui_finish_page::page_init");
    set_title_font(id_title);
    wizard_shell& shell = wizard_shell::instance();
    shell.enable_button(ui::id_cancel, false);
    shell.enable_button(ui::id_help, false);
    const std::vector<std::string> errors = shell.errors();
    if (errors.empty()) {
        tk_log::log(2, "Display success-message");
        set_text(id_result, success_text_);
        return true;
    }
    tk_log::log(2, "Display errors");
    set_text(id_result, error_text_);
    show_ctrl(id_errors, true);
    wstring text;
    for (std::string error : errors) {
        std::replace(error.begin(), error.end(), '\n', ' ');
        text += tk_to_wide(error) + u"\r\n\r\n";
    }
    set_text(id_errors, text);
    return true;
}

void gui_finish_page::on_command(int id, ui::notify what) {
    if (id == id_save && what == ui::notify::clicked) on_save_settings();
    if (id == id_errors && what == ui::notify::focused) on_eb_focus();
}

void gui_finish_page::on_eb_focus() {
    tk_log::log(1, "gui_finish_page::on_eb_focus");
    if (!first_focus_) return;
    first_focus_ = false;
    edit_caret_to_end(id_errors);
    wizard_shell::instance().sheet().focus_button(ui::id_finish);
}

qrn_finish_page::qrn_finish_page(wstring success_text, wstring error_text, wstring profile_extension)
    : gui_finish_page(std::move(success_text), std::move(error_text)),
      profile_extension_(std::move(profile_extension)) {}

void qrn_finish_page::on_save_settings() {
    if (profile_extension_.size() != 3) tk_fail(tk_where::g_finish, 137);
    save_file_dialog dialog(native(), profile_filter(profile_extension_), u"Select Profile File", wstring(),
                            profile_extension_);
    if (!dialog.show()) return;
    // The user must learn that the settings are not where they asked for them.
    if (!quarnel_convertor::instance().store_profile(dialog.get_path()))
        wizard_shell::error(u"The settings could not be saved into the profile file '" + dialog.get_path() + u"'.");
}
