#include "UDB/udb_word.h"

namespace udb {

bool is_alnum(char32_t c) {
    if (c < 0x80) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    return compat::to_upper(c) != c || compat::to_lower(c) != c;
}

bool is_word_char(char32_t c) { return is_alnum(c) || c == '_' || c == '$' || c == '#'; }

compat::wstring trim_blanks(compat::wstring_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (last > first && text[last - 1] == ' ') --last;
    while (first < last && text[first] == ' ') ++first;
    return compat::wstring(text.substr(first, last - first));
}

}  // namespace udb
