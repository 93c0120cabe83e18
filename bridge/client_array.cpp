#include "client_array.h"

#include <algorithm>

namespace {

// How many elements the array holds over all its dimensions (at least up to `limit`).
ULONGLONG ElementCount(const SAFEARRAY* array, ULONGLONG limit) {
    ULONGLONG count = 1;
    for (USHORT d = 0; d < array->cDims && count != 0; ++d) {
        count = std::min(count * array->rgsabound[d].cElements, limit);
    }
    return count;
}

} // namespace

HRESULT ClientArrayPositions(SAFEARRAY* array, VARTYPE type, ULONG* count) {
    *count = 0;
    if (array == nullptr) {
        return E_INVALIDARG;
    }
    VARTYPE elements = VT_EMPTY;
    HRESULT hr = ::SafeArrayGetVartype(array, &elements);
    if (FAILED(hr)) return hr;
    if (elements != type) {
        return E_INVALIDARG;
    }
    LONG lower = 0, upper = 0;
    hr = ::SafeArrayGetLBound(array, 1, &lower);
    if (FAILED(hr)) return hr;
    hr = ::SafeArrayGetUBound(array, 1, &upper);
    if (FAILED(hr)) return hr;
    const ULONG positions = static_cast<ULONG>(static_cast<LONGLONG>(upper) - lower + 1);
    const ULONG held = static_cast<ULONG>(ElementCount(array, positions));
    // Positions are indexes: from a lower bound above 0 the first lies below the bounds, from
    // one below 0 the last lies above them, so only a zero-based array gives a list.
    if (held != 0 && lower != 0) {
        return E_INVALIDARG;
    }
    *count = held;
    return S_OK;
}
