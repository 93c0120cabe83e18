// A host as the tests play it: it loads the proxy provider of its own width as any host loads a
// provider, looks up the entry points by name and records what the proxy hands back through the
// host's text-output and list callbacks. The proxy stands for the test provider of the other
// width, through an entry of the proxy's registry key that the host's suite writes.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "provider_entry_points.h"
#include "provider_record_view.h"
#include "scc_proxy_registry.h"
#include "scoped_resource.h"
#include "test_paths.h"

namespace proxytest {

constexpr int kOwnBits = sizeof(void*) == 8 ? 64 : 32;
constexpr int kOtherBits = kOwnBits == 64 ? 32 : 64;
constexpr REGSAM kOwnView = kOwnBits == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr wchar_t kEntryKey[] = L"SOFTWARE\\PlimoCOMWrapper\\SccProxy\\ProxyHostTest";
// What a call the test waits on may take at most: a server start under emulation included.
constexpr DWORD kCallLimitMs = 60000;

// `relative` beside the test program, made full (it may climb out of the x64 folder).
inline std::wstring Beside(const wchar_t* relative) {
    const std::wstring path = BesideTest(relative);
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

// The files of the other width, and this width's proxy.
inline std::wstring OtherFolder() {
    return kOwnBits == 64 ? L"..\\" : L"x64\\";
}
inline std::wstring OtherServer() {
    return Beside(
        (OtherFolder() + (kOwnBits == 64 ? L"PlimoCOMWrapper.exe" : L"PlimoCOMWrapper64.exe"))
            .c_str());
}
inline std::wstring OtherTestProvider() {
    return Beside((OtherFolder() + kTestProvider).c_str());
}
inline std::wstring ProxyPath() {
    return Beside(kOwnBits == 64 ? sccproxy::kProxy64FileName : sccproxy::kProxy32FileName);
}

// Registers the server of the other width, and enters the proxy in the registry as standing for
// the other width's test provider; Remove takes the entry out again.
inline void SetUpProxiedProvider() {
    ChildResult registered = RunChild(Quoted(OtherServer()) + L" /RegServer");
    ASSERT_TRUE(registered.finished);
    ASSERT_EQ(0u, registered.exitCode);
    ScopedRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, 0, nullptr, 0,
                                KEY_SET_VALUE | kOwnView, nullptr, key.put(), nullptr));
    auto write = [&](const wchar_t* name, const std::wstring& text) {
        ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    write(sccproxy::kServerPathValue, ProxyPath());
    write(sccproxy::kProviderNameValue, L"Plimo test provider");
    write(sccproxy::kProviderPathValue, OtherTestProvider());
}
inline void RemoveProxiedProvider() {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, kOwnView, 0);
}

// One message the host's text-output procedure received.
struct HostMessage {
    std::string text;
    DWORD type;
    bool operator==(const HostMessage& other) const {
        return text == other.text && type == other.type;
    }
};

// One item a list callback of the host's received.
struct HostItem {
    std::string name;
    LONG value; // PopulateList: the status; QueryChanges: the change; PopulateDirList: folder
    BOOL flag;  // PopulateList: keep
    std::string latest; // QueryChanges
};

// What the host's callbacks received, and when a list callback answers stop (0: never) or calls
// back into the proxy.
struct HostRecord {
    std::vector<HostMessage> messages;
    std::vector<HostItem> items;
    size_t stopAfter = 0;
    std::function<void()> onItem;
};

// The host's record: the text-output procedure carries no data of the host's, so it is one.
inline HostRecord& Received() {
    static HostRecord record;
    return record;
}

inline LONG __cdecl HostTextOut(LPCSTR message, DWORD type) {
    Received().messages.push_back({message != nullptr ? message : "(null)", type});
    return SCC_MSG_RTN_OK;
}

// Records one item; false (stop) once stopAfter items are in.
inline BOOL TakeItem(void* callerData, HostItem item) {
    EXPECT_EQ(&Received(), callerData) << "the host's own data came back";
    Received().items.push_back(std::move(item));
    if (Received().onItem) {
        Received().onItem();
    }
    return Received().stopAfter == 0 || Received().items.size() < Received().stopAfter;
}
inline BOOL __cdecl HostPopulate(void* callerData, BOOL keep, LONG status, LPCSTR name) {
    return TakeItem(callerData, {name, status, keep, ""});
}
inline BOOL __cdecl HostChanges(void* callerData, provider::QueryChangesData* change) {
    EXPECT_EQ(sizeof(provider::QueryChangesData), change->dwSize);
    return TakeItem(callerData, {change->lpFileName, static_cast<LONG>(change->dwChangeType), FALSE,
                                 change->lpLatestName});
}
inline BOOL __cdecl HostDirectory(void* callerData, BOOL folder, LPCSTR name) {
    return TakeItem(callerData, {name, folder, FALSE, ""});
}

// The proxy loaded as a host loads a provider, with every entry point looked up by name.
class ProxyLibrary {
public:
    ProxyLibrary() : library_(::LoadLibraryW(ProxyPath().c_str())) {}
    bool loaded() const { return static_cast<bool>(library_); }

    // The entry `name`, of type F; a test fails when it is missing.
    template <typename F> F Entry(const char* name) const {
        FARPROC address = ::GetProcAddress(library_.get(), name);
        EXPECT_NE(nullptr, address) << name << " is not exported";
        return reinterpret_cast<F>(reinterpret_cast<void*>(address));
    }

private:
    ScopedLibrary library_;
};

// An initialised provider session through the proxy, with a project open and the host's
// procedure given; ended (project closed, provider uninitialised) unless the test ends it.
class ProxySession {
public:
    explicit ProxySession(const ProxyLibrary& proxy) : proxy_(proxy) {}
    ~ProxySession() { End(); }

    LONG Initialize() {
        char name[32] = {}, label[32] = {};
        LONG caps = 0, checkoutComment = 0, comment = 0;
        return proxy_.Entry<provider::SccInitializeFn>("SccInitialize")(
            &context_, nullptr, "proxy host test", name, &caps, label, &checkoutComment, &comment);
    }
    LONG Open() {
        char user[32] = "me", aux[301] = "";
        return proxy_.Entry<provider::SccOpenProjectFn>("SccOpenProject")(
            context_, nullptr, user, "$/p", "C:\\w", aux, nullptr, &HostTextOut, 0);
    }
    // Initialises and opens; both must succeed.
    void Start() {
        ASSERT_EQ(0, Initialize());
        ASSERT_NE(nullptr, context_);
        ASSERT_EQ(0, Open());
    }
    LONG End() {
        if (context_ == nullptr) {
            return 0;
        }
        proxy_.Entry<provider::SccContextFn>("SccCloseProject")(context_);
        const LONG result = proxy_.Entry<provider::SccContextFn>("SccUninitialize")(context_);
        context_ = nullptr;
        return result;
    }
    void* context() const { return context_; }

private:
    const ProxyLibrary& proxy_;
    void* context_ = nullptr;
};

// A test whose host has the proxy loaded, standing for the other width's test provider, with the
// provider's record and the host's callbacks' record fresh.
class ProxyHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SetUpProxiedProvider(); }
    static void TearDownTestSuite() { RemoveProxiedProvider(); }
    void SetUp() override {
        record.Reset();
        Received() = HostRecord();
        ASSERT_TRUE(proxy.loaded());
    }

    ProviderRecordView record;
    ProxyLibrary proxy;
};

} // namespace proxytest
