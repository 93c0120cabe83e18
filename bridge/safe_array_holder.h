// SafeArrayHolder: owns at most one SAFEARRAY of one element type, kept locked while it is held
// so its data stays where it is, or reads a caller's array in place.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "scoped_resource.h"

// Every failure is thrown as HResultError carrying the HRESULT. Not copyable.
class SafeArrayHolder {
public:
    // A holder for arrays whose elements are of type `type` (VT_BSTR or VT_I4).
    explicit SafeArrayHolder(VARTYPE type) : type_(type) {}
    ~SafeArrayHolder() { Discard(); }

    SafeArrayHolder(const SafeArrayHolder&) = delete;
    SafeArrayHolder& operator=(const SafeArrayHolder&) = delete;

    // Holds a deep copy of `source` (every BSTR duplicated), locked; `source` is only read.
    // Throws E_INVALIDARG for a null array or another element type, and the platform's HRESULT
    // when the type cannot be read or the array not copied. Returns the result of the lock; a
    // copy that cannot be locked is destroyed and not held.
    HRESULT TakeCopy(SAFEARRAY* source);

    // Reads the array that the argument `value` carries where it stands, without copying it: the
    // holder only refers to it, for as long as the caller keeps it. It must be of type
    // VT_ARRAY | the holder's element type exactly, with an array of that element type;
    // E_INVALIDARG is thrown for any other shape (by-reference forms included), the platform's
    // HRESULT when the type cannot be read. Returns the number of positions to read, as the
    // bounds of dimension 1 give it (upper - lower + 1, taken as unsigned), but never more than
    // the elements the whole array holds.
    ULONG TakeArgument(const VARIANT& value);

    // Holds a new one-dimensional array of `count` zero-filled elements from `lowerBound`, locked.
    // Throws E_OUTOFMEMORY when it cannot be created, the lock's HRESULT when it cannot be locked.
    void Allocate(ULONG count, LONG lowerBound);

    // The data of a list of `positions` elements read from index 0 on, as TakeArgument counts
    // them; null for none. Throws E_INVALIDARG when there are elements but dimension 1 does not
    // start at 0 (a position would lie outside its bounds), and the platform's HRESULT when the
    // bounds cannot be read.
    const void* ZeroBasedElements(ULONG positions) const;

    // Lower and upper bound of dimension 1; the platform's HRESULT is thrown on failure.
    LONG LowerBound() const;
    LONG UpperBound() const;

    // The array held or read, or null.
    SAFEARRAY* get() const { return array_ ? array_.get() : argument_; }

    // Unlocks the array and gives up ownership: the caller owns it and the holder is empty.
    SAFEARRAY* release();

    // Releases the array held, if any: unlocked, then destroyed when that succeeds; forgets the
    // argument read.
    void Discard() {
        array_.reset();
        argument_ = nullptr;
    }

private:
    // Throws E_INVALIDARG for a null array or another element type, the platform's HRESULT when
    // the type cannot be read.
    void CheckElementType(SAFEARRAY* array) const;

    VARTYPE type_;
    ScopedLockedSafeArray array_;
    SAFEARRAY* argument_ = nullptr; // the caller's, only read
};
