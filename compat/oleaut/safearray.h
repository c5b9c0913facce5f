// SAFEARRAY, reduced to what the system stores in it: one-dimensional arrays of bytes
// (VT_UI1) with a lower bound. The array owns its bytes; copies are deep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "compat/oleaut/oleaut_types.h"
#include "compat/oleaut/vartype.h"

struct SAFEARRAYBOUND {
    uint32_t cElements;
    int32_t lLbound;
};

struct SAFEARRAY {
    SAFEARRAY(int32_t lower, std::size_t elements) : lower_bound(lower), bytes(elements) {}

    int32_t lower_bound;
    std::vector<uint8_t> bytes;
};

namespace compat {
using safe_array_ptr = std::unique_ptr<SAFEARRAY>;
}

// A zero-filled byte array; null for an element type other than VT_UI1 or when memory runs
// out.
compat::safe_array_ptr SafeArrayCreateVector(VARTYPE vt, int32_t lower_bound, uint32_t elements);

// Deep copy. A null source gives a null copy and S_OK; E_OUTOFMEMORY when memory runs out.
HRESULT SafeArrayCopy(const SAFEARRAY* source, compat::safe_array_ptr* copy);

// Destroys the array and nulls the holder.
HRESULT SafeArrayDestroy(compat::safe_array_ptr& array);

// New element count and lower bound; new elements are zero, the kept ones stay.
HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound);

// Dimensions: 1 for an array, 0 for null.
uint32_t SafeArrayGetDim(const SAFEARRAY* array);

// Bounds of dimension 1 (DISP_E_BADINDEX for another dimension). An empty array has an
// upper bound one below its lower bound.
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, uint32_t dim, int32_t* lower);
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, uint32_t dim, int32_t* upper);
