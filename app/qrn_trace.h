// The driver's trace lines and internal-error assertions, in one place so that every
// module logs the same way and the source spellings of its assertions stand together.
#pragma once

#include <string_view>

#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "compat/text/text.h"

namespace qrn {

inline constexpr const char* src_conv = "qrn_conv";

// Stands in the trace log wherever a password would be printed.
inline constexpr const char* hidden_password = "********";
inline constexpr const char16_t* hidden_wpassword = u"********";

// The format goes on as it came (a literal as its array), so that a log that is off
// costs the call nothing beyond its tests.
template <class F, class... A>
void trace(int level, const F& fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

[[noreturn]] inline void fail(const char* source, int line) { throw tk_mail_assertion(source, line); }

}  // namespace qrn
