#include "TK/tk_utils.h"

#include <unistd.h>
#include <climits>

#include "TK/tk_excep.h"
#include "TK/tk_log.h"

std::string tk_to_narrow(compat::wstring_view text) { return compat::utf16_to_ansi(text); }

compat::wstring tk_to_wide(std::string_view text) { return compat::ansi_to_utf16(text); }

bool tk_to_narrow(const compat::wchar* text, std::string& out) {
    if (!text) return false;
    out = compat::utf16_to_ansi(text);
    return true;
}

bool tk_to_wide(const char* text, compat::wstring& out) {
    if (!text) return false;
    out = compat::ansi_to_utf16(text);
    return true;
}

std::string tk_wide_to_utf8(compat::wstring_view text) { return compat::utf16_to_utf8(text); }

std::string tk_wide_to_narrow(compat::wstring_view text, int code_page) {
    switch (code_page) {
        case TK_CP_ANSI:
        case TK_CP_ACP:
            return compat::utf16_to_ansi(text);
        case TK_CP_UTF8:
            return compat::utf16_to_utf8(text);
        default:
            return {};
    }
}

compat::wstring tk_utf8_to_wide(std::string_view text) { return compat::utf8_to_utf16(text); }

compat::wstring tk_ansi_to_wide(std::string_view text) { return compat::ansi_to_utf16(text); }

namespace {

// Right end first, then the left end.
template <class S, class V>
S trim_blanks(V text, typename V::value_type blank) {
    size_t end = text.find_last_not_of(blank);
    if (end == V::npos) {
        if (!text.empty()) tk_log::log(1, "Special processing for all-spaces-string");
        return S();
    }
    text = text.substr(0, end + 1);
    return S(text.substr(text.find_first_not_of(blank)));
}

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

std::string tk_trim(std::string_view text) { return trim_blanks<std::string>(text, ' '); }

compat::wstring tk_wtrim(compat::wstring_view text) { return trim_blanks<compat::wstring>(text, u' '); }

int tk_compare_nocase(std::string_view a, std::string_view b) { return sign(compat::compare_nocase(a, b)); }

int tk_compare_nocase(compat::wstring_view a, compat::wstring_view b) { return sign(compat::compare_nocase(a, b)); }

compat::wstring tk_wstring::to_upper() {
    tk_log::log(1, u"tk_wstring::to_upper(%s)", static_cast<const compat::wstring&>(*this));
    compat::wstring upper = compat::to_upper(*this);
    assign(upper);
    return upper;
}

std::string tk_bin_to_hex(std::span<const uint8_t> bytes) {
    std::string out(bytes.size() * 2 + 1, '\0');
    tk_bin_to_hex(bytes.size(), bytes.data(), out.data());
    out.pop_back();
    return out;
}

void tk_bin_to_hex(size_t count, const void* bytes, char* out) {
    static constexpr char hex[] = "0123456789ABCDEF";
    if (!out) throw tk_mail_assertion(tk_where::utils, 675);
    const auto* b = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        *out++ = hex[b[i] >> 4];
        *out++ = hex[b[i] & 15];
    }
    *out = '\0';
}

namespace {

bool module_path(std::string& path) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return false;
    path.assign(buf, static_cast<size_t>(n));
    return true;
}

}  // namespace

std::string tk_get_module_path() {
    std::string path;
    if (!module_path(path)) throw tk_mail_assertion(tk_where::utils, 113);
    return path;
}

compat::wstring tk_get_module_wpath() {
    std::string path;
    if (!module_path(path)) throw tk_mail_assertion(tk_where::utils, 126);
    return compat::ansi_to_utf16(path);
}

uint32_t get_dll_version(compat::wstring_view) { return 0; }
