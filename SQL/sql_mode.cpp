#include "SQL/sql_mode.h"

#include <algorithm>
#include <array>

#include "compat/text/text.h"

namespace sql {

std::string sql_mode_for_literals(std::string_view mode, bool zero_stays) {
    // The zero-date modes go too: a time-only column is written with a zero date part
    // before it is narrowed to TIME, as the dump does. EMPTY_STRING_IS_NULL would store an
    // empty text or LOB as NULL, PAD_CHAR_TO_FULL_LENGTH read CHAR values back padded.
    static constexpr std::array<std::string_view, 14> dropped = {"NO_BACKSLASH_ESCAPES",
                                                                 "ANSI_QUOTES",
                                                                 "ANSI",
                                                                 "DB2",
                                                                 "MAXDB",
                                                                 "MSSQL",
                                                                 "ORACLE",
                                                                 "POSTGRESQL",
                                                                 "NO_ZERO_DATE",
                                                                 "NO_ZERO_IN_DATE",
                                                                 "TRADITIONAL",
                                                                 "EMPTY_STRING_IS_NULL",
                                                                 "PAD_CHAR_TO_FULL_LENGTH",
                                                                 "NO_AUTO_VALUE_ON_ZERO"};
    // Without it a 0 in an AUTO_INCREMENT column is replaced by the next number.
    static constexpr std::string_view added = "NO_AUTO_VALUE_ON_ZERO";
    std::string out;
    size_t pos = 0;
    while (pos <= mode.size()) {
        size_t comma = mode.find(',', pos);
        if (comma == std::string_view::npos) comma = mode.size();
        std::string_view item = mode.substr(pos, comma - pos);
        const bool keep = !item.empty() && std::none_of(dropped.begin(), dropped.end(), [&](std::string_view d) {
            return compat::equal_nocase(item, d);
        });
        if (keep) {
            if (!out.empty()) out += ',';
            out += item;
        }
        pos = comma + 1;
    }
    if (zero_stays) out += (out.empty() ? "" : ",") + std::string(added);
    return out;
}

}  // namespace sql
