// The reference count and per-object lock that every counted object of the server carries.
#pragma once

#include <windows.h>

// CComMultiThreadModel, CComObjectRootBase and CComObjectRootEx are laid out as ATL's, as the
// server's design gives them. `objectLock` is part of that layout: it is initialised and deleted,
// and nothing enters it.

// Reference counts change only through interlocked operations, whatever thread calls.
class CComMultiThreadModel {
public:
    static ULONG Increment(LONG* p) { return static_cast<ULONG>(::InterlockedIncrement(p)); }
    static ULONG Decrement(LONG* p) { return static_cast<ULONG>(::InterlockedDecrement(p)); }
};

// The count itself. A destroyed object's count is set to kDestroyedRefCount first, so a stray
// AddRef/Release during destruction cannot bring it back to zero a second time.
class CComObjectRootBase {
public:
    static constexpr LONG kDestroyedRefCount = static_cast<LONG>(0xC0000001);

protected:
    LONG refCount = 0;
};

// Adds the object's own critical section. Its creator initialises it (InitObjectLock); the
// destructor deletes it only if that succeeded.
template <class ThreadModel> class CComObjectRootEx : public CComObjectRootBase {
public:
    CComObjectRootEx() = default;
    ~CComObjectRootEx() {
        if (objectLockInitialized) {
            ::DeleteCriticalSection(&objectLock);
        }
    }
    CComObjectRootEx(const CComObjectRootEx&) = delete;
    CComObjectRootEx& operator=(const CComObjectRootEx&) = delete;

    ULONG InternalAddRef() { return ThreadModel::Increment(&refCount); }
    ULONG InternalRelease() { return ThreadModel::Decrement(&refCount); }

    // S_OK, or the platform's failure as an HRESULT; on failure the lock stays unusable.
    HRESULT InitObjectLock();

protected:
    CRITICAL_SECTION objectLock{};
    bool objectLockInitialized = false;
};

// Initialises a critical section with spin count 0. The platform may fail without an error a
// caller could act on; only an error that converts to a failure HRESULT counts.
HRESULT InitializeLock(CRITICAL_SECTION* lock);

template <class ThreadModel> HRESULT CComObjectRootEx<ThreadModel>::InitObjectLock() {
    HRESULT hr = InitializeLock(&objectLock);
    if (SUCCEEDED(hr)) {
        objectLockInitialized = true;
    }
    return hr;
}
