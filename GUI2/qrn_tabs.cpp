#include "GUI2/qrn_tabs.h"

#include "GUI2/g_query.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;
using compat::wstring;

namespace {
constexpr int progress_page_id = 107;
}

qrn_sel_tables_page::qrn_sel_tables_page()
    : sel_tables_page(u"Step 4 of 6", u"Select tables to convert", u"There are no tables selected. Continue anyway?") {}

void qrn_sel_tables_page::display_help() { wizard_shell::display_help(help_topic); }

bool qrn_sel_tables_page::page_init() {
    quarnel_convertor& conv = quarnel_convertor::instance();
    set_texts(u"Select Oracle tables to convert into MySQL format.", u"&Available tables:", u"&Selected tables:");
    names_ = conv.get_all_tables();
    do_page_init();
    show_ctrl(id_add_query, true);
    // The lists and the query maps are filled anew from one choice, so that no query is in
    // a map without being in a list.
    const choice shown = choice_to_show();
    selected_queries_.clear();
    available_queries_.clear();
    preselect(shown.selected);
    for (const auto& [name, query] : shown.available) {
        if (query.empty() || selected_queries_.count(name)) continue;
        if (find_entry(id_available, name) < 0 && find_entry(id_selected, name) < 0) add_entry(id_available, name);
        available_queries_.emplace(name, query);
    }
    return true;
}

void qrn_sel_tables_page::preselect(const name_map& names) {
    for (const auto& [name, query] : names) {
        if (query.empty() || find_entry(id_available, name) >= 0 || find_entry(id_selected, name) >= 0) continue;
        add_entry(id_selected, name);
        selected_queries_[name] = query;
    }
    sel_tables_page::preselect(names);
}

int qrn_sel_tables_page::on_next() {
    if (!collect_selection()) return -1;
    quarnel_convertor& conv = quarnel_convertor::instance();
    conv.selected_tables = names_;
    conv.table_map = selected_queries_;
    conv.available_queries = available_queries_;
    forget_back();
    if (!conv.can_create_views() || !conv.convert_views) return progress_page_id;
    udb_views views;
    conv.get_all_views(views);
    return views.empty() ? progress_page_id : 0;
}

// The stored queries and the plain tables chosen before (the converter keeps plain tables
// apart from the query map).
sel_tables_page::choice qrn_sel_tables_page::converter_choice() const {
    const quarnel_convertor& conv = quarnel_convertor::instance();
    choice held{conv.table_map, conv.available_queries};
    for (const wstring& table : conv.selected_tables) held.selected.emplace(table, wstring());
    return held;
}

sel_tables_page::choice qrn_sel_tables_page::shown_choice() const {
    choice shown{{}, available_queries_};
    const int count = list_count(id_selected);
    for (int i = 0; i < count; ++i) {
        const wstring name = list_entry(id_selected, i);
        const auto query = selected_queries_.find(name);
        shown.selected.emplace(name, query == selected_queries_.end() ? wstring() : query->second);
    }
    return shown;
}

bool qrn_sel_tables_page::is_query(const wstring& name) const {
    return selected_queries_.count(name) || available_queries_.count(name);
}

void qrn_sel_tables_page::on_query_selected(const wstring& name) {
    auto it = available_queries_.find(name);
    if (it == available_queries_.end() || selected_queries_.count(name)) return;
    selected_queries_.insert(*it);
    available_queries_.erase(it);
}

void qrn_sel_tables_page::on_query_unselected(const wstring& name) {
    auto it = selected_queries_.find(name);
    if (it == selected_queries_.end()) return;
    available_queries_.insert(*it);
    selected_queries_.erase(it);
}

bool qrn_sel_tables_page::is_free_name(const wstring& name, const wstring& renamed) const {
    if (!renamed.empty() && tk_compare_nocase(name, renamed) == 0) return true;
    return find_entry(id_available, name) < 0 && find_entry(id_selected, name) < 0;
}

void qrn_sel_tables_page::on_command(int id, ui::notify what) {
    if (id == id_add_query && what == ui::notify::clicked) return on_add_query();
    sel_tables_page::on_command(id, what);
}

void qrn_sel_tables_page::on_add_query() {
    tk_log::log(2, "sel_tables_page::on_add_query");
    wstring name, query;
    for (;;) {
        set_query_dlg dialog(name, query);
        if (dialog.run_modal(ui::application::active_window()) != ui::id_ok) return;
        name = dialog.name();
        query = dialog.query();
        if (is_free_name(name)) break;
        wizard_shell::message(u"Duplicate table name. Try again.");
    }
    add_entry(id_selected, name);
    selected_queries_[name] = query;
}

// A renamed query is checked against both lists as a new one is, so that two entries never
// share a name.
void qrn_sel_tables_page::on_edit_query() {
    tk_log::log(2, "sel_tables_page::on_edit_query");
    const int at = list_current(id_selected);
    if (at < 0) return;
    const wstring old_name = list_entry(id_selected, at);
    auto it = selected_queries_.find(old_name);
    if (it == selected_queries_.end()) return;
    wstring name = old_name, query = it->second;
    for (;;) {
        set_query_dlg dialog(name, query);
        if (dialog.run_modal(ui::application::active_window()) != ui::id_ok) return;
        name = dialog.name();
        query = dialog.query();
        if (is_free_name(name, old_name)) break;
        wizard_shell::message(u"Duplicate table name. Try again.");
    }
    selected_queries_.erase(old_name);
    selected_queries_[name] = query;
    list_remove(id_selected, at);
    add_entry(id_selected, name);
    const int now = find_entry(id_selected, name);
    if (now >= 0) list_set_current(id_selected, now);
}
