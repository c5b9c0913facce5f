// Exact decimal numbers as Oracle's NUMBER keeps them: parsing of literals and texts, rounding
// to a column's precision and scale, and Oracle's canonical print (".5", "-1.25", "100").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ocilite {

class ora_number {
public:
    ora_number() = default;  // zero
    static ora_number from_int(int64_t v);
    // Nearest decimal of at most 15 significant digits, as Oracle converts a BINARY_DOUBLE result.
    static ora_number from_double(double v);
    // Oracle's TO_NUMBER reading: blanks around, sign, digits with one '.', optional exponent.
    static std::optional<ora_number> parse(std::string_view text);

    bool is_zero() const { return digits_.empty(); }
    bool negative() const { return negative_; }
    // Number of digits left of the decimal point (0 for |v| < 1).
    int integer_digits() const;
    bool is_integral() const;
    std::optional<int64_t> to_int64() const;  // when integral and within int64
    // Oracle's NUMBER holds magnitudes from 1E-130 up to, not including, 1E126.
    bool overflows_number() const { return !digits_.empty() && exponent_ > 126; }
    bool underflows_number() const { return !digits_.empty() && exponent_ < -129; }
    double to_double() const;

    // Rounds half away from zero to `scale` digits after the point (negative: left of it).
    ora_number rounded(int scale) const;
    ora_number truncated(int scale) const;  // toward zero
    // Rounds to `n` significant digits.
    ora_number rounded_significant(int n) const;
    ora_number negated() const;

    // Oracle's canonical text: no leading zero before '.', no trailing zeros; plain digits up to
    // 40 of them, otherwise d.dddE+n.
    std::string to_string() const;

private:
    // value = (negative ? -1 : 1) * 0.d1d2d3... * 10^exponent_; digits_ has no leading or
    // trailing zeros; zero has no digits.
    bool negative_ = false;
    std::string digits_;
    int exponent_ = 0;
    void normalize();
    ora_number cut(int scale, bool round_half_up) const;
};

}  // namespace ocilite
