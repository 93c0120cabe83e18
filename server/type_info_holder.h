// TypeInfoHolder: the process-wide type information of one dual interface, loaded from the
// registered type library, with a cache of its method names.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "com_ptr.h"
#include "scoped_resource.h"

// The first GetTypeInfo, GetIDsOfNames or Invoke loads the type information (in that caller's
// locale) and builds the cache; both then stay for the life of the process. A failed load
// leaves the holder empty and the next call tries again. Safe to call from any thread.
class TypeInfoHolder {
public:
    constexpr TypeInfoHolder(const IID* interfaceId, const GUID* libraryId, WORD majorVersion,
                             WORD minorVersion)
        : interfaceId_(interfaceId), libraryId_(libraryId), majorVersion_(majorVersion),
          minorVersion_(minorVersion) {}
    TypeInfoHolder(const TypeInfoHolder&) = delete;
    TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

    // DISP_E_BADINDEX for an index other than 0 (before the pointer is looked at); E_POINTER;
    // otherwise the type information (the caller owns a reference) or the loader's failure.
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info);
    // A single name spelled exactly as in the library is answered from the cache; everything
    // else by the type information, which matches without regard to case.
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
    // Carried out by the type information, which checks and converts the arguments and calls
    // the method of `instance` through its interface table.
    HRESULT Invoke(IDispatch* instance, DISPID member, LCID locale, WORD flags,
                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                   UINT* argumentError);

private:
    // One cached method name. An entry whose description could not be fetched keeps no name
    // and never matches.
    struct CachedName {
        ScopedBstr name;
        int length = 0;
        DISPID memberId = DISPID_UNKNOWN;
    };

    // What a call reads, taken under the lock in one go. Neither part is replaced once set, so
    // both stay valid after the lock is let go, for the life of the process.
    struct Loaded {
        ITypeInfo* info = nullptr;         // null when it cannot be loaded
        const CachedName* names = nullptr; // null while the cache cannot be built
        int nameCount = 0;
    };

    // What a call reads, loading the type information and the cache first when either is
    // missing. The loader's failure leaves loaded->info null.
    HRESULT Load(LCID locale, Loaded* loaded);
    HRESULT LoadMissing(LCID locale);
    HRESULT BuildNameCache(ITypeInfo* info);

    const IID* interfaceId_;
    const GUID* libraryId_;
    WORD majorVersion_;
    WORD minorVersion_;
    // Taken while loading and while reading what was loaded; never held while calling into the
    // type information for a client.
    SRWLOCK lock_ = SRWLOCK_INIT;
    ComPtr<ITypeInfo> typeInfo_;
    std::unique_ptr<CachedName[]> nameCache_;
    int nameCount_ = 0;
};
