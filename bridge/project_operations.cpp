// The project methods of CPlimoWrapper.
#include "plimo_wrapper.h"

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetProjPath(LONG, BSTR*, BSTR*, BSTR*, BSTR*,
                                                        VARIANT_BOOL, VARIANT_BOOL*, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccOpenProject(LONG, BSTR*, BSTR, BSTR, BSTR*, BSTR, LONG,
                                                        LONG*) {
    return E_NOTIMPL;
}
