#include "GUI2/g_welcome.h"

#include "GUI2/g_f_dlg.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_trace.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;

welcome_page::welcome_page(compat::wstring profile_extension)
    : wizard_page(dialog_id, wizard_page_kind::welcome), extension_(std::move(profile_extension)) {}

void welcome_page::build() {
    add_text(id_title, u"Welcome to the Database\nConversion Wizard\n");
    add_spacing(12);
    add_radio(id_direct, u"&Move to MySQL server directly", 1);
    add_radio(id_dump, u"&Store into dump file", 1);
    add_stretch();
    begin_row();
    add_stretch();
    add_button(id_load, u"&Load Settings");
    end_row();
}

bool welcome_page::page_init() {
    tk_log::log(1, "welcome_page::page_init");
    set_title_font(id_title);
    show_direct_mode();
    return true;
}

void welcome_page::show_direct_mode() {
    const bool direct = quarnel_convertor::instance().is_mysql_direct();
    set_checked(direct ? id_direct : id_dump, true);
}

int welcome_page::on_next() {
    tk_log::log(1, "welcome_page::on_next");
    const bool direct = is_checked(id_direct);
    quarnel_convertor::instance().set_mysql_direct(direct);
    tk_log::log(1, "settind direct_mode to %d", direct ? 1 : 0);
    return 0;
}

void welcome_page::display_help() { wizard_shell::display_help(help_topic); }

void welcome_page::on_command(int id, ui::notify what) {
    if (id == id_load && what == ui::notify::clicked) on_load_settings();
}

void welcome_page::on_load_settings() {
    // Reported under the finish page's source, whose profile-file code this button shares.
    if (extension_.size() != 3) tk_fail(tk_where::g_finish, 253);
    open_file_dialog dialog(native(), profile_filter(extension_), u"Select Profile File", compat::wstring());
    if (!dialog.show()) return;
    quarnel_convertor::instance().load_profile(dialog.get_path());
    show_direct_mode();
}
