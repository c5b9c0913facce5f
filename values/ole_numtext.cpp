#include "values/ole_numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "values/ole_var.h"

namespace {

bool is_digit(char32_t c) { return c >= u'0' && c <= u'9'; }

template <class V>
bool is_number(V s) {
    size_t i = 0, n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && is_digit(s[i])) ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exp = 0;
        while (i < n && is_digit(s[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == n;
}

template <class V>
size_t read_plain_decimal(V s, DECIMAL& value, char* printed) {
    const size_t n = s.size();
    size_t i = 0;
    const bool negative = i < n && s[i] == '-';
    if (negative) ++i;
    while (i < n && s[i] == '0') ++i;  // leading zeros say nothing
    const size_t int_begin = i;
    while (i < n && is_digit(s[i])) ++i;
    const size_t int_end = i;
    const bool zeros_only = int_begin > (negative ? 1u : 0u);
    size_t frac_begin = i;
    if (i < n && s[i] == '.') frac_begin = ++i;
    while (i < n && is_digit(s[i])) ++i;
    const size_t int_digits = int_end - int_begin;
    const size_t frac_digits = i - frac_begin;
    if (i != n || (int_digits + frac_digits == 0 && !zeros_only)) return 0;
    // Within these bounds the reading neither rounds nor moves the scale.
    if (frac_digits > DECIMAL_MAX_SCALE || int_digits + frac_digits > static_cast<size_t>(DECIMAL_MAX_DIGITS)) return 0;
    uint64_t low = 0;  // 19 digits fit 64 bits, where arithmetic is one instruction
    unsigned __int128 mantissa = 0;
    size_t taken = 0;
    auto take = [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k, ++taken) {
            const unsigned d = static_cast<unsigned>(s[k] - '0');
            if (taken < 19)
                low = low * 10 + d;
            else
                mantissa = mantissa * 10 + d;
        }
    };
    take(int_begin, int_end);
    take(frac_begin, i);
    if (taken <= 19) {
        mantissa = low;
    } else {
        unsigned __int128 scale = 1;
        for (size_t k = 19; k < taken; ++k) scale *= 10;
        mantissa += static_cast<unsigned __int128>(low) * scale;
    }
    size_t length = 0;
    if (negative && mantissa != 0) printed[length++] = '-';
    if (int_digits == 0) printed[length++] = '0';
    for (size_t k = int_begin; k < int_end; ++k) printed[length++] = static_cast<char>(s[k]);
    if (frac_digits != 0) {
        printed[length++] = '.';
        for (size_t k = frac_begin; k < i; ++k) printed[length++] = static_cast<char>(s[k]);
    }
    value = DECIMAL{};
    value.scale = static_cast<uint8_t>(frac_digits);
    value.sign = negative && mantissa != 0 ? DECIMAL_NEG : 0;
    value.mantissa = mantissa;
    return length;
}

}  // namespace

size_t ole_read_plain_decimal(std::string_view text, DECIMAL& value, char* printed) {
    return read_plain_decimal(text, value, printed);
}

size_t ole_read_plain_decimal(compat::wstring_view text, DECIMAL& value, char* printed) {
    return read_plain_decimal(text, value, printed);
}

bool ole_is_number(compat::wstring_view text) { return is_number(text); }

bool ole_is_number(std::string_view text) { return is_number(text); }

std::string ole_whole_number(compat::wstring_view t) {
    if (!ole_is_number(t)) return {};
    size_t i = 0;
    bool negative = false;
    if (t[i] == u'+' || t[i] == u'-') negative = t[i++] == u'-';
    std::string digits;
    long point = -1;
    for (; i < t.size() && (is_digit(t[i]) || t[i] == u'.'); ++i) {
        if (t[i] == u'.')
            point = static_cast<long>(digits.size());
        else
            digits += static_cast<char>(t[i]);
    }
    if (point < 0) point = static_cast<long>(digits.size());
    long exponent = 0;
    if (i < t.size()) {  // e, sign, digits
        ++i;
        bool minus = false;
        if (t[i] == u'+' || t[i] == u'-') minus = t[i++] == u'-';
        for (; i < t.size(); ++i)
            if (exponent < 100000) exponent = exponent * 10 + (t[i] - u'0');
        if (minus) exponent = -exponent;
    }
    const long whole = point + exponent;  // digits before the point
    for (long k = std::max(whole, 0L); k < static_cast<long>(digits.size()); ++k)
        if (digits[static_cast<size_t>(k)] != '0') return {};
    if (whole > 100) return {};
    std::string out =
        whole <= 0 ? std::string()
                   : digits.substr(0, static_cast<size_t>(std::min<long>(whole, static_cast<long>(digits.size()))));
    if (whole > static_cast<long>(digits.size())) out.append(static_cast<size_t>(whole) - digits.size(), '0');
    const size_t first = out.find_first_not_of('0');
    out = first == std::string::npos ? "0" : out.substr(first);
    return negative && out != "0" ? "-" + out : out;
}

bool ole_append_shortest_float(std::string& out, const ole_variant& value) {
    const VARIANT& v = value.get_variant();
    char buffer[40];
    std::to_chars_result r{};
    if (v.vt == VT_R8 && std::isfinite(v.dblVal)) {
        r = std::to_chars(buffer, buffer + sizeof buffer, v.dblVal);
    } else if (v.vt == VT_R4 && std::isfinite(v.fltVal)) {
        r = std::to_chars(buffer, buffer + sizeof buffer, v.fltVal);
        double read = 0;
        std::from_chars(buffer, r.ptr, read);
        if (std::fabs(read) > std::numeric_limits<float>::max() || static_cast<float>(read) != v.fltVal)
            r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(v.fltVal));
    } else {
        return false;
    }
    out.append(buffer, r.ptr);
    return true;
}
