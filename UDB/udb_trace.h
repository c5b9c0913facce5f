// Bridge from the data model to the toolkit's trace log and exceptions, so that every
// module of UDB/ logs and raises the same way and the source spellings of its assertions
// stand in one table.
#pragma once

#include <string>
#include <string_view>

#include "TK/tk_log.h"
#include "compat/text/text.h"

namespace udb {

// Source names carried by the internal-error assertions of the data model.
inline constexpr const char* src_sche = "udb_sche";
inline constexpr const char* src_db = "udb_db";
inline constexpr const char* src_idx = "udb_idx";
inline constexpr const char* src_rel = "udb_rel";
inline constexpr const char* src_vali = "udb_vali";
inline constexpr const char* src_prof = "udb_prof";
inline constexpr const char* src_rule = "udb_rule";

// Narrow trace line; nothing is formatted while no log is switched on.
template <class... A>
void trace(int level, std::string_view fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

// Wide trace line (wide %s arguments); the message is written as UTF-8.
template <class... A>
void trace(int level, compat::wstring_view fmt, const A&... args) {
    tk_log::log(level, fmt, args...);
}

// Raises the toolkit's internal-error assertion for a failed invariant.
[[noreturn]] void fail(const char* source, int line);

// Raises the toolkit's exception with a message and a level.
[[noreturn]] void raise(const std::string& message, int level);

// Raises the toolkit's exception for a failed system call; error is the errno value,
// captured by the caller before anything could log.
[[noreturn]] void raise_system(int error);

}  // namespace udb
