// ObjectRoot: the reference count every counted object of the server carries.
#pragma once

#include <windows.h>

// The count changes only through interlocked operations, whatever thread calls: COM may release
// an object from an RPC thread while the main thread still uses it.
class ObjectRoot {
public:
    // The count of an object being destroyed, so that a stray AddRef/Release from its own
    // teardown cannot bring it back to zero a second time.
    static constexpr LONG kDestroyedRefCount = static_cast<LONG>(0xC0000001);

    ObjectRoot() = default;
    ObjectRoot(const ObjectRoot&) = delete;
    ObjectRoot& operator=(const ObjectRoot&) = delete;

    ULONG InternalAddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refCount_)); }
    ULONG InternalRelease() { return static_cast<ULONG>(::InterlockedDecrement(&refCount_)); }

protected:
    LONG volatile refCount_ = 0;
};
