// The counted objects of the server: IUnknown over a class's interface table, with or without a
// server lock, and the one way to make one.
#pragma once

#include <windows.h>

#include <new>

#include "com_ptr.h"
#include "interface_lookup.h"
#include "object_root.h"
#include "server_module.h"

// A counted object that does not hold the server (a class factory alone keeps nothing alive):
// IUnknown over T's interface table. Release returns 0 exactly when it has destroyed the object.
template <class T> class ComObjectNoLock : public T {
public:
    ComObjectNoLock() = default;
    virtual ~ComObjectNoLock() { this->refCount_ = ObjectRoot::kDestroyedRefCount; }
    ComObjectNoLock(const ComObjectNoLock&) = delete;
    ComObjectNoLock& operator=(const ComObjectNoLock&) = delete;

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
template <class T> class ComObject final : public ComObjectNoLock<T> {
public:
    ComObject() { CurrentModule().AddServerLock(); }
    ~ComObject() override {
        this->refCount_ = ObjectRoot::kDestroyedRefCount;
        this->FinalRelease();
        CurrentModule().ReleaseServerLock();
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
};

// A new counted object, held once by the returned owner: letting the owner go without handing
// out an interface destroys it again. Empty when memory runs out.
template <class Object> ComPtr<Object> MakeCounted() {
    ComPtr<Object> object(new (std::nothrow) Object);
    if (object) {
        object->InternalAddRef();
    }
    return object;
}
