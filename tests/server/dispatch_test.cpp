// Late binding through IDispatch, served from the registered type library, in process.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>

#include "com_ptr.h"
#include "child_process.h"
#include "PlimoCOMWrapper.h"
#include "provider_record_view.h"
#include "scoped_resource.h"
#include "served_plimo_wrapper.h"
#include "server_paths.h"

using testprovider::Entry;

namespace {

constexpr DISPID kFirstMethod = 0x60020000;

const wchar_t* const kMethodNames[] = {L"Init",
                                       L"SccInitialize",
                                       L"SccSetOption",
                                       L"SccUninitialize",
                                       L"SccGetCommandOptions",
                                       L"SccGetCommandOptionsByRef",
                                       L"SccGetProjPath",
                                       L"SccCloseProject",
                                       L"SccCheckin",
                                       L"SccCheckout",
                                       L"SccUncheckout",
                                       L"SccGet",
                                       L"SccAdd",
                                       L"SccQueryInfo",
                                       L"SccOpenProject",
                                       L"SccSetOptionCallback",
                                       L"SccGetVersion",
                                       L"SccBeginBatch",
                                       L"SccEndBatch"};

template <class I> using Ptr = ComPtr<I>;

DWORD RunServer(const wchar_t* arguments) {
    ChildResult result = RunChild(ServerCommand(arguments));
    return result.finished ? result.exitCode : 0xFFFFFFFF;
}

// A served bridge object reached through IDispatch: made in this process as the class factory
// makes it, or activated in a server process of its own and reached through the marshaller.
class LateBinding : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() {
        ::CoInitialize(nullptr);
        ASSERT_EQ(0u, RunServer(L"/RegServer"));
    }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    bool AcrossProcesses() const { return GetParam(); }

    void SetUp() override {
        record.Reset();
        IDispatch* raw = nullptr;
        if (!AcrossProcesses()) {
            ASSERT_EQ(S_OK,
                      CreatePlimoWrapper(nullptr, IID_IDispatch, reinterpret_cast<void**>(&raw)));
            dispatch.reset(raw);
            return;
        }
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                           IID_IDispatch, reinterpret_cast<void**>(&raw)));
        dispatch.reset(raw);
        FindServer();
    }

    void TearDown() override {
        dispatch.reset();
        ::SetDllDirectoryW(nullptr);
        if (server) {
            DWORD exitCode = 0xDEAD;
            EXPECT_TRUE(WaitForExit(server.get(), kProcessTimeoutMs, &exitCode));
            EXPECT_EQ(0u, exitCode);
        }
    }

    // Binds the provider early bound once, to learn which process serves the object.
    void FindServer() {
        IPlimoWrapper* wrapper = nullptr;
        ASSERT_EQ(S_OK,
                  dispatch->QueryInterface(IID_IPlimoWrapper, reinterpret_cast<void**>(&wrapper)));
        Ptr<IPlimoWrapper> owner(wrapper);
        ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
        ASSERT_EQ(S_OK, wrapper->Init(path.get()));
        LONG version = 0;
        ASSERT_EQ(S_OK, wrapper->SccGetVersion(&version));
        ASSERT_EQ(1, record.Count());
        EXPECT_NE(::GetCurrentProcessId(), record.Last().processId);
        server.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                   record.Last().processId));
        ASSERT_TRUE(server);
        record.Reset();
    }

    DISPID IdOf(const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
        return id;
    }

    // Invokes `name` as a method with `arguments` given in the caller's order.
    HRESULT Call(const wchar_t* name, std::initializer_list<VARIANT> arguments, VARIANT* result,
                 UINT* argumentError = nullptr) {
        std::vector<VARIANT> reversed(arguments.begin(), arguments.end());
        std::reverse(reversed.begin(), reversed.end());
        DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        UINT unusedError = 0;
        return dispatch->Invoke(IdOf(name), IID_NULL, 0, DISPATCH_METHOD, &parameters, result,
                                nullptr, argumentError != nullptr ? argumentError : &unusedError);
    }

    void BindProvider() {
        ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
        VARIANT name;
        name.vt = VT_BSTR;
        name.bstrVal = path.get();
        VARIANT result;
        ::VariantInit(&result);
        ASSERT_EQ(S_OK, Call(L"Init", {name}, &result));
        EXPECT_EQ(VT_EMPTY, result.vt) << "Init has no retval";
    }

    static VARIANT Long(LONG value) {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = value;
        return v;
    }

    ProviderRecordView record;
    Ptr<IDispatch> dispatch;
    ScopedHandle server;
};

TEST_P(LateBinding, ReportsOneTypeInfoThatDescribesTheInterface) {
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    if (!AcrossProcesses()) {
        // The marshaller refuses null out-pointers itself before the server sees them.
        EXPECT_EQ(E_POINTER, dispatch->GetTypeInfoCount(nullptr));
        EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, nullptr));
        EXPECT_EQ(E_POINTER, dispatch->GetTypeInfo(0, 0, nullptr));
    }
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x1);
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, &info));
    info = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, &info));
    Ptr<ITypeInfo> owner(info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(::IsEqualGUID(IID_IPlimoWrapper, attr->guid));
    info->ReleaseTypeAttr(attr);
}

TEST_P(LateBinding, EveryMethodNameResolvesToItsDispatchIdentifier) {
    for (DISPID i = 0; i < 19; ++i) {
        EXPECT_EQ(kFirstMethod + i, IdOf(kMethodNames[i])) << i;
    }
}

TEST_P(LateBinding, NamesInAnotherCaseResolveThroughTheTypeInformation) {
    EXPECT_EQ(kFirstMethod + 8, IdOf(L"scccheckin"));
    EXPECT_EQ(kFirstMethod + 5, IdOf(L"SCCGETCOMMANDOPTIONSBYREF"));
}

TEST_P(LateBinding, AMethodWithItsParameterNamesYieldsTheParameterPositions) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"SccCheckin"), const_cast<LPOLESTR>(L"lpComment"),
                        const_cast<LPOLESTR>(L"hWnd")};
    DISPID ids[3] = {0, 0, 0};
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
    EXPECT_EQ(kFirstMethod + 8, ids[0]);
    EXPECT_EQ(2, ids[1]);
    EXPECT_EQ(0, ids[2]);
}

TEST_P(LateBinding, AnUnknownNameIsReportedByTheTypeInformation) {
    for (const wchar_t* name : {L"SccNothing", L"", L"Init2"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
        EXPECT_EQ(DISPID_UNKNOWN, id);
    }
}

TEST_P(LateBinding, SccGetVersionReturnsTheProvidersCodeAsTheCallsResult) {
    BindProvider();
    record.SetResult(Entry::GetVersion, 0x10002);
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(S_OK, Call(L"SccGetVersion", {}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(0x10002, result.lVal);
    EXPECT_EQ(Entry::GetVersion, record.Last().entry);
}

TEST_P(LateBinding, NamedArgumentsReachTheProviderInTheirPlaces) {
    BindProvider();
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"SccSetOption"), const_cast<LPOLESTR>(L"dwVal"),
                        const_cast<LPOLESTR>(L"nOption")};
    DISPID ids[3];
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 3, 0, ids));
    VARIANT arguments[] = {Long(77), Long(5)}; // dwVal, nOption
    DISPID named[] = {ids[1], ids[2]};
    DISPPARAMS parameters{arguments, named, 2, 2};
    VARIANT result;
    ::VariantInit(&result);
    UINT argumentError = 0;
    ASSERT_EQ(S_OK, dispatch->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &parameters, &result,
                                     nullptr, &argumentError));
    EXPECT_EQ(5, record.Last().args[0]);
    EXPECT_EQ(77, record.Last().args[1]);
}

TEST_P(LateBinding, AWrongArgumentCountOrTypeIsReportedWithTheDispatchErrors) {
    BindProvider();
    VARIANT result;
    ::VariantInit(&result);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(L"SccSetOption", {Long(1)}, &result));

    VARIANT notANumber;
    notANumber.vt = VT_BSTR;
    ScopedBstr text(::SysAllocString(L"not a number"));
    notANumber.bstrVal = text.get();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(L"SccSetOption", {Long(1), notANumber}, &result));
    EXPECT_EQ(0, record.CountOf(Entry::SetOption)) << "the provider was never called";

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, dispatch->Invoke(0x12345, IID_NULL, 0, DISPATCH_METHOD, &none,
                                                      &result, nullptr, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Where, LateBinding, ::testing::Values(false, true), [](const auto& info) {
    return std::string(info.param ? "AcrossProcesses" : "InProcess");
});

// Runs in a program of its own (see the test list): the holder keeps the type information once
// it has loaded it, so the library must never have been loaded in this process.
TEST(LateBindingWithoutTypeLibrary, FailsWithTheLoadersErrorWhileEarlyBindingWorks) {
    ::CoInitialize(nullptr);
    // A registered 64-bit server keeps the libraries registered for 32-bit clients too (the
    // README's session leaves it registered): it goes first, whether it is registered or not.
    RunChild(ServerCommand(L"/UnregServer", ServerOfWidth(64).Executable()));
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    ASSERT_EQ(0u, RunServer(L"/UnregServer"));
    IPlimoWrapper* raw = nullptr;
    ASSERT_EQ(S_OK, CreatePlimoWrapper(nullptr, IID_IPlimoWrapper, reinterpret_cast<void**>(&raw)));
    Ptr<IPlimoWrapper> wrapper(raw);

    LPOLESTR names[] = {const_cast<LPOLESTR>(L"SccGetVersion")};
    DISPID id = 0;
    const HRESULT loader = wrapper->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, loader);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x1);
    EXPECT_EQ(loader, wrapper->GetTypeInfo(0, 0, &info));
    EXPECT_EQ(nullptr, info);
    VARIANT result;
    ::VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(loader, wrapper->Invoke(kFirstMethod + 16, IID_NULL, 0, DISPATCH_METHOD, &none,
                                      &result, nullptr, nullptr));

    ProviderRecordView record;
    record.Reset();
    record.SetResult(Entry::GetVersion, 42);
    ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
    ASSERT_EQ(S_OK, wrapper->Init(path.get()));
    LONG version = 0;
    EXPECT_EQ(S_OK, wrapper->SccGetVersion(&version));
    EXPECT_EQ(42, version);

    wrapper.reset();
    ::SetDllDirectoryW(nullptr);
    EXPECT_EQ(0u, RunServer(L"/RegServer"));
    ::CoUninitialize();
}

} // namespace
