// VARIANT: a type code and its payload. Text and byte arrays are owned by the VARIANT
// (RAII members), so clearing or destroying it releases them; VariantCopy copies deeply.
#pragma once

#include <cstdint>

#include "compat/oleaut/bstr.h"
#include "compat/oleaut/currency.h"
#include "compat/oleaut/decimal.h"
#include "compat/oleaut/oleaut_types.h"
#include "compat/oleaut/safearray.h"
#include "compat/oleaut/vartype.h"

struct VARIANT {
    VARIANT() = default;
    VARIANT(VARIANT&&) noexcept = default;
    VARIANT& operator=(VARIANT&&) noexcept = default;
    VARIANT(const VARIANT&) = delete;  // copies go through VariantCopy
    VARIANT& operator=(const VARIANT&) = delete;

    VARTYPE vt = VT_EMPTY;
    union {
        DECIMAL decVal{};  // the widest member: zeroes the whole payload
        int8_t cVal;
        uint8_t bVal;
        int16_t iVal;
        uint16_t uiVal;
        int32_t lVal;
        uint32_t ulVal;
        int32_t intVal;
        uint32_t uintVal;
        int64_t llVal;
        uint64_t ullVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        CY cyVal;
        DATE date;
    };
    compat::bstr bstrVal;           // VT_BSTR
    compat::safe_array_ptr parray;  // VT_ARRAY | VT_UI1
};

// Releases text and array and makes the value VT_EMPTY.
HRESULT VariantClear(VARIANT* v);

// Deep copy (text and array included); E_OUTOFMEMORY when memory runs out, leaving `dest`
// VT_EMPTY.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);

// `dest` may be `source`. Supported:
//  - the same type (a copy); VT_BSTR to VT_EMPTY and VT_NULL;
//  - VT_BSTR to VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT,
//    VT_R4, VT_R8, VT_CY, VT_DECIMAL (US-English number texts; integers rounded half to even),
//    VT_BOOL ("True"/"False" in any case, or a number: non-zero is true) and VT_DATE
//    (VarDateFromStr);
//  - VT_EMPTY and the numeric types (those above but VT_DATE, and VT_BOOL) to VT_BSTR and
//    between each other.
// DISP_E_TYPEMISMATCH for other pairs and for texts that are not numbers or dates;
// DISP_E_OVERFLOW when a value does not fit the target type. On failure `dest` is left as
// it was. `flags` is not used.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, uint16_t flags, VARTYPE vt);
