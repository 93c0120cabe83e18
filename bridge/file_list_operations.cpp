// The file-list methods of CPlimoWrapper.
#include "plimo_wrapper.h"

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccCheckin(LONG, VARIANT, BSTR, LONG, LONG, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccCheckout(LONG, VARIANT, BSTR, LONG, LONG, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccUncheckout(LONG, VARIANT, LONG, LONG, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGet(LONG, VARIANT, LONG, LONG, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccAdd(LONG, VARIANT, BSTR, VARIANT, LONG, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccQueryInfo(VARIANT, VARIANT*, LONG*) {
    return E_NOTIMPL;
}
