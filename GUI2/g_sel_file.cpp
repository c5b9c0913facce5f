#include "GUI2/g_sel_file.h"

#include <filesystem>
#include <iterator>

#include "GUI2/g_err_text.h"
#include "GUI2/g_f_dlg.h"
#include "GUI2/g_wait_run.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_fname.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "common/over_dlg.h"

namespace ui = compat::ui;
using compat::wstring;

namespace {

// The path with its extension replaced by ".sql"; a relative one is taken from the folder.
wstring dump_path_of(const wstring& base, const wstring& start_folder) {
    const tk_file_wname parts(base);
    const size_t slash = base.rfind(u'/');
    wstring folder = slash == wstring::npos ? wstring() : base.substr(0, slash + 1);
    if (folder.empty() || folder.front() != u'/') folder = start_folder + u"/" + folder;
    return folder + parts.name() + u".sql";
}

wstring working_folder() {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    return ec || folder == "/" ? wstring() : tk_to_wide(folder);
}

}  // namespace

sel_file_page::sel_file_page()
    : wizard_page(dialog_id, wizard_page_kind::interior, u"Step 3 of 6", u"Conversion Settings"),
      start_folder_(working_folder()) {
    tk_log::log(1, "sel_file_page::ctor");
}

void sel_file_page::build() {
    add_text(0, u"On this page you can specify the destination name and conversion settings.");
    add_spacing(4);
    begin_row();
    add_text(0, u"Oracle data source name:");
    add_text(id_source, u"");
    add_stretch();
    end_row();
    add_text(id_label, u"My&SQL database name:");
    begin_row();
    add_edit(id_dest);
    add_button(id_browse, u"Browse...");
    end_row();
    add_spacing(4);
    add_check(id_tab_def, u"&Convert table definitions only", ui::check_mode::by_command);
    add_check(id_skip_idx, u"S&kip converting indexes", ui::check_mode::by_command);
    add_check(id_case, u"&Make all strings case sensitive", ui::check_mode::by_command);
    add_check(id_views, u"Convert &views", ui::check_mode::by_command);
    add_stretch();
    show(id_browse, false);
}

bool sel_file_page::page_init() {
    tk_log::log(1, "sel_file_page::page_init");
    quarnel_convertor& conv = quarnel_convertor::instance();
    set_checked(id_tab_def, conv.tab_def);
    set_checked(id_skip_idx, conv.skip_idx);
    set_checked(id_case, conv.is_case_sensitive());
    set_checked(id_views, conv.convert_views);
    const bool direct = conv.is_mysql_direct();
    set_text(id_label, direct ? u"My&SQL database name:" : u"My&SQL dump file path:");
    show(id_browse, false);
    const wstring& source = conv.source_name();
    const wstring& dest = conv.destination_name();
    if (source.empty() && dest.empty()) return true;
    set_text(id_source, source);
    const wstring& base = dest.empty() ? source : dest;
    if (direct) {
        set_text(id_dest, tk_file_wname(base).name());
    } else {
        show_ctrl(id_browse, true);
        set_text(id_dest, dump_path_of(base, start_folder_));
    }
    return true;
}

void sel_file_page::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked) return;
    switch (id) {
        case id_browse:
            on_browse();
            return;
        case id_tab_def:
        case id_skip_idx:
        case id_case:
        case id_views:
            invert_chbox(id);
            return;
        default:
            return;
    }
}

void sel_file_page::on_browse() {
    // Each text ended by a NUL, the list by the literal's own.
    static constexpr char16_t filter[] = u"MySQL Dump Files (.sql)\0*.sql\0All Files (*.*)\0*.*\0";
    save_file_dialog dialog(native(), wstring(filter, std::size(filter)), u"Select Dump File", get_wide(id_dest),
                            u"sql");
    if (dialog.show()) set_text(id_dest, dialog.get_path());
}

void sel_file_page::store_file_info() {
    tk_log::log(1, "sel_file_page::store_file_info");
    quarnel_convertor& conv = quarnel_convertor::instance();
    conv.tab_def = is_checked(id_tab_def);
    conv.skip_idx = is_checked(id_skip_idx);
    conv.set_case_sensitive(is_checked(id_case));
    conv.convert_views = is_checked(id_views);
    conv.set_destination_name(get_wide(id_dest));
}

int sel_file_page::on_next() {
    try {
        store_file_info();
        quarnel_convertor& conv = quarnel_convertor::instance();
        const wstring& dest = conv.destination_name();
        const bool direct = conv.is_mysql_direct();
        if (dest.empty()) {
            wizard_shell::message(direct ? u"You should enter MySQL database name"
                                         : u"You should enter MySQL dump file name");
            return -1;
        }
        // The server's own databases, and names that are not text, are refused before the
        // overwrite dialog can offer to drop one.
        conv.check_name_encoding();
        conv.check_not_server_database();
        // Nothing is dropped or deleted for a source that has nothing to convert.
        conv.check_source_has_tables();
        return direct ? check_server_dest(dest) : check_dump_dest(dest);
    } catch (const tk_exception& e) {
        wizard_shell::error(wizard_error_text(e, wizard_tables::both));
        return -1;
    }
}

int sel_file_page::check_server_dest(const wstring& name) {
    quarnel_convertor& conv = quarnel_convertor::instance();
    conv.check_mysql_db_name(name);
    bool exists = false;
    wait_for_work(wait_dest_check, [&] { exists = conv.is_mysql_base_exist(name); });
    if (!exists) {
        tk_log::log(2, "Creating new MySQL DB...");
        return 0;
    }
    tk_log::log(1, "MySQL DB exists...");
    overwrite_dlg3 dialog(overwrite_help_topic,
                          u"The destination database already exists. Select one of the\noptions below. Click 'Help' "
                          u"button for more information.");
    if (dialog.show(ui::application::active_window()) != ui::id_ok) return -1;
    if (dialog.mode() == udb_overwrite_mode::replace_database)
        wait_for_work(wait_dest_drop, [&] { conv.del_mysql_base(name); });
    conv.set_mode(dialog.mode());
    return 0;
}

int sel_file_page::check_dump_dest(const wstring& path) {
    common_check_dest(path);
    if (common_dest_exists(path)) {
        if (!wizard_shell::question(u"Destination file already exists. Overwrite?", true)) return -1;
        common_remove_dest(path);
    }
    tk_log::log(2, "Creating new MySQL DB...");
    return 0;
}

int sel_file_page::on_back() {
    store_file_info();
    return quarnel_convertor::instance().is_mysql_direct() ? 123 : 102;
}

void sel_file_page::display_help() { wizard_shell::display_help(help_topic); }
