#include "compat/oleaut/currency.h"

#include <charconv>
#include <string>

#include "compat/oleaut/number_text.h"

namespace compat {

std::size_t currency_to_chars(CY value, char* out) {
    std::size_t len = 0;
    uint64_t magnitude = value.int64 < 0 ? 0 - static_cast<uint64_t>(value.int64) : static_cast<uint64_t>(value.int64);
    if (value.int64 < 0) out[len++] = '-';
    uint64_t whole = magnitude / 10000;
    unsigned frac = static_cast<unsigned>(magnitude % 10000);
    auto r = std::to_chars(out + len, out + currency_text_max, whole);
    len = static_cast<std::size_t>(r.ptr - out);
    if (frac != 0) {
        out[len++] = '.';
        char f[4] = {static_cast<char>('0' + frac / 1000), static_cast<char>('0' + frac / 100 % 10),
                     static_cast<char>('0' + frac / 10 % 10), static_cast<char>('0' + frac % 10)};
        int used = 4;
        while (f[used - 1] == '0') --used;
        for (int k = 0; k < used; ++k) out[len++] = f[k];
    }
    return len;
}

}  // namespace compat

HRESULT VarCyFromStr(std::string_view text, LCID, uint32_t, CY* out) {
    if (!out) return E_INVALIDARG;
    compat::number_text number;
    if (!compat::parse_number_text(text, number)) return DISP_E_TYPEMISMATCH;
    unsigned __int128 units = 0;
    if (!compat::scaled_magnitude(number, 4, 19, units)) return DISP_E_OVERFLOW;
    unsigned __int128 limit = (compat::uint128{1} << 63) - (number.negative ? 0 : 1);
    if (units > limit) return DISP_E_OVERFLOW;
    uint64_t u = static_cast<uint64_t>(units);
    out->int64 = number.negative ? static_cast<int64_t>(0 - u) : static_cast<int64_t>(u);
    return S_OK;
}

HRESULT VarBstrFromCy(CY value, LCID, uint32_t, compat::bstr* out) {
    if (!out) return E_INVALIDARG;
    char buffer[compat::currency_text_max];
    std::size_t n = compat::currency_to_chars(value, buffer);
    out->assign(compat::wstring(buffer, buffer + n));
    return S_OK;
}

HRESULT VarR8FromCy(CY value, double* out) {
    if (!out) return E_INVALIDARG;
    char buffer[compat::currency_text_max];
    std::size_t n = compat::currency_to_chars(value, buffer);
    double v = 0.0;
    std::from_chars(buffer, buffer + n, v);
    *out = v;
    return S_OK;
}
