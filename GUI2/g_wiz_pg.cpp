#include "GUI2/g_wiz_pg.h"

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"

namespace ui = compat::ui;

namespace {

int page_style(wizard_page_kind kind) {
    int style = kind == wizard_page_kind::finish ? 0 : ui::page_has_help;
    if (kind != wizard_page_kind::interior) style |= ui::page_hide_header;
    return style;
}

}  // namespace

wizard_page::wizard_page(int dialog_id, wizard_page_kind kind, compat::wstring header_title,
                         compat::wstring header_subtitle)
    : page(dialog_id, std::move(header_title), std::move(header_subtitle), page_style(kind)), kind_(kind) {
    // Interior pages measure 317 x 143 dialog units, the welcome and finish pages 317 x 193.
    set_size_du(317, kind == wizard_page_kind::interior ? 143 : 193);
}

wizard_page::~wizard_page() { tk_log::log(2, "wizard_page::dtor"); }

bool wizard_page::on_set_active() {
    tk_log::log(1, "wizard_page::OnSetActive");
    wizard_shell& shell = wizard_shell::instance();
    int buttons = ui::button_back | ui::button_next;
    if (kind_ == wizard_page_kind::welcome) buttons = ui::button_next;
    if (kind_ == wizard_page_kind::finish) buttons = ui::button_finish;
    shell.sheet().set_buttons(buttons);
    shell.update_title();
    return page_init();
}

bool wizard_page::on_cancel() {
    tk_log::log(2, "wizard_page::on_cancel");
    return ask_exit();
}

bool wizard_page::ask_exit(const std::function<bool()>& dismiss) {
    return wizard_shell::question(u"Are you sure you want to exit the wizard?", true, dismiss);
}

bool wizard_page::invert_chbox(int id) {
    tk_log::log(1, "wizard_page::invert_chbox(%d)", id);
    const bool on = !is_checked(id);
    set_checked(id, on);
    return on;
}

void wizard_page::enable_ctrl(int id, bool enable) {
    tk_log::log(1, "wizard_page::enable_ctrl(%d=%d)", id, enable ? 1 : 0);
    ui::page::enable(id, enable);
    if (enable) set_focus(id);
}

void wizard_page::show_ctrl(int id, bool show) {
    tk_log::log(1, "wizard_page::show_ctrl(%d=%d)", id, show ? 1 : 0);
    ui::page::show(id, show);
}

void wizard_page::set_title_font(int id) { set_font(id, ui::font_spec{"Verdana", 10, true}); }

bool wizard_page::not_in_list(const compat::wstring& name, int list_id) const {
    const int count = list_count(list_id);
    for (int i = 0; i < count; ++i)
        if (tk_compare_nocase(list_entry(list_id, i), name) == 0) return false;
    return true;
}

std::string wizard_page::get_narrow(int id) const { return tk_to_narrow(get_text(id)); }

compat::wstring wizard_page::get_wide(int id) const { return get_text(id); }
