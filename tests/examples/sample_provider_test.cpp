// The sample provider's behaviour through its own exports: the session, the project and the
// life of a controlled file, with what each call leaves in the working folder and the store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sample_provider_exports.h"
#include "scc_values.h"
#include "temp_folder.h"

namespace {

constexpr LONG kUntouched = 0x0BADF00D;

// One initialised provider session; opens projects in a fresh temporary folder.
class SampleProvider : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scc.Complete());
        ASSERT_FALSE(temp.path().empty());
        work = temp.path() + L"\\work";
        store = work + L".store";
        ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
        context = Initialize();
        ASSERT_NE(nullptr, context);
    }
    void TearDown() override {
        for (void* session : sessions) {
            scc.Uninitialize(session);
        }
    }

    void* Initialize() {
        void* session = nullptr;
        char name[SCC_NAME_LEN + 1] = "";
        char label[SCC_AUXLABEL_LEN + 1] = "";
        LONG caps = 0, checkoutComment = 0, comment = 0;
        if (scc.Initialize(&session, nullptr, "test", name, &caps, label, &checkoutComment,
                           &comment) != SCC_OK) {
            return nullptr;
        }
        sessions.push_back(session);
        return session;
    }

    LONG Open(void* session, const char* user, LONG flags, std::string* auxPath = nullptr) {
        char userBuffer[SCC_USER_LEN + 1] = "";
        char aux[SCC_PRJPATH_LEN + 1] = "";
        lstrcpynA(userBuffer, user, sizeof userBuffer);
        LONG result = scc.OpenProject(session, nullptr, userBuffer, "demo", Narrow(work).c_str(),
                                      aux, nullptr, nullptr, flags);
        if (auxPath != nullptr) {
            *auxPath = aux;
        }
        return result;
    }

    std::wstring File(const wchar_t* name) const { return work + L"\\" + name; }
    std::wstring Stored(const wchar_t* name) const { return store + L"\\files\\" + name; }

    // Makes the working file and adds it with `comment`.
    LONG AddNew(const wchar_t* name, const std::string& content, const char* comment = "added") {
        if (!WriteText(File(name), content)) {
            return kUntouched;
        }
        return Call(scc.Add, name, comment);
    }

    // Calls a one-file entry point of the open project.
    LONG Call(provider::SccAddFn entry, const wchar_t* name, const char* comment) {
        std::string path = Narrow(File(name));
        LPCSTR names[] = {path.c_str()};
        LONG options[] = {0};
        return entry(context, nullptr, 1, names, comment, options, 0);
    }
    LONG Call(provider::SccCheckinFn entry, const wchar_t* name, const char* comment = nullptr,
              LONG options = 0) {
        std::string path = Narrow(File(name));
        LPCSTR names[] = {path.c_str()};
        return entry(context, nullptr, 1, names, comment, options, 0);
    }
    LONG Call(provider::SccUncheckoutFn entry, const wchar_t* name, LONG options = 0) {
        std::string path = Narrow(File(name));
        LPCSTR names[] = {path.c_str()};
        return entry(context, nullptr, 1, names, options, 0);
    }

    LONG Status(void* session, const std::string& path) {
        LPCSTR names[] = {path.c_str()};
        LONG status = kUntouched;
        LONG result = scc.QueryInfo(session, 1, names, &status);
        return result == SCC_OK ? status : result;
    }
    LONG Status(const wchar_t* name) { return Status(context, Narrow(File(name))); }

    SampleProviderExports scc;
    TempFolder temp;
    std::wstring work;
    std::wstring store;
    void* context = nullptr;
    std::vector<void*> sessions;
};

constexpr LONG kOutByUser = SCC_STATUS_CONTROLLED | SCC_STATUS_CHECKEDOUT | SCC_STATUS_OUTBYUSER;

using SampleProviderSession = SampleProvider;

TEST_F(SampleProviderSession, InitializeDescribesTheProvider) {
    void* session = nullptr;
    char name[SCC_NAME_LEN + 1] = "old";
    char label[SCC_AUXLABEL_LEN + 1] = "old";
    LONG caps = kUntouched, checkoutComment = kUntouched, comment = kUntouched;
    ASSERT_EQ(SCC_OK, scc.Initialize(&session, nullptr, "test", name, &caps, label,
                                     &checkoutComment, &comment));
    sessions.push_back(session);

    EXPECT_NE(nullptr, session);
    EXPECT_NE(context, session);
    EXPECT_STREQ("Plimo sample provider", name);
    EXPECT_STREQ("Store folder", label);
    EXPECT_EQ(SCC_CAP_QUERYINFO | SCC_CAP_GETPROJPATH | SCC_CAP_COMMENTCHECKIN | SCC_CAP_COMMENTADD,
              caps);
    EXPECT_EQ(0, checkoutComment);
    EXPECT_EQ(1024, comment);
    EXPECT_EQ(0x00010001, scc.GetVersion(session));
}

TEST_F(SampleProviderSession, ContextIsRefusedOnceUninitialized) {
    ASSERT_EQ(SCC_OK, scc.Uninitialize(context));
    sessions.clear();

    EXPECT_EQ(SCC_E_INITIALIZEFAILED, Open(context, "alice", SCC_OP_CREATEIFNEW));
    EXPECT_FALSE(Exists(store));
    EXPECT_EQ(SCC_E_INITIALIZEFAILED, Status(L"a.txt"));
    EXPECT_EQ(SCC_E_INITIALIZEFAILED, scc.CloseProject(context));
    EXPECT_EQ(SCC_E_INITIALIZEFAILED, scc.BeginBatch(context));
    EXPECT_EQ(SCC_E_INITIALIZEFAILED, scc.Uninitialize(context));
}

TEST_F(SampleProviderSession, OptionsAndCommandOptionsAreNotSupported) {
    LONG cookie = kUntouched;
    EXPECT_EQ(SCC_E_OPNOTSUPPORTED, scc.SetOption(context, 1, 1));
    EXPECT_EQ(SCC_E_OPNOTSUPPORTED, scc.GetCommandOptions(context, nullptr, 1, &cookie));
    EXPECT_EQ(kUntouched, cookie);
    EXPECT_EQ(SCC_OK, scc.EndBatch(context));
}

using SampleProviderProject = SampleProvider;

TEST_F(SampleProviderProject, StoreIsCreatedOnlyWhenAsked) {
    EXPECT_EQ(SCC_E_UNKNOWNPROJECT, Open(context, "alice", 0));
    EXPECT_FALSE(Exists(store));

    std::string aux;
    ASSERT_EQ(SCC_OK, Open(context, "alice", SCC_OP_CREATEIFNEW, &aux));
    EXPECT_EQ(Narrow(store), aux);
    EXPECT_EQ("demo\n", ReadText(store + L"\\project.txt"));
}

TEST_F(SampleProviderProject, OpenFillsInTheSignedInUser) {
    char user[SCC_USER_LEN + 1] = "";
    char aux[SCC_PRJPATH_LEN + 1] = "";
    ASSERT_EQ(SCC_OK, scc.OpenProject(context, nullptr, user, "demo", Narrow(work).c_str(), aux,
                                      nullptr, nullptr, SCC_OP_CREATEIFNEW));
    wchar_t signedIn[257];
    DWORD length = ARRAYSIZE(signedIn);
    ASSERT_TRUE(::GetUserNameW(signedIn, &length));
    EXPECT_EQ(Narrow(signedIn), user);
}

TEST_F(SampleProviderProject, ExistingStoreOpensOnlyUnderItsOwnName) {
    ASSERT_EQ(SCC_OK, Open(context, "alice", SCC_OP_CREATEIFNEW));
    EXPECT_EQ(SCC_E_PROJECTALREADYOPEN, Open(context, "alice", 0));
    ASSERT_EQ(SCC_OK, scc.CloseProject(context));
    EXPECT_EQ(SCC_E_PROJNOTOPEN, scc.CloseProject(context));
    EXPECT_EQ(SCC_E_PROJNOTOPEN, Status(L"a.txt"));

    EXPECT_EQ(SCC_OK, Open(context, "alice", 0));
    ASSERT_EQ(SCC_OK, scc.CloseProject(context));
    char user[SCC_USER_LEN + 1] = "alice";
    char aux[SCC_PRJPATH_LEN + 1] = "";
    EXPECT_EQ(SCC_E_UNKNOWNPROJECT,
              scc.OpenProject(context, nullptr, user, "other", Narrow(work).c_str(), aux, nullptr,
                              nullptr, SCC_OP_CREATEIFNEW));
    EXPECT_STREQ("", aux);
}

TEST_F(SampleProviderProject, GetProjPathProposesTheDefaultsAndSaysWhetherTheyAreNew) {
    char user[SCC_USER_LEN + 1] = "alice";
    char name[SCC_PRJPATH_LEN + 1] = "";
    char local[MAX_PATH + 1] = "";
    char aux[SCC_PRJPATH_LEN + 1] = "";
    lstrcpynA(local, Narrow(work).c_str(), sizeof local);
    BOOL isNew = FALSE;
    EXPECT_EQ(SCC_E_UNKNOWNPROJECT,
              scc.GetProjPath(context, nullptr, user, name, local, aux, FALSE, &isNew));
    EXPECT_STREQ("", name);

    isNew = TRUE;
    ASSERT_EQ(SCC_OK, scc.GetProjPath(context, nullptr, user, name, local, aux, FALSE, &isNew));
    EXPECT_EQ(TRUE, isNew);
    EXPECT_STREQ("work", name);
    EXPECT_EQ(Narrow(store), aux);
    EXPECT_EQ(Narrow(work), local);

    ASSERT_EQ(SCC_OK, Open(context, "alice", SCC_OP_CREATEIFNEW));
    EXPECT_EQ(SCC_OK, scc.GetProjPath(context, nullptr, user, name, local, aux, FALSE, &isNew));
    EXPECT_EQ(FALSE, isNew);
}

// A project open for "alice" with a.txt added.
class SampleProviderFile : public SampleProvider {
protected:
    void SetUp() override {
        SampleProvider::SetUp();
        ASSERT_EQ(SCC_OK, Open(context, "alice", SCC_OP_CREATEIFNEW));
        ASSERT_EQ(SCC_OK, AddNew(L"a.txt", "one\n", "first"));
    }
};

TEST_F(SampleProviderFile, AddStoresVersionOneAndLeavesTheFileCheckedIn) {
    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"a.txt"));
    EXPECT_TRUE(IsReadOnly(File(L"a.txt")));
    EXPECT_EQ("one\n", ReadText(Stored(L"a.txt.1")));
    EXPECT_EQ("latest 1\nout\nlog 1\talice\tfirst\n", ReadText(Stored(L"a.txt.state")));
}

TEST_F(SampleProviderFile, FilesInSubfoldersAreStoredUnderTheSameRelativePath) {
    ASSERT_TRUE(::CreateDirectoryW(File(L"sub").c_str(), nullptr));
    ASSERT_EQ(SCC_OK, AddNew(L"sub\\b.txt", "bee"));
    EXPECT_EQ("bee", ReadText(Stored(L"sub\\b.txt.1")));
    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"sub\\b.txt"));
}

TEST_F(SampleProviderFile, CheckoutMakesTheFileWritableAndChangesShowAsModified) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    EXPECT_EQ(kOutByUser, Status(L"a.txt"));
    EXPECT_FALSE(IsReadOnly(File(L"a.txt")));

    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    EXPECT_EQ(kOutByUser | SCC_STATUS_MODIFIED, Status(L"a.txt"));
    EXPECT_EQ("one\n", ReadText(Stored(L"a.txt.1")));
}

TEST_F(SampleProviderFile, CheckinStoresTheChangeAsANewVersionWithItsComment) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "fix\tthe\r\nfirst line"));

    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"a.txt"));
    EXPECT_TRUE(IsReadOnly(File(L"a.txt")));
    EXPECT_EQ("one\n", ReadText(Stored(L"a.txt.1")));
    EXPECT_EQ("two\n", ReadText(Stored(L"a.txt.2")));
    EXPECT_EQ("latest 2\nout\nlog 1\talice\tfirst\nlog 2\talice\tfix the  first line\n",
              ReadText(Stored(L"a.txt.state")));
}

TEST_F(SampleProviderFile, UnchangedCheckinAddsNoVersion) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "nothing"));
    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"a.txt"));
    EXPECT_FALSE(Exists(Stored(L"a.txt.2")));
}

TEST_F(SampleProviderFile, CheckinCanKeepTheFileCheckedOut) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "keep", SCC_KEEP_CHECKEDOUT));
    EXPECT_EQ(kOutByUser, Status(L"a.txt"));
    EXPECT_FALSE(IsReadOnly(File(L"a.txt")));
    EXPECT_EQ("two\n", ReadText(Stored(L"a.txt.2")));
}

TEST_F(SampleProviderFile, UncheckoutThrowsTheChangesAway) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Uncheckout, L"a.txt"));
    EXPECT_EQ("one\n", ReadText(File(L"a.txt")));
    EXPECT_TRUE(IsReadOnly(File(L"a.txt")));
    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"a.txt"));
    EXPECT_FALSE(Exists(Stored(L"a.txt.2")));
}

TEST_F(SampleProviderFile, GetRestoresTheLatestVersionButNotOverACheckedOutFile) {
    ASSERT_TRUE(::SetFileAttributesW(File(L"a.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileW(File(L"a.txt").c_str()));
    ASSERT_EQ(SCC_OK, Call(scc.Get, L"a.txt"));
    EXPECT_EQ("one\n", ReadText(File(L"a.txt")));
    EXPECT_TRUE(IsReadOnly(File(L"a.txt")));

    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "mine\n"));
    EXPECT_EQ(SCC_E_FILEISCHECKEDOUT, Call(scc.Get, L"a.txt"));
    EXPECT_EQ("mine\n", ReadText(File(L"a.txt")));
    EXPECT_EQ(SCC_E_OPNOTSUPPORTED, Call(scc.Get, L"a.txt", SCC_GET_ALL));
}

TEST_F(SampleProviderFile, OneFailingFileDoesNotStopTheOthers) {
    ASSERT_TRUE(WriteText(File(L"b.txt"), "bee"));
    std::string missing = Narrow(File(L"missing.txt"));
    std::string added = Narrow(File(L"b.txt"));
    LPCSTR names[] = {missing.c_str(), added.c_str()};
    LONG options[] = {0, 0};
    EXPECT_EQ(SCC_E_FILENOTEXIST, scc.Add(context, nullptr, 2, names, "two", options, 0));
    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"b.txt"));
    EXPECT_EQ(SCC_STATUS_NOTCONTROLLED, Status(L"missing.txt"));
}

// A refused call changes neither the working copy nor the store.
enum class Operation { Add, Checkout, Checkin, Uncheckout };

struct Refusal {
    const char* name;
    bool checkedOutFirst;
    Operation operation;
    const wchar_t* file;
    LONG expected;
};

void PrintTo(const Refusal& refusal, std::ostream* os) {
    *os << refusal.name;
}

class SampleProviderRefusal : public SampleProviderFile,
                              public ::testing::WithParamInterface<Refusal> {
protected:
    LONG Apply(Operation operation, const wchar_t* file) {
        switch (operation) {
        case Operation::Add:
            return Call(scc.Add, file, "again");
        case Operation::Checkout:
            return Call(scc.Checkout, file);
        case Operation::Checkin:
            return Call(scc.Checkin, file, "in");
        case Operation::Uncheckout:
            return Call(scc.Uncheckout, file);
        }
        return kUntouched;
    }
};

TEST_P(SampleProviderRefusal, LeavesFileAndStoreAsTheyWere) {
    const Refusal& refusal = GetParam();
    if (refusal.checkedOutFirst) {
        ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    }
    // A file outside the working folder that a refused path could reach.
    ASSERT_TRUE(WriteText(temp.path() + L"\\escaped.txt", "out"));
    std::string record = ReadText(Stored(L"a.txt.state"));
    bool readOnly = IsReadOnly(File(L"a.txt"));

    EXPECT_EQ(refusal.expected, Apply(refusal.operation, refusal.file));
    EXPECT_EQ(record, ReadText(Stored(L"a.txt.state")));
    EXPECT_EQ(readOnly, IsReadOnly(File(L"a.txt")));
    EXPECT_EQ("one\n", ReadText(File(L"a.txt")));
    EXPECT_FALSE(Exists(Stored(L"a.txt.2")));
    EXPECT_FALSE(Exists(store + L"\\escaped.txt.1"));
    EXPECT_FALSE(Exists(store + L"\\files\\escaped.txt.1"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SampleProviderRefusal,
    ::testing::Values(
        Refusal{"AddTwice", false, Operation::Add, L"a.txt", SCC_E_FILEALREADYEXISTS},
        Refusal{"AddMissing", false, Operation::Add, L"none.txt", SCC_E_FILENOTEXIST},
        Refusal{"AddOutsideTheWorkingFolder", false, Operation::Add, L"..\\escaped.txt",
                SCC_E_INVALIDFILEPATH},
        Refusal{"CheckoutTwice", true, Operation::Checkout, L"a.txt", SCC_E_ALREADYCHECKEDOUT},
        Refusal{"CheckoutUncontrolled", false, Operation::Checkout, L"none.txt",
                SCC_E_FILENOTCONTROLLED},
        Refusal{"CheckinNotCheckedOut", false, Operation::Checkin, L"a.txt", SCC_E_NOTCHECKEDOUT},
        Refusal{"UncheckoutNotCheckedOut", false, Operation::Uncheckout, L"a.txt",
                SCC_E_NOTCHECKEDOUT}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(SampleProviderFile, AnotherUsersCheckoutIsExclusive) {
    void* bob = Initialize();
    ASSERT_NE(nullptr, bob);
    ASSERT_EQ(SCC_OK, Open(bob, "bob", 0));
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));

    std::string path = Narrow(File(L"a.txt"));
    LPCSTR names[] = {path.c_str()};
    EXPECT_EQ(SCC_STATUS_CONTROLLED | SCC_STATUS_OUTOTHER, Status(bob, path));
    EXPECT_EQ(SCC_E_FILEOUTEXCLUSIVE, scc.Checkout(bob, nullptr, 1, names, nullptr, 0, 0));
    EXPECT_EQ(SCC_E_NOTCHECKEDOUT, scc.Checkin(bob, nullptr, 1, names, "mine", 0, 0));
    EXPECT_EQ(kOutByUser, Status(L"a.txt"));
}

TEST_F(SampleProviderFile, QueryInfoMarksPathsOutsideTheProjectInvalid) {
    std::string outside = Narrow(temp.path() + L"\\elsewhere.txt");
    std::string escaping = Narrow(File(L"..\\work.store\\files\\a.txt.1"));
    std::string uncontrolled = Narrow(File(L"none.txt"));
    std::string controlled = Narrow(File(L"a.txt"));
    LPCSTR names[] = {outside.c_str(), escaping.c_str(), uncontrolled.c_str(), nullptr,
                      controlled.c_str()};
    LONG status[5] = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    ASSERT_EQ(SCC_OK, scc.QueryInfo(context, 5, names, status));
    EXPECT_EQ(SCC_STATUS_INVALID, status[0]);
    EXPECT_EQ(SCC_STATUS_INVALID, status[1]);
    EXPECT_EQ(SCC_STATUS_NOTCONTROLLED, status[2]);
    EXPECT_EQ(SCC_STATUS_INVALID, status[3]);
    EXPECT_EQ(SCC_STATUS_CONTROLLED, status[4]);
}

} // namespace
