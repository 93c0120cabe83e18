// ScopedVariant: the owner of one VARIANT and of whatever it holds (a BSTR, an array, an
// interface), cleared at the end of the scope.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

// Move-only; starts empty (VT_EMPTY).
class ScopedVariant {
public:
    ScopedVariant() { ::VariantInit(&value_); }
    // A copy of `value`, which stays the caller's (VariantCopy: strings and arrays are
    // duplicated); empty when it cannot be copied.
    explicit ScopedVariant(const VARIANT& value) {
        ::VariantInit(&value_);
        // VariantCopy only reads its source; MinGW's headers declare it without const.
        if (FAILED(::VariantCopy(&value_, const_cast<VARIANT*>(&value)))) {
            ::VariantInit(&value_);
        }
    }
    // Takes over `value` itself, which the caller then no longer clears.
    static ScopedVariant Adopt(const VARIANT& value) {
        ScopedVariant adopted;
        adopted.value_ = value;
        return adopted;
    }
    ~ScopedVariant() { ::VariantClear(&value_); }

    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ScopedVariant(ScopedVariant&& other) noexcept : value_(other.release()) {}
    ScopedVariant& operator=(ScopedVariant&& other) noexcept {
        if (this != &other) {
            ::VariantClear(&value_);
            value_ = other.release();
        }
        return *this;
    }

    // The value, still owned here: pass it by value to an [in] VARIANT parameter.
    const VARIANT& get() const { return value_; }
    // For an [out] or [in, out] VARIANT*: what is held is cleared first.
    VARIANT* put() {
        ::VariantClear(&value_);
        return &value_;
    }
    // Gives up ownership: the caller now clears the returned value.
    VARIANT release() {
        VARIANT value = value_;
        ::VariantInit(&value_);
        return value;
    }

private:
    VARIANT value_;
};
