// VARTYPE codes of the OLE Automation VARIANT (public documentation values).
#pragma once

#include <cstdint>

using VARTYPE = uint16_t;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R4 = 4;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_CY = 6;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_DECIMAL = 14;
inline constexpr VARTYPE VT_I1 = 16;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_UI2 = 18;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_I8 = 20;
inline constexpr VARTYPE VT_UI8 = 21;
inline constexpr VARTYPE VT_INT = 22;
inline constexpr VARTYPE VT_UINT = 23;
inline constexpr VARTYPE VT_VOID = 24;
inline constexpr VARTYPE VT_HRESULT = 25;
inline constexpr VARTYPE VT_PTR = 26;
inline constexpr VARTYPE VT_SAFEARRAY = 27;
inline constexpr VARTYPE VT_CARRAY = 28;
inline constexpr VARTYPE VT_USERDEFINED = 29;
inline constexpr VARTYPE VT_LPSTR = 30;
inline constexpr VARTYPE VT_LPWSTR = 31;
inline constexpr VARTYPE VT_RECORD = 36;
inline constexpr VARTYPE VT_FILETIME = 64;
inline constexpr VARTYPE VT_BLOB = 65;
inline constexpr VARTYPE VT_STREAM = 66;
inline constexpr VARTYPE VT_STORAGE = 67;
inline constexpr VARTYPE VT_STREAMED_OBJECT = 68;
inline constexpr VARTYPE VT_STORED_OBJECT = 69;
inline constexpr VARTYPE VT_BLOB_OBJECT = 70;
inline constexpr VARTYPE VT_CF = 71;
inline constexpr VARTYPE VT_CLSID = 72;
inline constexpr VARTYPE VT_VECTOR = 0x1000;
inline constexpr VARTYPE VT_ARRAY = 0x2000;
inline constexpr VARTYPE VT_BYREF = 0x4000;
inline constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

namespace compat {

// The whole-number types.
constexpr bool vt_is_integer(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

// The number types: the whole ones, the floating ones, currency and decimal.
constexpr bool vt_is_number(VARTYPE vt) {
    return vt_is_integer(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DECIMAL;
}

}  // namespace compat
