#include "SQL/ci_wstring.h"

#include <algorithm>

namespace {

char32_t upper(char16_t c) { return compat::to_upper(static_cast<char32_t>(c)); }

}  // namespace

std::ptrdiff_t ci_wstring::find(compat::wstring_view text, compat::wstring_view pattern, std::size_t start,
                                std::size_t n) {
    n = std::min(n, pattern.size());
    if (n == 0) return start <= text.size() ? static_cast<std::ptrdiff_t>(start) : -1;
    if (start >= text.size() || text.size() - start < n) return -1;
    const char32_t first = upper(pattern[0]);
    for (std::size_t pos = start; pos + n <= text.size(); ++pos) {
        if (upper(text[pos]) != first) continue;
        if (compat::equal_nocase(text.substr(pos, n), pattern.substr(0, n))) return static_cast<std::ptrdiff_t>(pos);
    }
    return -1;
}
