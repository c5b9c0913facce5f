// String, code-page and module helpers used at the system's borders. Inside, names and
// user texts are wide (compat::wstring, UTF-16); narrow text is the "ANSI" code page,
// which is the locale's character set (UTF-8 here). Invalid input becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "compat/text/text.h"

// Code pages understood by tk_wide_to_narrow.
inline constexpr int TK_CP_ANSI = -1;  // the ANSI code page
inline constexpr int TK_CP_ACP = 0;    // Windows CP_ACP: the ANSI code page too
inline constexpr int TK_CP_UTF8 = 65001;

// Wide <-> narrow in the ANSI code page.
std::string tk_to_narrow(compat::wstring_view text);
compat::wstring tk_to_wide(std::string_view text);
// Null-tolerant forms for C-string callers: false for a null text.
bool tk_to_narrow(const compat::wchar* text, std::string& out);
bool tk_to_wide(const char* text, compat::wstring& out);

std::string tk_wide_to_utf8(compat::wstring_view text);
// TK_CP_ANSI, TK_CP_ACP or TK_CP_UTF8; any other code page yields an empty string.
std::string tk_wide_to_narrow(compat::wstring_view text, int code_page);
compat::wstring tk_utf8_to_wide(std::string_view text);
compat::wstring tk_ansi_to_wide(std::string_view text);

// Copies without leading and trailing blanks (only ' ' counts).
std::string tk_trim(std::string_view text);
compat::wstring tk_wtrim(compat::wstring_view text);

// Case-insensitive comparison (Unicode simple case folding, locale-independent): -1, 0, 1.
int tk_compare_nocase(std::string_view a, std::string_view b);
int tk_compare_nocase(compat::wstring_view a, compat::wstring_view b);

// The toolkit's wide string with in-place upper-casing.
class tk_wstring : public compat::wstring {
public:
    using compat::wstring::wstring;
    tk_wstring(const compat::wstring& s) : compat::wstring(s) {}
    tk_wstring(compat::wstring&& s) : compat::wstring(std::move(s)) {}
    // Upper-cases in place and returns a copy of the result.
    compat::wstring to_upper();
};

// Two upper-case hex digits per byte ("00AB7F").
std::string tk_bin_to_hex(std::span<const uint8_t> bytes);
// Buffer form: out holds 2 * count + 1 chars; a null out is an internal error.
void tk_bin_to_hex(size_t count, const void* bytes, char* out);

// The full path of the program's executable (from /proc/self/exe).
std::string tk_get_module_path();
compat::wstring tk_get_module_wpath();

// The version of a shared library's DllGetVersion entry; there is none on Linux, so 0.
uint32_t get_dll_version(compat::wstring_view library);
