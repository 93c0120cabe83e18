// Owners for what type libraries and type information hand out: the interfaces, and the
// structures they lend (TLIBATTR, TYPEATTR, FUNCDESC), which must be handed back to the lender.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "com_ptr.h"
#include "scoped_resource.h"

using ScopedTypeLib = ComPtr<ITypeLib>;
using ScopedTypeInfo = ComPtr<ITypeInfo>;

// One structure lent by `Lender`, handed back with its member `Return` at the end of the scope.
// The lender must outlive the owner. Move-only.
template <class Lender, class T, auto Return> class ScopedBorrowed {
public:
    ScopedBorrowed() = default;
    ScopedBorrowed(Lender* lender, T* value) : lender_(lender), value_(value) {}
    ~ScopedBorrowed() { reset(); }

    ScopedBorrowed(const ScopedBorrowed&) = delete;
    ScopedBorrowed& operator=(const ScopedBorrowed&) = delete;
    ScopedBorrowed(ScopedBorrowed&& other) noexcept
        : lender_(other.lender_), value_(std::exchange(other.value_, nullptr)) {}
    ScopedBorrowed& operator=(ScopedBorrowed&& other) noexcept {
        if (this != &other) {
            reset();
            lender_ = other.lender_;
            value_ = std::exchange(other.value_, nullptr);
        }
        return *this;
    }

    const T* get() const { return value_; }
    const T* operator->() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }

    // For the lender's getter (GetLibAttr, GetTypeAttr, GetFuncDesc): hands back what is held
    // and returns the slot to fill with what `lender` lends next.
    T** put(Lender* lender) {
        reset();
        lender_ = lender;
        return &value_;
    }

    void reset() {
        if (value_ != nullptr) {
            (lender_->*Return)(std::exchange(value_, nullptr));
        }
    }

private:
    Lender* lender_ = nullptr;
    T* value_ = nullptr;
};

using ScopedLibAttr = ScopedBorrowed<ITypeLib, TLIBATTR, &ITypeLib::ReleaseTLibAttr>;
using ScopedTypeAttr = ScopedBorrowed<ITypeInfo, TYPEATTR, &ITypeInfo::ReleaseTypeAttr>;
using ScopedFuncDesc = ScopedBorrowed<ITypeInfo, FUNCDESC, &ITypeInfo::ReleaseFuncDesc>;
