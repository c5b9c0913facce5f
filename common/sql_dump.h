// The dump-options page of the wizard (dialog 102): the MySQL version and line breaks the
// dump file is written for, and what it contains.
#pragma once

#include "GUI2/g_wiz_pg.h"

class sql_dump_page : public wizard_page {
public:
    static constexpr int dialog_id = 102;
    static constexpr int help_topic = 1022;
    static constexpr int id_new_version = 1329;
    static constexpr int id_old_version = 1330;
    static constexpr int id_windows_breaks = 1331;
    static constexpr int id_unix_breaks = 1332;
    static constexpr int id_lock = 1202;
    static constexpr int id_create_db = 1203;
    static constexpr int id_create_table = 1204;
    static constexpr int id_comments = 1205;
    static constexpr uint32_t new_version_word = 0x40100;  // 4.1.0
    static constexpr uint32_t old_version_word = 0x31401;  // 3.20.1

    sql_dump_page();

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void display_help() override;
    void store_dump_options();

protected:
    void build() override;
    void on_command(int id, compat::ui::notify what) override;

private:
    // A click on a radio of either group: the clicked group takes the click, the other keeps
    // its choice.
    void sync_radio_groups(int clicked);
};
