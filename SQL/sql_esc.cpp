#include "SQL/sql_esc.h"

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
