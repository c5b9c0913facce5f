// The trace layer every module uses, so that all of them log, assert and raise the same way:
//   tk_log::log(level, format, args...)  a line of the trace log (nothing is formatted
//                                        while no log wants the level);
//   tk_fail(tk_where::x, line)           the internal-error assertion of a failed invariant,
//                                        with the module's spelling from tk_where;
//   TK_CHECK(condition)                  the same for an invariant of a hot path, checked
//                                        only in the builds that check (TK/tk_check.h);
//   tk_raise(message, [code,] level)     the toolkit's exception;
//   tk_raise_system(error)               the exception of a failed system call (error: the
//                                        errno value, captured before anything could log).
// The raising helpers are out of line, so that a test at a call site stays small. The
// toolkit parts this layer is built on (exceptions, error texts, log, singletons, file names,
// utilities) throw tk_mail_assertion themselves, so that the layer does not depend on itself.
#pragma once

#include <string_view>

#include "TK/tk_check.h"
#include "TK/tk_log.h"
#include "TK/tk_where.h"

// Stands in the trace log wherever a password would be printed.
inline constexpr const char* tk_hidden_password = "********";
inline constexpr const char16_t* tk_hidden_wpassword = u"********";

[[noreturn]] void tk_fail(const char* where, int line);
[[noreturn]] void tk_raise(std::string_view message, int level);
[[noreturn]] void tk_raise(std::string_view message, int code, int level);
[[noreturn]] void tk_raise_system(int error);
