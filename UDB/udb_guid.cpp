#include "UDB/udb_guid.h"

#include "TK/tk_trace.h"

using compat::wstring;

namespace {

// Texts shorter than this cannot hold the word and a braced GUID.
constexpr size_t min_text = 45;
// "{" + 8-4-4-4-12 + "}".
constexpr size_t braced_len = 38;

bool is_hex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// A complete braced GUID starts at pos and lies inside the text.
bool is_braced_guid(const wstring& t, size_t pos) {
    if (pos + braced_len > t.size()) return false;
    for (size_t i = 1; i < braced_len - 1; ++i) {
        const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
        if (hyphen ? t[pos + i] != u'-' : !is_hex(t[pos + i])) return false;
    }
    return t[pos + braced_len - 1] == u'}';
}

}  // namespace

ole_guid_extractor::ole_guid_extractor(const wstring& text) : text_(text) {
    tk_log::log(1, u"ole_guid_extractor::ctor(%s)", text);
    locate();
}

ole_guid_extractor::ole_guid_extractor(const std::string& text) : ole_guid_extractor(compat::ansi_to_utf16(text)) {}

void ole_guid_extractor::locate() {
    if (text_.size() < min_text) return;
    size_t lower = text_.find(u"guid");
    size_t upper = text_.find(u"GUID");
    tk_log::log(1, "Locating 'guid' (%d : %d)", lower == wstring::npos ? -1 : int(lower),
                upper == wstring::npos ? -1 : int(upper));
    size_t p = lower != wstring::npos ? lower : upper;
    if (p == wstring::npos) return;
    size_t brace = text_.find(u'{', p + 4);
    // Only a whole GUID counts: the digits are never read past the end of the text.
    if (brace == wstring::npos || !is_braced_guid(text_, brace)) return;
    pos_ = static_cast<int>(brace);
    found_ = true;
}

bool ole_guid_extractor::is_whole_text() const {
    if (!found_) return false;
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    size_t b = 0;
    while (b < text_.size() && blank(text_[b])) ++b;
    if (text_.compare(b, 4, u"guid") != 0 && text_.compare(b, 4, u"GUID") != 0) return false;
    const size_t brace = static_cast<size_t>(pos_);
    for (size_t i = b + 4; i < brace; ++i)
        if (!blank(text_[i]) && text_[i] != u'=' && text_[i] != u':') return false;
    for (size_t i = brace + braced_len; i < text_.size(); ++i)
        if (!blank(text_[i])) return false;
    return true;
}

wstring ole_guid_extractor::to_wstring() const {
    if (!found_) return {};
    const size_t b = static_cast<size_t>(pos_);
    return text_.substr(b + 1, 8) + text_.substr(b + 10, 4) + text_.substr(b + 15, 4) + text_.substr(b + 20, 4) +
           text_.substr(b + 25, 12);
}

std::string ole_guid_extractor::to_string() const { return compat::utf16_to_ansi(to_wstring()); }
