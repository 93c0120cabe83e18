// CComTypeInfoHolder: the process-wide type information of one dual interface, loaded from the
// registered type library, with a cache of its method names.
#pragma once

#include <windows.h>
#include <oaidl.h>

// One cached method name. An entry whose description could not be fetched keeps a null name
// and never matches.
struct NameCacheEntry {
    BSTR name;
    int length;
    DISPID memberId;
};

// Laid out as ATL's CComTypeInfoHolder, as the server's design gives it.
// A constant-initialised aggregate, so that it is usable before any constructor has run. The
// first GetTypeInfo, GetIDsOfNames or Invoke loads the type information (in that caller's
// locale) and builds the cache; both then stay until the module's teardown releases them. A
// failed load leaves the holder empty and the next call tries again.
struct CComTypeInfoHolder {
    const GUID* interfaceId;
    const GUID* libraryId;
    WORD majorVersion;
    WORD minorVersion;
    ITypeInfo* typeInfo;
    NameCacheEntry* nameCache;
    int nameCount;

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

    HRESULT LoadTypeInfo(LCID locale);
    HRESULT BuildNameCache(ITypeInfo* info);
    // The termination function that LoadTypeInfo registers: releases the type information and
    // frees the cache.
    static void ReleaseTypeInfo(DWORD_PTR holder);
};
