#include "served_plimo_wrapper.h"

#include "com_object.h"
#include "plimo_com_wrapper_module.h"

const InterfaceEntry* ServedPlimoWrapper::InterfaceTable() {
    static const InterfaceEntry table[] = {
        {&IID_IPlimoWrapper, OffsetOfBase<ServedPlimoWrapper, IPlimoWrapper>()},
        {&IID_IDispatch, OffsetOfBase<ServedPlimoWrapper, IDispatch>()},
        {nullptr, 0}};
    return table;
}

const InterfaceEntry* ServedPlimoWrapper2::InterfaceTable() {
    static const InterfaceEntry table[] = {
        {&IID_IPlimoWrapper2, OffsetOfBase<ServedPlimoWrapper2, IPlimoWrapper2>()},
        {&IID_IPlimoWrapper, OffsetOfBase<ServedPlimoWrapper2, IPlimoWrapper>()},
        {&IID_IDispatch, OffsetOfBase<ServedPlimoWrapper2, IDispatch>()},
        {nullptr, 0}};
    return table;
}

namespace {

template <class T> HRESULT CreateServed(void* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto object = MakeCounted<ComObject<T>>();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    if (hr != S_OK) return hr;
    // The process now serves this client alone. Single use hides only the class just used: the
    // other class's object would let a second client into this process (its DLL directory and
    // its provider), and under Wine it stays published for good when the process is killed, so
    // every later activation of that class would fail.
    TheModule().WithdrawClassObjects();
    return S_OK;
}

} // namespace

HRESULT CreatePlimoWrapper(void* outer, REFIID riid, void** ppv) {
    return CreateServed<ServedPlimoWrapper>(outer, riid, ppv);
}

HRESULT CreatePlimoWrapper2(void* outer, REFIID riid, void** ppv) {
    return CreateServed<ServedPlimoWrapper2>(outer, riid, ppv);
}
