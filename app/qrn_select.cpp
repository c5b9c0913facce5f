// The table selection checked against the source before anything is written: names typed
// in another letter case find their table, and a selection that names no table of the
// source refuses the run instead of converting nothing (or, from an empty file, everything).
#include <optional>

#include "TK/tk_trace.h"
#include "app/qrn_conv.h"

using compat::wstring;

namespace {

// The source table a selected name means: the one of that exact name, else the only one
// that differs from it in letter case alone.
std::optional<wstring> source_table(const std::vector<wstring>& tables, const wstring& name) {
    const wstring* found = nullptr;
    for (const wstring& t : tables) {
        if (t == name) return t;
        if (!compat::equal_nocase(t, name)) continue;
        if (found) return std::nullopt;  // ambiguous: no guess
        found = &t;
    }
    if (!found) return std::nullopt;
    return *found;
}

}  // namespace

void quarnel_convertor::check_selection() {
    tk_log::log(2, "quarnel_convertor::check_selection");
    if (!selection_given_ && selected_tables.empty() && table_map.empty()) return;  // every table
    const std::vector<wstring> tables = get_all_tables();
    bool any = false;
    auto resolve = [&](const wstring& name) {
        std::optional<wstring> t = source_table(tables, name);
        if (!t) return name;
        any = true;
        if (*t != name) tk_log::log(2, u"Selected table '%s' is the source table '%s'", name, *t);
        return *t;
    };
    for (wstring& name : selected_tables) name = resolve(name);
    query_map resolved;
    for (const auto& [name, query] : table_map) {
        if (!query.empty()) {
            any = true;  // a stored query converts whatever the source's tables are
            resolved.emplace(name, query);
        } else {
            resolved.emplace(resolve(name), query);
        }
    }
    table_map = std::move(resolved);
    if (!any)
        throw tk_exception(selected_tables.empty() && table_map.empty()
                               ? "The table selection is empty: no table would be converted."
                               : "None of the selected tables exists in the source database: no table would be "
                                 "converted.",
                           1);
}
