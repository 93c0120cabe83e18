// A counted object that holds the server alive for as long as it lives.
#pragma once

#include <windows.h>

#include "atl_module.h"
#include "com_object_root.h"
#include "interface_lookup.h"

// IUnknown over T's interface table. Construction takes a server lock; the final release runs
// T's FinalRelease and then drops the lock, which may signal the server's shutdown.
template <class T> class CComObject final : public T {
public:
    CComObject() { currentModule->AddServerLock(); }
    ~CComObject() override {
        this->refCount = CComObjectRootBase::kDestroyedRefCount;
        this->FinalRelease();
        currentModule->ReleaseServerLock();
    }
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return LookupInterface(this, T::InterfaceTable(), riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return this->InternalAddRef(); }
    // Returns 0 exactly when the object has been destroyed.
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG count = this->InternalRelease();
        if (count == 0) {
            delete this;
        }
        return count;
    }
};
