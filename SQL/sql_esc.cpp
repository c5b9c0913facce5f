#include "SQL/sql_esc.h"

#include <algorithm>
#include <array>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sql {

namespace {

// The escape letter for a code unit that needs one, or 0.
constexpr char escape_letter(char32_t c) {
    switch (c) {
        case 0:
            return '0';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case 0x1A:
            return 'Z';
        case '\\':
            return '\\';
        case '\'':
            return '\'';
        case '"':
            return '"';
        default:
            return 0;
    }
}

template <class S, class V>
S escape_impl(V text) {
    S out;
    out.reserve(text.size() + text.size() / 8 + 2);
    // Runs without a character to escape are copied whole: most values have none.
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = text[i];
        char e = escape_letter(static_cast<char32_t>(static_cast<std::make_unsigned_t<decltype(c)>>(c)));
        if (!e) continue;
        out.append(text.data() + run, i - run);
        out += typename S::value_type('\\');
        out += typename S::value_type(e);
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
    return out;
}

}  // namespace

std::string escape_text(std::string_view text) { return escape_impl<std::string>(text); }

void append_escaped(std::string& out, std::string_view bytes) {
    static constexpr auto letters = [] {
        std::array<char, 256> t{};
        for (char32_t c = 0; c < 256; ++c) t[c] = escape_letter(c);
        return t;
    }();
    // Runs without a byte to escape are copied whole: in binary data most bytes need none.
    size_t run = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char e = letters[static_cast<unsigned char>(bytes[i])];
        if (!e) continue;
        out.append(bytes.data() + run, i - run);
        out += '\\';
        out += e;
        run = i + 1;
    }
    out.append(bytes.data() + run, bytes.size() - run);
}

compat::wstring escape_text(compat::wstring_view text) { return escape_impl<compat::wstring>(text); }

namespace {

// The ASCII code units that need an escape, for a lookup per unit.
constexpr auto ascii_escapes = [] {
    std::array<bool, 0x80> t{};
    for (char32_t c = 0; c < 0x80; ++c) t[c] = escape_letter(c) != 0;
    return t;
}();

// The length of the leading run of ASCII units that need no escape: 8 units per step
// where SSE2 is there, since nearly every text is such a run from end to end.
size_t plain_prefix(const char16_t* p, size_t n) {
    size_t k = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    const auto eq = [](__m128i v, char c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(c)); };
    const auto eq8 = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    // 16 ASCII units narrowed into one vector, so each escape test covers 16 of them
    for (; k + 16 <= n; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 8));
        const __m128i wide = _mm_and_si128(_mm_or_si128(a, b), high);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(wide, zero)) != 0xFFFF) break;
        const __m128i v = _mm_packus_epi16(a, b);
        __m128i esc = _mm_or_si128(_mm_cmpeq_epi8(v, zero), eq8(v, '\n'));
        esc = _mm_or_si128(esc, _mm_or_si128(eq8(v, '\r'), eq8(v, 0x1A)));
        esc = _mm_or_si128(esc, _mm_or_si128(eq8(v, '\\'), eq8(v, '\'')));
        esc = _mm_or_si128(esc, eq8(v, '"'));
        const unsigned hit = static_cast<unsigned>(_mm_movemask_epi8(esc));
        if (hit != 0) return k + static_cast<size_t>(std::countr_zero(hit));
    }
    for (; k + 8 <= n; k += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, high), zero);
        __m128i esc = _mm_or_si128(_mm_cmpeq_epi16(v, zero), eq(v, '\n'));
        esc = _mm_or_si128(esc, _mm_or_si128(eq(v, '\r'), eq(v, 0x1A)));
        esc = _mm_or_si128(esc, _mm_or_si128(eq(v, '\\'), eq(v, '\'')));
        esc = _mm_or_si128(esc, eq(v, '"'));
        const unsigned good = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(esc, ascii)));
        if (good != 0xFFFFu) return k + static_cast<size_t>(std::countr_zero(~good)) / 2;
    }
#endif
    while (k < n && p[k] < 0x80 && !ascii_escapes[p[k]]) ++k;
    return k;
}

// Narrows n ASCII units into dst.
void narrow_ascii(const char16_t* p, size_t n, char* dst) {
    size_t k = 0;
#if defined(__SSE2__)
    for (; k + 8 <= n; k += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(v, v));
    }
#endif
    for (; k < n; ++k) dst[k] = static_cast<char>(p[k]);
}

}  // namespace

void append_escaped_utf8(std::string& out, compat::wstring_view text) {
    const size_t n = text.size();
    const char16_t* p = text.data();
    size_t i = 0;
    while (i < n) {
        const size_t run = plain_prefix(p + i, n - i);
        if (run > 0) {
            const size_t at = out.size();
            out.resize(at + run);
            narrow_ascii(p + i, run, out.data() + at);
            i += run;
            if (i == n) break;
        }
        const char16_t c = p[i];
        if (c < 0x80) {
            out += '\\';
            out += escape_letter(c);
            ++i;
            continue;
        }
        // Anything else holds no character to escape; a surrogate pair never spans runs.
        size_t end = i;
        while (end < n && p[end] >= 0x80) ++end;
        out += compat::utf16_to_utf8(text.substr(i, end - i));
        i = end;
    }
}

void append_quotes_doubled(std::string& out, std::string_view bytes) {
    size_t run = 0;
    for (size_t i = bytes.find('\''); i != std::string_view::npos; i = bytes.find('\'', i + 1)) {
        out.append(bytes.data() + run, i + 1 - run);
        out += '\'';
        run = i + 1;
    }
    out.append(bytes.data() + run, bytes.size() - run);
}

void append_quotes_doubled_utf8(std::string& out, compat::wstring_view text) {
    // In pieces, a surrogate pair kept whole: a large text is never held twice as UTF-8.
    constexpr size_t piece = size_t{64} * 1024;
    for (size_t at = 0; at < text.size();) {
        size_t n = std::min(piece, text.size() - at);
        const char16_t last = text[at + n - 1];
        if (at + n < text.size() && last >= 0xD800 && last <= 0xDBFF) ++n;
        append_quotes_doubled(out, compat::utf16_to_utf8(text.substr(at, n)));
        at += n;
    }
}

void append_hex_literal(std::string& out, std::string_view bytes) {
    if (bytes.empty()) {
        out += "''";
        return;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    const size_t at = out.size();
    out.resize(at + 2 + 2 * bytes.size());
    char* p = out.data() + at;
    *p++ = '0';
    *p++ = 'x';
    for (unsigned char b : bytes) {
        *p++ = digits[b >> 4];
        *p++ = digits[b & 0x0F];
    }
}

namespace {

bool all_ascii(compat::wstring_view text) {
    char16_t any = 0;
    for (char16_t c : text) any |= c;
    return any < 0x80;
}

bool all_ascii(std::string_view text) {
    unsigned char any = 0;
    for (char c : text) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

}  // namespace

void append_text_literal(std::string& out, compat::wstring_view text, std::string_view introducer) {
    if (all_ascii(text)) {
        out += '\'';
        append_escaped_utf8(out, text);
        out += '\'';
        return;
    }
    out += introducer;
    append_hex_literal(out, compat::utf16_to_utf8(text));
}

void append_text_literal(std::string& out, std::string_view utf8, std::string_view introducer) {
    if (all_ascii(utf8)) {
        out += '\'';
        out += escape_text(utf8);
        out += '\'';
        return;
    }
    out += introducer;
    append_hex_literal(out, utf8);
}

namespace {

// The size of the pieces a large literal is written in.
constexpr size_t literal_piece = 32768;

}  // namespace

void write_hex_literal(std::string_view bytes, const text_sink& out) {
    if (bytes.empty()) {
        out("''");
        return;
    }
    std::string hex;
    for (size_t at = 0; at < bytes.size(); at += literal_piece) {
        hex.clear();
        append_hex_literal(hex, bytes.substr(at, literal_piece));
        // "0x" only before the first piece
        if (at != 0) hex.erase(0, 2);
        out(hex);
    }
}

void write_text_literal(compat::wstring_view text, std::string_view introducer, const text_sink& out) {
    const bool ascii = all_ascii(text);
    out(ascii ? std::string_view("'") : introducer);
    std::string piece;
    for (size_t at = 0; at < text.size();) {
        size_t n = std::min(literal_piece, text.size() - at);
        // a surrogate pair stays in one piece
        if (at + n < text.size() && (text[at + n - 1] & 0xFC00) == 0xD800) ++n;
        const compat::wstring_view part = text.substr(at, n);
        piece.clear();
        if (ascii) {
            append_escaped_utf8(piece, part);
        } else {
            append_hex_literal(piece, compat::utf16_to_utf8(part));
            if (at != 0) piece.erase(0, 2);
        }
        out(piece);
        at += n;
    }
    if (ascii) out("'");
}

compat::wstring text_literal(compat::wstring_view text, std::string_view introducer) {
    std::string out;
    append_text_literal(out, text, introducer);
    return compat::utf8_to_utf16(out);
}

compat::wstring backquote(compat::wstring_view name) {
    compat::wstring out;
    out.reserve(name.size() + 2);
    out += u'`';
    for (auto c : name) {
        out += c;
        if (c == u'`') out += u'`';
    }
    out += u'`';
    return out;
}

std::string comment_text(std::string_view text) {
    static constexpr char digits[] = "0123456789abcdef";
    const auto hex = [](std::string& out, char32_t c, int n) {
        for (int shift = 4 * (n - 1); shift >= 0; shift -= 4) out += digits[(c >> shift) & 0xF];
    };
    const auto plain = [](char c) { return c >= 0x20 && c < 0x7F && c != '\\'; };
    if (std::all_of(text.begin(), text.end(), plain)) return std::string(text);
    const compat::wstring wide = compat::utf8_to_utf16(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        if (c == '\r' || c == '\n') {
            out += ' ';
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c <= 0xFFFF) {
            out += "\\u";
            hex(out, c, 4);
        } else {
            out += "\\U";
            hex(out, c, 8);
        }
    }
    return out;
}

}  // namespace sql
