#include "SQL/sql_view_converter.h"

#include "SQL/ci_wstring.h"
#include "TK/tk_trace.h"

namespace {

using compat::wstring;

// Marks which characters of a view text are SQL words rather than the inside of a
// string literal or a quoted name, and at which parenthesis depth they stand, so that
// rewrites never touch a name or a literal.
struct text_map {
    std::vector<bool> code;
    std::vector<int> depth;
};

text_map map_text(const wstring& text) {
    text_map m{std::vector<bool>(text.size(), false), std::vector<int>(text.size(), 0)};
    char16_t quote = 0;
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        m.depth[i] = depth;
        if (quote) {
            if (c == u'\\' && quote != u'`' && i + 1 < text.size()) {
                m.depth[++i] = depth;
            } else if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'`') {
            quote = c;
            continue;
        }
        if (c == u'(') ++depth;
        if (c == u')' && depth > 0) --depth;
        m.code[i] = true;
    }
    return m;
}

bool is_word(char16_t c) {
    const char32_t u = c;
    return c == u'_' || c == u'$' || (c >= u'0' && c <= u'9') || compat::to_upper(u) != compat::to_lower(u);
}

bool whole_word_in_code(const wstring& text, const text_map& m, size_t pos, size_t n) {
    for (size_t k = pos; k < pos + n; ++k)
        if (!m.code[k]) return false;
    if (pos > 0 && is_word(text[pos - 1])) return false;
    if (pos + n < text.size() && is_word(text[pos + n])) return false;
    return true;
}

}  // namespace

sql_view_converter::sql_view_converter(const wstring& text) : text_(text) {
    tk_log::log(2, u"sql_view_converter::ctor(%s)", text_);
    bool in_string = false;
    bool in_ident = false;
    for (char16_t c : text_) {
        if (c == u'"') {
            in_string = !in_string;
        } else if (c == u'`' && !in_string) {
            in_ident = !in_ident;
        } else if (!in_string && !in_ident) {
            skeleton_ += c;
        }
    }
    tk_log::log(2, u"Skeleton=%s", skeleton_);
}

wstring sql_view_converter::convert_to_ansi() const {
    tk_log::log(2, "sql_view_converter::convert_to_ansi");
    wstring out = text_;
    {
        // only an ORDER BY of the view itself: one inside a literal, a quoted name or a
        // subquery belongs to something else
        const text_map m = map_text(out);
        const wstring pattern = u" order by ";
        for (std::ptrdiff_t a = ci_wstring::find(out, pattern, 0); a >= 0;
             a = ci_wstring::find(out, pattern, static_cast<size_t>(a) + 1)) {
            const size_t p = static_cast<size_t>(a);
            bool top = true;
            for (size_t k = p; k < p + pattern.size(); ++k)
                if (!m.code[k] || m.depth[k] != 0) top = false;
            if (!top) continue;
            tk_log::log(2, "'ORDER BY' is found in view, length=%d", static_cast<int>(out.size() - p));
            out.erase(p);
            tk_log::log(2, u"After removing 'ORDER BY':\n%s", out);
            break;
        }
    }
    if (ci_wstring::find(skeleton_, u"join") < 0 || ci_wstring::find(skeleton_, u"where") < 0) return out;

    const wstring join = u"join";
    const wstring cross = u"cross join";
    text_map m = map_text(out);
    for (std::ptrdiff_t b = ci_wstring::find(out, join, 0); b >= 0;) {
        const size_t p = static_cast<size_t>(b);
        if (!whole_word_in_code(out, m, p, join.size())) {
            b = ci_wstring::find(out, join, p + join.size());
            continue;
        }
        out.replace(p, join.size(), cross);
        m = map_text(out);
        b = ci_wstring::find(out, join, p + cross.size());
    }
    return out;
}
