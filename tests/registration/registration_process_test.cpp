// PlimoCOMWrapper.exe run with its registration switches: exit codes and the registry state
// each leaves, per machine and per user.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cwchar>
#include <optional>

#include "child_process.h"
#include "registry_view.h"
#include "scoped_resource.h"
#include "server_paths.h"

namespace {

struct ExpectedValue {
    std::wstring key;
    const wchar_t* name; // null: the default value
    std::wstring data;
};

const RegisteredNames& Names() {
    return NamesOf(CurrentServer());
}

// Everything registration leaves under a classes root for the server's classes, the platform's
// type-library entries aside.
std::vector<ExpectedValue> RegisteredState(const std::wstring& server) {
    const RegisteredNames& names = Names();
    std::vector<ExpectedValue> state = {
        {names.AppIdKey(), nullptr, names.appIdName},
        {names.ExecutableAppIdKey(), L"AppID", names.appIdText},
    };
    for (const RegisteredClass& c : names.classes) {
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
std::vector<std::wstring> RemovedKeys() {
    const RegisteredNames& names = Names();
    std::vector<std::wstring> keys = {names.ExecutableAppIdKey(), names.AppIdKey()};
    for (const RegisteredClass& c : names.classes) {
        keys.insert(keys.end(), {c.progId, c.independentProgId, c.key});
    }
    return keys;
}

void ExpectRegistered(const ClassesRoot& classes, const std::wstring& server = ServerPath()) {
    SCOPED_TRACE(classes.name);
    for (const ExpectedValue& value : RegisteredState(server)) {
        EXPECT_EQ(value.data, StringValue(classes, value.key, value.name).value_or(L"<missing>"))
            << std::string(value.key.begin(), value.key.end());
    }
    for (const RegisteredClass& c : Names().classes) {
        EXPECT_TRUE(KeyExists(classes, std::wstring(c.key) + L"\\Programmable"));
        EXPECT_FALSE(StringValue(classes, c.key, L"AppID")) << "the class names no AppID";
    }
}

void ExpectUnregistered(const ClassesRoot& classes) {
    SCOPED_TRACE(classes.name);
    for (const std::wstring& key : RemovedKeys()) {
        EXPECT_FALSE(KeyExists(classes, key)) << std::string(key.begin(), key.end());
    }
}

// The entry of a type library for one platform ("win32", "win64"), under `classes`.
std::wstring LibraryEntry(const std::wstring& libraryText, const wchar_t* platform) {
    return L"TypeLib\\" + libraryText + L"\\1.0\\0\\" + platform;
}

bool LibraryRegistered(const std::wstring& libraryText) {
    const std::wstring entry = LibraryEntry(libraryText, Names().platform);
    // Per user as well as per machine: some platforms register per-user libraries for the
    // machine.
    return KeyExists(kMachineClasses, entry) || KeyExists(kUserClasses, entry);
}

// Both type libraries are registered for the server's platform; false when neither is, and a
// failure when only one is.
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

// Starts every test with nothing registered, per machine or per user, by either server (the
// other width's server, where built, would keep the libraries registered).
class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring other = OtherServer().Executable();
        if (::GetFileAttributesW(other.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ASSERT_EQ(0u, RunServer(L"/RegServer", other));
            ASSERT_EQ(0u, RunServer(L"/UnregServer", other));
        }
        ASSERT_EQ(0u, RunServer(L"/RegServer"));
        ASSERT_EQ(0u, RunServer(L"/UnregServer"));
        ASSERT_EQ(0u, RunServer(L"/RegServerPerUser"));
        ASSERT_EQ(0u, RunServer(L"/UnregServerPerUser"));
        ExpectUnregistered(Names().machine);
        ExpectUnregistered(Names().user);
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
        ExpectRegistered(Names().machine);
    } else {
        ExpectUnregistered(Names().machine);
    }
    if (c.user) {
        ExpectRegistered(Names().user);
    } else {
        ExpectUnregistered(Names().user);
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
        std::vector<std::wstring> listing =
            Snapshot(*classes, L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}");
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
        std::vector<std::wstring> progId = Snapshot(*classes, L"PlimoCOMWrapper.TovikPlimoWrapper");
        std::sort(progId.begin(), progId.end());
        EXPECT_EQ((std::vector<std::wstring>{
                      L"", L"CLSID", L"CLSID|@=S:{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}", L"CurVer",
                      L"CurVer|@=S:PlimoCOMWrapper.TovikPlimoWrapper.1",
                      L"|@=S:TovikPlimoWrapper Class"}),
                  progId);
    }
}

TEST_F(Registration, RegisteringTwiceGivesTheSameState) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    const RegisteredClass& c = Names().classes.front();
    auto first = Snapshot(Names().machine, c.key);
    auto firstProgId = Snapshot(Names().machine, c.independentProgId);
    auto firstAppId = Snapshot(Names().machine, Names().ExecutableAppIdKey());
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    EXPECT_EQ(first, Snapshot(Names().machine, c.key));
    EXPECT_EQ(firstProgId, Snapshot(Names().machine, c.independentProgId));
    EXPECT_EQ(firstAppId, Snapshot(Names().machine, Names().ExecutableAppIdKey()));
    ExpectRegistered(Names().machine);
}

TEST_F(Registration, RegisteringAgainRebuildsTheClassKeyWithoutForeignSubkeys) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    const std::wstring classKey = Names().classes.front().key;
    HKEY stray = nullptr;
    const std::wstring strayPath = L"Software\\Classes\\" + classKey + L"\\Stray";
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, strayPath.c_str(), 0, nullptr, 0,
                                KEY_WRITE | Names().machine.view, nullptr, &stray, nullptr));
    ::RegCloseKey(stray);

    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    EXPECT_FALSE(KeyExists(Names().machine, classKey + L"\\Stray"));
    ExpectRegistered(Names().machine);
}

TEST_F(Registration, UnregisteringKeepsTheAppIdAndClsidKeysThemselves) {
    ASSERT_EQ(0u, RunServer(L"/RegServer"));
    ASSERT_EQ(0u, RunServer(L"/UnregServer"));
    EXPECT_TRUE(KeyExists(Names().machine, L"AppID"));
    EXPECT_TRUE(KeyExists(Names().machine, L"CLSID"));
    EXPECT_FALSE(TypeLibraryRegistered());
}

TEST_F(Registration, PerUserRegistrationLeavesTheMachineClassesAlone) {
    ASSERT_EQ(0u, RunServer(L"/RegServerPerUser"));
    ExpectRegistered(Names().user);
    ExpectUnregistered(Names().machine);
    EXPECT_TRUE(TypeLibraryRegistered());
}

TEST_F(Registration, APathWithASingleQuoteIsStoredWithTheQuoteOnce) {
    const std::wstring folder = BesideTest(L"it's");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring server = folder + L"\\" + ServerPath().substr(ServerPath().rfind(L'\\') + 1);
    ASSERT_TRUE(::CopyFileW(ServerPath().c_str(), server.c_str(), FALSE));

    EXPECT_EQ(0u, RunServer(L"/RegServer", server));
    ExpectRegistered(Names().machine, server);
    EXPECT_EQ(0u, RunServer(L"/UnregServer", server));
    ExpectUnregistered(Names().machine);

    ::DeleteFileW(server.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(Registration, UnregisteringWhatIsNotRegisteredSucceedsAndStillRemovesTheAppId) {
    // What an interrupted unregistration leaves: the AppID entries, with the classes and the
    // type libraries gone. There is nothing else to remove, and the AppID step still runs.
    const ClassesRoot& machine = Names().machine;
    for (const std::wstring& key : {Names().AppIdKey(), Names().ExecutableAppIdKey()}) {
        ScopedRegKey created;
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegCreateKeyExW(machine.root, (L"Software\\Classes\\" + key).c_str(), 0,
                                    nullptr, 0, KEY_SET_VALUE | machine.view, nullptr,
                                    created.put(), nullptr));
    }
    EXPECT_EQ(0u, RunServer(L"/UnregServer"));
    ExpectUnregistered(machine);
    EXPECT_EQ(0u, RunServer(L"/UnregServer")) << "and again";
}

// Two copies of the server in two folders, registered one after the other (the built one first,
// or the copy first): the last registration owns every entry, the type libraries' entries for
// either platform included. Unregistering the copy whose registration was taken over changes
// nothing; unregistering the owner removes everything, the interfaces' keys in both views too.
struct TwoFolderCase {
    const char* name;
    bool copyFirst;            // the copy registers first, the built server after it
    bool ownerUnregisterFirst; // the last registered goes first; else the first registered
};

void PrintTo(const TwoFolderCase& c, std::ostream* os) {
    *os << c.name;
}

class TwoFolders : public Registration, public ::testing::WithParamInterface<TwoFolderCase> {
protected:
    void SetUp() override {
        Registration::SetUp();
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        ASSERT_TRUE(::CopyFileW(ServerPath().c_str(), copy_.c_str(), FALSE));
    }
    void TearDown() override {
        RunServer(L"/UnregServer", copy_);
        ::DeleteFileW(copy_.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    // Every type-library entry the server registers names `server`: its own platform's, and for
    // the 64-bit server the win32 entries (its 32-bit copies) as well.
    void ExpectLibrariesOf(const std::wstring& server) {
        std::vector<const wchar_t*> platforms = {Names().platform};
        if (CurrentServer().bits == 64) {
            platforms.push_back(L"win32");
        }
        for (const std::wstring& library : {kLibraryText, kLibraryText2}) {
            for (const wchar_t* platform : platforms) {
                const std::wstring entry =
                    StringValue(kMachineClasses, LibraryEntry(library, platform)).value_or(L"");
                const size_t cut = entry.rfind(L'\\');
                const bool numbered = cut != std::wstring::npos && cut + 2 == entry.size() &&
                                      entry[cut + 1] >= L'2' && entry[cut + 1] <= L'4';
                EXPECT_EQ(server, numbered ? entry.substr(0, cut) : entry)
                    << std::string(platform, platform + 5);
            }
        }
        for (const ClassesRoot* view : {&kMachineClasses, &kMachineClasses64}) {
            for (const std::wstring& key : kInterfaceKeys) {
                EXPECT_TRUE(StringValue(*view, key + L"\\TypeLib")) << view->name;
            }
        }
    }

    // No key of the server is left: classes, AppID, type libraries, interfaces in both views.
    void ExpectNothingLeft() {
        ExpectUnregistered(Names().machine);
        for (const std::wstring& library : {kLibraryText, kLibraryText2}) {
            EXPECT_FALSE(KeyExists(kMachineClasses, L"TypeLib\\" + library));
        }
        for (const ClassesRoot* view : {&kMachineClasses, &kMachineClasses64}) {
            for (const std::wstring& key : kInterfaceKeys) {
                EXPECT_FALSE(KeyExists(*view, key)) << view->name;
            }
        }
    }

    const std::wstring folder_ = BesideTest(L"second folder");
    const std::wstring copy_ = folder_ + L"\\" + ServerPath().substr(ServerPath().rfind(L'\\') + 1);
};

TEST_P(TwoFolders, TheLastRegistrationOwnsEveryEntryAndNoKeyOutlivesBoth) {
    const TwoFolderCase& c = GetParam();
    const std::wstring first = c.copyFirst ? copy_ : ServerPath();
    const std::wstring last = c.copyFirst ? ServerPath() : copy_;
    ASSERT_EQ(0u, RunServer(L"/RegServer", first));
    ASSERT_EQ(0u, RunServer(L"/RegServer", last));
    ExpectRegistered(Names().machine, last);
    ExpectLibrariesOf(last);

    if (c.ownerUnregisterFirst) {
        EXPECT_EQ(0u, RunServer(L"/UnregServer", last));
        ExpectNothingLeft();
        // Nothing is registered any more, so nothing is left to remove.
        EXPECT_EQ(0u, RunServer(L"/UnregServer", first));
    } else {
        EXPECT_EQ(0u, RunServer(L"/UnregServer", first));
        ExpectRegistered(Names().machine, last);
        ExpectLibrariesOf(last);
        EXPECT_EQ(0u, RunServer(L"/UnregServer", last));
    }
    ExpectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(
    Orders, TwoFolders,
    ::testing::Values(TwoFolderCase{"CopyLastThenTheFirstUnregisteredFirst", false, false},
                      TwoFolderCase{"CopyLastThenTheLastUnregisteredFirst", false, true},
                      TwoFolderCase{"CopyFirstThenTheLastUnregisteredFirst", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The servers of both widths register the same type libraries, each for its own platform, and
// the libraries' interfaces share one set of keys: removing one server leaves what the other's
// clients need to marshal, and removing the second leaves nothing.
struct SharedLibraryCase {
    const wchar_t* registerSwitch;
    const wchar_t* unregisterSwitch;
    const ClassesRoot* classes; // where the libraries are registered, in both views
    const ClassesRoot* classes64;
};

class SharedLibraries : public Registration,
                        public ::testing::WithParamInterface<SharedLibraryCase> {
protected:
    void TearDown() override {
        RunServer(L"/UnregServer", OtherServer().Executable());
        RunServer(L"/UnregServerPerUser", OtherServer().Executable());
    }
};

TEST_P(SharedLibraries, RemovingOneServerLeavesTheOthersLibrariesAndInterfaces) {
    const SharedLibraryCase& c = GetParam();
    const std::wstring other = OtherServer().Executable();
    if (::GetFileAttributesW(other.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "this build has no server of the other width";
    }
    ASSERT_EQ(0u, RunServer(c.registerSwitch));
    if (!KeyExists(*c.classes, LibraryEntry(kLibraryText, Names().platform))) {
        GTEST_SKIP() << "this platform registers per-user type libraries for the machine";
    }
    for (const std::wstring& library : {kLibraryText, kLibraryText2}) {
        EXPECT_TRUE(KeyExists(*c.classes, LibraryEntry(library, L"win32")))
            << "registered alone, either server gives 32-bit clients the libraries";
    }
    ASSERT_EQ(0u, RunServer(c.registerSwitch, other));
    ASSERT_EQ(0u, RunServer(c.unregisterSwitch));

    // What stays names the other server's image alone, for 32-bit clients too (64-bit ones fall
    // back to the win32 entry).
    const wchar_t* otherPlatform = NamesOf(OtherServer()).platform;
    for (const std::wstring& library : {kLibraryText, kLibraryText2}) {
        for (const wchar_t* platform : {L"win32", L"win64"}) {
            const std::optional<std::wstring> entry =
                StringValue(*c.classes, LibraryEntry(library, platform));
            const bool needed =
                std::wcscmp(platform, otherPlatform) == 0 || std::wcscmp(platform, L"win32") == 0;
            if (entry || needed) {
                EXPECT_EQ(other, entry.value_or(L"<missing>").substr(0, other.size()))
                    << "the " << std::string(platform, platform + 5) << " entry";
            }
        }
    }
    for (const ClassesRoot* view : {c.classes, c.classes64}) {
        for (const std::wstring& key : kInterfaceKeys) {
            EXPECT_TRUE(StringValue(*view, key + L"\\TypeLib"))
                << view->name << ": the other server's clients marshal through it";
        }
    }

    ASSERT_EQ(0u, RunServer(c.unregisterSwitch, other));
    for (const std::wstring& library : {kLibraryText, kLibraryText2}) {
        EXPECT_FALSE(KeyExists(*c.classes, L"TypeLib\\" + library + L"\\1.0"));
    }
    for (const ClassesRoot* view : {c.classes, c.classes64}) {
        for (const std::wstring& key : kInterfaceKeys) {
            EXPECT_FALSE(KeyExists(*view, key)) << view->name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scopes, SharedLibraries,
                         ::testing::Values(SharedLibraryCase{L"/RegServer", L"/UnregServer",
                                                             &kMachineClasses, &kMachineClasses64},
                                           SharedLibraryCase{L"/RegServerPerUser",
                                                             L"/UnregServerPerUser", &kUserClasses,
                                                             &kUserClasses64}));

} // namespace
