// PlimoCOMWrapper.exe run with its registration switches: exit codes and the registry state
// each leaves, per machine and per user.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>

#include "child_process.h"
#include "registry_view.h"
#include "server_paths.h"

namespace {

struct ExpectedValue {
    std::wstring key;
    const wchar_t* name; // null: the default value
    std::wstring data;
};

// One class as its script registers it.
struct ClassNames {
    const wchar_t* key;
    const wchar_t* clsid;
    const wchar_t* name;
    const wchar_t* progId;
    const wchar_t* independentProgId;
    const wchar_t* library;
};

const ClassNames kClasses[] = {
    {kClassKey, kClassText, L"TovikPlimoWrapper Class", kProgId, kIndependentProgId, kLibraryText},
    {kClassKey2, kClassText2, L"TovikPlimoWrapper2 Class", kProgId2, kIndependentProgId2,
     kLibraryText2},
};

// Everything registration leaves under a classes root for both classes, the platform's
// type-library entries aside.
std::vector<ExpectedValue> RegisteredState(const std::wstring& server) {
    std::vector<ExpectedValue> state = {
        {kAppIdKey, nullptr, L"PlimoCOMWrapper"},
        {L"AppID\\PlimoCOMWrapper.EXE", L"AppID", kAppIdText},
    };
    for (const ClassNames& c : kClasses) {
        const std::wstring cls = c.key;
        const std::vector<ExpectedValue> values = {
            {c.progId, nullptr, c.name},
            {std::wstring(c.progId) + L"\\CLSID", nullptr, c.clsid},
            {c.independentProgId, nullptr, c.name},
            {std::wstring(c.independentProgId) + L"\\CLSID", nullptr, c.clsid},
            {std::wstring(c.independentProgId) + L"\\CurVer", nullptr, c.progId},
            {cls, nullptr, c.name},
            {cls + L"\\ProgID", nullptr, c.progId},
            {cls + L"\\VersionIndependentProgID", nullptr, c.independentProgId},
            {cls + L"\\LocalServer32", nullptr, L"\"" + server + L"\""},
            {cls + L"\\TypeLib", nullptr, c.library},
        };
        state.insert(state.end(), values.begin(), values.end());
    }
    return state;
}

// Keys that registration creates and unregistration removes again.
const std::vector<std::wstring> kRemovedKeys = {
    L"AppID\\PlimoCOMWrapper.EXE", kAppIdKey, kProgId, kIndependentProgId, kClassKey, kProgId2,
    kIndependentProgId2,           kClassKey2};

void ExpectRegistered(const ClassesRoot& classes, const std::wstring& server = ServerPath()) {
    SCOPED_TRACE(classes.name);
    for (const ExpectedValue& value : RegisteredState(server)) {
        EXPECT_EQ(value.data, StringValue(classes, value.key, value.name).value_or(L"<missing>"))
            << std::string(value.key.begin(), value.key.end());
    }
    for (const ClassNames& c : kClasses) {
        EXPECT_TRUE(KeyExists(classes, std::wstring(c.key) + L"\\Programmable"));
        EXPECT_FALSE(StringValue(classes, c.key, L"AppID")) << "the class names no AppID";
    }
}

void ExpectUnregistered(const ClassesRoot& classes) {
    SCOPED_TRACE(classes.name);
    for (const std::wstring& key : kRemovedKeys) {
        EXPECT_FALSE(KeyExists(classes, key)) << std::string(key.begin(), key.end());
    }
}

bool LibraryRegistered(const wchar_t* libraryText) {
    ITypeLib* library = nullptr;
    GUID libid{};
    ::CLSIDFromString(libraryText, &libid);
    if (FAILED(::LoadRegTypeLib(libid, 1, 0, 0, &library))) {
        return false;
    }
    library->Release();
    return true;
}

// Both type libraries are registered; false when neither is, and a failure when only one is.
bool TypeLibraryRegistered() {
    const bool first = LibraryRegistered(kLibraryText);
    EXPECT_EQ(first, LibraryRegistered(kLibraryText2)) << "the two libraries go together";
    return first;
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

// The first class's keys hold exactly what they held before the second class came: no value or
// key more, per machine and per user.
TEST_F(Registration, TheFirstClassesKeysAreExactlyAsBefore) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    ASSERT_EQ(0u, RunServer(L"/RegServerPerUser"));
    const std::wstring server = L"@=S:\"" + ServerPath() + L"\"";
    for (const ClassesRoot* classes : {&kMachineClasses, &kUserClasses}) {
        SCOPED_TRACE(classes->name);
        std::vector<std::wstring> listing = Snapshot(*classes, kClassKey);
        std::sort(listing.begin(), listing.end());
        EXPECT_EQ((std::vector<std::wstring>{
                      L"",
                      L"LocalServer32",
                      L"LocalServer32|" + server,
                      L"ProgID",
                      L"ProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper.1",
                      L"Programmable",
                      L"TypeLib",
                      L"TypeLib|@=S:{75F52DF4-48B5-4C22-96C1-FDF662B36409}",
                      L"VersionIndependentProgID",
                      L"VersionIndependentProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper",
                      L"|@=S:TovikPlimoWrapper Class",
                  }),
                  listing);
        std::vector<std::wstring> progId = Snapshot(*classes, kIndependentProgId);
        std::sort(progId.begin(), progId.end());
        EXPECT_EQ((std::vector<std::wstring>{
                      L"", L"CLSID", std::wstring(L"CLSID|@=S:") + kClassText, L"CurVer",
                      std::wstring(L"CurVer|@=S:") + kProgId, L"|@=S:TovikPlimoWrapper Class"}),
                  progId);
    }
}

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
