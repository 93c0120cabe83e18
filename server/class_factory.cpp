// The class object that the server publishes.
#include "class_factory.h"

#include "com_object.h"
#include "server_module.h"

const InterfaceEntry* ClassFactory::InterfaceTable() {
    // The interface lies at the start of the object: IClassFactory is the first base.
    static const InterfaceEntry table[] = {{&IID_IClassFactory, 0}, {nullptr, 0}};
    return table;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (outer != nullptr && !::IsEqualIID(riid, IID_IUnknown)) {
        return CLASS_E_NOAGGREGATION;
    }
    return createInstance_(outer, riid, ppv);
}

namespace {

// The locks that LockServer(TRUE) took and LockServer(FALSE) has not yet given back, in the whole
// process: an unmatched FALSE must not drop a lock that a live object holds.
LONG volatile clientLocks = 0;

// Counts one client lock less, unless there is none; whether there was one.
bool GiveBackClientLock() {
    for (LONG count = clientLocks; count > 0; count = clientLocks) {
        if (::InterlockedCompareExchange(&clientLocks, count - 1, count) == count) {
            return true;
        }
    }
    return false;
}

} // namespace

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        ::InterlockedIncrement(&clientLocks);
        CurrentModule().AddServerLock();
    } else if (GiveBackClientLock()) {
        CurrentModule().ReleaseServerLock();
    }
    return S_OK;
}

HRESULT CreateClassFactory(void* pv, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    auto factory = MakeCounted<ComObjectNoLock<ClassFactory>>();
    if (!factory) return E_OUTOFMEMORY;
    factory->SetCreator(reinterpret_cast<CreatorFn>(pv));
    return factory->QueryInterface(riid, ppv);
}
