// The MySQL connection page (dialog 123): a server on this machine or a remote one, user
// and password; Next connects.
#pragma once

#include "GUI2/g_wiz_pg.h"

class sql_settings_page2 : public wizard_page {
public:
    static constexpr int dialog_id = 123;
    static constexpr int help_topic = 1011;
    // Shown after the MySQL errors 1249 and 1250 and a refused authentication method.
    static constexpr int connect_help_topic = 1018;
    static constexpr int id_local = 1329;
    static constexpr int id_remote = 1330;
    static constexpr int id_user = 1012;
    static constexpr int id_password = 1013;
    static constexpr int id_host = 1014;
    static constexpr int id_port = 1015;

    sql_settings_page2();

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void display_help() override;
    void store_settings();

protected:
    void build() override;
    void on_command(int id, compat::ui::notify what) override;
};
