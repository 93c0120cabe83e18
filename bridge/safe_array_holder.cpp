#include "safe_array_holder.h"

#include <algorithm>

#include "atl_exception.h"

void CSafeArrayHolder::CheckElementType(SAFEARRAY* array) const {
    if (array == nullptr) {
        throw CAtlException(E_INVALIDARG);
    }
    VARTYPE type = VT_EMPTY;
    ThrowIfFailed(::SafeArrayGetVartype(array, &type));
    if (type != m_type) {
        throw CAtlException(E_INVALIDARG);
    }
}

HRESULT CSafeArrayHolder::TakeCopy(SAFEARRAY* source) {
    CheckElementType(source);
    ScopedSafeArray copy;
    ThrowIfFailed(::SafeArrayCopy(source, copy.put()));
    HRESULT hr = ::SafeArrayLock(copy.get());
    if (FAILED(hr)) {
        return hr;
    }
    m_array.reset(copy.release());
    return hr;
}

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

ULONG CSafeArrayHolder::TakeArgument(const VARIANT& value) {
    if (value.vt != (VT_ARRAY | m_type) || value.parray == nullptr) {
        throw CAtlException(E_INVALIDARG);
    }
    CheckElementType(value.parray);
    Discard();
    m_argument = value.parray;
    LONG lower = LowerBound();
    LONG upper = UpperBound();
    const ULONG positions = static_cast<ULONG>(static_cast<LONGLONG>(upper) - lower + 1);
    // Dimension 1 may claim more positions than the array holds (another dimension empty): a
    // list never reads past the elements there are.
    return static_cast<ULONG>(ElementCount(m_argument, positions));
}

void CSafeArrayHolder::Allocate(ULONG count, LONG lowerBound) {
    SAFEARRAYBOUND bound{count, lowerBound};
    ScopedSafeArray array(::SafeArrayCreate(m_type, 1, &bound));
    if (!array) {
        throw CAtlException(E_OUTOFMEMORY);
    }
    ThrowIfFailed(::SafeArrayLock(array.get()));
    m_array.reset(array.release());
}

LONG CSafeArrayHolder::LowerBound() const {
    LONG bound = 0;
    ThrowIfFailed(::SafeArrayGetLBound(get(), 1, &bound));
    return bound;
}

LONG CSafeArrayHolder::UpperBound() const {
    LONG bound = 0;
    ThrowIfFailed(::SafeArrayGetUBound(get(), 1, &bound));
    return bound;
}

const void* CSafeArrayHolder::ZeroBasedElements(ULONG positions) const {
    if (positions == 0) {
        return nullptr;
    }
    // Positions are indexes: from a lower bound above 0 the first lies below the bounds, from
    // one below 0 the last lies above them (TakeArgument never counts more positions than
    // dimension 1 has), so only a zero-based array gives a list.
    if (LowerBound() != 0) {
        throw CAtlException(E_INVALIDARG);
    }
    return get()->pvData;
}

SAFEARRAY* CSafeArrayHolder::HandOver() {
    SAFEARRAY* array = m_array.release();
    if (array != nullptr) {
        ::SafeArrayUnlock(array);
    }
    return array;
}
