#include "GUI2/g_ora_pg.h"

#include "GUI2/g_err_text.h"
#include "GUI2/g_wiz_sh.h"
#include "ORA/ora_util.h"
#include "TK/tk_log.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"

namespace ui = compat::ui;

namespace {

bool is_listener_error(int number) { return number == 12500 || number == 12505 || number == 12541 || number == 12545; }

}  // namespace

oracle_settings_page::oracle_settings_page(int wait_interval_ms)
    : wizard_page(dialog_id, wizard_page_kind::interior, u"Step 1 of 6", u"Connect to Oracle server"),
      wait_(0, u"", wait_interval_ms),
      animation_(wait_) {}

oracle_settings_page::~oracle_settings_page() {
    // The connect thread goes before the dialog it ends.
    if (is_running()) terminate();
}

void oracle_settings_page::build() {
    add_text(0, u"If the program has been installed on Oracle server machine, you can leave");
    add_text(0, u"'Server' editbox empty. It is necessary to specify the port only if it differs");
    add_text(0, u"from default value 1521.");
    add_spacing(6);
    add_labeled_edit(0, u"&Server (IP or network name):", id_host);
    add_labeled_edit(0, u"Po&rt:", id_port);
    add_labeled_edit(0, u"&Database name:", id_database);
    add_labeled_edit(0, u"&Username:", id_user);
    add_labeled_edit(0, u"&Password:", id_password, ui::edit_password);
    add_stretch();
}

bool oracle_settings_page::page_init() {
    tk_log::log(1, "ora_settings_page::page_init");
    quarnel_convertor& conv = quarnel_convertor::instance();
    set_text(id_host, conv.oracle_host());
    set_text(id_port, conv.oracle_port());
    set_text(id_database, conv.source_name());
    set_text(id_user, conv.oracle_user());
    set_text(id_password, conv.oracle_password());
    return true;
}

void oracle_settings_page::store_settings() {
    tk_log::log(2, "oracle_settings_page::store_settings");
    quarnel_convertor& conv = quarnel_convertor::instance();
    conv.set_source_name(get_wide(id_database));
    conv.store_oracle_settings(get_wide(id_host), get_wide(id_user), get_wide(id_password), get_wide(id_port));
}

int oracle_settings_page::on_next() {
    store_settings();
    quarnel_convertor& conv = quarnel_convertor::instance();
    if (conv.source_name().empty()) {
        wizard_shell::message(u"You should enter Oracle database name");
        return -1;
    }
    start();
    wait_.run_modal(ui::application::active_window());
    // The dialog ends when the connect has ended; the thread is then done or about to be.
    wait();
    if (!animation_.connected()) return -1;
    return conv.is_mysql_direct() ? 123 : 102;
}

int oracle_settings_page::on_back() {
    store_settings();
    return 0;
}

void oracle_settings_page::display_help() { wizard_shell::display_help(help_topic); }

void oracle_settings_page::animation::operator()() {
    tk_log::log(2, "oracle_settings_page::animation::operator()");
    connected_.store(false, std::memory_order_release);
    connect();
    dialog_.finish();
}

void oracle_settings_page::animation::connect() {
    try {
        quarnel_convertor& conv = quarnel_convertor::instance();
        conv.connect_oracle_server(conv.source_name());
        connected_.store(true, std::memory_order_release);
    } catch (const ora_exception& e) {
        wizard_shell::error(wizard_error_text(e, wizard_tables::oracle));
        if (is_listener_error(wizard_error_number(e))) wizard_shell::display_help(connect_help_topic);
    } catch (const tk_final_exception&) {
        // The error has been reported and the program is ending.
    } catch (const tk_exception& e) {
        try {
            error_handler::instance().handle(e, true);
        } catch (const tk_final_exception&) {
        }
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
        ui::application::post([] { wizard_shell::request_exit(-1); });
    }
}
