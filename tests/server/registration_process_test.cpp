// PlimoCOMWrapper.exe run with its registration switches: exit codes and the registry state
// each leaves, per machine and per user.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "child_process.h"
#include "registry_view.h"
#include "server_paths.h"

namespace {

struct ExpectedValue {
    std::wstring key;
    const wchar_t* name; // null: the default value
    std::wstring data;
};

// Everything registration leaves under a classes root, the platform's type-library entries
// aside.
std::vector<ExpectedValue> RegisteredState(const std::wstring& server) {
    const std::wstring cls = kClassKey;
    return {
        {kAppIdKey, nullptr, L"PlimoCOMWrapper"},
        {L"AppID\\PlimoCOMWrapper.EXE", L"AppID", kAppIdText},
        {kProgId, nullptr, L"TovikPlimoWrapper Class"},
        {std::wstring(kProgId) + L"\\CLSID", nullptr, kClassText},
        {kIndependentProgId, nullptr, L"TovikPlimoWrapper Class"},
        {std::wstring(kIndependentProgId) + L"\\CLSID", nullptr, kClassText},
        {std::wstring(kIndependentProgId) + L"\\CurVer", nullptr, kProgId},
        {cls, nullptr, L"TovikPlimoWrapper Class"},
        {cls + L"\\ProgID", nullptr, kProgId},
        {cls + L"\\VersionIndependentProgID", nullptr, kIndependentProgId},
        {cls + L"\\LocalServer32", nullptr, L"\"" + server + L"\""},
        {cls + L"\\TypeLib", nullptr, kLibraryText},
    };
}

// Keys that registration creates and unregistration removes again.
const std::vector<std::wstring> kRemovedKeys = {L"AppID\\PlimoCOMWrapper.EXE", kAppIdKey, kProgId,
                                                kIndependentProgId, kClassKey};

void ExpectRegistered(const ClassesRoot& classes, const std::wstring& server = ServerPath()) {
    SCOPED_TRACE(classes.name);
    for (const ExpectedValue& value : RegisteredState(server)) {
        EXPECT_EQ(value.data, StringValue(classes, value.key, value.name).value_or(L"<missing>"))
            << std::string(value.key.begin(), value.key.end());
    }
    EXPECT_TRUE(KeyExists(classes, std::wstring(kClassKey) + L"\\Programmable"));
    EXPECT_FALSE(StringValue(classes, kClassKey, L"AppID")) << "the class names no AppID";
}

void ExpectUnregistered(const ClassesRoot& classes) {
    SCOPED_TRACE(classes.name);
    for (const std::wstring& key : kRemovedKeys) {
        EXPECT_FALSE(KeyExists(classes, key)) << std::string(key.begin(), key.end());
    }
}

bool TypeLibraryRegistered() {
    ITypeLib* library = nullptr;
    GUID libid{};
    ::CLSIDFromString(kLibraryText, &libid);
    if (FAILED(::LoadRegTypeLib(libid, 1, 0, 0, &library))) {
        return false;
    }
    library->Release();
    return true;
}

DWORD RunServer(const std::wstring& arguments, const std::wstring& server = ServerPath()) {
    ChildResult result = RunChild(ServerCommand(arguments, server));
    EXPECT_TRUE(result.finished) << "the server must not serve after a switch";
    return result.exitCode;
}

// Starts every test with nothing registered, per machine or per user.
class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, RunServer(L"/RegServer"));
        ASSERT_EQ(0u, RunServer(L"/UnregServer"));
        ASSERT_EQ(0u, RunServer(L"/RegServerPerUser"));
        ASSERT_EQ(0u, RunServer(L"/UnregServerPerUser"));
        ExpectUnregistered(kMachineClasses);
        ExpectUnregistered(kUserClasses);
    }
};

struct SwitchCase {
    const wchar_t* before; // run first (null: nothing)
    const wchar_t* arguments;
    bool machine; // registered per machine afterwards
    bool user;    // registered per user afterwards
};

void PrintTo(const SwitchCase& c, std::ostream* os) {
    std::wstring text(c.arguments);
    *os << std::string(text.begin(), text.end());
}

class Switches : public Registration, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(Switches, ExitWithSuccessAndLeaveTheStateOfTheFirstRecognisedSwitch) {
    const SwitchCase& c = GetParam();
    if (c.before != nullptr) {
        ASSERT_EQ(0u, RunServer(c.before));
    }
    EXPECT_EQ(0u, RunServer(c.arguments));
    if (c.machine) {
        ExpectRegistered(kMachineClasses);
    } else {
        ExpectUnregistered(kMachineClasses);
    }
    if (c.user) {
        ExpectRegistered(kUserClasses);
    } else {
        ExpectUnregistered(kUserClasses);
    }
    EXPECT_EQ(c.machine || c.user, TypeLibraryRegistered());
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, Switches,
    ::testing::Values(SwitchCase{nullptr, L"/RegServer", true, false},
                      SwitchCase{nullptr, L"-regserver", true, false},
                      SwitchCase{nullptr, L"/REGSERVER", true, false},
                      SwitchCase{nullptr, L"--RegServer", true, false},
                      SwitchCase{nullptr, L"-RegServer -UnregServer", true, false},
                      SwitchCase{nullptr, L"-x-RegServer\t/Foo", true, false},
                      SwitchCase{L"/RegServer", L"/UnregServer", false, false},
                      SwitchCase{L"/RegServer", L"-Foo -UnregServer", false, false},
                      SwitchCase{L"/RegServer", L"-unregserver -RegServer", false, false},
                      SwitchCase{nullptr, L"/RegServerPerUser", false, true},
                      SwitchCase{nullptr, L"-regserverperuser", false, true},
                      SwitchCase{L"/RegServerPerUser", L"/UnregServerPerUser", false, false},
                      SwitchCase{L"/RegServerPerUser", L"--UNREGSERVERPERUSER", false, false}));

TEST_F(Registration, RegisteringTwiceGivesTheSameState) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    auto first = Snapshot(kMachineClasses, kClassKey);
    auto firstProgId = Snapshot(kMachineClasses, kIndependentProgId);
    auto firstAppId = Snapshot(kMachineClasses, L"AppID\\PlimoCOMWrapper.EXE");
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    EXPECT_EQ(first, Snapshot(kMachineClasses, kClassKey));
    EXPECT_EQ(firstProgId, Snapshot(kMachineClasses, kIndependentProgId));
    EXPECT_EQ(firstAppId, Snapshot(kMachineClasses, L"AppID\\PlimoCOMWrapper.EXE"));
    ExpectRegistered(kMachineClasses);
}

TEST_F(Registration, RegisteringAgainRebuildsTheClassKeyWithoutForeignSubkeys) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    HKEY stray = nullptr;
    const std::wstring strayPath = L"Software\\Classes\\" + std::wstring(kClassKey) + L"\\Stray";
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, strayPath.c_str(), 0, nullptr, 0,
                                               KEY_WRITE, nullptr, &stray, nullptr));
    ::RegCloseKey(stray);

    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    EXPECT_FALSE(KeyExists(kMachineClasses, std::wstring(kClassKey) + L"\\Stray"));
    ExpectRegistered(kMachineClasses);
}

TEST_F(Registration, UnregisteringKeepsTheAppIdAndClsidKeysThemselves) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    ASSERT_EQ(0u, RunServer(L"/UnregServer"));
    EXPECT_TRUE(KeyExists(kMachineClasses, L"AppID"));
    EXPECT_TRUE(KeyExists(kMachineClasses, L"CLSID"));
    EXPECT_FALSE(TypeLibraryRegistered());
}

TEST_F(Registration, PerUserRegistrationLeavesTheMachineClassesAlone) {
    ASSERT_EQ(0u, RunServer(L"/RegServerPerUser"));
    ExpectRegistered(kUserClasses);
    ExpectUnregistered(kMachineClasses);
    EXPECT_TRUE(TypeLibraryRegistered());
}

TEST_F(Registration, APathWithASingleQuoteIsStoredWithTheQuoteOnce) {
    const std::wstring folder = BesideTest(L"it's");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring server = folder + L"\\PlimoCOMWrapper.exe";
    ASSERT_TRUE(::CopyFileW(ServerPath().c_str(), server.c_str(), FALSE));

    EXPECT_EQ(0u, RunServer(L"/RegServer", server));
    ExpectRegistered(kMachineClasses, server);
    EXPECT_EQ(0u, RunServer(L"/UnregServer", server));
    ExpectUnregistered(kMachineClasses);

    ::DeleteFileW(server.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(Registration, UnregisteringWhatIsNotRegisteredReportsThePlatformsTypeLibraryFailure) {
    // The class script succeeds over missing keys; the type library's unregistration fails,
    // and then the AppID step is not attempted.
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    ASSERT_EQ(0u, RunServer(L"/UnregServer"));
    const LONG exitCode = static_cast<LONG>(RunServer(L"/UnregServer"));
    EXPECT_LT(exitCode, 0) << "a failure HRESULT";
    ExpectUnregistered(kMachineClasses);
}

} // namespace
