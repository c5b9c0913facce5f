#include "compat/oleaut/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace compat {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr int64_t k_exponent_cap = 1'000'000'000;  // far beyond any representable value

// 10^0 .. 10^38, so that limits cost no multiplication loop per number.
constexpr auto k_pow10 = [] {
    struct table {
        unsigned __int128 v[39];
    } t{};
    t.v[0] = 1;
    for (int k = 1; k < 39; ++k) t.v[k] = t.v[k - 1] * 10;
    return t;
}();

}  // namespace

bool parse_number_text(std::string_view text, number_text& out) {
    out = number_text{};
    size_t i = 0, n = text.size();
    while (i < n && is_blank(text[i])) ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) out.negative = text[i++] == '-';

    int64_t int_digits = 0, frac_digits = 0, leading_zeros = 0;
    bool seen_significant = false;
    auto take = [&](char c) {
        if (!seen_significant) {
            if (c == '0') {
                ++leading_zeros;
                return;
            }
            seen_significant = true;
        }
        if (out.kept < number_text::max_kept)
            out.digits[out.kept++] = c;
        else if (c != '0')
            out.sticky = true;
        ++out.count;
    };
    while (i < n && is_digit(text[i])) {
        take(text[i++]);
        ++int_digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && is_digit(text[i])) {
            take(text[i++]);
            ++frac_digits;
        }
    }
    if (int_digits + frac_digits == 0) return false;

    int64_t exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative_exponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negative_exponent = text[i++] == '-';
        if (i >= n || !is_digit(text[i])) return false;
        while (i < n && is_digit(text[i])) {
            if (exponent < k_exponent_cap) exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (negative_exponent) exponent = -exponent;
    }
    while (i < n && is_blank(text[i])) ++i;
    if (i != n) return false;

    // value = (digits without leading zeros) x 10^(exponent - frac_digits)
    out.point = out.count + exponent - frac_digits;
    out.natural_scale = frac_digits - exponent;
    if (out.is_zero()) out.negative = false;
    (void)leading_zeros;
    return true;
}

bool scaled_magnitude(const number_text& number, int scale, int max_digits, unsigned __int128& out) {
    out = 0;
    if (number.is_zero()) return true;
    int64_t whole = number.point + scale;  // digits before the rounding position
    if (whole > max_digits) return false;
    if (whole < 0) return true;  // below one half of the last place
    unsigned __int128 m = 0;
    int w = static_cast<int>(whole);
    // 64-bit arithmetic while the value fits (up to 19 digits), 128-bit beyond.
    const int kept_w = w < number.kept ? w : number.kept;
    const int first = kept_w < 19 ? kept_w : 19;
    uint64_t m64 = 0;
    for (int k = 0; k < first; ++k) m64 = m64 * 10 + static_cast<unsigned>(number.digits[k] - '0');
    m = m64;
    for (int k = first; k < kept_w; ++k) m = m * 10 + static_cast<unsigned>(number.digits[k] - '0');
    if (w > kept_w) m *= k_pow10.v[w - kept_w];
    int round_digit = w < number.kept ? number.digits[w] - '0' : 0;
    bool rest = number.sticky;
    for (int k = w + 1; k < number.kept && !rest; ++k) rest = number.digits[k] != '0';
    if (round_digit > 5 || (round_digit == 5 && (rest || (m & 1) != 0))) ++m;
    if (m >= k_pow10.v[max_digits]) return false;
    out = m;
    return true;
}

double_read read_double(std::string_view text) {
    double_read r;
    size_t i = 0, n = text.size();
    while (i < n && is_blank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i < n && (text[i] == '+' || text[i] == '-')) return r;  // from_chars would take a second sign
    const char* first = text.data() + i;
    const char* last = text.data() + n;
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ptr == first) return r;
    r.used = static_cast<size_t>(ptr - text.data());
    if (ec == std::errc::result_out_of_range) {
        number_text nt;
        parse_number_text(std::string_view(first, static_cast<size_t>(ptr - first)), nt);
        if (nt.point > 0) {
            r.overflow = true;
            v = std::numeric_limits<double>::infinity();
        } else {
            v = 0.0;
        }
    }
    r.value = negative ? -v : v;
    return r;
}

double c_atof(std::string_view text) { return read_double(text).value; }

int u128_to_chars(unsigned __int128 value, char* out) {
    char tmp[40];
    int n = 0;
    if (value <= UINT64_MAX) {
        // Most mantissas fit 64 bits, where a division is one instruction, not a library call.
        static constexpr char pairs[] =
            "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
            "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
            "8081828384858687888990919293949596979899";
        uint64_t v = static_cast<uint64_t>(value);
        while (v >= 100) {  // two digits a division, written backwards
            const size_t pair = static_cast<size_t>(v % 100);
            v /= 100;
            tmp[n++] = pairs[2 * pair + 1];
            tmp[n++] = pairs[2 * pair];
        }
        if (v >= 10) {
            tmp[n++] = pairs[2 * v + 1];
            tmp[n++] = pairs[2 * v];
        } else {
            tmp[n++] = static_cast<char>('0' + v);
        }
        for (int k = 0; k < n; ++k) out[k] = tmp[n - 1 - k];
        return n;
    }
    do {
        tmp[n++] = static_cast<char>('0' + static_cast<int>(value % 10));
        value /= 10;
    } while (value != 0);
    for (int k = 0; k < n; ++k) out[k] = tmp[n - 1 - k];
    return n;
}

}  // namespace compat
