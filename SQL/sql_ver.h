// The MySQL server version word (major * 65536 + minor * 256 + patch) and the gates that
// the MySQL side applies to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sql {

inline constexpr uint32_t ver_4_1_0 = 0x40100;    // backquotes, character sets, new validators
inline constexpr uint32_t ver_4_0_22 = 0x40016;   // above: ENGINE= instead of TYPE=
inline constexpr uint32_t ver_3_23_44 = 0x3172C;  // InnoDB usable
inline constexpr uint32_t ver_3_23_34 = 0x31722;  // above: InnoDB chosen when enabled
inline constexpr uint32_t ver_3_23_1 = 0x31701;   // at most: index columns NOT NULL
inline constexpr uint32_t ver_3_20_1 = 0x31401;   // what an old-version dump is written for
inline constexpr uint32_t ver_5_0_1 = 0x50001;    // SHOW FULL TABLES, information_schema
inline constexpr uint32_t ver_5_5_3 = 0x50503;    // utf8mb4
inline constexpr uint32_t ver_5_7_7 = 0x50707;    // InnoDB large index prefixes by default

// Reads "major.minor.patch" from the start of a server's version text; a suffix after the
// patch number ("-log", "-MariaDB-0+deb12u1") is ignored. Fewer than three numbers, or a
// number too large for its byte, give nothing.
std::optional<uint32_t> parse_version_word(std::string_view text);

}  // namespace sql
