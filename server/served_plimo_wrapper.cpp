#include "served_plimo_wrapper.h"

#include <new>

#include "com_object.h"
#include "plimo_com_wrapper_module.h"

const InterfaceEntry* CServedPlimoWrapper::InterfaceTable() {
    static const InterfaceEntry table[] = {
        {&IID_IPlimoWrapper, OffsetOfBase<CServedPlimoWrapper, IPlimoWrapper>()},
        {&IID_IDispatch, OffsetOfBase<CServedPlimoWrapper, IDispatch>()},
        {nullptr, 0}};
    return table;
}

const InterfaceEntry* CServedPlimoWrapper2::InterfaceTable() {
    static const InterfaceEntry table[] = {
        {&IID_IPlimoWrapper2, OffsetOfBase<CServedPlimoWrapper2, IPlimoWrapper2>()},
        {&IID_IPlimoWrapper, OffsetOfBase<CServedPlimoWrapper2, IPlimoWrapper>()},
        {&IID_IDispatch, OffsetOfBase<CServedPlimoWrapper2, IDispatch>()},
        {nullptr, 0}};
    return table;
}

namespace {

template <class T> HRESULT CreateServed(void* outer, REFIID riid, void** ppv) {
    if (outer != nullptr) {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        *ppv = nullptr;
        return CLASS_E_NOAGGREGATION;
    }
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    auto* object = new (std::nothrow) CComObject<T>;
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    // Held at one while the lock is set up, so nothing it does can destroy the object early.
    object->InternalAddRef();
    HRESULT hr = object->InitObjectLock();
    object->InternalRelease();
    if (hr == S_OK) {
        hr = object->QueryInterface(riid, ppv);
        if (hr == S_OK) {
            // The process now serves this client alone. Single use hides only the class just
            // used: the other class's object would let a second client into this process (its
            // DLL directory and its provider), and under Wine it stays published for good when
            // the process is killed, so every later activation of that class would fail.
            theModule.WithdrawClassObjects();
            return S_OK;
        }
    }
    delete object;
    return hr;
}

} // namespace

HRESULT CreatePlimoWrapper(void* outer, REFIID riid, void** ppv) {
    return CreateServed<CServedPlimoWrapper>(outer, riid, ppv);
}

HRESULT CreatePlimoWrapper2(void* outer, REFIID riid, void** ppv) {
    return CreateServed<CServedPlimoWrapper2>(outer, riid, ppv);
}
