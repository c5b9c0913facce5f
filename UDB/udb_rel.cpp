#include "UDB/udb_rel.h"

#include <algorithm>

#include "TK/tk_trace.h"

bool udb_relationships::is_acceptable_name(const compat::wstring& name) const {
    return std::none_of(list_.begin(), list_.end(),
                        [&](const udb_relationship& r) { return compat::equal_nocase(r.name, name); });
}

const udb_relationship& udb_relationships::get_index(const compat::wstring& name) const {
    for (const udb_relationship& r : list_) {
        if (compat::equal_nocase(r.name, name)) return r;
    }
    tk_fail(tk_where::udb_rel, 122);
}
