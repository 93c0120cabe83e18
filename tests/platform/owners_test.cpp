// The owners every part stands on: what they release, and when, on every path.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "com_initialization.h"
#include "com_ptr.h"
#include "safe_array_access.h"
#include "scoped_resource.h"
#include "scoped_variant.h"

namespace {

// Answers IUnknown and IDispatch (the latter as a second name for itself) and counts; it is
// never deleted, so a test can read the count after every owner is gone.
class CountingObject : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    ULONG refs = 0;
};

TEST(ComPtr, ReleasesWhatItTookOverAndWhatAQueryAdded) {
    CountingObject object;
    {
        ComPtr<IUnknown> held = ComPtr<IUnknown>::Share(&object);
        ComPtr<IDispatch> asked;
        ASSERT_EQ(S_OK, held.As(&asked));
        EXPECT_EQ(static_cast<void*>(&object), static_cast<void*>(asked.get()));
        EXPECT_EQ(2u, object.refs);
    }
    EXPECT_EQ(0u, object.refs);
}

TEST(ComPtr, AFailedQueryLeavesTheTargetEmptyAndTheCountUnchanged) {
    CountingObject object;
    ComPtr<IUnknown> held = ComPtr<IUnknown>::Share(&object);
    ComPtr<IClassFactory> asked;
    EXPECT_EQ(E_NOINTERFACE, held.As(&asked));
    EXPECT_FALSE(asked);
    EXPECT_EQ(1u, object.refs);

    ComPtr<IUnknown> empty;
    EXPECT_EQ(E_POINTER, empty.As(&asked));
}

TEST(ComPtr, MovingAndReleasingHandOverWithoutReleasing) {
    CountingObject object;
    ComPtr<IUnknown> first = ComPtr<IUnknown>::Share(&object);
    ComPtr<IUnknown> second(std::move(first));
    EXPECT_FALSE(first);
    IUnknown* raw = second.release();
    EXPECT_FALSE(second);
    EXPECT_EQ(1u, object.refs);
    ComPtr<IUnknown> again(raw); // takes the reference back, to release it
    again.reset();
    EXPECT_EQ(0u, object.refs);
}

TEST(SafeArrayAccess, KeepsTheArrayLockedUntilItsScopeEnds) {
    ScopedSafeArray array(::SafeArrayCreateVector(VT_I4, 0, 3));
    ASSERT_TRUE(array);
    {
        SafeArrayAccess<LONG> words;
        ASSERT_EQ(S_OK, words.Open(array.get()));
        words[2] = 7;
        EXPECT_EQ(DISP_E_ARRAYISLOCKED, ::SafeArrayDestroy(array.get()));
    }
    LONG value = 0;
    LONG index = 2;
    ASSERT_EQ(S_OK, ::SafeArrayGetElement(array.get(), &index, &value));
    EXPECT_EQ(7, value);
    EXPECT_EQ(S_OK, ::SafeArrayDestroy(array.release()));
}

TEST(SafeArrayAccess, AFailedOpenHoldsNothing) {
    SafeArrayAccess<LONG> words;
    EXPECT_EQ(E_INVALIDARG, words.Open(nullptr));
    EXPECT_EQ(nullptr, words.data());
    EXPECT_EQ(S_OK, words.Close());
}

// Made from a const reference, the owner holds a copy and the caller's value stays the caller's;
// only Adopt takes a value over.
TEST(ScopedVariant, CopiesFromAConstReferenceAndAdoptsOnlyWhenAsked) {
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"kept");
    {
        ScopedVariant copy(text);
        ASSERT_EQ(VT_BSTR, copy.get().vt);
        EXPECT_NE(text.bstrVal, copy.get().bstrVal) << "a string of its own";
        EXPECT_STREQ(L"kept", copy.get().bstrVal);
    }
    EXPECT_STREQ(L"kept", text.bstrVal) << "the caller's string outlives the copy";
    const BSTR adoptedText = text.bstrVal;
    ScopedVariant adopted = ScopedVariant::Adopt(text);
    EXPECT_EQ(adoptedText, adopted.get().bstrVal) << "the very string, now the owner's";
}

// Functions that open a kernel handle fail with null or with INVALID_HANDLE_VALUE: the owner
// holds neither, so a caller can test what it took straight from the function.
TEST(ScopedHandle, HoldsNeitherNullNorTheInvalidHandleValue) {
    for (HANDLE failed : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        ScopedHandle owner(failed);
        EXPECT_FALSE(owner);
        EXPECT_EQ(nullptr, owner.release()) << "what it gives up is nothing";
    }
    ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_TRUE(event);
}

TEST(ComInitialization, UninitialisesOnlyWhatItInitialised) {
    ComInitialization outer;
    ASSERT_TRUE(SUCCEEDED(outer.Initialize(COINIT_APARTMENTTHREADED)));
    EXPECT_EQ(E_UNEXPECTED, outer.Initialize(COINIT_APARTMENTTHREADED)) << "once an owner";
    {
        ComInitialization nested;
        EXPECT_EQ(S_FALSE, nested.Initialize(COINIT_APARTMENTTHREADED));
        ComInitialization refused;
        EXPECT_EQ(RPC_E_CHANGED_MODE, refused.Initialize(COINIT_MULTITHREADED));
    }
    // Still a single-threaded apartment: neither inner owner took the outer one's count away.
    ComInitialization probe;
    EXPECT_EQ(S_FALSE, probe.Initialize(COINIT_APARTMENTTHREADED));
}

} // namespace
