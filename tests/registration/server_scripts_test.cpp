// A server's registry scripts applied from its description, per machine and per user, for the
// server of each width: exactly what they leave below the classes root, what unregistering takes
// away, and that registering twice changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry_image.h"
#include "registry_scripts.h"
#include "scratch_key.h"
#include "server_description.h"
#include "server_scripts.h"

namespace {

using Lines = std::vector<std::wstring>;

// One server: the keys its scripts write below the classes root, and the listing of each after
// registration, in that order. The path it is registered at has a single quote in it.
struct ServerListing {
    const char* name;
    const ServerDescription* server;
    const wchar_t* modulePath;
    std::vector<std::wstring> keyPaths;
    std::vector<Lines> listings;
};

const ServerListing kServerListings[] = {
    {"ThirtyTwoBitServer",
     &kServer32,
     L"C:\\it's here\\PlimoCOMWrapper.exe",
     {L"AppID\\{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}", L"AppID\\PlimoCOMWrapper.EXE",
      L"PlimoCOMWrapper.TovikPlimoWrapper.1", L"PlimoCOMWrapper.TovikPlimoWrapper",
      L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}", L"PlimoCOMWrapper.TovikPlimoWrapper2.1",
      L"PlimoCOMWrapper.TovikPlimoWrapper2", L"CLSID\\{E886B200-9099-4B61-A541-7E4B3200C898}"},
     {
         {L"", L"|@=S:PlimoCOMWrapper"},
         {L"", L"|AppID=S:{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}"},
         {L"", L"|@=S:TovikPlimoWrapper Class", L"CLSID",
          L"CLSID|@=S:{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}"},
         {L"", L"|@=S:TovikPlimoWrapper Class", L"CLSID",
          L"CLSID|@=S:{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}", L"CurVer",
          L"CurVer|@=S:PlimoCOMWrapper.TovikPlimoWrapper.1"},
         {L"", L"|@=S:TovikPlimoWrapper Class", L"LocalServer32",
          L"LocalServer32|@=S:\"C:\\it's here\\PlimoCOMWrapper.exe\"", L"ProgID",
          L"ProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper.1", L"Programmable", L"TypeLib",
          L"TypeLib|@=S:{75F52DF4-48B5-4C22-96C1-FDF662B36409}", L"VersionIndependentProgID",
          L"VersionIndependentProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper"},
         {L"", L"|@=S:TovikPlimoWrapper2 Class", L"CLSID",
          L"CLSID|@=S:{E886B200-9099-4B61-A541-7E4B3200C898}"},
         {L"", L"|@=S:TovikPlimoWrapper2 Class", L"CLSID",
          L"CLSID|@=S:{E886B200-9099-4B61-A541-7E4B3200C898}", L"CurVer",
          L"CurVer|@=S:PlimoCOMWrapper.TovikPlimoWrapper2.1"},
         {L"", L"|@=S:TovikPlimoWrapper2 Class", L"LocalServer32",
          L"LocalServer32|@=S:\"C:\\it's here\\PlimoCOMWrapper.exe\"", L"ProgID",
          L"ProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper2.1", L"Programmable", L"TypeLib",
          L"TypeLib|@=S:{429CCA64-86DB-498F-B360-50368B0BC08A}", L"VersionIndependentProgID",
          L"VersionIndependentProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper2"},
     }},
    {"SixtyFourBitServer",
     &kServer64,
     L"C:\\it's here\\PlimoCOMWrapper64.exe",
     {L"AppID\\{728564B9-F0A9-4987-9B17-427C4605D430}", L"AppID\\PlimoCOMWrapper64.EXE",
      L"PlimoCOMWrapper.TovikPlimoWrapper64.1", L"PlimoCOMWrapper.TovikPlimoWrapper64",
      L"CLSID\\{55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}"},
     {
         {L"", L"|@=S:PlimoCOMWrapper64"},
         {L"", L"|AppID=S:{728564B9-F0A9-4987-9B17-427C4605D430}"},
         {L"", L"|@=S:TovikPlimoWrapper64 Class", L"CLSID",
          L"CLSID|@=S:{55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}"},
         {L"", L"|@=S:TovikPlimoWrapper64 Class", L"CLSID",
          L"CLSID|@=S:{55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}", L"CurVer",
          L"CurVer|@=S:PlimoCOMWrapper.TovikPlimoWrapper64.1"},
         {L"", L"|@=S:TovikPlimoWrapper64 Class", L"LocalServer32",
          L"LocalServer32|@=S:\"C:\\it's here\\PlimoCOMWrapper64.exe\"", L"ProgID",
          L"ProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper64.1", L"Programmable", L"TypeLib",
          L"TypeLib|@=S:{429CCA64-86DB-498F-B360-50368B0BC08A}", L"VersionIndependentProgID",
          L"VersionIndependentProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper64"},
     }},
};

const wchar_t* AppIdScript() {
    static const std::wstring text = RegistryScriptText(L"appid.rgs");
    return text.c_str();
}
const wchar_t* ClassScript() {
    static const std::wstring text = RegistryScriptText(L"class.rgs");
    return text.c_str();
}

TEST(ServerScript, RefusesANullScriptOrPath) {
    const wchar_t* path = kServerListings[0].modulePath;
    EXPECT_EQ(E_POINTER, ApplyServerScript(nullptr, kServer32, nullptr, path, true,
                                           RegistrationScope::PerMachine));
    EXPECT_EQ(E_POINTER, ApplyServerScript(AppIdScript(), kServer32, nullptr, nullptr, true,
                                           RegistrationScope::PerMachine));
}

class ServerScripts
    : public ::testing::TestWithParam<std::tuple<const ServerListing*, RegistrationScope>> {
protected:
    void SetUp() override {
        // Start from no registration, in either classes; whatever was there comes back at the
        // end.
        const auto remove = [](HKEY root, const std::wstring& path) {
            ::RegDeleteTreeW(root, path.c_str());
            ::RegDeleteKeyW(root, path.c_str());
        };
        for (const std::wstring& path : server().keyPaths) {
            remove(HKEY_LOCAL_MACHINE, kClasses + path);
            remove(HKEY_CURRENT_USER, kClasses + path);
        }
        machineBefore = MachineKeys();
        userBefore = UserClasses();
    }

    const ServerListing& server() const { return *std::get<0>(GetParam()); }
    bool perUser() const { return std::get<1>(GetParam()) == RegistrationScope::PerUser; }

    // The scripts in the order registration applies them: the AppID's, then each class's; the
    // other way round to unregister.
    HRESULT Apply(bool doRegister) const {
        const ServerDescription& description = *server().server;
        HRESULT hr = S_OK;
        if (doRegister) {
            hr = ApplyOne(AppIdScript(), nullptr, true);
        }
        for (size_t i = 0; i < description.classCount && SUCCEEDED(hr); ++i) {
            hr = ApplyOne(ClassScript(), &description.classes[i], doRegister);
        }
        return FAILED(hr) || doRegister ? hr : ApplyOne(AppIdScript(), nullptr, false);
    }
    HRESULT ApplyOne(const wchar_t* script, const ServedClass* servedClass, bool doRegister) const {
        return ApplyServerScript(script, *server().server, servedClass, server().modulePath,
                                 doRegister, std::get<1>(GetParam()));
    }

    // Where the scope writes: the classes root per machine, the user's classes per user.
    HKEY WrittenRoot() const { return perUser() ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT; }
    std::wstring Written(const std::wstring& path) const {
        return perUser() ? kClasses + path : path;
    }
    std::vector<Lines> ServerKeys(HKEY root, const std::wstring& prefix) const {
        std::vector<Lines> listings;
        for (const std::wstring& path : server().keyPaths) {
            listings.push_back(Listing(root, prefix + path));
        }
        return listings;
    }
    std::vector<Lines> WrittenKeys() const {
        return ServerKeys(WrittenRoot(), perUser() ? kClasses : L"");
    }
    std::vector<Lines> MachineKeys() const { return ServerKeys(HKEY_LOCAL_MACHINE, kClasses); }
    Lines UserClasses() const { return Listing(HKEY_CURRENT_USER, L"Software\\Classes"); }

    // What the other scope's classes hold: registering per machine leaves the user's alone, and
    // registering per user the machine's.
    void ExpectTheOtherScopeUntouched() const {
        if (perUser()) {
            EXPECT_EQ(machineBefore, MachineKeys());
        } else {
            EXPECT_EQ(userBefore, UserClasses());
        }
    }

    static std::vector<std::wstring> MachinePaths(const std::vector<std::wstring>& paths) {
        std::vector<std::wstring> machinePaths;
        for (const std::wstring& path : paths) {
            machinePaths.push_back(kClasses + path);
        }
        return machinePaths;
    }

    static inline const std::wstring kClasses = L"Software\\Classes\\";
    SavedKeys savedMachine{HKEY_LOCAL_MACHINE, MachinePaths(server().keyPaths)};
    SavedKeys savedUser{HKEY_CURRENT_USER, {L"Software\\Classes"}};
    // What the classes hold once the server's keys are gone, before the test registers.
    std::vector<Lines> machineBefore;
    Lines userBefore;
};

TEST_P(ServerScripts, RegisteringLeavesExactlyTheTableOfEntries) {
    ASSERT_EQ(S_OK, Apply(true));
    EXPECT_EQ(server().listings, WrittenKeys());
    ExpectTheOtherScopeUntouched();
}

TEST_P(ServerScripts, UnregisteringRemovesAllButTheAppIdAndClsidKeys) {
    ASSERT_EQ(S_OK, Apply(true));
    ASSERT_EQ(S_OK, Apply(false));
    for (const std::wstring& path : server().keyPaths) {
        EXPECT_FALSE(KeyExists(WrittenRoot(), Written(path))) << path.c_str();
    }
    EXPECT_TRUE(KeyExists(WrittenRoot(), Written(L"AppID")));
    EXPECT_TRUE(KeyExists(WrittenRoot(), Written(L"CLSID")));
    // Everything that was in the user's classes before is there still.
    const Lines userNow = UserClasses();
    for (const std::wstring& line : userBefore) {
        EXPECT_NE(userNow.end(), std::find(userNow.begin(), userNow.end(), line)) << line.c_str();
    }
    ExpectTheOtherScopeUntouched();
}

TEST_P(ServerScripts, RegisteringTwiceGivesTheSameStateAndRebuildsTheClassKey) {
    ASSERT_EQ(S_OK, Apply(true));
    // What a stale registration may have left below the class key goes with its rebuild.
    const std::wstring classKey = Written(server().keyPaths[4]);
    MakeString(WrittenRoot(), classKey + L"\\Stale", L"", L"old");
    MakeString(WrittenRoot(), classKey + L"\\Programmable", L"stale", L"old");
    ASSERT_EQ(S_OK, Apply(true));
    EXPECT_EQ(server().listings, WrittenKeys());
}

TEST_P(ServerScripts, UnregisteringWhatIsNotRegisteredSucceeds) {
    EXPECT_EQ(S_OK, Apply(false));
    for (const std::wstring& path : server().keyPaths) {
        EXPECT_FALSE(KeyExists(WrittenRoot(), Written(path))) << path.c_str();
    }
}

TEST_P(ServerScripts, ClassKeyWithAForeignSubkeySurvivesUnregistration) {
    ASSERT_EQ(S_OK, Apply(true));
    const std::wstring classKey = Written(server().keyPaths[4]);
    const std::wstring className = server().listings[4][1];
    MakeKey(WrittenRoot(), classKey + L"\\InprocHandler32");
    ASSERT_EQ(S_OK, Apply(false));
    EXPECT_EQ((Lines{L"", className, L"InprocHandler32"}), Listing(WrittenRoot(), classKey));
}

INSTANTIATE_TEST_SUITE_P(
    Widths, ServerScripts,
    ::testing::Combine(::testing::Values(&kServerListings[0], &kServerListings[1]),
                       ::testing::Values(RegistrationScope::PerMachine,
                                         RegistrationScope::PerUser)),
    [](const auto& info) {
        const bool perUser = std::get<1>(info.param) == RegistrationScope::PerUser;
        return std::string(std::get<0>(info.param)->name) + (perUser ? "PerUser" : "PerMachine");
    });

} // namespace
