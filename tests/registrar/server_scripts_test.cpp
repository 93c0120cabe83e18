// The server's AppID and class scripts applied per machine to the real classes root: what they
// leave, what unregistering takes away, and that registering twice changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry_image.h"
#include "scratch_key.h"
#include "server_identity.h"
#include "server_registration.h"
#include "server_scripts.h"

namespace {

// Registration as the server runs it, with the test as its host: the scripts come from the
// server built beside the tests, the server's path is one with a single quote in it.
class ScriptRegistration final : public ServerRegistration {
public:
    HINSTANCE ResourceInstance() const override { return nullptr; }
    HINSTANCE TypeLibraryImage() const override { return nullptr; }
    size_t ClassCount() const override { return 0; }
    RegisteredClass ClassAt(size_t) const override { return RegisteredClass{nullptr, nullptr}; }
    // The server's host gives its AppID.
    const RegistryVariable* CommonVariables() const override {
        static const RegistryVariable kCommonVariables[] = {{L"APPID", kAppIdText},
                                                            {nullptr, nullptr}};
        return kCommonVariables;
    }
};

constexpr wchar_t kModulePath[] = L"C:\\it's here\\PlimoCOMWrapper.exe";

TEST(ServerRegistrationMode, StartsPerMachineAndKeepsTheModeSet) {
    ScriptRegistration registration;
    EXPECT_EQ(RegistrationMode::PerMachine, registration.registrationMode());
    registration.SetRegistrationMode(RegistrationMode::PerUser);
    registration.SetRegistrationMode(RegistrationMode::PerUser);
    EXPECT_EQ(RegistrationMode::PerUser, registration.registrationMode());
}

TEST(ServerRegistrationScript, RefusesANullScriptOrPath) {
    ScriptRegistration registration;
    EXPECT_EQ(E_POINTER, registration.ApplyRegistryScript(nullptr, kModulePath, true, nullptr));
    EXPECT_EQ(E_POINTER, registration.ApplyRegistryScript(AppIdScript(), nullptr, true, nullptr));
}

class ServerScriptsPerMachine : public ::testing::Test {
protected:
    void SetUp() override {
        // Start from no registration; whatever was there comes back at the end.
        for (const std::wstring& path : ServerKeyPaths()) {
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
            ::RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
        }
    }

    static HRESULT ApplyServerScript(const wchar_t* script, bool doRegister) {
        ScriptRegistration registration;
        return registration.ApplyRegistryScript(script, kModulePath, doRegister, nullptr);
    }
    static HRESULT RegisterAll() {
        HRESULT hr = ApplyServerScript(AppIdScript(), true);
        return FAILED(hr) ? hr : ApplyServerScript(ClassScript(), true);
    }
    static HRESULT UnregisterAll() {
        HRESULT hr = ApplyServerScript(ClassScript(), false);
        return FAILED(hr) ? hr : ApplyServerScript(AppIdScript(), false);
    }

    static std::vector<std::vector<std::wstring>> ServerKeys() {
        std::vector<std::vector<std::wstring>> listings;
        for (const std::wstring& path : ServerKeyPaths()) {
            listings.push_back(Listing(HKEY_CLASSES_ROOT, path));
        }
        return listings;
    }

    SavedKeys saved{HKEY_CLASSES_ROOT, ServerKeyPaths()};
    const std::vector<std::wstring> perUserBefore =
        Listing(HKEY_CURRENT_USER, L"Software\\Classes");
};

TEST_F(ServerScriptsPerMachine, RegisteringLeavesExactlyTheTableOfEntries) {
    ASSERT_EQ(S_OK, RegisterAll());
    EXPECT_EQ(RegisteredServerKeys(), ServerKeys());
    EXPECT_EQ(perUserBefore, Listing(HKEY_CURRENT_USER, L"Software\\Classes"));
}

TEST_F(ServerScriptsPerMachine, UnregisteringRemovesAllButTheAppIdAndClsidKeys) {
    ASSERT_EQ(S_OK, RegisterAll());
    ASSERT_EQ(S_OK, UnregisterAll());
    for (const std::wstring& path : ServerKeyPaths()) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, path)) << path.c_str();
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

TEST_F(ServerScriptsPerMachine, RegisteringTwiceGivesTheSameStateAndRebuildsTheClassKey) {
    ASSERT_EQ(S_OK, RegisterAll());
    // What a stale registration may have left below the class key goes with its rebuild.
    const std::wstring classKey = L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}";
    MakeString(HKEY_CLASSES_ROOT, classKey + L"\\Stale", L"", L"old");
    MakeString(HKEY_CLASSES_ROOT, classKey + L"\\Programmable", L"stale", L"old");
    ASSERT_EQ(S_OK, RegisterAll());
    EXPECT_EQ(RegisteredServerKeys(), ServerKeys());
}

TEST_F(ServerScriptsPerMachine, UnregisteringWhatIsNotRegisteredSucceeds) {
    EXPECT_EQ(S_OK, UnregisterAll());
    for (const std::wstring& path : ServerKeyPaths()) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, path)) << path.c_str();
    }
}

TEST_F(ServerScriptsPerMachine, ClassKeyWithAForeignSubkeySurvivesUnregistration) {
    ASSERT_EQ(S_OK, RegisterAll());
    const std::wstring classKey = L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}";
    MakeKey(HKEY_CLASSES_ROOT, classKey + L"\\InprocHandler32");
    ASSERT_EQ(S_OK, UnregisterAll());
    EXPECT_EQ((std::vector<std::wstring>{L"", L"|@=S:TovikPlimoWrapper Class", L"InprocHandler32"}),
              Listing(HKEY_CLASSES_ROOT, classKey));
}

} // namespace
