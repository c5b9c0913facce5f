#include "compat/text/text.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <limits>

namespace compat {
namespace {

constexpr char32_t k_replacement = 0xFFFD;

struct CasePair {
    char32_t from;
    char32_t to;
};
#include "compat/text/case_table.inc"

template <size_t N>
char32_t map_case(const CasePair (&table)[N], char32_t c) {
    auto it = std::lower_bound(std::begin(table), std::end(table), c,
                               [](const CasePair& p, char32_t v) { return p.from < v; });
    return (it != std::end(table) && it->from == c) ? it->to : c;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void append_utf16(wstring& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<wchar>(c);
    } else {
        c -= 0x10000;
        out += static_cast<wchar>(0xD800 + (c >> 10));
        out += static_cast<wchar>(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one code point at text[i], advancing i; bad sequences give U+FFFD.
char32_t next_utf16(wstring_view text, size_t& i) {
    char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
            char32_t low = text[i++];
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        return k_replacement;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return k_replacement;
    return c;
}

char32_t next_utf8(std::string_view text, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char b = byte(i++);
    if (b < 0x80) return b;
    int extra;
    char32_t c;
    char32_t min;
    if ((b & 0xE0) == 0xC0) {
        extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3, c = b & 0x07, min = 0x10000;
    } else {
        return k_replacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return k_replacement;
        c = (c << 6) | (byte(i++) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return k_replacement;
    return c;
}

template <class View, class Next>
int compare_folded(View a, View b, Next next) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca = fold_case(next(a, i));
        char32_t cb = fold_case(next(b, j));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

template <class Int, class View>
Int parse_saturating(View text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // accumulate as a negative number so INT_MIN needs no special case
    Int value = 0;
    constexpr Int lowest = std::numeric_limits<Int>::min();
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        Int digit = static_cast<Int>(text[i] - '0');
        if (overflow) continue;
        if (value < (lowest + digit) / 10) {
            overflow = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (overflow) return negative ? lowest : std::numeric_limits<Int>::max();
    if (negative) return value;
    return value == lowest ? std::numeric_limits<Int>::max() : -value;
}

}  // namespace

std::string utf16_to_utf8(wstring_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size();) {
        wchar u = text[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
            ++i;
            continue;
        }
        append_utf8(out, next_utf16(text, i));
    }
    return out;
}

wstring utf8_to_utf16(std::string_view text) {
    wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<wchar>(b);
            ++i;
            continue;
        }
        append_utf16(out, next_utf8(text, i));
    }
    return out;
}

std::string utf16_to_ansi(wstring_view text) { return utf16_to_utf8(text); }
wstring ansi_to_utf16(std::string_view text) { return utf8_to_utf16(text); }

char32_t to_upper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    return map_case(k_upper_pairs, c);
}

char32_t to_lower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return map_case(k_lower_pairs, c);
}

char32_t fold_case(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return to_lower(to_upper(c));
}

wstring to_upper(wstring_view text) {
    wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) append_utf16(out, to_upper(next_utf16(text, i)));
    return out;
}

wstring to_lower(wstring_view text) {
    wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) append_utf16(out, to_lower(next_utf16(text, i)));
    return out;
}

std::string to_upper_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) append_utf8(out, to_upper(next_utf8(text, i)));
    return out;
}

int compare_nocase(wstring_view a, wstring_view b) { return compare_folded(a, b, next_utf16); }
int compare_nocase(std::string_view a, std::string_view b) { return compare_folded(a, b, next_utf8); }
bool equal_nocase(wstring_view a, wstring_view b) { return compare_nocase(a, b) == 0; }
bool equal_nocase(std::string_view a, std::string_view b) { return compare_nocase(a, b) == 0; }

int32_t win_atoi(std::string_view text) { return parse_saturating<int32_t>(text); }
int32_t win_atoi(wstring_view text) { return parse_saturating<int32_t>(text); }
int64_t win_atoi64(std::string_view text) { return parse_saturating<int64_t>(text); }

size_t utf16_safe_prefix(wstring_view text, size_t max_units) {
    if (max_units >= text.size()) return text.size();
    // a high surrogate as the last unit kept would lose its partner
    if (max_units > 0 && text[max_units - 1] >= 0xD800 && text[max_units - 1] <= 0xDBFF) return max_units - 1;
    return max_units;
}

}  // namespace compat
