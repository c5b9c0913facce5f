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
inline constexpr const char* src_util = "ora_util";

// The format goes on as it came (a literal as its array), so that a log that is off
// costs the call nothing beyond its tests.
template <class F, class... A>
void trace(int level, const F& fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

[[noreturn]] inline void fail(const char* source, int line) { throw tk_mail_assertion(source, line); }

}  // namespace ora
