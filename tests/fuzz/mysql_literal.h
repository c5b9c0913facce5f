// Reads one MySQL literal as the server's parser does (default sql_mode, backslash
// escapes on): NULL, a number, a hex number 0x... (also behind a character-set
// introducer), or a quoted text in apostrophes or double quotes with its escapes. Fuzz targets use it to prove that
// what a writer emits is one token that gives back exactly the bytes it was made from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mg_fuzz {

struct literal_value {
    bool is_null = false;
    bool is_number = false;  // a bare decimal number: text holds it as written
    std::string bytes;       // text of a quoted literal, or the bytes of a hex number
};

// Nothing when the text is not exactly one literal. "0X..." is no hex number to the
// server (only "0x" is), so it is refused here too.
std::optional<literal_value> read_mysql_literal(std::string_view text);

}  // namespace mg_fuzz
