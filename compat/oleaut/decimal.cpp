#include "compat/oleaut/decimal.h"

#include <charconv>

#include "compat/oleaut/ascii_text.h"
#include "compat/oleaut/number_text.h"

namespace compat {

namespace {

// Computed once at compile time: validity is checked for every value read and written.
constexpr unsigned __int128 max_mantissa = [] {
    unsigned __int128 m = 1;
    for (int k = 0; k < DECIMAL_MAX_DIGITS; ++k) m *= 10;
    return m - 1;
}();

}  // namespace

unsigned __int128 decimal_max_mantissa() { return max_mantissa; }

bool decimal_is_valid(const DECIMAL& value) {
    return value.scale <= DECIMAL_MAX_SCALE && value.mantissa <= max_mantissa &&
           (value.sign == 0 || value.sign == DECIMAL_NEG);
}

std::size_t decimal_to_chars(const DECIMAL& value, char* out) {
    if (!decimal_is_valid(value)) return 0;
    char digits[40];
    int n = u128_to_chars(value.mantissa, digits);
    int scale = value.scale;
    std::size_t len = 0;
    if (value.sign == DECIMAL_NEG && value.mantissa != 0) out[len++] = '-';
    if (scale == 0) {
        for (int k = 0; k < n; ++k) out[len++] = digits[k];
        return len;
    }
    if (n > scale) {
        for (int k = 0; k < n - scale; ++k) out[len++] = digits[k];
        out[len++] = '.';
        for (int k = n - scale; k < n; ++k) out[len++] = digits[k];
    } else {
        out[len++] = '0';
        out[len++] = '.';
        for (int k = 0; k < scale - n; ++k) out[len++] = '0';
        for (int k = 0; k < n; ++k) out[len++] = digits[k];
    }
    return len;
}

}  // namespace compat

HRESULT VarDecFromStr(std::string_view text, LCID, uint32_t, DECIMAL* out) {
    if (!out) return E_INVALIDARG;
    compat::number_text number;
    if (!compat::parse_number_text(text, number)) return DISP_E_TYPEMISMATCH;

    int64_t scale = number.natural_scale < 0 ? 0 : number.natural_scale;
    if (scale > DECIMAL_MAX_SCALE) scale = DECIMAL_MAX_SCALE;
    // Fewer fractional digits when the integer part leaves no room for them all.
    int64_t room = DECIMAL_MAX_DIGITS - number.point;
    if (!number.is_zero() && scale > room) scale = room < 0 ? 0 : room;

    unsigned __int128 mantissa = 0;
    if (!compat::scaled_magnitude(number, static_cast<int>(scale), DECIMAL_MAX_DIGITS, mantissa)) {
        // Rounding up carried into a 39th digit: one fractional digit less, if there is one.
        if (scale == 0 || !compat::scaled_magnitude(number, static_cast<int>(scale - 1), DECIMAL_MAX_DIGITS, mantissa))
            return DISP_E_OVERFLOW;
        --scale;
    }
    DECIMAL d{};
    d.scale = static_cast<uint8_t>(scale);
    d.sign = number.negative && mantissa != 0 ? DECIMAL_NEG : 0;
    d.mantissa = mantissa;
    *out = d;
    return S_OK;
}

HRESULT VarDecFromStr(compat::wstring_view text, LCID lcid, uint32_t flags, DECIMAL* out) {
    // Number texts are ASCII; any other character makes the text unreadable.
    char buffer[128];
    if (text.size() > sizeof buffer)
        return VarDecFromStr(std::string_view(compat::narrow_ascii(text)), lcid, flags, out);
    compat::narrow_ascii(text, buffer);
    return VarDecFromStr(std::string_view(buffer, text.size()), lcid, flags, out);
}

HRESULT VarBstrFromDec(const DECIMAL* value, LCID, uint32_t, compat::bstr* out) {
    if (!value || !out) return E_INVALIDARG;
    char buffer[compat::decimal_text_max];
    std::size_t n = compat::decimal_to_chars(*value, buffer);
    if (n == 0) return E_INVALIDARG;
    compat::wstring text(buffer, buffer + n);
    out->assign(std::move(text));
    return S_OK;
}

HRESULT VarR8FromDec(const DECIMAL* value, double* out) {
    if (!value || !out) return E_INVALIDARG;
    char buffer[compat::decimal_text_max];
    std::size_t n = compat::decimal_to_chars(*value, buffer);
    if (n == 0) return E_INVALIDARG;
    // Reading the exact digits gives the correctly rounded double.
    double v = 0.0;
    std::from_chars(buffer, buffer + n, v);
    *out = v;
    return S_OK;
}

HRESULT VarI4FromDec(const DECIMAL* value, int32_t* out) {
    if (!value || !out) return E_INVALIDARG;
    if (!compat::decimal_is_valid(*value)) return E_INVALIDARG;
    unsigned __int128 divisor = 1;
    for (int k = 0; k < value->scale; ++k) divisor *= 10;
    unsigned __int128 whole = value->mantissa / divisor;
    unsigned __int128 rest = value->mantissa % divisor;
    unsigned __int128 twice = rest * 2;  // rest < 10^38, twice fits
    if (twice > divisor || (twice == divisor && (whole & 1) != 0)) ++whole;
    bool negative = value->sign == DECIMAL_NEG;
    unsigned __int128 limit = negative ? (compat::uint128{1} << 31) : ((compat::uint128{1} << 31) - 1);
    if (whole > limit) return DISP_E_OVERFLOW;
    int64_t v = static_cast<int64_t>(whole);
    *out = static_cast<int32_t>(negative ? -v : v);
    return S_OK;
}
