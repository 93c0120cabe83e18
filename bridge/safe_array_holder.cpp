#include "safe_array_holder.h"

#include <algorithm>

#include "hresult_error.h"

namespace {

// Locks `array` once and moves it to `locked`, whose owner takes that lock back (and destroys the
// array only when the unlock succeeds). When the lock fails, `array` keeps it.
HRESULT LockInto(ScopedSafeArray* array, ScopedLockedSafeArray* locked) {
    const HRESULT hr = ::SafeArrayLock(array->get());
    if (FAILED(hr)) return hr;
    locked->reset(array->release());
    return hr;
}

// Takes the array out of `locked` with the lock LockInto took given back: the caller owns it.
// It is handed over even when the unlock fails.
SAFEARRAY* Unlocked(ScopedLockedSafeArray* locked) {
    SAFEARRAY* array = locked->release();
    if (array != nullptr) {
        ::SafeArrayUnlock(array);
    }
    return array;
}

} // namespace

void SafeArrayHolder::CheckElementType(SAFEARRAY* array) const {
    if (array == nullptr) {
        throw HResultError(E_INVALIDARG);
    }
    VARTYPE type = VT_EMPTY;
    ThrowIfFailed(::SafeArrayGetVartype(array, &type));
    if (type != type_) {
        throw HResultError(E_INVALIDARG);
    }
}

HRESULT SafeArrayHolder::TakeCopy(SAFEARRAY* source) {
    CheckElementType(source);
    ScopedSafeArray copy;
    ThrowIfFailed(::SafeArrayCopy(source, copy.put()));
    return LockInto(&copy, &array_);
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

ULONG SafeArrayHolder::TakeArgument(const VARIANT& value) {
    if (value.vt != (VT_ARRAY | type_) || value.parray == nullptr) {
        throw HResultError(E_INVALIDARG);
    }
    CheckElementType(value.parray);
    Discard();
    argument_ = value.parray;
    LONG lower = LowerBound();
    LONG upper = UpperBound();
    const ULONG positions = static_cast<ULONG>(static_cast<LONGLONG>(upper) - lower + 1);
    // Dimension 1 may claim more positions than the array holds (another dimension empty): a
    // list never reads past the elements there are.
    return static_cast<ULONG>(ElementCount(argument_, positions));
}

void SafeArrayHolder::Allocate(ULONG count, LONG lowerBound) {
    SAFEARRAYBOUND bound{count, lowerBound};
    ScopedSafeArray array(::SafeArrayCreate(type_, 1, &bound));
    if (!array) {
        throw HResultError(E_OUTOFMEMORY);
    }
    ThrowIfFailed(LockInto(&array, &array_));
}

LONG SafeArrayHolder::LowerBound() const {
    LONG bound = 0;
    ThrowIfFailed(::SafeArrayGetLBound(get(), 1, &bound));
    return bound;
}

LONG SafeArrayHolder::UpperBound() const {
    LONG bound = 0;
    ThrowIfFailed(::SafeArrayGetUBound(get(), 1, &bound));
    return bound;
}

const void* SafeArrayHolder::ZeroBasedElements(ULONG positions) const {
    if (positions == 0) {
        return nullptr;
    }
    // Positions are indexes: from a lower bound above 0 the first lies below the bounds, from
    // one below 0 the last lies above them (TakeArgument never counts more positions than
    // dimension 1 has), so only a zero-based array gives a list.
    if (LowerBound() != 0) {
        throw HResultError(E_INVALIDARG);
    }
    return get()->pvData;
}

SAFEARRAY* SafeArrayHolder::release() {
    return Unlocked(&array_);
}
