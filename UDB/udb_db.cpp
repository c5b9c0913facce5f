#include "UDB/udb_db.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "TK/tk_trace.h"

using compat::wstring;

udb_recordset::udb_recordset(const wstring& name, const wstring& query) : query_(query), name_(name) {}

udb_recordset::udb_recordset(const wstring& name) : name_(name) {}

void udb_recordset::update(const udb_record&) { tk_log::log(1, "udb_recordset::update"); }

udb_record* udb_recordset::get_item() { return nullptr; }

bool udb_recordset::is_eof() { return true; }

bool udb_recordset::is_query() const { return !query_.empty(); }

void udb_recordset::next() {}

void udb_recordset::prev() {}

void udb_recordset::reset() {}

void udb_recordset::add_index(const udb_index& index, bool exact_name) {
    tk_log::log(1, "udb_recordset::add_index");
    if (exact_name
            ? std::any_of(indexes_.begin(), indexes_.end(), [&](const udb_index& i) { return i.name == index.name; })
            : !indexes_.is_acceptable_name(index.name))
        return;
    if (pk_index_ == -1 && (index.primary || index.unique)) {
        tk_log::log(1, "Store primary/unique key");
        pk_index_ = static_cast<int>(indexes_.size());
    }
    indexes_.push_back(index);
}

udb_database::udb_database(const wstring& name, udb_open_mode mode, bool case_sensitive)
    : mode_(mode), name_(name), case_sensitive_(case_sensitive) {
    tk_log::log(2, u"udb_database::ctor(%s)", name);
}

udb_database::~udb_database() { tk_log::log(2, "udb_database::dtor"); }

int udb_database::find_table(const wstring& name) const {
    for (size_t i = 0; i < table_names_.size(); ++i) {
        const wstring& t = table_names_[i];
        tk_log::log(1, u"Compare with %s", t);
        if (case_sensitive_ ? t == name : compat::equal_nocase(t, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool udb_database::delete_tab(const wstring& name) {
    tk_log::log(2, u"udb_database::delete_tab (%s)", name);
    int i = find_table(name);
    if (i < 0) tk_fail(tk_where::udb_db, 44);
    table_names_.erase(table_names_.begin() + i);
    return true;
}

std::unique_ptr<udb_recordset> udb_database::query(const wstring&) { tk_fail(tk_where::udb_db, 70); }

void udb_database::create_views(const udb_views&) {}

void udb_database::create_relationships(const udb_relationships&) {}

bool udb_database::is_table_exist(const wstring& name) {
    tk_log::log(2, u"udb_database::is_table_exist(%s)", name);
    if (find_table(name) >= 0) {
        tk_log::log(1, "table exists");
        return true;
    }
    tk_log::log(1, "table not found");
    return false;
}

void udb_engine::db_delete(const wstring& name) {
    const std::string file = compat::utf16_to_ansi(name);
    if (::unlink(file.c_str()) != 0) tk_raise_system(errno);
}

bool udb_engine::is_db_exist(const wstring& name) {
    const std::string file = compat::utf16_to_ansi(name);
    return ::access(file.c_str(), R_OK) == 0;
}
