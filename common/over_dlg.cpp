#include "common/over_dlg.h"

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_trace.h"

namespace ui = compat::ui;

overwrite_dlg2::overwrite_dlg2(int help_topic, compat::wstring text) : help_topic_(help_topic), text_(std::move(text)) {
    tk_log::log(1, "overwrite_dlg2::ctor");
    // 245 x 120 dialog units.
    set_size_du(245, 120);
}

void overwrite_dlg2::build() {
    begin_row();
    add_icon(0, ui::icon::warning);
    add_text(id_message, u"");
    end_row();
    add_radio(id_entire, u"&Overwrite the entire database", 1);
    add_radio(id_tables, u"Overwrite existing &tables only", 1);
    add_radio(id_skip, u"&Skip existing tables", 1);
    add_radio(id_merge, u"&Merge", 1);
    add_modes();
    add_stretch();
    begin_row();
    add_stretch();
    add_button(ui::id_ok, u"OK", true);
    add_button(ui::id_cancel, u"Cancel");
    add_button(ui::id_help, u"Help");
    end_row();
}

bool overwrite_dlg2::on_init() {
    tk_log::log(1, "overwrite_dlg2::on_init");
    set_caption(wizard_shell::instance().title() + u" Warning");
    set_text(id_message, text_);
    set_checked(id_entire, true);
    set_checked(id_tables, false);
    set_checked(id_skip, false);
    center_on_owner();
    bring_to_top();
    ui::application::beep();
    return true;
}

udb_overwrite_mode overwrite_dlg2::read_mode() const {
    // The radios in mode order.
    static constexpr int ids[] = {id_entire, id_tables, id_skip, id_merge, id_sync};
    for (int mode = 0; mode < mode_count(); ++mode)
        if (is_checked(ids[mode])) return static_cast<udb_overwrite_mode>(mode);
    tk_fail(tk_where::over_dlg, unchecked_line());
}

void overwrite_dlg2::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked) return;
    switch (id) {
        case ui::id_help:
            wizard_shell::display_help(help_topic_);
            return;
        case ui::id_cancel:
            end(ui::id_cancel);
            return;
        case ui::id_ok:
            mode_ = read_mode();
            end(ui::id_ok);
            return;
        default:
            return;
    }
}

overwrite_dlg3::overwrite_dlg3(int help_topic, compat::wstring text) : overwrite_dlg2(help_topic, std::move(text)) {
    tk_log::log(1, "overwrite_dlg3::ctor");
}

void overwrite_dlg3::add_modes() { add_radio(id_sync, u"S&ynchronize", 1); }
