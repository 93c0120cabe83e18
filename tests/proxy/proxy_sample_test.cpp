// The sample provider of the other width, through its own copy of the proxy, as plimo-scc proxy
// add enters a provider: a host of this width adds, checks out and checks in a file, and hears
// what the provider says.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "proxy_host.h"
#include "temp_folder.h"

using namespace proxytest;

namespace {

constexpr wchar_t kSampleKey[] = L"SOFTWARE\\PlimoCOMWrapper\\SccProxy\\ProxyHostSample";
constexpr LONG kCreateIfNew = 0x1;
constexpr LONG kControlled = 0x1, kCheckedOut = 0x2, kOutByUser = 0x1000;

TEST(ProxiedSample, AHostWorksWithTheSampleOfTheOtherWidth) {
    SetUpProxiedProvider(); // the other width's server
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring work = folder.path() + L"\\work";
    ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
    ASSERT_TRUE(WriteText(work + L"\\a.txt", "hello\r\n"));
    // The entry's own copy of the proxy: its path tells the proxy which provider it is.
    const std::wstring copy =
        folder.path() + L"\\" +
        (kOwnBits == 64 ? sccproxy::kProxy64FileName : sccproxy::kProxy32FileName);
    ASSERT_TRUE(::CopyFileW(ProxyPath().c_str(), copy.c_str(), FALSE));
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSampleKey, 0, nullptr, 0,
                                    KEY_SET_VALUE | kOwnView, nullptr, key.put(), nullptr));
        for (const auto& value :
             {std::make_pair(sccproxy::kServerPathValue, copy),
              std::make_pair(sccproxy::kProviderPathValue,
                             Beside((OtherFolder() + L"plimo_sample_provider.dll").c_str()))}) {
            ::RegSetValueExW(key.get(), value.first, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.second.c_str()),
                             static_cast<DWORD>((value.second.size() + 1) * sizeof(wchar_t)));
        }
    }
    Received() = HostRecord();
    {
        ScopedLibrary host(::LoadLibraryW(copy.c_str()));
        ASSERT_TRUE(host);
        auto entry = [&](const char* name) {
            return reinterpret_cast<void*>(::GetProcAddress(host.get(), name));
        };
        void* context = nullptr;
        char name[32] = {}, label[32] = {}, user[32] = "", aux[301] = "";
        LONG caps = 0, a = 0, b = 0;
        ASSERT_EQ(0, reinterpret_cast<provider::SccInitializeFn>(entry("SccInitialize"))(
                         &context, nullptr, "proxy host test", name, &caps, label, &a, &b));
        EXPECT_STREQ("Plimo sample provider", name);
        const std::string local = Narrow(work), file = Narrow(work + L"\\a.txt");
        EXPECT_EQ(0, reinterpret_cast<provider::SccOpenProjectFn>(entry("SccOpenProject"))(
                         context, nullptr, user, "demo", local.c_str(), aux, nullptr, &HostTextOut,
                         kCreateIfNew));
        LPCSTR files[] = {file.c_str()};
        LONG options[] = {0}, status[] = {-7};
        EXPECT_EQ(0, reinterpret_cast<provider::SccAddFn>(entry("SccAdd"))(
                         context, nullptr, 1, files, "first", options, 0));
        EXPECT_EQ(0, reinterpret_cast<provider::SccCheckinFn>(entry("SccCheckout"))(
                         context, nullptr, 1, files, nullptr, 0, 0));
        EXPECT_EQ(0, reinterpret_cast<provider::SccQueryInfoFn>(entry("SccQueryInfo"))(
                         context, 1, files, status));
        EXPECT_EQ(kControlled | kCheckedOut | kOutByUser, status[0]);
        ASSERT_TRUE(WriteText(work + L"\\a.txt", "hello again\r\n"));
        EXPECT_EQ(0, reinterpret_cast<provider::SccCheckinFn>(entry("SccCheckin"))(
                         context, nullptr, 1, files, "second", 0, 0));
        reinterpret_cast<provider::SccContextFn>(entry("SccCloseProject"))(context);
        EXPECT_EQ(0, reinterpret_cast<provider::SccContextFn>(entry("SccUninitialize"))(context));
    }
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kSampleKey, kOwnView, 0);
    const std::vector<HostMessage> expected = {{"added a.txt as version 1", 1},
                                               {"checked out a.txt", 1},
                                               {"checked in a.txt as version 2", 1}};
    EXPECT_EQ(expected, Received().messages);
}

} // namespace
