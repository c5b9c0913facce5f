// CY: currency, a signed 64-bit integer in units of 10^-4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compat/oleaut/bstr.h"
#include "compat/oleaut/oleaut_types.h"

// Plain data: value-initialize (CY c{}) for zero.
struct CY {
    int64_t int64;
};

namespace compat {

// Longest text: "-922337203685477.5808".
inline constexpr std::size_t currency_text_max = 24;

// The value with '.', without trailing fractional zeros ("12.5", "-0.25", "3"); returns the
// length written.
std::size_t currency_to_chars(CY value, char* out);

}  // namespace compat

// US-English number text to CY, rounded half to even to four fractional digits.
// DISP_E_TYPEMISMATCH for a text that is not a number, DISP_E_OVERFLOW beyond the range.
HRESULT VarCyFromStr(std::string_view text, LCID lcid, uint32_t flags, CY* out);

HRESULT VarBstrFromCy(CY value, LCID lcid, uint32_t flags, compat::bstr* out);
HRESULT VarR8FromCy(CY value, double* out);
