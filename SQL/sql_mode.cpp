#include "SQL/sql_mode.h"

#include <array>

#include "compat/text/text.h"

namespace sql {

std::string sql_mode_for_literals(std::string_view mode) {
    // The zero-date modes go too: a time-only column is written with a zero date part
    // before it is narrowed to TIME, as the dump does. Strict mode stays.
    static constexpr std::array<std::string_view, 10> dropped = {
        "NO_BACKSLASH_ESCAPES", "ANSI_QUOTES",  "ANSI",           "DB2", "MAXDB", "MSSQL", "ORACLE",
        "POSTGRESQL",           "NO_ZERO_DATE", "NO_ZERO_IN_DATE"};
    std::string out;
    size_t pos = 0;
    while (pos <= mode.size()) {
        size_t comma = mode.find(',', pos);
        if (comma == std::string_view::npos) comma = mode.size();
        std::string_view item = mode.substr(pos, comma - pos);
        bool keep = !item.empty();
        for (auto d : dropped)
            if (compat::equal_nocase(item, d)) keep = false;
        if (keep) {
            if (!out.empty()) out += ',';
            out += item;
        }
        pos = comma + 1;
    }
    return out;
}

}  // namespace sql
