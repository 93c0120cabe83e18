// One owner for every kind of platform resource held by a value: a handle, a BSTR, a SAFEARRAY,
// a library, a registry key. Interfaces have ComPtr; locks and data access their own scopes.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <utility>

// Owns one resource value and releases it with `Close` when it goes out of scope. Move-only.
// `Invalid` is the value that means "nothing held" and is never passed to `Close`.
template <typename T, auto Close, T Invalid = T{}> class ScopedResource {
public:
    ScopedResource() = default;
    explicit ScopedResource(T value) : value_(value) {}
    ~ScopedResource() { reset(); }

    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ScopedResource(ScopedResource&& other) noexcept : value_(other.release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid; }

    // Releases what is held (if anything) and takes `value` instead.
    void reset(T value = Invalid) {
        T old = std::exchange(value_, value);
        if (old != Invalid) {
            Close(old);
        }
    }

    // Gives up ownership: the caller now owns the returned value.
    T release() { return std::exchange(value_, Invalid); }

    // For APIs that fill a T*: releases what is held and returns the slot to fill.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid;
};

using ScopedLibrary = ScopedResource<HMODULE, &::FreeLibrary>;
using ScopedHandle = ScopedResource<HANDLE, &::CloseHandle>;
using ScopedBstr = ScopedResource<BSTR, &::SysFreeString>;
using ScopedSafeArray = ScopedResource<SAFEARRAY*, &::SafeArrayDestroy>;
using ScopedRegKey = ScopedResource<HKEY, &::RegCloseKey>;

// A SAFEARRAY its owner has locked once: released by unlocking it and, only when that succeeds,
// destroying it, so an array someone else still has locked is never destroyed.
inline void UnlockAndDestroySafeArray(SAFEARRAY* array) {
    if (SUCCEEDED(::SafeArrayUnlock(array))) {
        ::SafeArrayDestroy(array);
    }
}
using ScopedLockedSafeArray = ScopedResource<SAFEARRAY*, &UnlockAndDestroySafeArray>;
