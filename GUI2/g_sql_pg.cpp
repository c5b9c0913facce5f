#include "GUI2/g_sql_pg.h"

#include "GUI2/g_err_text.h"
#include "GUI2/g_wait_run.h"
#include "GUI2/g_wiz_sh.h"
#include "SQL/sql_exc.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;

sql_settings_page2::sql_settings_page2()
    : wizard_page(dialog_id, wizard_page_kind::interior, u"Step 2 of 6", u"Connect to MySQL server") {}

void sql_settings_page2::build() {
    add_radio(id_local, u"&Local", 1);
    add_radio(id_remote, u"&Remote", 1);
    begin_box(u"");
    add_labeled_edit(0, u"H&ost:", id_host);
    add_text(0, u"(it could be network name or IP address)");
    add_labeled_edit(0, u"&Port number:", id_port);
    add_text(0, u"(default MySQL port is 3306)");
    end_box();
    add_spacing(6);
    add_labeled_edit(0, u"&User name:", id_user);
    add_labeled_edit(0, u"User pa&ssword:", id_password, ui::edit_password);
    add_stretch();
}

bool sql_settings_page2::page_init() {
    tk_log::log(1, "sql_settings_page2<t_converter>::page_init");
    quarnel_convertor& conv = quarnel_convertor::instance();
    set_text(id_user, tk_to_wide(conv.mysql_user()));
    set_text(id_password, tk_to_wide(conv.mysql_password()));
    const bool local = conv.mysql_host().empty();
    set_checked(local ? id_local : id_remote, true);
    if (!local) {
        set_text(id_host, tk_to_wide(conv.mysql_host()));
        set_text(id_port, tk_to_wide(conv.mysql_port()));
    }
    enable_ctrl(id_port, !local);
    enable_ctrl(id_host, !local);
    return true;
}

// Enabling gives the focus: Remote leaves it on Host, where the user types next.
void sql_settings_page2::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked || (id != id_local && id != id_remote)) return;
    enable_ctrl(id_port, id == id_remote);
    enable_ctrl(id_host, id == id_remote);
}

void sql_settings_page2::store_settings() {
    std::string port = "3306";
    std::string host;
    if (is_checked(id_remote)) {
        host = get_narrow(id_host);
        port = get_narrow(id_port);
    }
    quarnel_convertor::instance().store_mysql_settings(host, get_narrow(id_user), get_narrow(id_password), port);
}

int sql_settings_page2::on_next() {
    store_settings();
    try {
        wait_for_work(wait_mysql_connect, [] { quarnel_convertor::instance().connect_mysql_server(); });
    } catch (const sql_auth_not_supported_exception& e) {
        wizard_shell::error(e.message());
        wizard_shell::display_help(connect_help_topic);
        return -1;
    } catch (const tk_exception& e) {
        wizard_shell::error(wizard_error_text(e, wizard_tables::mysql));
        if (sql_exception::is_auth_protocol_refused(sql_exception::code_of(wizard_error_number(e))))
            wizard_shell::display_help(connect_help_topic);
        return -1;
    }
    return 106;
}

int sql_settings_page2::on_back() {
    store_settings();
    return 104;
}

void sql_settings_page2::display_help() { wizard_shell::display_help(help_topic); }
