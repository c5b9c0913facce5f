// The welcome page (dialog 103): writing to a MySQL server or to a dump file, and Load
// Settings, which reads a profile into the converter.
#pragma once

#include "GUI2/g_wiz_pg.h"

class welcome_page : public wizard_page {
public:
    static constexpr int dialog_id = 103;
    static constexpr int help_topic = 1014;
    static constexpr int id_title = 1337;
    static constexpr int id_direct = 1329;
    static constexpr int id_dump = 1330;
    static constexpr int id_load = 1115;

    // The profile extension (three characters, "qrn") of Load Settings' filter.
    explicit welcome_page(compat::wstring profile_extension);

    bool page_init() override;
    int on_next() override;
    void display_help() override;
    // Shows the converter's direct-to-server flag in the radios.
    virtual void show_direct_mode();

protected:
    void build() override;
    void on_command(int id, compat::ui::notify what) override;

private:
    void on_load_settings();

    compat::wstring extension_;
};
