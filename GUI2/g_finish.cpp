#include "GUI2/g_finish.h"

#include <algorithm>
#include <filesystem>

#include "GUI2/g_f_dlg.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "compat/text/format.h"

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

namespace {

// The kept errors, each followed by an empty line; past the first ones, how many more there
// were, and the error that ended the run. Then the notes the same way, each as "Note: ...".
wstring error_list_text(const wizard_shell::error_record& record, const wizard_shell::note_record& notes) {
    wstring text;
    const auto add = [&text](wstring line) {
        std::replace(line.begin(), line.end(), u'\n', u' ');
        text += line + u"\r\n\r\n";
    };
    const auto more = [](size_t n, const char* what) {
        return tk_to_wide(compat::format("... and %d more %s%s", static_cast<int>(n), what, n == 1 ? "" : "s"));
    };
    for (const std::string& error : record.first) add(tk_to_wide(error));
    if (record.not_listed > 0) add(more(record.not_listed, "error"));
    if (!record.ending.empty()) add(tk_to_wide(record.ending));
    for (const wstring& note : notes.first) add(u"Note: " + note);
    if (notes.not_listed > 0) add(more(notes.not_listed, "note"));
    return text;
}

// Anything at the path, a link to nowhere included.
bool file_is_there(const wstring& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(tk_to_narrow(path), ec).type() != std::filesystem::file_type::not_found;
}

// A run that ended early names the table it stopped in; one that stopped before its first
// table or after its last one (completing the destination) names none.
wstring stopped_text(const quarnel_convertor& conv) {
    const wstring table = conv.get_current_table();
    const wstring where = conv.table_count.load() > 0 && !table.empty()
                              ? compat::wformat(u"The conversion stopped in table '%s' before its end.", table)
                              : wstring(u"The conversion stopped before its end.");
    return where + u"\nClick 'Finish' to exit the wizard.";
}

}  // namespace

bool gui_finish_page::page_init() {
    tk_log::log(2, "gui_finish_page::page_init");
    set_title_font(id_title);
    wizard_shell& shell = wizard_shell::instance();
    shell.enable_button(ui::id_cancel, false);
    shell.enable_button(ui::id_help, false);
    const quarnel_convertor& conv = quarnel_convertor::instance();
    const bool stopped = conv.run_failed();
    set_text(id_title, stopped ? u"Conversion has Stopped" : u"Conversion is Completed");
    const wizard_shell::error_record errors = shell.error_list();
    const wizard_shell::note_record notes = shell.note_list();
    if (errors.first.empty() && !stopped) {
        tk_log::log(2, "Display success-message");
        set_text(id_result, success_text_);
    } else {
        tk_log::log(2, "Display errors");
        set_text(id_result, stopped ? stopped_text(conv) : error_text_);
    }
    if (errors.first.empty() && notes.first.empty()) return true;
    show_ctrl(id_errors, true);
    set_text(id_errors, error_list_text(errors, notes));
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
    // Asked here, for the path as completed: the name typed may not be the file replaced.
    if (file_is_there(dialog.get_path()) &&
        !wizard_shell::question(u"The profile file '" + dialog.get_path() + u"' already exists. Replace it?", true))
        return;
    // The user must learn that the settings are not where they asked for them.
    if (!quarnel_convertor::instance().store_profile(dialog.get_path()))
        wizard_shell::error(u"The settings could not be saved into the profile file '" + dialog.get_path() + u"'.");
}
