// Bridge from the MySQL side to the toolkit's trace log and exceptions, so that every
// module of SQL/ logs, raises and asserts the same way.
#pragma once

#include <string>
#include <string_view>

#include "TK/tk_log.h"
#include "compat/text/format.h"
#include "compat/text/text.h"

namespace sql {

// Source names carried by the internal-error assertions of the MySQL side.
inline constexpr const char* src_engi = "sql_engi";
inline constexpr const char* src_util = "sql_util";
inline constexpr const char* src_init = "sql_init";
inline constexpr const char* src_dump = "sql_dump";

// A trace line through the toolkit's log; nothing is formatted while no log is on.
template <class... A>
void trace(int level, std::string_view fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

template <class... A>
void trace(int level, compat::wstring_view fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

// The toolkit's internal-error assertion for a failed invariant.
[[noreturn]] void fail(const char* source, int line);

// The toolkit's exception with a message, a code and a level.
[[noreturn]] void raise(const std::string& message, int code, int level);

}  // namespace sql
