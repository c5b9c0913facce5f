// printf-style formatting with the Windows runtime's meaning of formats, made type-safe
// through libfmt's printf family: %I64d/%I64u are 64-bit, %ld/%lu are 32-bit, %s in a wide
// format takes a wide string. Wide formats are formatted through UTF-8.
//
// The templates only pack their arguments; the formatting itself is one out-of-line
// function (vformat), so a call site does not instantiate libfmt's printf engine.
#pragma once

#include <fmt/printf.h>

#include <string>
#include <string_view>
#include <type_traits>

#include "compat/text/text.h"

namespace compat {

// An argument as libfmt's printf takes it: wide text as UTF-8, a null C string as "(null)".
template <class T>
decltype(auto) printf_arg(const T& value) {
    using D = std::decay_t<T>;
    if constexpr (std::is_same_v<D, wstring> || std::is_same_v<D, wstring_view>) {
        return utf16_to_utf8(value);
    } else if constexpr (std::is_array_v<T> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, char16_t>) {
        return utf16_to_utf8(wstring_view(value));
    } else if constexpr (std::is_same_v<D, const char16_t*> || std::is_same_v<D, char16_t*>) {
        return value ? utf16_to_utf8(value) : std::string("(null)");
    } else if constexpr (std::is_same_v<D, char16_t>) {
        return utf16_to_utf8(wstring_view(&value, 1));
    } else if constexpr (std::is_same_v<D, std::string_view>) {
        return std::string(value);
    } else if constexpr (std::is_array_v<T> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, char>) {
        return std::string_view(value);
    } else if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>) {
        return value ? std::string(value) : std::string("(null)");
    } else {
        return (value);
    }
}

// Formats arguments packed by fmt::make_printf_args(printf_arg(args)...); a format
// that does not fit them throws fmt::format_error. The pack refers to the converted
// arguments, so it is made in the full expression that calls this.
std::string vformat(std::string_view fmt_text, fmt::printf_args args);

template <class... A>
std::string format(std::string_view fmt_text, const A&... args) {
    return vformat(fmt_text, fmt::make_printf_args(printf_arg(args)...));
}

template <class... A>
wstring wformat(wstring_view fmt_text, const A&... args) {
    return utf8_to_utf16(format(utf16_to_utf8(fmt_text), args...));
}

}  // namespace compat
