// ComPtr: the owner of one reference to a COM interface, and the one typed QueryInterface.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

// Holds one reference, released at the end of the scope. Move-only; the verbs are the other
// owners' (`get`, `reset`, `release`, `put`).
template <class I> class ComPtr {
public:
    ComPtr() = default;
    // Takes over the reference the caller holds on `value`.
    explicit ComPtr(I* value) : value_(value) {}
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : value_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    // A new reference to `value`, which the caller keeps its own reference to.
    static ComPtr Share(I* value) {
        if (value != nullptr) {
            value->AddRef();
        }
        return ComPtr(value);
    }

    I* get() const { return value_; }
    I* operator->() const { return value_; }
    I& operator*() const { return *value_; }
    explicit operator bool() const { return value_ != nullptr; }

    // Releases what is held (if anything) and takes over `value` instead.
    void reset(I* value = nullptr) {
        I* old = std::exchange(value_, value);
        if (old != nullptr) {
            old->Release();
        }
    }

    // Gives up ownership without releasing: the caller now owns the returned reference.
    I* release() { return std::exchange(value_, nullptr); }

    // For APIs that fill an I**: releases what is held and returns the slot to fill.
    I** put() {
        reset();
        return &value_;
    }
    // The same slot for APIs that fill a void** with the interface their IID names.
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    // Asks the object held for interface Q. On failure `*out` is empty and the result is the
    // object's; asking an empty pointer gives E_POINTER.
    template <class Q> HRESULT As(ComPtr<Q>* out) const {
        if (value_ == nullptr) {
            out->reset();
            return E_POINTER;
        }
        return value_->QueryInterface(__uuidof(Q), out->putVoid());
    }

private:
    I* value_ = nullptr;
};
