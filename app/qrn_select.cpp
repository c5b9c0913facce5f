// The table selection checked against the source before anything is written: names typed
// in another letter case find their table, and a run with nothing to convert (a source
// schema without tables, a selection that names no table of the source) refuses instead of
// dropping the destination for nothing (or converting, from an empty file, everything).
#include <optional>

#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "compat/text/format.h"

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

// The schema as Oracle names it: an unquoted user name in upper case.
std::string schema_name(const wstring& user) {
    if (user.size() >= 2 && user.front() == u'"' && user.back() == u'"')
        return tk_to_narrow(user.substr(1, user.size() - 2));
    return tk_to_narrow(compat::to_upper(user));
}

}  // namespace

tk_exception quarnel_convertor::no_tables_error() const {
    const std::string schema = schema_name(ora_user_);
    return tk_exception(compat::format("The source schema %s%s has no tables: nothing would be converted.",
                                       schema.empty() ? std::string() : schema + " on ", tk_to_narrow(ora_db_name_)),
                        1);
}

void quarnel_convertor::check_source_has_tables() const {
    // A stored query may read what the schema's own tables do not hold.
    if (!source_db_ || !available_queries.empty()) return;
    for (const auto& [name, query] : table_map)
        if (!query.empty()) return;
    if (get_all_tables().empty()) throw no_tables_error();
}

void quarnel_convertor::check_selection() {
    tk_log::log(2, "quarnel_convertor::check_selection");
    const std::vector<wstring> tables = get_all_tables();
    if (!selection_given_ && selected_tables.empty() && table_map.empty()) {
        // Every table of the console's run; the wizard's empty choice is refused below.
        if (tables.empty()) throw no_tables_error();
        if (program_ == qrn_program::console) return;
    }
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
    if (any) return;
    if (tables.empty()) throw no_tables_error();
    throw tk_exception(selected_tables.empty() && table_map.empty()
                           ? "The table selection is empty: no table would be converted."
                           : "None of the selected tables exists in the source database: no table would be "
                             "converted.",
                       1);
}
