// The sample provider's behaviour through its own exports: the session, the project and the
// life of a controlled file, with what each call leaves in the working folder and the store and
// the messages it writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sample_provider_exports.h"
#include "provider_values.h"
#include "temp_folder.h"

namespace {

constexpr LONG kUntouched = 0x0BADF00D;

// Every message written through RecordMessage, with its type: the procedure has no caller data.
std::vector<std::pair<DWORD, std::string>> g_messages;

LONG __cdecl RecordMessage(LPCSTR message, DWORD type) {
    g_messages.emplace_back(type, message);
    return SCC_MSG_RTN_OK;
}

std::pair<DWORD, std::string> Info(const std::string& text) {
    return {SCC_MSG_INFO, text};
}

// One initialised provider session; opens projects in a fresh temporary folder.
class SampleProvider : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scc.Complete());
        ASSERT_TRUE(remove && rename && populateList && queryChanges);
        g_messages.clear();
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
                                      aux, nullptr, textOut, flags);
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

    LONG Rename(const wchar_t* from, const wchar_t* to) {
        return rename(context, nullptr, Narrow(File(from)).c_str(), Narrow(File(to)).c_str());
    }

    LONG Status(void* session, const std::string& path) {
        LPCSTR names[] = {path.c_str()};
        LONG status = kUntouched;
        LONG result = scc.QueryInfo(session, 1, names, &status);
        return result == SCC_OK ? status : result;
    }
    LONG Status(const wchar_t* name) { return Status(context, Narrow(File(name))); }

    SampleProviderExports scc;
    // The entry points of the interface's later versions, found the same way.
    const provider::SccRemoveFn remove = scc.Find<provider::SccRemoveFn>("SccRemove");
    const provider::SccRenameFn rename = scc.Find<provider::SccRenameFn>("SccRename");
    const provider::SccPopulateListFn populateList =
        scc.Find<provider::SccPopulateListFn>("SccPopulateList");
    const provider::SccQueryChangesFn queryChanges =
        scc.Find<provider::SccQueryChangesFn>("SccQueryChanges");
    // The text-output procedure that Open hands over.
    provider::TextOutProc textOut = nullptr;
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
    EXPECT_EQ(0x0200B283, caps); // remove, rename, query info, project path, check-in and add
                                 // comments, text output, populate list
    EXPECT_EQ(0, checkoutComment);
    EXPECT_EQ(1024, comment);
    EXPECT_EQ(0x00010002, scc.GetVersion(session));
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

// A refused call changes neither the working copy nor the store, and writes one error message
// saying why. "<path>" and "<new>" in a message stand for the two names as the call gave them.
enum class Operation { Add, Checkout, Checkin, Uncheckout, Remove, Rename };

struct Refusal {
    const char* name;
    bool checkedOutFirst;
    Operation operation;
    const wchar_t* file;
    const wchar_t* newName; // for a rename
    LONG expected;
    const char* message;
};

void PrintTo(const Refusal& refusal, std::ostream* os) {
    *os << refusal.name;
}

std::string Replaced(std::string text, const std::string& mark, const std::string& by) {
    size_t at = text.find(mark);
    return at == std::string::npos ? text : text.replace(at, mark.size(), by);
}

class SampleProviderRefusal : public SampleProviderFile,
                              public ::testing::WithParamInterface<Refusal> {
protected:
    SampleProviderRefusal() { textOut = RecordMessage; }

    LONG Apply(const Refusal& refusal) {
        switch (refusal.operation) {
        case Operation::Add:
            return Call(scc.Add, refusal.file, "again");
        case Operation::Checkout:
            return Call(scc.Checkout, refusal.file);
        case Operation::Checkin:
            return Call(scc.Checkin, refusal.file, "in");
        case Operation::Uncheckout:
            return Call(scc.Uncheckout, refusal.file);
        case Operation::Remove:
            return Call(remove, refusal.file);
        case Operation::Rename:
            return Rename(refusal.file, refusal.newName);
        }
        return kUntouched;
    }
};

TEST_P(SampleProviderRefusal, LeavesFileAndStoreAsTheyWereAndSaysWhy) {
    const Refusal& refusal = GetParam();
    if (refusal.checkedOutFirst) {
        ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    }
    // A file outside the working folder that a refused path could reach, and one a refused
    // rename could take the place of.
    ASSERT_TRUE(WriteText(temp.path() + L"\\escaped.txt", "out"));
    ASSERT_TRUE(WriteText(File(L"taken.txt"), "taken"));
    std::string record = ReadText(Stored(L"a.txt.state"));
    bool readOnly = IsReadOnly(File(L"a.txt"));
    g_messages.clear();

    EXPECT_EQ(refusal.expected, Apply(refusal));
    EXPECT_EQ(record, ReadText(Stored(L"a.txt.state")));
    EXPECT_EQ(readOnly, IsReadOnly(File(L"a.txt")));
    EXPECT_EQ("one\n", ReadText(File(L"a.txt")));
    EXPECT_EQ("one\n", ReadText(Stored(L"a.txt.1")));
    EXPECT_FALSE(Exists(Stored(L"a.txt.2")));
    EXPECT_FALSE(Exists(store + L"\\escaped.txt.1"));
    EXPECT_FALSE(Exists(store + L"\\files\\escaped.txt.1"));
    EXPECT_EQ("out", ReadText(temp.path() + L"\\escaped.txt"));
    EXPECT_EQ("taken", ReadText(File(L"taken.txt")));
    EXPECT_FALSE(Exists(Stored(L"taken.txt.state")));
    EXPECT_FALSE(Exists(File(L"c.txt")));
    EXPECT_FALSE(Exists(temp.path() + L"\\c.txt"));
    EXPECT_FALSE(Exists(Stored(L"c.txt.1")));

    std::string message = Replaced(refusal.message, "<path>", Narrow(File(refusal.file)));
    if (refusal.newName != nullptr) {
        message = Replaced(message, "<new>", Narrow(File(refusal.newName)));
    }
    using Messages = std::vector<std::pair<DWORD, std::string>>;
    EXPECT_EQ(Messages({{SCC_MSG_ERROR, message}}), g_messages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SampleProviderRefusal,
    ::testing::Values(
        Refusal{"AddTwice", false, Operation::Add, L"a.txt", nullptr, SCC_E_FILEALREADYEXISTS,
                "could not add a.txt: it is already under source control"},
        Refusal{"AddMissing", false, Operation::Add, L"none.txt", nullptr, SCC_E_FILENOTEXIST,
                "could not add none.txt: the file does not exist"},
        Refusal{"AddOutsideTheWorkingFolder", false, Operation::Add, L"..\\escaped.txt", nullptr,
                SCC_E_INVALIDFILEPATH,
                "could not add <path>: the path is not inside the working folder"},
        Refusal{"CheckoutTwice", true, Operation::Checkout, L"a.txt", nullptr,
                SCC_E_ALREADYCHECKEDOUT,
                "could not check out a.txt: it is already checked out to you"},
        Refusal{"CheckoutUncontrolled", false, Operation::Checkout, L"none.txt", nullptr,
                SCC_E_FILENOTCONTROLLED,
                "could not check out none.txt: it is not under source control"},
        Refusal{"CheckinNotCheckedOut", false, Operation::Checkin, L"a.txt", nullptr,
                SCC_E_NOTCHECKEDOUT, "could not check in a.txt: it is not checked out to you"},
        Refusal{"UncheckoutNotCheckedOut", false, Operation::Uncheckout, L"a.txt", nullptr,
                SCC_E_NOTCHECKEDOUT,
                "could not undo the check-out of a.txt: it is not checked out to you"},
        Refusal{"RemoveUncontrolled", false, Operation::Remove, L"taken.txt", nullptr,
                SCC_E_FILENOTCONTROLLED,
                "could not remove taken.txt: it is not under source control"},
        Refusal{"RemoveCheckedOut", true, Operation::Remove, L"a.txt", nullptr,
                SCC_E_FILEISCHECKEDOUT,
                "could not remove a.txt: it is checked out: check it in or undo the check-out "
                "first"},
        Refusal{"RenameOntoAnotherFile", false, Operation::Rename, L"a.txt", L"taken.txt",
                SCC_E_FILEALREADYEXISTS,
                "could not rename a.txt to taken.txt: taken.txt already exists"},
        Refusal{"RenameOntoItself", false, Operation::Rename, L"a.txt", L"A.TXT",
                SCC_E_FILEALREADYEXISTS, "could not rename a.txt to A.TXT: A.TXT already exists"},
        Refusal{"RenameCheckedOut", true, Operation::Rename, L"a.txt", L"c.txt",
                SCC_E_FILEISCHECKEDOUT,
                "could not rename a.txt to c.txt: it is checked out: check it in or undo the "
                "check-out first"},
        Refusal{"RenameUncontrolled", false, Operation::Rename, L"taken.txt", L"c.txt",
                SCC_E_FILENOTCONTROLLED,
                "could not rename taken.txt to c.txt: it is not under source control"},
        Refusal{"RenameOutOfTheWorkingFolder", false, Operation::Rename, L"a.txt", L"..\\c.txt",
                SCC_E_INVALIDFILEPATH,
                "could not rename a.txt to <new>: the path is not inside the working folder"}),
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

TEST_F(SampleProviderFile, RemoveForgetsTheFileAndLeavesAWritableWorkingCopy) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "second"));

    ASSERT_EQ(SCC_OK, Call(remove, L"a.txt"));
    EXPECT_EQ(SCC_STATUS_NOTCONTROLLED, Status(L"a.txt"));
    EXPECT_EQ("two\n", ReadText(File(L"a.txt")));
    EXPECT_FALSE(IsReadOnly(File(L"a.txt")));
    EXPECT_FALSE(Exists(Stored(L"a.txt.1")) || Exists(Stored(L"a.txt.2")));
    // The name starts afresh when it is added again.
    ASSERT_EQ(SCC_OK, Call(scc.Add, L"a.txt", "again"));
    EXPECT_EQ("latest 1\nout\nlog 1\talice\tagain\n", ReadText(Stored(L"a.txt.state")));
}

TEST_F(SampleProviderFile, RenameMovesTheWorkingCopyWithItsRecordAndVersions) {
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "second"));
    std::string record = ReadText(Stored(L"a.txt.state"));

    ASSERT_EQ(SCC_OK, Rename(L"a.txt", L"sub\\c.txt"));
    EXPECT_EQ(SCC_STATUS_NOTCONTROLLED, Status(L"a.txt"));
    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"sub\\c.txt"));
    EXPECT_FALSE(Exists(File(L"a.txt")));
    EXPECT_EQ("two\n", ReadText(File(L"sub\\c.txt")));
    EXPECT_TRUE(IsReadOnly(File(L"sub\\c.txt")));
    EXPECT_EQ(record, ReadText(Stored(L"sub\\c.txt.state")));
    EXPECT_EQ("one\n", ReadText(Stored(L"sub\\c.txt.1")));
    EXPECT_EQ("two\n", ReadText(Stored(L"sub\\c.txt.2")));
    EXPECT_FALSE(Exists(Stored(L"a.txt.1")) || Exists(Stored(L"a.txt.2")));
}

TEST_F(SampleProviderFile, RenameThatFailsPartWayLeavesTheOldName) {
    // Held open without shared deletion, the record cannot move: the rename's last step fails
    // after the versions were copied and the working copy moved.
    HANDLE file = ::CreateFileW(Stored(L"a.txt.state").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ScopedHandle held(file);
    ASSERT_TRUE(held);
    EXPECT_EQ(SCC_E_ACCESSFAILURE, Rename(L"a.txt", L"c.txt"));
    held.reset();

    EXPECT_EQ(SCC_STATUS_CONTROLLED, Status(L"a.txt"));
    EXPECT_EQ("one\n", ReadText(File(L"a.txt")));
    EXPECT_TRUE(IsReadOnly(File(L"a.txt")));
    EXPECT_EQ("one\n", ReadText(Stored(L"a.txt.1")));
    EXPECT_FALSE(Exists(File(L"c.txt")) || Exists(Stored(L"c.txt.1")));
}

TEST_F(SampleProvider, MessagesSayWhatWasDoneAndGoOnlyToTheProjectThatAskedForThem) {
    textOut = RecordMessage;
    ASSERT_EQ(SCC_OK, Open(context, "alice", SCC_OP_CREATEIFNEW));
    ASSERT_EQ(SCC_OK, AddNew(L"a.txt", "one\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_TRUE(WriteText(File(L"a.txt"), "two\n"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "second", SCC_KEEP_CHECKEDOUT));
    ASSERT_EQ(SCC_OK, Call(scc.Checkin, L"a.txt", "nothing new"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));
    ASSERT_EQ(SCC_OK, Call(scc.Uncheckout, L"a.txt"));
    ASSERT_EQ(SCC_OK, Call(scc.Get, L"a.txt"));
    ASSERT_EQ(SCC_OK, Rename(L"a.txt", L"sub\\c.txt"));
    ASSERT_EQ(SCC_OK, Call(remove, L"sub\\c.txt"));
    // A project opened without a procedure writes nothing, to this one's procedure neither.
    void* bob = Initialize();
    textOut = nullptr;
    ASSERT_EQ(SCC_OK, Open(bob, "bob", 0));
    std::string path = Narrow(File(L"sub\\c.txt"));
    LPCSTR names[] = {path.c_str()};
    LONG options[] = {0};
    ASSERT_EQ(SCC_OK, scc.Add(bob, nullptr, 1, names, "bob's", options, 0));
    ASSERT_EQ(SCC_E_FILEALREADYEXISTS, scc.Add(bob, nullptr, 1, names, "again", options, 0));

    std::vector<std::pair<DWORD, std::string>> expected = {
        Info("added a.txt as version 1"),
        Info("checked out a.txt"),
        Info("checked in a.txt as version 2, kept checked out"),
        Info("checked in a.txt: unchanged, still version 2"),
        Info("checked out a.txt"),
        Info("check-out of a.txt undone"),
        Info("got version 2 of a.txt"),
        Info("renamed a.txt to sub\\c.txt"),
        Info("removed sub\\c.txt from the project"),
    };
    EXPECT_EQ(expected, g_messages);
}

// What a populate-list or query-changes callback was given; it asks to stop after `stopAfter`.
using Offer = std::tuple<BOOL, LONG, std::string>;
struct Recorded {
    std::vector<Offer> offers;
    std::vector<std::pair<std::string, DWORD>> changes;
    size_t stopAfter = SIZE_MAX;
};

BOOL __cdecl RecordOffer(void* data, BOOL keep, LONG status, LPCSTR name) {
    Recorded* recorded = static_cast<Recorded*>(data);
    recorded->offers.emplace_back(keep, status, name);
    return recorded->offers.size() < recorded->stopAfter;
}

BOOL __cdecl RecordChange(void* data, provider::QueryChangesData* change) {
    Recorded* recorded = static_cast<Recorded*>(data);
    // With no renames kept, the latest name is the name asked about.
    bool whole = change->dwSize == sizeof(provider::QueryChangesData) &&
                 change->lpLatestName != nullptr &&
                 std::string(change->lpLatestName) == change->lpFileName;
    recorded->changes.emplace_back(whole ? change->lpFileName : "<malformed>",
                                   change->dwChangeType);
    return recorded->changes.size() < recorded->stopAfter;
}

TEST_F(SampleProviderFile, PopulateListDropsTheFilesACommandCannotTake) {
    ASSERT_TRUE(WriteText(File(L"b.txt"), "bee"));
    std::string a = Narrow(File(L"a.txt")), b = Narrow(File(L"b.txt"));
    std::string outside = Narrow(temp.path() + L"\\elsewhere.txt");
    LPCSTR names[] = {a.c_str(), b.c_str(), outside.c_str()};
    const std::pair<LONG, std::vector<Offer>> cases[] = {
        {1 /* check out */,
         {{FALSE, SCC_STATUS_NOTCONTROLLED, b}, {FALSE, SCC_STATUS_INVALID, outside}}},
        {SCC_COMMAND_ADD,
         {{FALSE, SCC_STATUS_CONTROLLED, a}, {FALSE, SCC_STATUS_INVALID, outside}}},
    };
    for (const auto& one : cases) {
        SCOPED_TRACE(one.first);
        Recorded recorded;
        LONG status[3] = {kUntouched, kUntouched, kUntouched};
        ASSERT_EQ(SCC_OK,
                  populateList(context, one.first, 3, names, RecordOffer, &recorded, status, 0));
        EXPECT_EQ(one.second, recorded.offers);
        EXPECT_EQ(SCC_STATUS_CONTROLLED, status[0]);
        EXPECT_EQ(SCC_STATUS_NOTCONTROLLED, status[1]);
        EXPECT_EQ(SCC_STATUS_INVALID, status[2]);
    }
    EXPECT_EQ(SCC_OK, populateList(context, 1, 0, nullptr, RecordOffer, nullptr, nullptr, 0));
}

TEST_F(SampleProviderFile, PopulateListOffersTheControlledFilesDirectlyInEachFolder) {
    ASSERT_TRUE(::CreateDirectoryW(File(L"sub").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(File(L"sub\\deep").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(File(L"empty").c_str(), nullptr));
    ASSERT_EQ(SCC_OK, AddNew(L"sub\\b.txt", "bee"));
    ASSERT_EQ(SCC_OK, AddNew(L"sub\\deep\\d.txt", "dee"));
    ASSERT_TRUE(WriteText(File(L"plain.txt"), "not controlled"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"a.txt"));

    std::string root = Narrow(work), sub = Narrow(File(L"sub\\")), empty = Narrow(File(L"empty"));
    std::string outside = Narrow(temp.path());
    LPCSTR folders[] = {root.c_str(), sub.c_str(), empty.c_str(), outside.c_str()};
    LONG status[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
    Recorded recorded;
    ASSERT_EQ(SCC_OK,
              populateList(context, 1, 4, folders, RecordOffer, &recorded, status, SCC_PL_DIR));
    std::vector<Offer> offered = {{TRUE, kOutByUser, Narrow(File(L"a.txt"))},
                                  {TRUE, SCC_STATUS_CONTROLLED, Narrow(File(L"sub\\b.txt"))}};
    EXPECT_EQ(offered, recorded.offers);
    std::vector<LONG> expected = {SCC_STATUS_CONTROLLED, SCC_STATUS_CONTROLLED,
                                  SCC_STATUS_NOTCONTROLLED, SCC_STATUS_INVALID};
    EXPECT_EQ(expected, std::vector<LONG>(status, status + 4));
}

TEST_F(SampleProviderFile, CallbacksThatSayStopAreCalledNoMore) {
    ASSERT_EQ(SCC_OK, AddNew(L"b.txt", "bee"));
    std::string root = Narrow(work), a = Narrow(File(L"a.txt")), b = Narrow(File(L"b.txt"));
    LPCSTR folders[] = {root.c_str(), root.c_str()};
    LPCSTR files[] = {a.c_str(), b.c_str()};
    LONG status[2] = {kUntouched, kUntouched};
    Recorded recorded;
    recorded.stopAfter = 1;
    ASSERT_EQ(SCC_OK,
              populateList(context, 1, 2, folders, RecordOffer, &recorded, status, SCC_PL_DIR));
    ASSERT_EQ(SCC_OK, queryChanges(context, 2, files, RecordChange, &recorded));
    EXPECT_EQ(1u, recorded.offers.size());
    EXPECT_EQ(1u, recorded.changes.size());
    EXPECT_EQ(SCC_STATUS_CONTROLLED, status[1]); // every status is written all the same
}

TEST_F(SampleProviderFile, QueryChangesComparesEachWorkingCopyWithTheStore) {
    ASSERT_EQ(SCC_OK, AddNew(L"changed.txt", "before"));
    ASSERT_EQ(SCC_OK, Call(scc.Checkout, L"changed.txt"));
    ASSERT_TRUE(WriteText(File(L"changed.txt"), "after"));
    ASSERT_EQ(SCC_OK, AddNew(L"gone.txt", "gone"));
    ASSERT_TRUE(::SetFileAttributesW(File(L"gone.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileW(File(L"gone.txt").c_str()));
    ASSERT_TRUE(WriteText(File(L"new.txt"), "new"));

    const std::pair<std::string, DWORD> expected[] = {
        {Narrow(File(L"a.txt")), SCC_CHANGE_UNCHANGED},
        {Narrow(File(L"changed.txt")), SCC_CHANGE_DIFFERENT},
        {Narrow(File(L"gone.txt")), SCC_CHANGE_LOCAL_DELETED},
        {Narrow(File(L"new.txt")), SCC_CHANGE_LOCAL_ADDED},
        {Narrow(File(L"none.txt")), SCC_CHANGE_NONEXISTENT},
        {Narrow(temp.path() + L"\\elsewhere.txt"), SCC_CHANGE_UNKNOWN},
    };
    std::vector<LPCSTR> names;
    for (const auto& one : expected) {
        names.push_back(one.first.c_str());
    }
    Recorded recorded;
    ASSERT_EQ(SCC_OK, queryChanges(context, 6, names.data(), RecordChange, &recorded));
    using Changes = std::vector<std::pair<std::string, DWORD>>;
    EXPECT_EQ(Changes(expected, expected + 6), recorded.changes);
}

} // namespace
