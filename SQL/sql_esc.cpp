#include "SQL/sql_esc.h"

#include <array>

namespace sql {

namespace {

// The escape letter for a code unit that needs one, or 0.
constexpr char escape_letter(char32_t c) {
    switch (c) {
        case 0: return '0';
        case '\n': return 'n';
        case '\r': return 'r';
        case 0x1A: return 'Z';
        case '\\': return '\\';
        case '\'': return '\'';
        case '"': return '"';
        default: return 0;
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

compat::wstring escape_text(compat::wstring_view text) {
    return escape_impl<compat::wstring>(text);
}

namespace {

// The ASCII code units that need an escape, for a lookup per unit.
constexpr auto ascii_escapes = [] {
    std::array<bool, 0x80> t{};
    for (char32_t c = 0; c < 0x80; ++c) t[c] = escape_letter(c) != 0;
    return t;
}();

}  // namespace

void append_escaped_utf8(std::string& out, compat::wstring_view text) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        size_t end = i;
        bool escapes = false;
        for (; end < n; ++end) {
            const char16_t c = text[end];
            if (c >= 0x80) break;
            escapes |= ascii_escapes[c];
        }
        if (end > i) {
            const size_t at = out.size();
            if (!escapes) {
                // the usual run: narrowed whole
                out.resize(at + (end - i));
                char* p = out.data() + at;
                for (size_t k = i; k < end; ++k) *p++ = static_cast<char>(text[k]);
            } else {
                out.reserve(at + 2 * (end - i));
                for (size_t k = i; k < end; ++k) {
                    const char e = escape_letter(text[k]);
                    if (e) {
                        out += '\\';
                        out += e;
                    } else {
                        out += static_cast<char>(text[k]);
                    }
                }
            }
            i = end;
        }
        // Anything else holds no character to escape; a surrogate pair never spans runs.
        end = i;
        while (end < n && text[end] >= 0x80) ++end;
        if (end > i) {
            out += compat::utf16_to_utf8(text.substr(i, end - i));
            i = end;
        }
    }
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
    std::string out(text);
    for (auto& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace sql
