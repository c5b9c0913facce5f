// The table selection checked against the source before anything is written: names typed
// in another letter case find their table (a name that could mean several is reported with
// them), and a run with nothing to convert (a source schema without tables, a selection that names
// no table of the source) refuses instead of dropping the destination for nothing (or
// converting, from an empty file, everything).
#include <algorithm>
#include <vector>

#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "compat/text/format.h"

using compat::wstring;

namespace {

// The source tables a selected name can mean: the one of that exact name, else every one
// that differs from it in letter case alone.
std::vector<wstring> source_tables(const std::vector<wstring>& tables, const wstring& name) {
    std::vector<wstring> found;
    for (const wstring& t : tables) {
        if (t == name) return {t};
        if (compat::equal_nocase(t, name)) found.push_back(t);
    }
    return found;
}

// The schema as Oracle names it: an unquoted user name in upper case.
std::string schema_name(const wstring& user) {
    if (user.size() >= 2 && user.front() == u'"' && user.back() == u'"')
        return tk_to_narrow(user.substr(1, user.size() - 2));
    return tk_to_narrow(compat::to_upper(user));
}

}  // namespace

std::string qrn_ambiguous_table_text(const wstring& table, const std::vector<wstring>& candidates) {
    std::vector<wstring> sorted = candidates;
    std::sort(sorted.begin(), sorted.end());
    std::string list;
    for (const wstring& t : sorted) list += (list.empty() ? "'" : ", '") + tk_to_narrow(t) + "'";
    return compat::format(
        "The selected table '%s' matches %d tables of the source that differ only in letter case: %s. Name one of "
        "them exactly.",
        tk_to_narrow(table), static_cast<int>(sorted.size()), list);
}

const std::vector<wstring>& quarnel_convertor::candidates_of(const wstring& name) const {
    static const std::vector<wstring> none;
    const auto it = ambiguous_.find(name);
    return it == ambiguous_.end() ? none : it->second;
}

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
    ambiguous_.clear();
    auto resolve = [&](const wstring& name) {
        std::vector<wstring> found = source_tables(tables, name);
        // No guess: the name stays as it is, and the run reports it with the tables it
        // could mean.
        if (found.size() > 1) {
            ambiguous_[name] = std::move(found);
            return name;
        }
        if (found.empty()) return name;
        any = true;
        if (found.front() != name) tk_log::log(2, u"Selected table '%s' is the source table '%s'", name, found.front());
        return found.front();
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
    if (!ambiguous_.empty()) {
        std::string text;
        for (const auto& [name, found] : ambiguous_) text += qrn_ambiguous_table_text(name, found) + "\n";
        throw tk_exception(text + "No table would be converted.", 1);
    }
    throw tk_exception(selected_tables.empty() && table_map.empty()
                           ? "The table selection is empty: no table would be converted."
                           : "None of the selected tables exists in the source database: no table would be "
                             "converted.",
                       1);
}
