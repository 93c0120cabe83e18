// Init, the DLL directory it sets, the libraries it binds, and the final release.
#include <gtest/gtest.h>

#include <string>

#include "bridge_under_test.h"
#include "expected_results.h"
#include "provider_record_view.h"
#include "scoped_resource.h"
#include "test_paths.h"
#include "win32_error.h"

using testprovider::Entry;

namespace {

constexpr LONG kUntouched = 0x0BADF00D;

std::wstring DllDirectory() {
    wchar_t buffer[MAX_PATH] = L"<unread>";
    DWORD length = ::GetDllDirectoryW(MAX_PATH, buffer);
    return std::wstring(buffer, length);
}

class ProviderBinding : public ::testing::Test {
protected:
    void SetUp() override {
        record.Reset();
        ::SetDllDirectoryW(L"C:\\before");
    }
    void TearDown() override { ::SetDllDirectoryW(nullptr); }

    HRESULT Init(const std::wstring& path) {
        ScopedBstr name(::SysAllocString(path.c_str()));
        return bridge->Init(name.get());
    }
    bool Loaded(const std::wstring& path) { return ::GetModuleHandleW(path.c_str()) != nullptr; }

    ProviderRecordView record;
    BridgePtr bridge = MakeBridge();
    const std::wstring provider = BesideTest(kTestProvider);
    const std::wstring sparseProvider = BesideTest(kSparseTestProvider);
};

TEST_F(ProviderBinding, NullNameIsRefusedAndChangesNothing) {
    EXPECT_EQ(E_INVALIDARG, bridge->Init(nullptr));
    EXPECT_EQ(L"C:\\before", DllDirectory());

    LONG result = kUntouched;
    EXPECT_EQ(kNoEntry, bridge->SccGetVersion(&result));
    EXPECT_EQ(kUntouched, result);
}

TEST_F(ProviderBinding, NameWithoutFolderOrRootIsRefusedAndKeepsTheBoundLibrary) {
    ASSERT_EQ(S_OK, Init(provider));
    ::SetDllDirectoryW(L"C:\\before");

    // Each would be looked for along the library search order, where it would be found from
    // the test program's folder.
    const std::wstring relative[] = {
        kSparseTestProvider, std::wstring(L".\\") + kSparseTestProvider,
        std::wstring(L"..\\bin\\") + kSparseTestProvider,
        std::wstring(L"bin/") + kSparseTestProvider, std::wstring(L"C:") + kSparseTestProvider};
    for (const std::wstring& path : relative) {
        EXPECT_EQ(E_INVALIDARG, Init(path)) << std::string(path.begin(), path.end());
    }
    EXPECT_EQ(L"C:\\before", DllDirectory());
    EXPECT_FALSE(Loaded(sparseProvider));

    LONG result = kUntouched;
    EXPECT_EQ(S_OK, bridge->SccBeginBatch(&result)); // the sparse provider would lack it
    EXPECT_EQ(0, record.Last().variant);
}

struct DirectoryCase {
    const wchar_t* path;
    const wchar_t* directory;
};

class DllDirectoryOfInit : public ProviderBinding,
                           public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(DllDirectoryOfInit, IsThePathBeforeTheLastSeparatorEvenWhenTheLoadFails) {
    EXPECT_EQ(HResultFromWin32(ERROR_MOD_NOT_FOUND), Init(GetParam().path));
    EXPECT_EQ(GetParam().directory, DllDirectory());

    LONG result = kUntouched;
    EXPECT_EQ(kNoEntry, bridge->SccGetVersion(&result));
    EXPECT_EQ(kUntouched, result);
}

INSTANTIATE_TEST_SUITE_P(ExamplePaths, DllDirectoryOfInit,
                         ::testing::Values(DirectoryCase{L"D:\\tools\\scc\\prov.dll",
                                                         L"D:\\tools\\scc"},
                                           DirectoryCase{L"D:/a\\b/prov.dll", L"D:/a\\b"},
                                           DirectoryCase{L"C:\\a/b\\c\\prov.dll", L"C:\\a/b\\c"},
                                           DirectoryCase{L"\\prov.dll", L""}));

TEST_F(ProviderBinding, MissingFileGivesTheLoadErrorAndUnbindsThePreviousLibrary) {
    ASSERT_EQ(S_OK, Init(provider));
    const std::wstring missing = FolderOf(provider) + L"\\no_such_provider.dll";

    EXPECT_EQ(HResultFromWin32(ERROR_MOD_NOT_FOUND), Init(missing));
    EXPECT_EQ(FolderOf(provider), DllDirectory());

    LONG result = kUntouched;
    EXPECT_EQ(kNoEntry, bridge->SccEndBatch(&result));
    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(0, record.Count());
    // The library bound before stays loaded; it is only no longer used.
    EXPECT_TRUE(Loaded(provider));
    ::FreeLibrary(::GetModuleHandleW(provider.c_str()));
}

TEST_F(ProviderBinding, BindsTheLibraryAndSetsItsFolderAsDllDirectory) {
    ASSERT_FALSE(Loaded(provider));
    ASSERT_EQ(S_OK, Init(provider));

    EXPECT_TRUE(Loaded(provider));
    EXPECT_EQ(FolderOf(provider), DllDirectory());
    LONG result = kUntouched;
    EXPECT_EQ(S_OK, bridge->SccGetVersion(&result));
    ASSERT_EQ(1, record.Count());
    EXPECT_EQ(Entry::GetVersion, record.Last().entry);
    EXPECT_EQ(::GetCurrentProcessId(), record.Last().processId);
}

TEST_F(ProviderBinding, SecondInitUsesTheNewLibraryAndKeepsTheFirstLoaded) {
    ASSERT_EQ(S_OK, Init(provider));
    ASSERT_EQ(S_OK, Init(sparseProvider));
    EXPECT_TRUE(Loaded(provider));
    EXPECT_TRUE(Loaded(sparseProvider));

    LONG result = kUntouched;
    EXPECT_EQ(S_OK, bridge->SccEndBatch(&result));
    EXPECT_EQ(1, record.Last().variant);
    EXPECT_EQ(kNoEntry, bridge->SccBeginBatch(&result));

    // The final release frees only the library bound last.
    bridge.reset();
    EXPECT_FALSE(Loaded(sparseProvider));
    EXPECT_TRUE(Loaded(provider));
    ::FreeLibrary(::GetModuleHandleW(provider.c_str()));
}

TEST_F(ProviderBinding, FinalReleaseUnloadsTheProviderWithoutCallingIt) {
    ASSERT_EQ(S_OK, Init(provider));
    ASSERT_TRUE(Loaded(provider));

    bridge.reset();

    EXPECT_FALSE(Loaded(provider));
    EXPECT_EQ(0, record.Count());
}

TEST_F(ProviderBinding, ReleasingAnUnboundObjectFreesNothing) {
    bridge.reset();
    EXPECT_EQ(0, record.Count());
}

} // namespace
