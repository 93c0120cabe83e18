// The server activated for real under Wine: from this 32-bit client and from a 64-bit one,
// early bound through the marshalled interface; its lifetime, single use and clean-up.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "com_ptr.h"
#include "child_process.h"
#include "PlimoCOMWrapper.h"
#include "provider_record_view.h"
#include "registry_view.h"
#include "scoped_resource.h"
#include "served_processes.h"
#include "server_paths.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

constexpr DWORD kServerExitTimeoutMs = 30000;

using WrapperPtr = ComPtr<IPlimoWrapper>;

class Serving : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitialize(nullptr);
        RegisterServer();
    }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    void SetUp() override { record.Reset(); }
    void TearDown() override { servers.ExpectAllEnded(kServerExitTimeoutMs); }

    WrapperPtr Activate() {
        IPlimoWrapper* wrapper = nullptr;
        HRESULT hr = ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IPlimoWrapper, reinterpret_cast<void**>(&wrapper));
        EXPECT_EQ(S_OK, hr);
        return WrapperPtr(wrapper);
    }

    // Binds the test provider and returns the process it runs in (from its record).
    DWORD BindProvider(IPlimoWrapper* wrapper) {
        ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
        EXPECT_EQ(S_OK, wrapper->Init(path.get()));
        LONG version = 0;
        record.SetResult(Entry::GetVersion, 0x10002);
        EXPECT_EQ(S_OK, wrapper->SccGetVersion(&version));
        EXPECT_EQ(0x10002, version);
        const DWORD server = record.Count() > 0 ? record.Last().processId : 0;
        Track(server);
        return server;
    }

    void Track(DWORD server) { servers.Track(server); }

    // Releases `wrapper` and expects its server process to end with exit code 0.
    void ReleaseAndExpectExit(WrapperPtr wrapper, DWORD serverId) {
        ScopedHandle server(
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
        ASSERT_TRUE(server) << "the server process is gone before its last release";
        wrapper.reset();
        DWORD exitCode = 0xDEAD;
        ASSERT_TRUE(WaitForExit(server.get(), kServerExitTimeoutMs, &exitCode))
            << "the server must end once its last object is released";
        EXPECT_EQ(0u, exitCode);
    }

    ProviderRecordView record;
    ServedProcesses servers;
};

TEST_F(Serving, A32BitClientDrivesTheProviderInsideTheServerProcess) {
    WrapperPtr wrapper = Activate();
    ASSERT_TRUE(wrapper);
    const DWORD server = BindProvider(wrapper.get());
    EXPECT_NE(0u, server);
    EXPECT_NE(::GetCurrentProcessId(), server) << "the provider must not run in the client";

    // Strings in and out.
    auto& script = record.script();
    script.writeTextMask = 1;
    std::strcpy(script.writeText[0], "TestSCC");
    BSTR name = nullptr, label = ::SysAllocString(L"label");
    ScopedBstr caller(::SysAllocString(L"client32"));
    LONG caps = 0, checkoutLength = 0, commentLength = 0, result = 0;
    record.SetResult(Entry::Initialize, 0);
    const HRESULT initialized = wrapper->SccInitialize(7, caller.get(), &name, &caps, &label,
                                                       &checkoutLength, &commentLength, &result);
    ScopedBstr nameOwner(name), labelOwner(label);
    ASSERT_EQ(S_OK, initialized);
    EXPECT_STREQ(L"TestSCC", name);
    EXPECT_STREQ(L"label", label);
    EXPECT_STREQ("label", record.Last().text[2]) << "the entry text reached the provider";
    EXPECT_STREQ("client32", record.Last().text[0]);
    EXPECT_EQ(server, record.Last().processId);

    // A safe array of names in.
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"C:\\w\\two.c"});
    VARIANT files;
    files.vt = VT_ARRAY | VT_BSTR;
    files.parray = names.get();
    ScopedBstr comment(::SysAllocString(L"fixed"));
    record.SetResult(Entry::Checkout, -11);
    ASSERT_EQ(S_OK, wrapper->SccCheckout(0, files, comment.get(), 3, 5, &result));
    EXPECT_EQ(-11, result);
    EXPECT_EQ(Entry::Checkout, record.Last().entry);
    EXPECT_EQ(2, record.Last().fileCount);
    EXPECT_STREQ("C:\\w\\two.c", record.Last().files[1]);
    EXPECT_STREQ("fixed", record.Last().text[0]);

    // The status array out.
    script.statusCount = 2;
    script.status[0] = 0x1;
    script.status[1] = 0x3;
    VARIANT status;
    ::VariantInit(&status);
    ASSERT_EQ(S_OK, wrapper->SccQueryInfo(files, &status, &result));
    ASSERT_EQ(VT_ARRAY | VT_I4, status.vt);
    LONG* words = nullptr;
    ASSERT_EQ(S_OK, ::SafeArrayAccessData(status.parray, reinterpret_cast<void**>(&words)));
    EXPECT_EQ(0x1, words[0]);
    EXPECT_EQ(0x3, words[1]);
    ::SafeArrayUnaccessData(status.parray);
    ::VariantClear(&status);

    ReleaseAndExpectExit(std::move(wrapper), server);
}

TEST_F(Serving, A64BitClientDrivesTheProviderInsideTheServerProcess) {
    auto& script = record.script();
    script.writeTextMask = 1;
    std::strcpy(script.writeText[0], "TestSCC");
    script.statusCount = 2;
    script.status[0] = 0x11;
    script.status[1] = 0x22;
    record.SetResult(Entry::GetVersion, 0x10002);
    record.SetResult(Entry::Checkin, -7);

    ChildResult client = RunChild(Quoted(BesideTest(L"remote_session_client.exe")) + L" " +
                                      Quoted(BesideTest(kTestProvider)),
                                  true);
    ASSERT_TRUE(client.finished);
    EXPECT_EQ(0u, client.exitCode) << client.output;
    auto values = ParseKeyValues(client.output);
    EXPECT_EQ("64", values["pointer.bits"]);
    EXPECT_EQ("0", values["CoCreateInstance"]);
    EXPECT_EQ("0", values["Init"]);
    EXPECT_EQ("0", values["SccInitialize"]);
    EXPECT_EQ("TestSCC", values["SccInitialize.name"]);
    EXPECT_EQ("client label", values["SccInitialize.label"]);
    EXPECT_EQ(std::to_string(0x10002), values["SccGetVersion.result"]);
    EXPECT_EQ("0", values["SccCheckin"]);
    EXPECT_EQ("-7", values["SccCheckin.result"]);
    EXPECT_EQ("0", values["SccQueryInfo"]);
    EXPECT_EQ(std::to_string(VT_ARRAY | VT_I4), values["SccQueryInfo.vt"]);
    EXPECT_EQ("0", values["SccQueryInfo.lower"]);
    EXPECT_EQ("17,34", values["SccQueryInfo.status"]);
    EXPECT_EQ("0", values["Release"]);

    ASSERT_GE(record.Count(), 1);
    const DWORD server = record.Call(0).processId;
    Track(server);
    ASSERT_GE(record.Count(), 4);
    EXPECT_NE(std::to_string(server), values["pid"]) << "the provider must not run in the client";
    EXPECT_NE(::GetCurrentProcessId(), server);
    for (int i = 0; i < record.Count(); ++i) {
        EXPECT_EQ(server, record.Call(i).processId);
    }
    EXPECT_EQ(Entry::Initialize, record.Call(0).entry);
    EXPECT_STREQ("client64", record.Call(0).text[0]);
    EXPECT_EQ(0x51, record.Call(0).args[0]) << "the window handle arrives unchanged";
    EXPECT_EQ(Entry::Checkin, record.Call(2).entry);
    EXPECT_STREQ("C:\\work\\b.txt", record.Call(2).files[1]);
    EXPECT_STREQ("from 64 bits", record.Call(2).text[0]);
    EXPECT_EQ(4, record.Call(2).args[2]);
    EXPECT_EQ(9, record.Call(2).args[3]);
}

TEST_F(Serving, EachActivationStartsAServerProcessOfItsOwn) {
    WrapperPtr first = Activate();
    WrapperPtr second = Activate();
    ASSERT_TRUE(first && second);
    const DWORD firstServer = BindProvider(first.get());
    const DWORD secondServer = BindProvider(second.get());
    EXPECT_NE(0u, firstServer);
    EXPECT_NE(firstServer, secondServer);
    ReleaseAndExpectExit(std::move(first), firstServer);
    ReleaseAndExpectExit(std::move(second), secondServer);
}

TEST_F(Serving, AServedRunRemovesThePerUserRegistrationOnItsWayOut) {
    const RegisteredNames& names = NamesOf(CurrentServer());
    const std::wstring& classKey = names.classes.front().key;
    ChildResult perUser = RunChild(ServerCommand(L"/RegServerPerUser"));
    ASSERT_EQ(0u, perUser.exitCode);
    ASSERT_TRUE(KeyExists(kUserClasses, classKey));
    ASSERT_EQ(0u, RunChild(ServerCommand(L"/RegServer")).exitCode);

    WrapperPtr wrapper = Activate();
    ASSERT_TRUE(wrapper);
    const DWORD server = BindProvider(wrapper.get());
    EXPECT_TRUE(KeyExists(kUserClasses, classKey)) << "the entries stay while the server runs";
    ReleaseAndExpectExit(std::move(wrapper), server);

    EXPECT_FALSE(KeyExists(kUserClasses, classKey));
    EXPECT_FALSE(KeyExists(kUserClasses, names.AppIdKey()));
    EXPECT_FALSE(KeyExists(kUserClasses, names.classes.front().progId));
    EXPECT_TRUE(KeyExists(kMachineClasses, classKey)) << "the machine's entries stay";
}

// A server started by hand, which activation must then reach: LocalServer32 is pointed at a
// program that does not exist, so no other server can be launched for the class.
class ServerStartedByHand : public Serving, public ::testing::WithParamInterface<const wchar_t*> {
protected:
    void SetUp() override {
        Serving::SetUp();
        const std::wstring localServer = L"Software\\Classes\\" +
                                         NamesOf(CurrentServer()).classes.front().key +
                                         L"\\LocalServer32";
        const wchar_t missing[] = L"C:\\nowhere\\missing.exe";
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, localServer.c_str(), nullptr,
                                                   REG_SZ, missing, sizeof missing));
    }
    // The class points at the real server again.
    void TearDown() override {
        Serving::TearDown();
        RegisterServer();
    }

    // Activates until the hand-started server has published its class object.
    WrapperPtr ActivateWithin(DWORD milliseconds) {
        const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
        while (::GetTickCount64() < deadline) {
            IPlimoWrapper* wrapper = nullptr;
            if (SUCCEEDED(::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                             IID_IPlimoWrapper,
                                             reinterpret_cast<void**>(&wrapper)))) {
                return WrapperPtr(wrapper);
            }
        }
        return WrapperPtr();
    }
};

TEST_P(ServerStartedByHand, ServesWhenItsCommandLineHoldsNoRecognisedSwitch) {
    ScopedHandle server = StartChild(ServerCommand(GetParam()));
    ASSERT_TRUE(server);
    WrapperPtr wrapper = ActivateWithin(kServerExitTimeoutMs);
    ASSERT_TRUE(wrapper) << "the server never published its class object";
    EXPECT_EQ(::GetProcessId(server.get()), BindProvider(wrapper.get()));
    wrapper.reset();
    DWORD exitCode = 0xDEAD;
    ASSERT_TRUE(WaitForExit(server.get(), kServerExitTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ServerStartedByHand,
                         ::testing::Values(L"-RegServerX", L"-Foo /Bar", L"/RegServer:", L""));

} // namespace
