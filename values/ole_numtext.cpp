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

}  // namespace

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
