// The destination page (dialog 106): the MySQL database name or the dump-file path and the
// four conversion switches. Next settles an existing destination: the overwrite dialog for
// a database (mode 0 drops it at once), a question for a dump file (Yes deletes it at once).
#pragma once

#include "GUI2/g_wiz_pg.h"

class sel_file_page : public wizard_page {
public:
    static constexpr int dialog_id = 106;
    static constexpr int help_topic = 1013;
    static constexpr int overwrite_help_topic = 1016;
    static constexpr int id_source = 1320;
    static constexpr int id_label = 1312;
    static constexpr int id_dest = 1004;
    static constexpr int id_browse = 1104;
    static constexpr int id_tab_def = 1228;
    static constexpr int id_skip_idx = 1226;
    static constexpr int id_case = 1202;
    static constexpr int id_views = 1203;

    sel_file_page();

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void display_help() override;
    void store_file_info();

protected:
    void build() override;
    void on_command(int id, compat::ui::notify what) override;

private:
    void on_browse();
    // The working folder at the program's start: a dump path made from a bare name goes
    // there, and is shown whole.
    compat::wstring start_folder_;
    int check_server_dest(const compat::wstring& name);
    int check_dump_dest(const compat::wstring& path);
};
