// The baseline local server: the least a local server with IPlimoWrapper can be, the floor the
// server is measured against. Like the real one it runs a single-threaded apartment, publishes
// its class for single use (one process per activation) and ends when its last object is gone.
// Its methods only read their arguments and write outputs of the same shapes the server writes,
// answering as bench_protocol.h says; late-bound calls go through the registered type library's
// information (ITypeInfo::Invoke), as the server's do. So what a call to it costs is what the
// platform's marshalling costs.
#include <windows.h>
#include <objbase.h>

#include <initializer_list>
#include <new>
#include <utility>

#include "com_initialization.h"
#include "com_ptr.h"
#include "safe_array_access.h"
#include "PlimoCOMWrapper.h"
#include "bench_protocol.h"
#include "counted_wrapper.h"
#include "process_figures.h"
#include "scoped_resource.h"
#include "scoped_variant.h"

namespace {

DWORD g_mainThread = 0;
LONG g_locks = 0; // one per live object: the server ends when it falls to zero
// Loaded by the first late-bound call, released before the apartment ends.
ComPtr<ITypeInfo> g_typeInfo;
// Where touched values go, so the compiler cannot drop the reading.
volatile LONG g_touched = 0;

void Lock() {
    ::InterlockedIncrement(&g_locks);
}

void Unlock() {
    if (::InterlockedDecrement(&g_locks) == 0) {
        ::PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
    }
}

// Reads every unit of `text` (null is nothing); its length in units.
LONG Touch(BSTR text) {
    const UINT length = ::SysStringLen(text);
    LONG sum = 0;
    for (UINT i = 0; i < length; ++i) {
        sum += text[i];
    }
    g_touched = g_touched + sum;
    return static_cast<LONG>(length);
}

// Replaces the client's in/out string with `text` (ASCII) after reading it, as the server does
// with what its provider wrote.
HRESULT Rewrite(BSTR* target, const char* text) {
    Touch(*target);
    OLECHAR wide[64];
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < sizeof wide / sizeof wide[0]; ++i) {
        wide[i] = static_cast<unsigned char>(text[i]);
    }
    wide[i] = L'\0';
    ScopedBstr returned(::SysAllocString(wide));
    if (!returned) {
        return E_OUTOFMEMORY;
    }
    // The caller's entry goes: an [in, out] callee replaces it.
    ScopedBstr entry(std::exchange(*target, returned.release()));
    return S_OK;
}

// Rewrites each target in turn; the first failure stops it.
HRESULT Rewrite(std::initializer_list<std::pair<BSTR*, const char*>> targets) {
    for (const auto& [target, text] : targets) {
        const HRESULT hr = Rewrite(target, text);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// Reads the comment, if any, and every name of a list argument of the shape the server takes;
// the count in *count.
HRESULT TouchNames(const VARIANT& names, LONG* count, BSTR comment = nullptr) {
    Touch(comment);
    if (names.vt != (VT_ARRAY | VT_BSTR) || names.parray == nullptr) {
        return E_INVALIDARG;
    }
    SafeArrayAccess<BSTR> data;
    HRESULT hr = data.Open(names.parray);
    if (FAILED(hr)) return hr;
    const LONG n = static_cast<LONG>(names.parray->rgsabound[0].cElements);
    for (LONG i = 0; i < n; ++i) {
        Touch(data[i]);
    }
    *count = n;
    return S_OK;
}

HRESULT LoadTypeInfo(LCID locale) {
    if (g_typeInfo) {
        return S_OK;
    }
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadRegTypeLib(LIBID_PlimoCOMWrapperLib, 1, 0, locale, library.put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(IID_IPlimoWrapper, g_typeInfo.put());
}

class BaselineWrapper : public CountedWrapper<IPlimoWrapper> {
public:
    BaselineWrapper() { Lock(); }
    ~BaselineWrapper() override { Unlock(); }

    // Only COM's stubs call these, and the marshaller refuses null [out] pointers before that.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        *info = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        HRESULT hr = LoadTypeInfo(locale);
        if (FAILED(hr)) return hr;
        *info = g_typeInfo.get();
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        HRESULT hr = LoadTypeInfo(locale);
        if (FAILED(hr)) return hr;
        return g_typeInfo->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        HRESULT hr = LoadTypeInfo(locale);
        if (FAILED(hr)) return hr;
        return g_typeInfo->Invoke(static_cast<IPlimoWrapper*>(this), member, flags, parameters,
                                  result, exception, argumentError);
    }

    HRESULT STDMETHODCALLTYPE Init(BSTR bstrName) override {
        Touch(bstrName);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SccInitialize(LONG, BSTR lpCallerName, BSTR* lpSccName,
                                            LONG* lpSccCaps, BSTR* lpAuxPathLabel,
                                            LONG* pnCheckoutCommentLen, LONG* pnCommentLen,
                                            LONG* pResult) override {
        Touch(lpCallerName);
        *lpSccCaps = bench::kCaps;
        *pnCheckoutCommentLen = bench::kCheckoutCommentLength;
        *pnCommentLen = bench::kCommentLength;
        *pResult = 0;
        return Rewrite({{lpSccName, bench::kSccName}, {lpAuxPathLabel, bench::kAuxPathLabel}});
    }
    HRESULT STDMETHODCALLTYPE SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) override {
        g_touched = g_touched + dwVal;
        *pResult = nOption;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SccUninitialize(LONG* pResult) override { return Zero(pResult); }
    HRESULT STDMETHODCALLTYPE SccGetCommandOptions(LONG, LONG, LONG* pResult) override {
        return Zero(pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetCommandOptionsByRef(LONG, LONG iCommand,
                                                        LONG* pCmdOptionsCookie,
                                                        LONG* pResult) override {
        *pCmdOptionsCookie = iCommand == bench::kPrivateBytesCommand  ? OwnPrivateBytes()
                             : iCommand == bench::kHandleCountCommand ? OwnHandleCount()
                             : iCommand == bench::kHeapBytesCommand   ? OwnHeapBytes()
                                                                      : iCommand + 1;
        return Zero(pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetProjPath(LONG, BSTR* lpUser, BSTR* lpProjName,
                                             BSTR* lpLocalPath, BSTR* lpAuxProjPath, VARIANT_BOOL,
                                             VARIANT_BOOL* pbNew, LONG* pResult) override {
        *pResult = 0;
        *pbNew = *pbNew ? VARIANT_FALSE : VARIANT_TRUE;
        return Rewrite({{lpUser, bench::kUser},
                        {lpProjName, bench::kProjName},
                        {lpLocalPath, bench::kLocalPath},
                        {lpAuxProjPath, bench::kAuxProjPath}});
    }
    HRESULT STDMETHODCALLTYPE SccCloseProject(LONG* pResult) override { return Zero(pResult); }
    HRESULT STDMETHODCALLTYPE SccCheckin(LONG, VARIANT lpFileNames, BSTR lpComment, LONG, LONG,
                                         LONG* pResult) override {
        return TouchNames(lpFileNames, pResult, lpComment);
    }
    HRESULT STDMETHODCALLTYPE SccCheckout(LONG, VARIANT lpFileNames, BSTR lpComment, LONG, LONG,
                                          LONG* pResult) override {
        return TouchNames(lpFileNames, pResult, lpComment);
    }
    HRESULT STDMETHODCALLTYPE SccUncheckout(LONG, VARIANT lpFileNames, LONG, LONG,
                                            LONG* pResult) override {
        return TouchNames(lpFileNames, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGet(LONG, VARIANT lpFileNames, LONG, LONG,
                                     LONG* pResult) override {
        return TouchNames(lpFileNames, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccAdd(LONG, VARIANT lpFileNames, BSTR lpComment, VARIANT, LONG,
                                     LONG* pResult) override {
        return TouchNames(lpFileNames, pResult, lpComment);
    }
    HRESULT STDMETHODCALLTYPE SccQueryInfo(VARIANT lpFileNames, VARIANT* lpStatus,
                                           LONG* pResult) override {
        if (lpFileNames.vt != (VT_ARRAY | VT_BSTR) || lpFileNames.parray == nullptr) {
            return E_INVALIDARG;
        }
        SAFEARRAY* names = lpFileNames.parray;
        SafeArrayAccess<BSTR> data;
        HRESULT hr = data.Open(names);
        if (FAILED(hr)) return hr;
        const ULONG count = names->rgsabound[0].cElements;
        ScopedSafeArray status(::SafeArrayCreateVector(VT_I4, 0, count));
        if (!status) {
            return E_OUTOFMEMORY;
        }
        SafeArrayAccess<LONG> words;
        hr = words.Open(status.get());
        if (FAILED(hr)) return hr;
        for (ULONG i = 0; i < count; ++i) {
            words[i] = Touch(data[i]);
        }
        words.Close();
        *pResult = static_cast<LONG>(count);
        // The caller's, which an [in, out] callee replaces and frees.
        ScopedVariant entry = ScopedVariant::Adopt(*lpStatus);
        lpStatus->vt = VT_ARRAY | VT_I4;
        lpStatus->parray = status.release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SccOpenProject(LONG, BSTR* lpUser, BSTR lpProjName,
                                             BSTR lpLocalProjPath, BSTR* lpAuxProjPath,
                                             BSTR lpComment, LONG, LONG* pResult) override {
        Touch(lpProjName);
        Touch(lpLocalProjPath);
        Touch(lpComment);
        *pResult = 0;
        return Rewrite({{lpUser, bench::kUser}, {lpAuxProjPath, bench::kAuxProjPath}});
    }
    HRESULT STDMETHODCALLTYPE SccSetOptionCallback(LONG nOption, LONG* pResult) override {
        *pResult = nOption;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SccGetVersion(LONG* pResult) override {
        *pResult = static_cast<LONG>(::GetCurrentProcessId());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SccBeginBatch(LONG* pResult) override { return Zero(pResult); }
    HRESULT STDMETHODCALLTYPE SccEndBatch(LONG* pResult) override { return Zero(pResult); }

private:
    static HRESULT Zero(LONG* result) {
        *result = 0;
        return S_OK;
    }
};

// The class object lives as long as the process; only COM calls it, with valid pointers.
class BaselineFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        ComPtr<BaselineWrapper> object(new (std::nothrow) BaselineWrapper);
        if (!object) {
            return E_OUTOFMEMORY;
        }
        return object->QueryInterface(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? Lock() : Unlock();
        return S_OK;
    }
};

BaselineFactory g_factory;

HRESULT Serve() {
    DWORD cookie = 0;
#ifdef _WIN64
    const CLSID& served = bench::kBaselineClsid64;
#else
    const CLSID& served = bench::kBaselineClsid;
#endif
    HRESULT hr =
        ::CoRegisterClassObject(served, &g_factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie);
    if (FAILED(hr)) return hr;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return ::CoRevokeClassObject(cookie);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    g_mainThread = ::GetCurrentThreadId();
    ComInitialization com;
    const HRESULT initialized = com.Initialize(COINIT_APARTMENTTHREADED);
    if (FAILED(initialized)) return initialized;
    HRESULT hr = Serve();
    g_typeInfo.reset();
    return hr;
}
