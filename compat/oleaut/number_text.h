// Locale-free reading of number texts. The platform's readers follow the process locale's
// decimal point; these always use '.', so that a value reads the same under any locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace compat {

using uint128 = unsigned __int128;

// A decimal number as the US-English conversions read it: optional blanks, an optional
// sign, digits with an optional '.' (".5" and "5." are numbers), an optional exponent
// (e or E, optional sign, digits), optional blanks, nothing else.
// The value is 0.d1d2d3... x 10^point; only the first max_kept significant digits are
// stored, `sticky` tells whether a non-zero digit follows them.
struct number_text {
    static constexpr int max_kept = 40;

    bool negative = false;
    char digits[max_kept] = {};  // '0'..'9', leading zeros stripped
    int kept = 0;
    int64_t count = 0;  // significant digits in all, trailing zeros included
    bool sticky = false;
    int64_t point = 0;
    int64_t natural_scale = 0;  // fractional digits as written minus the exponent

    bool is_zero() const { return count == 0; }
};

// False when the text is not such a number.
bool parse_number_text(std::string_view text, number_text& out);

// The magnitude times 10^scale, rounded half to even to an integer of at most max_digits
// decimal digits (max_digits <= 38). False when it needs more digits.
bool scaled_magnitude(const number_text& number, int scale, int max_digits, unsigned __int128& out);

struct double_read {
    double value = 0.0;
    std::size_t used = 0;   // characters taken; 0 when no number starts the text
    bool overflow = false;  // the magnitude is beyond the double range (value is +-inf)
};

// strtod's rules with '.' as the decimal point: leading white space, an optional sign, the
// longest number prefix (also inf and nan). Underflow gives zero or a denormal.
double_read read_double(std::string_view text);

// atof with '.' as the decimal point.
double c_atof(std::string_view text);

// Digits of an unsigned 128-bit integer; returns the count written (at most 39).
int u128_to_chars(unsigned __int128 value, char* out);

}  // namespace compat
