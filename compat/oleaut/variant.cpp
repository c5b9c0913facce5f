#include "compat/oleaut/variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "compat/oleaut/ascii_text.h"
#include "compat/oleaut/date_parse.h"
#include "compat/oleaut/number_text.h"

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    v->vt = VT_EMPTY;
    v->decVal = DECIMAL{};
    v->bstrVal.reset();
    v->parray.reset();
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source) return E_INVALIDARG;
    if (dest == source) return S_OK;
    VariantClear(dest);
    try {
        VARIANT copy;
        copy.vt = source->vt;
        copy.decVal = source->decVal;  // the whole payload
        if (source->vt == VT_BSTR) copy.bstrVal = source->bstrVal;
        if (source->parray) copy.parray = std::make_unique<SAFEARRAY>(*source->parray);
        *dest = std::move(copy);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

namespace {

bool is_numeric(VARTYPE vt) { return compat::vt_is_number(vt) || vt == VT_BOOL; }

// Calls f with the member of v that holds a whole number of type vt; false for any other
// type (VT_BOOL among them).
template <class V, class F>
bool with_integer(V& v, VARTYPE vt, F&& f) {
    switch (vt) {
        case VT_I1:
            f(v.cVal);
            return true;
        case VT_UI1:
            f(v.bVal);
            return true;
        case VT_I2:
            f(v.iVal);
            return true;
        case VT_UI2:
            f(v.uiVal);
            return true;
        case VT_I4:
            f(v.lVal);
            return true;
        case VT_UI4:
            f(v.ulVal);
            return true;
        case VT_INT:
            f(v.intVal);
            return true;
        case VT_UINT:
            f(v.uintVal);
            return true;
        case VT_I8:
            f(v.llVal);
            return true;
        case VT_UI8:
            f(v.ullVal);
            return true;
        default:
            return false;
    }
}

// The exact number of a numeric VARIANT as text (doubles in their shortest exact form).
std::string exact_text(const VARIANT& v) {
    char buffer[64];
    char* end = buffer + sizeof buffer;
    std::to_chars_result r{buffer, std::errc{}};
    if (with_integer(v, v.vt, [&](auto value) { r = std::to_chars(buffer, end, value); }))
        return std::string(buffer, r.ptr);
    switch (v.vt) {
        case VT_BOOL:
            r = std::to_chars(buffer, end, int{v.boolVal});
            break;
        case VT_R4:
            r = std::to_chars(buffer, end, v.fltVal);
            break;
        case VT_R8:
            r = std::to_chars(buffer, end, v.dblVal);
            break;
        case VT_CY:
            return std::string(buffer, compat::currency_to_chars(v.cyVal, buffer));
        case VT_DECIMAL:
            return std::string(buffer, compat::decimal_to_chars(v.decVal, buffer));
        default:
            return {};
    }
    return std::string(buffer, r.ptr);
}

// The text shown for a number: doubles with 15 significant digits, floats with 7.
std::string display_text(const VARIANT& v) {
    if (v.vt != VT_R4 && v.vt != VT_R8) return exact_text(v);
    char buffer[64];
    double d = v.vt == VT_R4 ? double{v.fltVal} : v.dblVal;
    auto r = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, v.vt == VT_R4 ? 7 : 15);
    std::string text(buffer, r.ptr);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

template <class T>
HRESULT integer_from(const compat::number_text& n, T& out) {
    unsigned __int128 m = 0;
    if (!compat::scaled_magnitude(n, 0, 20, m)) return DISP_E_OVERFLOW;
    if (n.negative) {
        unsigned __int128 limit = 0;
        if constexpr (std::numeric_limits<T>::is_signed)
            limit = static_cast<unsigned __int128>(std::numeric_limits<T>::max()) + 1;
        if (m > limit) return DISP_E_OVERFLOW;
        out = static_cast<T>(-static_cast<__int128>(m));
    } else {
        if (m > static_cast<unsigned __int128>(std::numeric_limits<T>::max())) return DISP_E_OVERFLOW;
        out = static_cast<T>(m);
    }
    return S_OK;
}

HRESULT from_text(std::string_view text, VARTYPE vt, VARIANT& out) {
    if (vt == VT_DATE) {
        HRESULT hr = VarDateFromStr(text, LCID_ENGLISH_US, 0, &out.date);
        if (SUCCEEDED(hr)) out.vt = VT_DATE;
        return hr;
    }
    if (vt == VT_CY) {
        HRESULT hr = VarCyFromStr(text, LCID_ENGLISH_US, 0, &out.cyVal);
        if (SUCCEEDED(hr)) out.vt = VT_CY;
        return hr;
    }
    if (vt == VT_DECIMAL) {
        HRESULT hr = VarDecFromStr(text, LCID_ENGLISH_US, 0, &out.decVal);
        if (SUCCEEDED(hr)) out.vt = VT_DECIMAL;
        return hr;
    }
    if (vt == VT_BOOL) {
        std::string_view t = text;
        while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
        while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
        if (compat::equal_nocase(t, std::string_view("true"))) {
            out.boolVal = VARIANT_TRUE;
        } else if (compat::equal_nocase(t, std::string_view("false"))) {
            out.boolVal = VARIANT_FALSE;
        } else {
            compat::number_text n;
            if (!compat::parse_number_text(text, n)) return DISP_E_TYPEMISMATCH;
            out.boolVal = n.is_zero() ? VARIANT_FALSE : VARIANT_TRUE;
        }
        out.vt = VT_BOOL;
        return S_OK;
    }
    compat::number_text n;
    if (!compat::parse_number_text(text, n)) return DISP_E_TYPEMISMATCH;
    HRESULT hr = S_OK;
    if (!with_integer(out, vt, [&](auto& member) { hr = integer_from(n, member); })) {
        if (vt != VT_R4 && vt != VT_R8) return DISP_E_TYPEMISMATCH;
        compat::double_read d = compat::read_double(text);
        if (d.overflow) return DISP_E_OVERFLOW;
        if (vt == VT_R8) {
            out.dblVal = d.value;
        } else {
            if (std::fabs(d.value) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
            out.fltVal = static_cast<float>(d.value);
        }
    }
    if (SUCCEEDED(hr)) out.vt = vt;
    return hr;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, uint16_t, VARTYPE vt) {
    if (!dest || !source) return E_INVALIDARG;
    VARIANT result;
    HRESULT hr = S_OK;
    if (source->vt == vt) {
        hr = VariantCopy(&result, source);
    } else if (source->vt == VT_BSTR) {
        if (vt == VT_EMPTY || vt == VT_NULL) {
            result.vt = vt;
        } else {
            hr = from_text(compat::narrow_ascii(source->bstrVal.view()), vt, result);
        }
    } else if (vt == VT_BSTR && (source->vt == VT_EMPTY || is_numeric(source->vt))) {
        std::string text = source->vt == VT_EMPTY ? std::string() : display_text(*source);
        result.vt = VT_BSTR;
        result.bstrVal.assign(compat::wstring(text.begin(), text.end()));
    } else if (is_numeric(source->vt) && is_numeric(vt)) {
        if ((source->vt == VT_R4 && !std::isfinite(source->fltVal)) ||
            (source->vt == VT_R8 && !std::isfinite(source->dblVal)))
            return DISP_E_OVERFLOW;
        hr = from_text(exact_text(*source), vt, result);
    } else {
        hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr)) return hr;
    *dest = std::move(result);
    return S_OK;
}
