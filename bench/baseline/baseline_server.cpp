// The baseline local server: the least a local server with IPlimoWrapper can be. Like the real
// one it runs a single-threaded apartment, publishes its class for single use (one process per
// activation) and ends when its last object is gone, so that the platform's own costs of
// activation and of a call are all that it adds.
#include <windows.h>
#include <objbase.h>

#include "baseline_wrapper.h"
#include "bench_protocol.h"

namespace {

DWORD g_mainThread = 0;
LONG g_locks = 0;

class CBaselineFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // The factory lives as long as the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        *ppv = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        CBaselineWrapper* object = CBaselineWrapper::Create();
        if (object == nullptr) {
            return E_OUTOFMEMORY;
        }
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            LockBaselineServer();
        } else {
            UnlockBaselineServer();
        }
        return S_OK;
    }
};

CBaselineFactory g_factory;

HRESULT Serve() {
    DWORD cookie = 0;
    HRESULT hr = ::CoRegisterClassObject(bench::kBaselineClsid, &g_factory, CLSCTX_LOCAL_SERVER,
                                         REGCLS_SINGLEUSE, &cookie);
    if (FAILED(hr)) {
        return hr;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return ::CoRevokeClassObject(cookie);
}

} // namespace

void LockBaselineServer() {
    ::InterlockedIncrement(&g_locks);
}

void UnlockBaselineServer() {
    if (::InterlockedDecrement(&g_locks) == 0) {
        ::PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
    }
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    g_mainThread = ::GetCurrentThreadId();
    HRESULT hr = ::CoInitialize(nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    hr = Serve();
    CBaselineWrapper::ReleaseTypeInfo();
    ::CoUninitialize();
    return hr;
}
