// The counted objects of the server: IUnknown over a class's interface table, with or without a
// server lock.
#pragma once

#include <windows.h>

#include "atl_module.h"
#include "com_object_root.h"
#include "interface_lookup.h"

// CComObjectNoLock and CComObject are named and layered as ATL's, as the server's design gives
// them: the class factory is the first, the bridge object the second.

// A counted object that does not hold the server: IUnknown over T's interface table. Release
// returns 0 exactly when it has destroyed the object.
template <class T> class CComObjectNoLock : public T {
public:
    CComObjectNoLock() = default;
    virtual ~CComObjectNoLock() { this->refCount = CComObjectRootBase::kDestroyedRefCount; }
    CComObjectNoLock(const CComObjectNoLock&) = delete;
    CComObjectNoLock& operator=(const CComObjectNoLock&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return LookupInterface(this, T::InterfaceTable(), riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return this->InternalAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG count = this->InternalRelease();
        if (count == 0) {
            delete this;
        }
        return count;
    }
};

// A counted object that holds the server: construction takes a server lock; the final release
// runs T's FinalRelease and then drops the lock, which may signal the server's shutdown.
template <class T> class CComObject final : public CComObjectNoLock<T> {
public:
    CComObject() { currentModule->AddServerLock(); }
    ~CComObject() override {
        this->refCount = CComObjectRootBase::kDestroyedRefCount;
        this->FinalRelease();
        currentModule->ReleaseServerLock();
    }
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;
};
