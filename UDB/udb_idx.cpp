#include "UDB/udb_idx.h"

#include <algorithm>
#include <utility>

#include "TK/tk_trace.h"

using compat::wstring;

bool udb_index::starts_with_fields(const udb_names& names) const {
    tk_log::log(1, u"udb_index(%s)::starts_with_fields", name);
    if (names.size() > fields.size()) {
        if (!names.empty()) tk_log::log(1, u"Field '%s' not found", names[fields.size()]);
        return false;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!compat::equal_nocase(names[i], fields[i])) {
            tk_log::log(1, u"Field '%s' not found", names[i]);
            return false;
        }
    }
    tk_log::log(1, "starts_with_fields returns true");
    return true;
}

bool udb_index::consists_of_fields(const udb_names& names) const {
    tk_log::log(1, u"udb_index(%s)::consists_of_fields", name);
    if (names.size() != fields.size()) return false;
    for (const wstring& n : names) {
        if (std::find(fields.begin(), fields.end(), n) == fields.end()) {
            tk_log::log(1, u"Field '%s' not found", n);
            return false;
        }
    }
    tk_log::log(1, "consists_of_fields returns true");
    return true;
}

bool udb_indexes::is_acceptable_name(const wstring& name) const {
    return std::none_of(list_.begin(), list_.end(),
                        [&](const udb_index& i) { return compat::equal_nocase(i.name, name); });
}

const udb_index& udb_indexes::get_index(const wstring& name) const {
    for (const udb_index& i : list_) {
        if (compat::equal_nocase(i.name, name)) return i;
    }
    tk_fail(tk_where::udb_idx, 134);
}

udb_index& udb_indexes::get_index(const wstring& name) {
    return const_cast<udb_index&>(std::as_const(*this).get_index(name));
}

bool udb_indexes::has_index_on_fields(const udb_names& names, bool unique_test) const {
    tk_log::log(1, "udb_indexes::has_index_on_fields");
    for (const udb_index& i : list_) {
        if (i.starts_with_fields(names)) return unique_test ? i.unique : true;
    }
    return false;
}

bool udb_indexes::is_idx_field(const wstring& name, bool primary_only) const {
    tk_log::log(1, u"udb_indexes::is_idx_field(%s)", name);
    for (const udb_index& i : list_) {
        if (primary_only && !i.primary) continue;
        if (std::find(i.fields.begin(), i.fields.end(), name) != i.fields.end()) {
            tk_log::log(1, "index field");
            return true;
        }
    }
    tk_log::log(1, "non-index field");
    return false;
}
