#include "common/sql_dump.h"

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_trace.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;

sql_dump_page::sql_dump_page()
    : wizard_page(dialog_id, wizard_page_kind::interior, u"Step 2 of 6", u"MySQL dump file settings") {}

void sql_dump_page::build() {
    begin_row();
    begin_box(u"MySQL version");
    add_radio(id_new_version, u"n&ew (4.1 or higher)", 1);
    add_radio(id_old_version, u"&old (before 4.1)", 1);
    end_box();
    begin_box(u"Line breaks");
    add_radio(id_windows_breaks, u"&Windows-style (CR LF)", 2);
    add_radio(id_unix_breaks, u"&Unix-style (LF)", 2);
    end_box();
    end_row();
    add_check(id_lock, u"&Add lock for write around 'INSERT' statements", ui::check_mode::by_command);
    add_check(id_create_db, u"Insert 'CREATE &DATABASE' statement", ui::check_mode::by_command);
    add_check(id_create_table, u"Insert 'CREATE &TABLE' statements", ui::check_mode::by_command);
    add_check(id_comments, u"Insert &comments", ui::check_mode::by_command);
    add_stretch();
}

bool sql_dump_page::page_init() {
    tk_log::log(1, "sql_dump_page<t_converter>::page_init");
    const dmp_options& o = quarnel_convertor::instance().dump_options();
    set_checked(o.new_version ? id_new_version : id_old_version, true);
    set_checked(o.line_break != 0 ? id_unix_breaks : id_windows_breaks, true);
    set_checked(id_lock, o.lock_tables);
    set_checked(id_create_db, o.create_database);
    set_checked(id_create_table, o.create_table);
    set_checked(id_comments, o.comments);
    enable(id_create_db, o.create_table);
    return true;
}

void sql_dump_page::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked) return;
    switch (id) {
        case id_lock:
        case id_create_db:
        case id_comments:
            invert_chbox(id);
            return;
        case id_create_table:
            enable_ctrl(id_create_db, invert_chbox(id));
            return;
        case id_new_version:
        case id_old_version:
        case id_windows_breaks:
        case id_unix_breaks:
            sync_radio_groups(id);
            return;
        default:
            return;
    }
}

void sql_dump_page::sync_radio_groups(int clicked) {
    int version = is_checked(id_new_version) ? id_new_version : id_old_version;
    int breaks = is_checked(id_unix_breaks) ? id_unix_breaks : id_windows_breaks;
    if (clicked == id_new_version || clicked == id_old_version)
        version = clicked;
    else if (clicked == id_windows_breaks || clicked == id_unix_breaks)
        breaks = clicked;
    else
        tk_fail(tk_where::common_sql_dump, 151);
    set_checked(version, true);
    set_checked(version == id_new_version ? id_old_version : id_new_version, false);
    set_checked(breaks, true);
    set_checked(breaks == id_unix_breaks ? id_windows_breaks : id_unix_breaks, false);
}

void sql_dump_page::store_dump_options() {
    quarnel_convertor& conv = quarnel_convertor::instance();
    dmp_options& o = conv.dump_options();
    o.lock_tables = is_checked(id_lock);
    o.create_database = is_checked(id_create_db);
    o.create_table = is_checked(id_create_table);
    o.comments = is_checked(id_comments);
    o.new_version = is_checked(id_new_version);
    conv.mysql_engine().set_version(o.new_version ? new_version_word : old_version_word);
    o.line_break = is_checked(id_windows_breaks) ? 0 : 1;
}

int sql_dump_page::on_next() {
    store_dump_options();
    return 106;
}

int sql_dump_page::on_back() {
    store_dump_options();
    return 0;
}

void sql_dump_page::display_help() { wizard_shell::display_help(help_topic); }
