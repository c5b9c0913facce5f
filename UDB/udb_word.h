// Character classes shared by the data model's name handling.
#pragma once

#include "compat/text/text.h"

namespace udb {

// A letter or a digit (the system's alphanumeric test): ASCII letters and digits, and any
// other character that has a case mapping.
bool is_alnum(char32_t c);

// A character that belongs to an identifier: alphanumeric, '_', '$' or '#'.
bool is_word_char(char32_t c);

// Copy of text without leading and trailing blanks (only the space character counts).
compat::wstring trim_blanks(compat::wstring_view text);

}  // namespace udb
