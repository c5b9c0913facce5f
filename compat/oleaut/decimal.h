// DECIMAL: a sign, a scale (0 to 38) and an unsigned mantissa of up to 38 decimal digits, so
// that it holds every value of a NUMBER column of declared precision up to 38.
// The value is (sign ? -1 : 1) * mantissa / 10^scale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compat/oleaut/bstr.h"
#include "compat/oleaut/oleaut_types.h"

inline constexpr uint8_t DECIMAL_NEG = 0x80;
inline constexpr int DECIMAL_MAX_DIGITS = 38;
inline constexpr uint8_t DECIMAL_MAX_SCALE = 38;

// Plain data, as on the platform: value-initialize (DECIMAL d{}) for zero.
struct DECIMAL {
    uint16_t wReserved;
    uint8_t scale;
    uint8_t sign;  // 0 or DECIMAL_NEG
    unsigned __int128 mantissa;
};

namespace compat {

// 10^38 - 1, the largest mantissa.
unsigned __int128 decimal_max_mantissa();

// Longest text of a DECIMAL: sign, "0.", 38 digits.
inline constexpr std::size_t decimal_text_max = 42;

// The exact digits with '.' and the scale's fractional digits ("-0.50" for scale 2);
// returns the length written to out (at least decimal_text_max characters). 0 for a
// DECIMAL out of range.
std::size_t decimal_to_chars(const DECIMAL& value, char* out);

bool decimal_is_valid(const DECIMAL& value);

}  // namespace compat

// US-English number text to DECIMAL. The scale is the number of fractional digits written
// (less the exponent); digits beyond 38 significant ones or beyond scale 38 are rounded half
// to even. DISP_E_TYPEMISMATCH for a text that is not a number, DISP_E_OVERFLOW when the
// integer part needs more than 38 digits. `lcid` and `flags` do not change the rules.
HRESULT VarDecFromStr(compat::wstring_view text, LCID lcid, uint32_t flags, DECIMAL* out);
HRESULT VarDecFromStr(std::string_view text, LCID lcid, uint32_t flags, DECIMAL* out);

// Exact text with '.' (see decimal_to_chars).
HRESULT VarBstrFromDec(const DECIMAL* value, LCID lcid, uint32_t flags, compat::bstr* out);

// The nearest double.
HRESULT VarR8FromDec(const DECIMAL* value, double* out);

// Rounded half to even; DISP_E_OVERFLOW outside the 32-bit range.
HRESULT VarI4FromDec(const DECIMAL* value, int32_t* out);
