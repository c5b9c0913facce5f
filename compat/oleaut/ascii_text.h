// Wide text as the string conversions read it: their texts are ASCII, so each UTF-16 unit
// becomes one character and any other unit '?', which no conversion accepts.
#pragma once

#include <cstddef>
#include <string>

#include "compat/text/text.h"

namespace compat {

// Writes text.size() characters to out.
inline void narrow_ascii(wstring_view text, char* out) {
    for (std::size_t k = 0; k < text.size(); ++k) out[k] = text[k] < 0x80 ? static_cast<char>(text[k]) : '?';
}

inline std::string narrow_ascii(wstring_view text) {
    std::string narrow(text.size(), '\0');
    narrow_ascii(text, narrow.data());
    return narrow;
}

}  // namespace compat
