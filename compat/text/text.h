// Text layer: the one wide string type, code-page conversions, case folding and a
// Windows-compatible integer parser. Knows nothing of the rest of the system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace compat {

// Wide text is UTF-16 everywhere inside the system.
using wchar = char16_t;
using wstring = std::u16string;
using wstring_view = std::u16string_view;

// UTF-8 <-> UTF-16. Invalid input (bad UTF-8 sequences, lone surrogates) becomes U+FFFD;
// these never fail and never split a surrogate pair.
std::string utf16_to_utf8(wstring_view text);
wstring utf8_to_utf16(std::string_view text);

// The "ANSI code page" is the locale's character set, UTF-8 on any current Linux.
std::string utf16_to_ansi(wstring_view text);
wstring ansi_to_utf16(std::string_view text);

// Unicode simple case mapping, independent of the process locale.
char32_t to_upper(char32_t c);
char32_t to_lower(char32_t c);
char32_t fold_case(char32_t c);  // simple case folding, for comparisons
wstring to_upper(wstring_view text);
wstring to_lower(wstring_view text);
std::string to_upper_utf8(std::string_view text);

// Case-insensitive comparison by folded code points: <0, 0 or >0.
int compare_nocase(wstring_view a, wstring_view b);
int compare_nocase(std::string_view a, std::string_view b);  // UTF-8
bool equal_nocase(wstring_view a, wstring_view b);
bool equal_nocase(std::string_view a, std::string_view b);

// Windows runtime atoi: leading blanks, optional sign, digits; saturates at
// INT_MIN/INT_MAX (glibc's atoi wraps). Garbage gives 0.
int32_t win_atoi(std::string_view text);
int32_t win_atoi(wstring_view text);
int64_t win_atoi64(std::string_view text);  // saturates at the int64 limits

// Number of UTF-16 units of the longest prefix of at most max_units units that does not
// end inside a surrogate pair.
size_t utf16_safe_prefix(wstring_view text, size_t max_units);

}  // namespace compat
