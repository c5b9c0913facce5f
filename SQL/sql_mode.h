// The session SQL mode that the statements of the MySQL side are written for: literals keep
// their backslash escapes and their double quotes, every value is stored as it was sent and
// read back as it was stored.
#pragma once

#include <string>
#include <string_view>

namespace sql {

// The server's mode list without the modes that would change what the statements mean or
// store: NO_BACKSLASH_ESCAPES, ANSI_QUOTES and the combinations that imply it (ANSI, DB2,
// MAXDB, MSSQL, ORACLE, POSTGRESQL), the zero-date modes and TRADITIONAL (which brings them
// back), EMPTY_STRING_IS_NULL and PAD_CHAR_TO_FULL_LENGTH; the others (strict mode among
// them) are kept. With zero_stays (servers from 4.1.1), NO_AUTO_VALUE_ON_ZERO is added, so that
// a 0 sent into an AUTO_INCREMENT column stays 0.
std::string sql_mode_for_literals(std::string_view mode, bool zero_stays);

}  // namespace sql
