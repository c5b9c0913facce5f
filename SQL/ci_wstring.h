// Case-insensitive search in wide text (view definitions, name templates).
#pragma once

#include <cstddef>

#include "compat/text/text.h"

struct ci_wstring {
    // Index of the first occurrence of the first n characters of pattern at or after
    // start, compared without case; -1 when there is none. An empty pattern is found at
    // start itself as long as start does not lie beyond the text.
    static std::ptrdiff_t find(compat::wstring_view text, compat::wstring_view pattern, std::size_t start,
                               std::size_t n);
    static std::ptrdiff_t find(compat::wstring_view text, compat::wstring_view pattern, std::size_t start = 0) {
        return find(text, pattern, start, pattern.size());
    }
};
