#include "GUI2/qrn_views.h"

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "app/qrn_conv.h"

using compat::wstring;

qrn_sel_views_page::qrn_sel_views_page() : sel_tables_page(u"Step 5 of 6", u"Select views to convert", wstring()) {}

void qrn_sel_views_page::display_help() { wizard_shell::display_help(help_topic); }

bool qrn_sel_views_page::page_init() {
    quarnel_convertor& conv = quarnel_convertor::instance();
    set_texts(u"Select Oracle views to convert into MySQL format.", u"&Available views:", u"&Selected views:");
    views_.clear();
    conv.get_all_views(views_);
    names_.clear();
    for (const auto& entry : views_) names_.push_back(entry.first);
    do_page_init();
    preselect(choice_to_show().selected);
    return true;
}

sel_tables_page::choice qrn_sel_views_page::converter_choice() const {
    return {quarnel_convertor::instance().views, {}};
}

sel_tables_page::choice qrn_sel_views_page::shown_choice() const {
    choice shown;
    const int count = list_count(id_selected);
    for (int i = 0; i < count; ++i) {
        const wstring name = list_entry(id_selected, i);
        const auto view = views_.find(name);
        shown.selected.emplace(name, view == views_.end() ? wstring() : view->second);
    }
    return shown;
}

int qrn_sel_views_page::on_next() {
    tk_log::log(2, "qrn_sel_views_page::on_next");
    collect_selection();
    name_map chosen;
    for (const wstring& name : names_) {
        auto it = views_.find(name);
        if (it == views_.end()) continue;
        tk_log::log(2, u"Found view: '%s'", name);
        chosen.insert(*it);
    }
    quarnel_convertor::instance().views = std::move(chosen);
    forget_back();
    return 0;
}
