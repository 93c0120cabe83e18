// The bridge object and the class factory as the server makes them: interface lookup, reference
// counts, aggregation, server locks and the shutdown they trigger.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "com_ptr.h"
#include "busy_message_filter.h"
#include "class_factory.h"
#include "expected_results.h"
#include "plimo_com_wrapper_module.h"
#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper2.h"
#include "scoped_resource.h"
#include "served_plimo_wrapper.h"
#include "server_lock_count.h"

namespace {

// Fills an owner through the void** that creators take.
template <class I> void** Out(ComPtr<I>& owner) {
    return reinterpret_cast<void**>(owner.put());
}

void* const kUntouched = reinterpret_cast<void*>(0x1234);

class ServedObject : public ::testing::Test {
protected:
    void SetUp() override { locksBefore = ServerLockCount(); }
    void TearDown() override {
        EXPECT_EQ(locksBefore, ServerLockCount()) << "a server lock leaked";
    }
    LONG locksBefore = 0;
};

TEST_F(ServedObject, AnswersItsThreeInterfacesWithOnePointerAndNothingElse) {
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, CreatePlimoWrapper(nullptr, IID_IUnknown, Out(object)));
    EXPECT_EQ(locksBefore + 1, ServerLockCount());

    ComPtr<IPlimoWrapper> wrapper;
    ComPtr<IDispatch> dispatch;
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IPlimoWrapper, Out(wrapper)));
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IDispatch, Out(dispatch)));
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IUnknown, Out(unknown)));
    EXPECT_EQ(static_cast<void*>(object.get()), static_cast<void*>(wrapper.get()));
    EXPECT_EQ(static_cast<void*>(object.get()), static_cast<void*>(dispatch.get()));
    EXPECT_EQ(static_cast<void*>(object.get()), static_cast<void*>(unknown.get()));
    EXPECT_EQ(5u, object->AddRef()) << "each lookup raised the count";
    object->Release();

    for (const IID* other : {&IID_IClassFactory, &IID_ITypeInfo, &IID_IMarshal}) {
        void* out = kUntouched;
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*other, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(ServedObject, ReleaseReturnsZeroExactlyWhenTheObjectIsDestroyedAndDropsItsLock) {
    IUnknown* object = nullptr;
    ASSERT_EQ(S_OK,
              CreatePlimoWrapper(nullptr, IID_IPlimoWrapper, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(locksBefore + 1, ServerLockCount());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(locksBefore, ServerLockCount());
}

TEST_F(ServedObject, AggregationIsRefusedWhateverIsAsked) {
    ComPtr<IUnknown> outer;
    ASSERT_EQ(S_OK, CreatePlimoWrapper(nullptr, IID_IUnknown, Out(outer)));
    const LONG locks = ServerLockCount();
    for (const IID* asked : {&IID_IUnknown, &IID_IPlimoWrapper, &IID_IDispatch}) {
        void* out = kUntouched;
        EXPECT_EQ(CLASS_E_NOAGGREGATION, CreatePlimoWrapper(outer.get(), *asked, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, CreatePlimoWrapper(outer.get(), IID_IUnknown, nullptr));
    EXPECT_EQ(locks, ServerLockCount()) << "no object was made";
}

TEST_F(ServedObject, CreationAskingForAMissingInterfaceDestroysTheObjectAgain) {
    void* out = kUntouched;
    EXPECT_EQ(E_NOINTERFACE, CreatePlimoWrapper(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, CreatePlimoWrapper(nullptr, IID_IUnknown, nullptr));
}

TEST_F(ServedObject, FinalReleaseFreesTheBoundProvider) {
    ComPtr<IPlimoWrapper> wrapper;
    ASSERT_EQ(S_OK, CreatePlimoWrapper(nullptr, IID_IPlimoWrapper, Out(wrapper)));
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring provider(self);
    provider.replace(provider.find_last_of(L'\\') + 1, std::wstring::npos,
                     L"plimo_test_provider.dll");
    BSTR path = ::SysAllocString(provider.c_str());
    ASSERT_EQ(S_OK, wrapper->Init(path));
    ::SysFreeString(path);
    ASSERT_NE(nullptr, ::GetModuleHandleW(provider.c_str()));

    wrapper.reset();
    EXPECT_EQ(nullptr, ::GetModuleHandleW(provider.c_str()));
    ::SetDllDirectoryW(nullptr);
}

class TheClassFactory : public ServedObject {
protected:
    void SetUp() override {
        ServedObject::SetUp();
        ASSERT_EQ(S_OK, CreateClassFactory(reinterpret_cast<void*>(&CreatePlimoWrapper),
                                           IID_IClassFactory, Out(factory)));
    }
    ComPtr<IClassFactory> factory;
};

TEST_F(TheClassFactory, TakesNoServerLockOfItsOwnAndAnswersOnlyIClassFactory) {
    EXPECT_EQ(locksBefore, ServerLockCount());
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, Out(unknown)));
    EXPECT_EQ(static_cast<void*>(factory.get()), static_cast<void*>(unknown.get()));
    void* out = kUntouched;
    EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(TheClassFactory, CreatorRefusesANullOutPointerAndAMissingInterface) {
    EXPECT_EQ(E_POINTER, CreateClassFactory(reinterpret_cast<void*>(&CreatePlimoWrapper),
                                            IID_IClassFactory, nullptr));
    void* out = kUntouched;
    EXPECT_EQ(E_NOINTERFACE, CreateClassFactory(reinterpret_cast<void*>(&CreatePlimoWrapper),
                                                IID_IPlimoWrapper, &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(TheClassFactory, CreatesBridgeObjectsAndRefusesAggregation) {
    ComPtr<IPlimoWrapper> wrapper;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPlimoWrapper, Out(wrapper)));
    LONG version = 0;
    EXPECT_EQ(kNoEntry, wrapper->SccGetVersion(&version)) << "a new object has no provider bound";

    for (const IID* asked : {&IID_IUnknown, &IID_IPlimoWrapper}) {
        void* out = kUntouched;
        EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(wrapper.get(), *asked, &out));
        EXPECT_EQ(nullptr, out);
    }
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
}

TEST_F(TheClassFactory, LockServerHoldsTheServerUntilUnlocked) {
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(locksBefore + 1, ServerLockCount());
    {
        ComPtr<IUnknown> object;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, Out(object)));
        EXPECT_EQ(locksBefore + 2, ServerLockCount());
    }
    EXPECT_EQ(locksBefore + 1, ServerLockCount()) << "the lock outlives every object";
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
}

TEST_F(TheClassFactory, AnUnlockWithoutALockDropsNothingThatAnObjectHolds) {
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, Out(object)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(locksBefore + 1, ServerLockCount()) << "the object's lock stays";

    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(locksBefore + 1, ServerLockCount()) << "one unlock per lock, no more";
}

// Waits, pumping this thread's queue, until WM_QUIT arrives or the time is up.
bool QuitArrivesWithin(DWORD milliseconds) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return true;
            }
            ::DispatchMessageW(&message);
        }
        ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                    QS_ALLINPUT);
    }
}

// While a provider call runs, the serving thread's filter turns away calls to the object's
// interfaces and lets COM's own calls through.
struct IncomingCall {
    const char* name;
    const IID* iid;
    DWORD whileProviderRuns;
};

class MessageFilter : public ServedObject, public ::testing::WithParamInterface<IncomingCall> {};

bool providerRuns = false;

TEST_P(MessageFilter, AnswersByWhetherAProviderCallIsInProgress) {
    BusyMessageFilter filter(TheModule().classTable(), [] { return providerRuns; });
    INTERFACEINFO call{nullptr, *GetParam().iid, 7};
    providerRuns = false;
    EXPECT_EQ(static_cast<DWORD>(SERVERCALL_ISHANDLED),
              filter.HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, &call));
    providerRuns = true;
    EXPECT_EQ(GetParam().whileProviderRuns,
              filter.HandleInComingCall(CALLTYPE_TOPLEVEL_CALLPENDING, nullptr, 0, &call));
    providerRuns = false;
}

// COM's remote reference counting and interface queries.
const IID kRemUnknown = {0x00000131, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kRemUnknown2 = {0x00000143, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

INSTANTIATE_TEST_SUITE_P(
    Interfaces, MessageFilter,
    ::testing::Values(IncomingCall{"IPlimoWrapper", &IID_IPlimoWrapper, SERVERCALL_RETRYLATER},
                      IncomingCall{"IPlimoWrapper2", &IID_IPlimoWrapper2, SERVERCALL_RETRYLATER},
                      IncomingCall{"IDispatch", &IID_IDispatch, SERVERCALL_RETRYLATER},
                      IncomingCall{"IUnknown", &IID_IUnknown, SERVERCALL_ISHANDLED},
                      IncomingCall{"IRemUnknown", &kRemUnknown, SERVERCALL_ISHANDLED},
                      IncomingCall{"IRemUnknown2", &kRemUnknown2, SERVERCALL_ISHANDLED},
                      IncomingCall{"IClassFactory", &IID_IClassFactory, SERVERCALL_ISHANDLED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShutdownMonitor, PostsQuitToTheMainThreadWhenTheLastLockGoes) {
    ASSERT_EQ(0, ServerLockCount());
    // The server's main thread has its queue from COM; a test thread makes its own.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    IUnknown* object = nullptr;
    ASSERT_EQ(S_OK, CreatePlimoWrapper(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
    ScopedHandle monitor = TheModule().StartShutdownMonitor();
    ASSERT_TRUE(monitor);

    object->Release();

    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(monitor.get(), 10000)) << "the monitor ended";
    EXPECT_TRUE(QuitArrivesWithin(10000));
}

} // namespace

namespace {

IUnknown* releasedByTimer = nullptr;

void CALLBACK ReleaseOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    releasedByTimer->Release();
}

TEST(MessageLoop, EndsOnTheMonitorsQuitAndNotOnAStrayOne) {
    ASSERT_EQ(0, ServerLockCount());
    ASSERT_EQ(S_OK, CreatePlimoWrapper(nullptr, IID_IUnknown,
                                       reinterpret_cast<void**>(&releasedByTimer)));
    ScopedHandle monitor = TheModule().StartShutdownMonitor();
    ASSERT_TRUE(monitor);
    // What a provider's dialog code may do; the object, and so the server, is still held.
    ::PostQuitMessage(0);
    ASSERT_NE(0u, ::SetTimer(nullptr, 0, 10, &ReleaseOnTimer));

    TheModule().PumpMessages();
    EXPECT_EQ(0, ServerLockCount()) << "the loop ended only once the last lock had gone";
    EXPECT_TRUE(TheModule().ShutdownRequested());
}

} // namespace
