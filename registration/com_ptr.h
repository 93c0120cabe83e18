// Owners for the type-library objects that registration borrows from the platform.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "scoped_resource.h"

using ScopedTypeLib = ScopedInterface<ITypeLib>;

// The attribute block of a type library, handed back to the library at the end of the scope.
class ScopedLibAttr {
public:
    ScopedLibAttr(ITypeLib* library, TLIBATTR* attr) : library_(library), attr_(attr) {}
    ~ScopedLibAttr() { library_->ReleaseTLibAttr(attr_); }
    ScopedLibAttr(const ScopedLibAttr&) = delete;
    ScopedLibAttr& operator=(const ScopedLibAttr&) = delete;
    const TLIBATTR* operator->() const { return attr_; }

private:
    ITypeLib* library_;
    TLIBATTR* attr_;
};
