#include "baseline_wrapper.h"

#include <new>

#include "bench_protocol.h"
#include "process_figures.h"

namespace {

// Where touched values go, so the compiler cannot drop the reading.
volatile LONG g_touched = 0;

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
    BSTR returned = ::SysAllocString(wide);
    ::SysFreeString(*target);
    *target = returned;
    return returned != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Reads every name of a list argument; its count. Only the shape the server takes is read.
HRESULT TouchNames(const VARIANT& names, LONG* count) {
    if (names.vt != (VT_ARRAY | VT_BSTR) || names.parray == nullptr) {
        return E_INVALIDARG;
    }
    BSTR* data = nullptr;
    HRESULT hr = ::SafeArrayAccessData(names.parray, reinterpret_cast<void**>(&data));
    if (FAILED(hr)) {
        return hr;
    }
    ScopedSafeArrayAccess access(names.parray);
    const LONG n = static_cast<LONG>(names.parray->rgsabound[0].cElements);
    for (LONG i = 0; i < n; ++i) {
        Touch(data[i]);
    }
    *count = n;
    return S_OK;
}

} // namespace

ScopedInterface<ITypeInfo> CBaselineWrapper::typeInfo_;

CBaselineWrapper::CBaselineWrapper() {
    LockBaselineServer();
}

CBaselineWrapper::~CBaselineWrapper() {
    UnlockBaselineServer();
}

CBaselineWrapper* CBaselineWrapper::Create() {
    return new (std::nothrow) CBaselineWrapper;
}

void CBaselineWrapper::ReleaseTypeInfo() {
    typeInfo_.reset();
}

HRESULT CBaselineWrapper::LoadTypeInfo(LCID locale) {
    if (typeInfo_) {
        return S_OK;
    }
    ScopedInterface<ITypeLib> library;
    HRESULT hr = ::LoadRegTypeLib(LIBID_PlimoCOMWrapperLib, 1, 0, locale, library.put());
    if (FAILED(hr)) {
        return hr;
    }
    return library.get()->GetTypeInfoOfGuid(IID_IPlimoWrapper, typeInfo_.put());
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IPlimoWrapper) {
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IPlimoWrapper*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CBaselineWrapper::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
}

ULONG STDMETHODCALLTYPE CBaselineWrapper::Release() {
    const LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) {
        delete this;
    }
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    if (info == nullptr) {
        return E_POINTER;
    }
    *info = nullptr;
    HRESULT hr = LoadTypeInfo(locale);
    if (FAILED(hr)) {
        return hr;
    }
    *info = typeInfo_.get();
    (*info)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count,
                                                          LCID locale, DISPID* ids) {
    HRESULT hr = LoadTypeInfo(locale);
    if (FAILED(hr)) {
        return hr;
    }
    return typeInfo_.get()->GetIDsOfNames(names, count, ids);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::Invoke(DISPID member, REFIID, LCID locale, WORD flags,
                                                   DISPPARAMS* parameters, VARIANT* result,
                                                   EXCEPINFO* exception, UINT* argumentError) {
    HRESULT hr = LoadTypeInfo(locale);
    if (FAILED(hr)) {
        return hr;
    }
    return typeInfo_.get()->Invoke(static_cast<IPlimoWrapper*>(this), member, flags, parameters,
                                   result, exception, argumentError);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::Init(BSTR bstrName) {
    Touch(bstrName);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccInitialize(LONG, BSTR lpCallerName, BSTR* lpSccName,
                                                          LONG* lpSccCaps, BSTR* lpAuxPathLabel,
                                                          LONG* pnCheckoutCommentLen,
                                                          LONG* pnCommentLen, LONG* pResult) {
    Touch(lpCallerName);
    *lpSccCaps = bench::kCaps;
    *pnCheckoutCommentLen = bench::kCheckoutCommentLength;
    *pnCommentLen = bench::kCommentLength;
    *pResult = 0;
    HRESULT hr = Rewrite(lpSccName, bench::kSccName);
    if (FAILED(hr)) {
        return hr;
    }
    return Rewrite(lpAuxPathLabel, bench::kAuxPathLabel);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) {
    g_touched = g_touched + dwVal;
    *pResult = nOption;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccUninitialize(LONG* pResult) {
    *pResult = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccGetCommandOptions(LONG, LONG, LONG* pResult) {
    *pResult = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccGetCommandOptionsByRef(LONG, LONG iCommand,
                                                                      LONG* pCmdOptionsCookie,
                                                                      LONG* pResult) {
    *pCmdOptionsCookie = iCommand == bench::kPrivateBytesCommand  ? OwnPrivateBytes()
                         : iCommand == bench::kHandleCountCommand ? OwnHandleCount()
                         : iCommand == bench::kHeapBytesCommand   ? OwnHeapBytes()
                                                                  : iCommand + 1;
    *pResult = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccGetProjPath(LONG, BSTR* lpUser, BSTR* lpProjName,
                                                           BSTR* lpLocalPath, BSTR* lpAuxProjPath,
                                                           VARIANT_BOOL, VARIANT_BOOL* pbNew,
                                                           LONG* pResult) {
    *pResult = 0;
    *pbNew = *pbNew ? VARIANT_FALSE : VARIANT_TRUE;
    HRESULT hr = Rewrite(lpUser, bench::kUser);
    if (SUCCEEDED(hr)) {
        hr = Rewrite(lpProjName, bench::kProjName);
    }
    if (SUCCEEDED(hr)) {
        hr = Rewrite(lpLocalPath, bench::kLocalPath);
    }
    if (SUCCEEDED(hr)) {
        hr = Rewrite(lpAuxProjPath, bench::kAuxProjPath);
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccCloseProject(LONG* pResult) {
    *pResult = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccCheckin(LONG, VARIANT lpFileNames, BSTR lpComment,
                                                       LONG, LONG, LONG* pResult) {
    Touch(lpComment);
    return TouchNames(lpFileNames, pResult);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccCheckout(LONG, VARIANT lpFileNames, BSTR lpComment,
                                                        LONG, LONG, LONG* pResult) {
    Touch(lpComment);
    return TouchNames(lpFileNames, pResult);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccUncheckout(LONG, VARIANT lpFileNames, LONG, LONG,
                                                          LONG* pResult) {
    return TouchNames(lpFileNames, pResult);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccGet(LONG, VARIANT lpFileNames, LONG, LONG,
                                                   LONG* pResult) {
    return TouchNames(lpFileNames, pResult);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccAdd(LONG, VARIANT lpFileNames, BSTR lpComment,
                                                   VARIANT, LONG, LONG* pResult) {
    Touch(lpComment);
    return TouchNames(lpFileNames, pResult);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccQueryInfo(VARIANT lpFileNames, VARIANT* lpStatus,
                                                         LONG* pResult) {
    if (lpFileNames.vt != (VT_ARRAY | VT_BSTR) || lpFileNames.parray == nullptr) {
        return E_INVALIDARG;
    }
    SAFEARRAY* names = lpFileNames.parray;
    BSTR* data = nullptr;
    HRESULT hr = ::SafeArrayAccessData(names, reinterpret_cast<void**>(&data));
    if (FAILED(hr)) {
        return hr;
    }
    ScopedSafeArrayAccess namesAccess(names);
    const ULONG count = names->rgsabound[0].cElements;

    ScopedSafeArray status(::SafeArrayCreateVector(VT_I4, 0, count));
    if (!status) {
        return E_OUTOFMEMORY;
    }
    LONG* words = nullptr;
    hr = ::SafeArrayAccessData(status.get(), reinterpret_cast<void**>(&words));
    if (FAILED(hr)) {
        return hr;
    }
    for (ULONG i = 0; i < count; ++i) {
        words[i] = Touch(data[i]);
    }
    ::SafeArrayUnaccessData(status.get());

    *pResult = static_cast<LONG>(count);
    ::VariantClear(lpStatus);
    lpStatus->vt = VT_ARRAY | VT_I4;
    lpStatus->parray = status.release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccOpenProject(LONG, BSTR* lpUser, BSTR lpProjName,
                                                           BSTR lpLocalProjPath,
                                                           BSTR* lpAuxProjPath, BSTR lpComment,
                                                           LONG, LONG* pResult) {
    Touch(lpProjName);
    Touch(lpLocalProjPath);
    Touch(lpComment);
    *pResult = 0;
    HRESULT hr = Rewrite(lpUser, bench::kUser);
    if (FAILED(hr)) {
        return hr;
    }
    return Rewrite(lpAuxProjPath, bench::kAuxProjPath);
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccSetOptionCallback(LONG nOption, LONG* pResult) {
    *pResult = nOption;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccGetVersion(LONG* pResult) {
    *pResult = static_cast<LONG>(::GetCurrentProcessId());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccBeginBatch(LONG* pResult) {
    *pResult = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaselineWrapper::SccEndBatch(LONG* pResult) {
    *pResult = 0;
    return S_OK;
}
