// A whole session with the sample provider driven through the bridge, as a client would drive
// it: every call crosses the bridge's conversions and does real work in a temporary project.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge_under_test.h"
#include "sample_provider_exports.h"
#include "provider_values.h"
#include "scoped_resource.h"
#include "temp_folder.h"
#include "test_arrays.h"
#include "test_paths.h"

namespace {

constexpr LONG kUntouched = 0x0BADF00D;

// Owns a VARIANT that holds an array handed to or received from the bridge.
// One option word per file: VT_ARRAY | VT_I4, all 0.
ScopedVariant Options(size_t count) {
    return OwnedArgument(
        ScopedSafeArray(::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(count))),
        VT_ARRAY | VT_I4);
}

class SampleSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp.path().empty());
        work = temp.path() + L"\\work";
        store = work + L".store";
        ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
        ASSERT_TRUE(WriteText(File(L"a.txt"), "alpha\n"));
        ASSERT_TRUE(WriteText(File(L"b.txt"), "beta\n"));
        ScopedBstr path(::SysAllocString(BesideTest(kSampleProvider).c_str()));
        ASSERT_EQ(S_OK, bridge->Init(path.get()));
    }
    void TearDown() override {
        bridge.reset();
        ::SetDllDirectoryW(nullptr);
    }

    std::wstring File(const wchar_t* name) const { return work + L"\\" + name; }
    std::wstring Stored(const wchar_t* name) const { return store + L"\\files\\" + name; }

    // The status words of the files, or an empty list when the bridge or provider failed.
    std::vector<LONG> Query(const std::vector<std::wstring>& paths) {
        ScopedVariant names = OwnedArgument(BstrArray(paths));
        ScopedVariant status;
        LONG result = kUntouched;
        if (bridge->SccQueryInfo(names.get(), status.put(), &result) != S_OK || result != SCC_OK ||
            status.get().vt != (VT_ARRAY | VT_I4)) {
            return {};
        }
        std::vector<LONG> words(paths.size());
        for (LONG i = 0; i < static_cast<LONG>(words.size()); ++i) {
            ::SafeArrayGetElement(status.get().parray, &i, &words[i]);
        }
        return words;
    }

    TempFolder temp;
    std::wstring work;
    std::wstring store;
    BridgePtr bridge = MakeBridge();
};

constexpr LONG kControlled = SCC_STATUS_CONTROLLED;
constexpr LONG kOutByUser = SCC_STATUS_CONTROLLED | SCC_STATUS_CHECKEDOUT | SCC_STATUS_OUTBYUSER;

TEST_F(SampleSession, AddCheckOutCheckInUndoAndGetDoRealWork) {
    const std::wstring a = File(L"a.txt");
    const std::wstring b = File(L"b.txt");
    LONG result = kUntouched;

    // Initialise: the provider names itself through the bridge's narrow buffers.
    BSTR name = nullptr;
    BSTR label = nullptr;
    LONG caps = 0, checkoutComment = 0, comment = 0;
    ASSERT_EQ(S_OK, bridge->SccInitialize(0, ScopedBstr(::SysAllocString(L"test")).get(), &name,
                                          &caps, &label, &checkoutComment, &comment, &result));
    ScopedBstr ownName(name), ownLabel(label);
    ASSERT_EQ(SCC_OK, result);
    EXPECT_STREQ(L"Plimo sample provider", name);
    EXPECT_STREQ(L"Store folder", label);
    EXPECT_NE(0, caps & SCC_CAP_QUERYINFO);

    // Open a new project: the store's default place comes back in the auxiliary path.
    BSTR user = ::SysAllocString(L"alice");
    BSTR aux = nullptr;
    ScopedBstr projName(::SysAllocString(L"demo"));
    ScopedBstr local(::SysAllocString(work.c_str()));
    ASSERT_EQ(S_OK, bridge->SccOpenProject(0, &user, projName.get(), local.get(), &aux, nullptr,
                                           SCC_OP_CREATEIFNEW, &result));
    ScopedBstr ownUser(user), ownAux(aux);
    ASSERT_EQ(SCC_OK, result);
    EXPECT_STREQ(L"alice", user);
    EXPECT_STREQ(store.c_str(), aux);

    // Add both files: controlled, read-only, version 1 in the store.
    ScopedVariant both = OwnedArgument(BstrArray({a, b}));
    ScopedVariant options = Options(2);
    ScopedBstr firstComment(::SysAllocString(L"first"));
    ASSERT_EQ(S_OK, bridge->SccAdd(0, both.get(), firstComment.get(), options.get(), 0, &result));
    ASSERT_EQ(SCC_OK, result);
    EXPECT_EQ((std::vector<LONG>{kControlled, kControlled}), Query({a, b}));
    EXPECT_TRUE(IsReadOnly(a));
    EXPECT_EQ("beta\n", ReadText(Stored(L"b.txt.1")));

    // Check out a.txt, change it: checked out, then modified; b.txt is not touched.
    ScopedVariant onlyA = OwnedArgument(BstrArray({a}));
    ScopedVariant onlyB = OwnedArgument(BstrArray({b}));
    ASSERT_EQ(S_OK, bridge->SccCheckout(0, onlyA.get(), nullptr, 0, 0, &result));
    ASSERT_EQ(SCC_OK, result);
    EXPECT_EQ((std::vector<LONG>{kOutByUser, kControlled}), Query({a, b}));
    ASSERT_TRUE(WriteText(a, "alpha, second\n"));
    EXPECT_EQ((std::vector<LONG>{kOutByUser | SCC_STATUS_MODIFIED, kControlled}), Query({a, b}));

    // Check in with a comment: version 2 holds the change, the log the comment.
    ScopedBstr secondComment(::SysAllocString(L"second"));
    ASSERT_EQ(S_OK, bridge->SccCheckin(0, onlyA.get(), secondComment.get(), 0, 0, &result));
    ASSERT_EQ(SCC_OK, result);
    EXPECT_EQ((std::vector<LONG>{kControlled, kControlled}), Query({a, b}));
    EXPECT_EQ("alpha, second\n", ReadText(Stored(L"a.txt.2")));
    EXPECT_NE(std::string::npos, ReadText(Stored(L"a.txt.state")).find("\talice\tsecond\n"));
    EXPECT_FALSE(Exists(Stored(L"b.txt.2")));

    // Check out b.txt, spoil it, undo the check-out: the stored version comes back.
    ASSERT_EQ(S_OK, bridge->SccCheckout(0, onlyB.get(), nullptr, 0, 0, &result));
    ASSERT_TRUE(WriteText(b, "spoilt\n"));
    ASSERT_EQ(S_OK, bridge->SccUncheckout(0, onlyB.get(), 0, 0, &result));
    ASSERT_EQ(SCC_OK, result);
    EXPECT_EQ("beta\n", ReadText(b));
    EXPECT_EQ((std::vector<LONG>{kControlled, kControlled}), Query({a, b}));

    // Get the latest a.txt in place of a lost working copy.
    ASSERT_TRUE(::SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileW(a.c_str()));
    ASSERT_EQ(S_OK, bridge->SccGet(0, onlyA.get(), 0, 0, &result));
    ASSERT_EQ(SCC_OK, result);
    EXPECT_EQ("alpha, second\n", ReadText(a));

    // Close and uninitialise: afterwards the old context is refused, not used.
    ASSERT_EQ(S_OK, bridge->SccCloseProject(&result));
    EXPECT_EQ(SCC_OK, result);
    ASSERT_EQ(S_OK, bridge->SccUninitialize(&result));
    EXPECT_EQ(SCC_OK, result);
    ASSERT_EQ(S_OK, bridge->SccCloseProject(&result));
    EXPECT_EQ(SCC_E_INITIALIZEFAILED, result);
}

} // namespace
