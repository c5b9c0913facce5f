#include "compat/oleaut/safearray.h"

#include <new>

compat::safe_array_ptr SafeArrayCreateVector(VARTYPE vt, int32_t lower_bound, uint32_t elements) {
    if (vt != VT_UI1) return nullptr;
    try {
        return std::make_unique<SAFEARRAY>(lower_bound, elements);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRESULT SafeArrayCopy(const SAFEARRAY* source, compat::safe_array_ptr* copy) {
    if (!copy) return E_INVALIDARG;
    if (!source) {
        copy->reset();
        return S_OK;
    }
    try {
        *copy = std::make_unique<SAFEARRAY>(*source);
    } catch (const std::bad_alloc&) {
        copy->reset();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT SafeArrayDestroy(compat::safe_array_ptr& array) {
    array.reset();
    return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound) {
    if (!array || !bound) return E_INVALIDARG;
    try {
        array->bytes.resize(bound->cElements);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    array->lower_bound = bound->lLbound;
    return S_OK;
}

uint32_t SafeArrayGetDim(const SAFEARRAY* array) { return array ? 1 : 0; }

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dim, int32_t* lower) {
    if (!array || !lower) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    *lower = array->lower_bound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dim, int32_t* upper) {
    if (!array || !upper) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    int64_t last = int64_t{array->lower_bound} + static_cast<int64_t>(array->bytes.size()) - 1;
    *upper = static_cast<int32_t>(last);
    return S_OK;
}
