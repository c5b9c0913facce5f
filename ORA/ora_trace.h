// Trace and internal-error helpers of the Oracle side, so that every module of ORA/ logs
// and asserts the same way and the source spellings of the assertions stand in one table.
#pragma once

#include <string_view>

#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "compat/text/text.h"

namespace ora {

// Source names carried by the internal-error assertions of the Oracle side.
inline constexpr const char* src_engi = "ora_engi";
inline constexpr const char* src_db = "ora_db";
inline constexpr const char* src_tab = "ora_tab";
inline constexpr const char* src_qres = "ora_qres";
inline constexpr const char* src_type = "ora_type";
inline constexpr const char* src_type_h = "ora_type.h";

template <class... A>
void trace(int level, std::string_view fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

template <class... A>
void trace(int level, compat::wstring_view fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

// Raises the toolkit's internal-error assertion for a failed invariant.
[[noreturn]] inline void fail(const char* source, int line) { throw tk_mail_assertion(source, line); }

}  // namespace ora
