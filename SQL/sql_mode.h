// The session SQL mode that the statements of the MySQL side are written for: backslash
// escapes in literals and double quotes as string quotes must stay in force.
#pragma once

#include <string>
#include <string_view>

namespace sql {

// The mode list without NO_BACKSLASH_ESCAPES, ANSI_QUOTES and the combination modes that
// imply ANSI_QUOTES (ANSI, DB2, MAXDB, MSSQL, ORACLE, POSTGRESQL); the others are kept.
std::string sql_mode_for_literals(std::string_view mode);

}  // namespace sql
