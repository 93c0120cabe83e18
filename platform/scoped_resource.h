// One owner for every kind of platform resource held by a value: a handle, a BSTR, a SAFEARRAY,
// a library, a registry key. Interfaces have ComPtr; locks and data access their own scopes.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <utility>

// What a kind of resource holds nothing with: null (T{}) for most.
template <typename T> struct NullMeansNothing {
    static T Nothing() { return T{}; }
    static bool Holds(T value) { return value != T{}; }
};

// Kernel handles: the functions that open one report failure with INVALID_HANDLE_VALUE
// (CreateFile, FindFirstFile, CreateToolhelp32Snapshot) or with null (the rest). Neither holds
// anything, so an owner takes either straight from the function that failed.
struct KernelHandleValues {
    static HANDLE Nothing() { return nullptr; }
    static bool Holds(HANDLE value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
};

// Owns one resource value and releases it with `Close` when it goes out of scope. Move-only.
// A value that `Values` says holds nothing is never passed to `Close`.
template <typename T, auto Close, typename Values = NullMeansNothing<T>> class ScopedResource {
public:
    ScopedResource() = default;
    // Takes over `value`; one that holds nothing is kept as Values::Nothing().
    explicit ScopedResource(T value) : value_(Values::Holds(value) ? value : Values::Nothing()) {}
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
    explicit operator bool() const { return Values::Holds(value_); }

    // Releases what is held (if anything) and takes `value` instead.
    void reset(T value = Values::Nothing()) {
        T old = std::exchange(value_, Values::Holds(value) ? value : Values::Nothing());
        if (Values::Holds(old)) {
            Close(old);
        }
    }

    // Gives up ownership: the caller now owns the returned value.
    T release() { return std::exchange(value_, Values::Nothing()); }

    // For APIs that fill a T*: releases what is held and returns the slot to fill.
    T* put() {
        reset();
        return &value_;
    }

private:
    T value_ = Values::Nothing();
};

using ScopedLibrary = ScopedResource<HMODULE, &::FreeLibrary>;
using ScopedHandle = ScopedResource<HANDLE, &::CloseHandle, KernelHandleValues>;
using ScopedBstr = ScopedResource<BSTR, &::SysFreeString>;
using ScopedSafeArray = ScopedResource<SAFEARRAY*, &::SafeArrayDestroy>;
using ScopedRegKey = ScopedResource<HKEY, &::RegCloseKey>;
