#include "UDB/udb_conv.h"

#include "TK/tk_trace.h"
#include "UDB/udb_word.h"

using compat::wstring;

namespace {

const wstring key_src = u"src";
const wstring key_dest = u"dest";
const wstring key_logfile = u"logfile";
const wstring key_tab_def = u"only definitions";
const wstring key_skip_idx = u"skip indexes";
const wstring key_mode = u"mode";

wstring flag_text(bool on) { return on ? u"1" : u"0"; }

// An empty value leaves the flag; "0" clears it; any other text sets it.
void load_flag(const udb_profile& profile, const wstring& key, bool& flag) {
    wstring v = udb::trim_blanks(profile.get_value(udb_sec_generic, key));
    if (!v.empty()) flag = v != u"0";
}

}  // namespace

udb_converter::udb_converter() { tk_log::log(2, "udb_converter::ctor"); }

udb_converter::~udb_converter() = default;

void udb_converter::set_mode(udb_overwrite_mode mode) {
    tk_log::log(2, "udb_converter::set_mode(%d)", static_cast<int>(mode));
    mode_ = mode;
}

void udb_converter::set_current_table(const wstring& name) {
    std::lock_guard<std::mutex> lock(current_mutex_);
    current_table_ = name;
}

wstring udb_converter::get_current_table() const {
    std::lock_guard<std::mutex> lock(current_mutex_);
    return current_table_;
}

bool udb_converter::store_profile(udb_profile& profile) const {
    tk_log::log(2, "udb_converter::store_profile");
    for (const auto& [name, sql] : available_queries) {
        tk_log::log(1, u"Available Query: (%s,%s)", name, sql);
        profile.set_value(udb_sec_queries, name, sql);
    }
    for (const auto& [table, sql] : table_map) {
        tk_log::log(1, u"Selected Query: (%s,%s)", table, sql);
        profile.set_value(udb_sec_tables, table, sql);
    }
    profile.set_value(udb_sec_generic, key_src, source_name());
    profile.set_value(udb_sec_generic, key_dest, destination_name());
    profile.set_value(udb_sec_generic, key_logfile, compat::ansi_to_utf16(log_file()));
    profile.set_value(udb_sec_generic, key_skip_idx, flag_text(skip_idx));
    profile.set_value(udb_sec_generic, key_tab_def, flag_text(tab_def));
    profile.set_value(udb_sec_generic, key_mode, compat::wformat(u"%d", static_cast<int>(mode_)));
    return true;
}

bool udb_converter::load_profile(const udb_profile& profile) {
    tk_log::log(2, "udb_converter::load_profile");
    for (const auto& [table, sql] : profile.get_selected_tables()) {
        table_map.emplace(table, sql);
        if (sql.empty()) {
            tk_log::log(1, u"Push back table '%s'", table);
            selected_tables.push_back(table);
        }
    }
    for (const auto& [name, sql] : profile.get_queries()) available_queries.emplace(name, sql);

    wstring v = udb::trim_blanks(profile.get_value(udb_sec_generic, key_src));
    if (!v.empty()) set_source_name(v);
    v = udb::trim_blanks(profile.get_value(udb_sec_generic, key_dest));
    if (!v.empty()) set_destination_name(v);
    v = udb::trim_blanks(profile.get_value(udb_sec_generic, key_logfile));
    if (!v.empty()) set_logfile(compat::utf16_to_ansi(v));
    load_flag(profile, key_tab_def, tab_def);
    v = udb::trim_blanks(profile.get_value(udb_sec_generic, key_mode));
    // Only a known mode is taken, and any other value refuses the profile: falling back to
    // mode 0 would replace the whole destination database.
    if (v.size() == 1 && v[0] >= u'0' && v[0] <= u'4') {
        set_mode(static_cast<udb_overwrite_mode>(v[0] - u'0'));
    } else if (!v.empty()) {
        tk_log::log(3, u"Profile mode '%s' is not valid", v);
        tk_raise(compat::utf16_to_utf8(u"Invalid merge/overwrite mode '" + v + u"' (0 to 4 are valid)"), 1);
    }
    load_flag(profile, key_skip_idx, skip_idx);
    return true;
}
