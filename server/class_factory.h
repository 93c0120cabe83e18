// The class object that the server publishes: makes bridge objects, and holds the server for a
// client that locks it.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "class_table.h"
#include "interface_lookup.h"
#include "object_root.h"

// IClassFactory over one instance creator. It holds no server lock of its own: a class factory
// alone keeps nothing alive.
class ClassFactory : public IClassFactory, public ObjectRoot {
public:
    // Refuses aggregation (CLASS_E_NOAGGREGATION unless IUnknown is asked of an outer object,
    // which the instance creator then refuses itself); otherwise what the instance creator
    // returns. Sets *ppv to null first.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    // TRUE adds a server lock, FALSE gives one back; a FALSE without a TRUE before it does
    // nothing. Always S_OK.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    static const InterfaceEntry* InterfaceTable();
    void SetCreator(CreatorFn createInstance) { createInstance_ = createInstance; }

private:
    CreatorFn createInstance_ = nullptr;
};

// The class-object creator of the class table: a class factory serving the instance creator
// `pv`, asked for `riid`. E_POINTER for a null ppv; E_OUTOFMEMORY; the lookup's failure, with
// the new object destroyed again.
HRESULT CreateClassFactory(void* pv, REFIID riid, void** ppv);
