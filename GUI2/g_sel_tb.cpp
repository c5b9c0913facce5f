#include "GUI2/g_sel_tb.h"

#include <algorithm>

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"

namespace ui = compat::ui;
using compat::wstring;

sel_tables_page::sel_tables_page(wstring header_title, wstring header_subtitle, wstring question)
    : wizard_page(dialog_id, wizard_page_kind::interior, std::move(header_title), std::move(header_subtitle)),
      question_(std::move(question)) {
    tk_log::log(2, "sel_tables_page::ctor");
}

void sel_tables_page::build() {
    add_text(id_text, u"");
    begin_row();
    begin_box(u"");
    add_label(id_available_label, u"");
    add_list(id_available, true);
    end_box();
    begin_box(u"");
    add_stretch();
    add_button(id_add, u"A&dd >");
    add_button(id_add_all, u"Add a&ll >");
    add_button(id_remove, u"< &Remove");
    add_button(id_remove_all, u"< Re&move all");
    add_spacing(8);
    add_button(id_add_query, u"&Add Query");
    add_stretch();
    end_box();
    begin_box(u"");
    add_label(id_selected_label, u"");
    add_list(id_selected, true);
    end_box();
    end_row();
    show(id_add_query, false);
}

void sel_tables_page::set_texts(const wstring& text, const wstring& available, const wstring& selected) {
    set_text(id_text, text);
    set_text(id_available_label, available);
    set_text(id_selected_label, selected);
}

void sel_tables_page::do_page_init() {
    tk_log::log(2, "sel_tables_page::do_page_init");
    list_clear(id_available);
    list_clear(id_selected);
    extent_[0] = extent_[1] = 0;
    for (const wstring& name : names_) add_entry(id_available, name);
    if (list_count(id_available) > 0) list_set_current(id_available, 0);
}

void sel_tables_page::add_entry(int list_id, const wstring& name) {
    list_add(list_id, name);
    int& extent = extent_[list_id == id_available ? 0 : 1];
    const int width = text_width(list_id, name);
    if (width > extent) {
        extent = width;
        list_set_extent(list_id, extent);
    }
}

int sel_tables_page::find_entry(int list_id, const wstring& name) const {
    const int count = list_count(list_id);
    for (int i = 0; i < count; ++i)
        if (tk_compare_nocase(list_entry(list_id, i), name) == 0) return i;
    return -1;
}

void sel_tables_page::preselect(const name_map& names) {
    for (const auto& entry : names) {
        const int at = find_entry(id_available, entry.first);
        if (at >= 0) move_entry(id_available, at, id_selected);
    }
}

// Entries are moved whole: a name is never cut to a buffer's length.
void sel_tables_page::move_entry(int from, int index, int to) {
    const wstring name = list_entry(from, index);
    list_remove(from, index);
    if (to == id_selected) {
        add_entry(to, name);
        if (is_query(name)) on_query_selected(name);
    } else {
        list_add(to, name);
        if (is_query(name)) on_query_unselected(name);
    }
}

void sel_tables_page::after_move(int from, int index, int to) {
    const int count = list_count(from);
    if (count == 0) {
        set_focus(to);
        if (list_count(to) > 0) list_set_current(to, 0);
        return;
    }
    list_set_current(from, std::min(index, count - 1));
}

void sel_tables_page::move_current(int from, int to) {
    const int at = list_current(from);
    if (at < 0) return;
    move_entry(from, at, to);
    after_move(from, at, to);
}

void sel_tables_page::move_all(int from, int to) {
    while (list_count(from) > 0) move_entry(from, 0, to);
    set_focus(to);
    if (list_count(to) > 0) list_set_current(to, 0);
}

void sel_tables_page::on_add() {
    tk_log::log(2, "sel_tables_page::on_add");
    move_current(id_available, id_selected);
}

void sel_tables_page::on_add_all() {
    tk_log::log(2, "sel_tables_page::on_add_all");
    move_all(id_available, id_selected);
}

void sel_tables_page::on_delete() {
    tk_log::log(2, "sel_tables_page::on_delete");
    move_current(id_selected, id_available);
}

void sel_tables_page::on_del_all() {
    tk_log::log(2, "sel_tables_page::on_del_all");
    move_all(id_selected, id_available);
}

void sel_tables_page::on_command(int id, ui::notify what) {
    if (what == ui::notify::double_clicked) {
        if (id == id_available) on_add();
        if (id == id_selected) on_selected_double_click();
        return;
    }
    if (what != ui::notify::clicked) return;
    switch (id) {
        case id_add:
            on_add();
            break;
        case id_add_all:
            on_add_all();
            break;
        case id_remove:
            on_delete();
            break;
        case id_remove_all:
            on_del_all();
            break;
        default:
            break;
    }
}

bool sel_tables_page::collect_selection() {
    if (list_count(id_available) > 0 && list_count(id_selected) == 0 && !question_.empty() &&
        !wizard_shell::question(question_, true))
        return false;
    names_.clear();
    const int count = list_count(id_selected);
    for (int i = 0; i < count; ++i) {
        wstring name = list_entry(id_selected, i);
        if (!is_query(name)) names_.push_back(std::move(name));
    }
    return true;
}

int sel_tables_page::on_back() {
    left_with_back_ = shown_choice();
    converter_at_back_ = converter_choice();
    return 0;
}

sel_tables_page::choice sel_tables_page::choice_to_show() const {
    choice held = converter_choice();
    if (left_with_back_ && held == converter_at_back_) return *left_with_back_;
    return held;
}
