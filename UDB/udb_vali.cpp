#include "UDB/udb_vali.h"

#include <algorithm>

#include "TK/tk_trace.h"

using compat::wstring;

udb_validator::udb_validator(unsigned max_len) : max_len_(max_len) { tk_log::log(2, "udb_validator::ctor"); }

size_t udb_validator::name_length(const wstring& name) const { return name.size(); }

// The longest prefix of at most n units that does not end inside a surrogate pair.
wstring udb_validator::cut_name(const wstring& name, size_t n) const {
    return name.substr(0, compat::utf16_safe_prefix(name, n));
}

bool udb_validator::is_acceptable(const wstring& name) const {
    tk_log::log(1, u"udb_validator::is_acceptable(%s)", name);
    if (max_len_ != 0 && name_length(name) > max_len_) {
        tk_log::log(1, "The name is too long");
        return false;
    }
    for (const wstring& word : restricted_) {
        if (compat::equal_nocase(word, name)) {
            tk_log::log(1, "The name is restricted");
            return false;
        }
    }
    for (compat::wchar c : illegal_) {
        if (name.find(c) != wstring::npos) {
            tk_log::log(1, u"The name contains illegal: %s", wstring(1, c));
            return false;
        }
    }
    return true;
}

bool udb_validator::is_duplicated(const wstring& name) const {
    tk_log::log(1, u"udb_validator::is_duplicated(%s)", name);
    for (const wstring& taken : existing_) {
        tk_log::log(1, u"Processing %s", taken);
        if (compat::equal_nocase(taken, name)) return true;
    }
    return false;
}

wstring udb_validator::get_safe_name(const wstring& name) const {
    tk_log::log(1, u"udb_validator::get_safe_name(%s)", name);
    const size_t limit = max_len_;
    wstring s = name;
    // One less than the limit that is_acceptable admits.
    if (limit != 0 && name_length(s) > limit) s = cut_name(s, limit - 1);
    for (compat::wchar& c : s) {
        if (std::find(illegal_.begin(), illegal_.end(), c) != illegal_.end()) c = u'_';
    }
    if (is_acceptable(s) && !is_duplicated(s)) return s;

    // Room for the five-digit number; limits below 6 leave an empty base, never a wrap.
    if (limit != 0 && name_length(s) + 5 > limit) s = cut_name(s, limit > 6 ? limit - 6 : 0);
    for (int i = 0; i <= 99999; ++i) {
        // "%s%05d": the base followed by the zero-padded number.
        wstring candidate = s + compat::wformat(u"%05d", i);
        if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
    }
    tk_fail(tk_where::udb_vali, 54);
}

void udb_validator::add_existing_name(const wstring& name) {
    tk_log::log(1, u"udb_validator::add_existing_name(%s)", name);
    existing_.push_back(name);
}

void udb_validator::add_restricted_name(const wstring& name) { restricted_.push_back(name); }

void udb_validator::add_illegal_char(compat::wchar c) { illegal_.push_back(c); }

void udb_validator::add_mapped_pair(const wstring& source, const wstring& mapped) {
    tk_log::log(1, u"udb_validator::add_mapped_pair(%s,%s)", source, mapped);
    mapped_.add(source, mapped);
}
