// Counting the blocks of the COM task allocator this process holds, where BSTRs and safe arrays
// live, to catch a path that forgets to free one.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

// An IMallocSpy that counts the blocks allocated while it is registered and not yet freed.
// One lives for the whole process: the platform keeps calling it for the blocks it saw until
// they are freed, even after it has been revoked.
class AllocationSpy : public IMallocSpy {
public:
    // Registers the process's spy (once) and turns off the BSTR cache, which would otherwise
    // keep freed strings for reuse instead of freeing them. Null when the platform refuses.
    static AllocationSpy* Start() {
        static AllocationSpy spy;
        static const HRESULT registered = Register(&spy);
        return SUCCEEDED(registered) ? &spy : nullptr;
    }

    // Blocks allocated since Start and not yet freed.
    long Live() const { return live_; }
    // Blocks allocated since Start, freed or not.
    long HandedOut() const { return handedOut_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (riid != IID_IUnknown && riid != IID_IMallocSpy) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    // The spy is static: references do not decide its life.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override { return cbRequest; }
    void* STDMETHODCALLTYPE PostAlloc(void* pActual) override {
        if (pActual != nullptr) {
            ::InterlockedIncrement(&live_);
            ::InterlockedIncrement(&handedOut_);
        }
        return pActual;
    }
    void* STDMETHODCALLTYPE PreFree(void* pRequest, BOOL fSpyed) override {
        if (pRequest != nullptr && fSpyed) {
            ::InterlockedDecrement(&live_);
        }
        return pRequest;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    // A reallocation counts as a free of the old block and an allocation of the new one.
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest,
                                        BOOL fSpyed) override {
        *ppNewRequest = pRequest;
        if (pRequest != nullptr && fSpyed) {
            ::InterlockedDecrement(&live_);
        }
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* pActual, BOOL) override { return PostAlloc(pActual); }
    void* STDMETHODCALLTYPE PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    AllocationSpy() = default;

    static HRESULT Register(AllocationSpy* spy) {
        // SetOaNoCache is exported by name only, on Windows and under Wine alike.
        using NoCache = void(WINAPI*)();
        void* address = reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache"));
        if (address == nullptr) {
            return E_NOTIMPL;
        }
        reinterpret_cast<NoCache>(address)();
        return ::CoRegisterMallocSpy(spy);
    }

    volatile LONG live_ = 0;
    volatile LONG handedOut_ = 0;
};
