// IPlimoWrapper2 through the real server: every entry point beyond IPlimoWrapper's, what the
// provider received and what the client got back, the provider's messages, and the bounds on
// what a provider may report.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "com_ptr.h"
#include "PlimoCOMWrapper2.h"
#include "child_process.h"
#include "provider_record_view.h"
#include "returned_elements.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "served_processes.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

constexpr DWORD kServerEndMs = 30000;
using Wrapper2 = ComPtr<IPlimoWrapper2>;

std::vector<std::wstring> Items(int count, const wchar_t* suffix = L"") {
    std::vector<std::wstring> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(L"item" + std::to_wstring(i) + suffix);
    }
    return items;
}

class WholeInterface : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        // A server of an earlier program that is still on its way out may still have its class
        // object published, and an activation that reaches it fails: it must be gone first.
        ServedProcesses earlier;
        earlier.TrackRunning();
        earlier.ExpectAllEnded(kServerEndMs);
        RegisterServer();
    }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    void SetUp() override {
        record.Reset();
        ASSERT_EQ(S_OK,
                  ::CoCreateInstance(CLSID_TovikPlimoWrapper2, nullptr, CLSCTX_LOCAL_SERVER,
                                     IID_IPlimoWrapper2, reinterpret_cast<void**>(wrapper.put())));
        ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
        ASSERT_EQ(S_OK, wrapper->Init(path.get()));
        LONG version = 0;
        ASSERT_EQ(S_OK, wrapper->SccGetVersion(&version));
        servers.Track(record.Last().processId);
        record.Reset();
    }
    void TearDown() override {
        wrapper.reset();
        servers.ExpectAllEnded(kServerEndMs);
    }

    // Opens a project, so that the provider holds the text-output procedure.
    void OpenProject() {
        ScopedBstr user(::SysAllocString(L"me")), aux(::SysAllocString(L""));
        ScopedBstr project(::SysAllocString(L"$/p")), local(::SysAllocString(L"C:\\w"));
        LONG result = -1;
        ASSERT_EQ(S_OK, wrapper->SccOpenProject(0, user.put(), project.get(), local.get(),
                                                aux.put(), nullptr, 0, &result));
    }

    ProviderRecordView record;
    ServedProcesses servers;
    Wrapper2 wrapper;
};

// One method called with known arguments; `check` looks at what the provider recorded and what
// came back.
struct MethodCase {
    const char* name;
    Entry entry;
    std::function<HRESULT(IPlimoWrapper2*, LONG*, std::vector<ScopedVariant>*)> call;
    std::function<void(const testprovider::Call&, const std::vector<ScopedVariant>&)> check;
};

void PrintTo(const MethodCase& c, std::ostream* os) {
    *os << c.name;
}

HRESULT CallWithFiles(const std::function<HRESULT(const VARIANT&)>& call,
                      std::initializer_list<const wchar_t*> names = {L"C:\\w\\a.c",
                                                                     L"C:\\w\\b.c"}) {
    ScopedSafeArray files = BstrArray(names);
    return call(ArrayArgument(files.get()));
}

void ExpectFiles(const testprovider::Call& call) {
    ASSERT_EQ(2, call.fileCount);
    EXPECT_STREQ("C:\\w\\a.c", call.files[0]);
    EXPECT_STREQ("C:\\w\\b.c", call.files[1]);
}

std::vector<ScopedVariant>& Outputs(std::vector<ScopedVariant>* out, size_t count) {
    out->resize(count);
    return *out;
}

const MethodCase kMethods[] = {
    {"SccRemove", Entry::Remove,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         ScopedBstr comment(::SysAllocString(L"gone"));
         return CallWithFiles(
             [&](const VARIANT& f) { return w->SccRemove(3, f, comment.get(), 4, 5, r); });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         ExpectFiles(c);
         EXPECT_STREQ("gone", c.text[0]);
         EXPECT_EQ(3, c.args[0]);
         EXPECT_EQ(4, c.args[2]);
         EXPECT_EQ(5, c.args[3]);
     }},
    {"SccHistory", Entry::History,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         return CallWithFiles([&](const VARIANT& f) { return w->SccHistory(0, f, 6, 7, r); });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         ExpectFiles(c);
         EXPECT_EQ(6, c.args[2]);
         EXPECT_EQ(7, c.args[3]);
     }},
    {"SccRename", Entry::Rename,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         ScopedBstr from(::SysAllocString(L"C:\\w\\a.c")), to(::SysAllocString(L"C:\\w\\z.c"));
         return w->SccRename(9, from.get(), to.get(), r);
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         EXPECT_STREQ("C:\\w\\a.c", c.text[0]);
         EXPECT_STREQ("C:\\w\\z.c", c.text[1]);
         EXPECT_EQ(9, c.args[0]);
     }},
    {"SccDiff", Entry::Diff,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         ScopedBstr file(::SysAllocString(L"C:\\w\\a.c"));
         return w->SccDiff(0, file.get(), 2, 8, r);
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         EXPECT_STREQ("C:\\w\\a.c", c.text[0]);
         EXPECT_EQ(2, c.args[1]);
         EXPECT_EQ(8, c.args[2]);
     }},
    {"SccDirDiff", Entry::DirDiff,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         ScopedBstr dir(::SysAllocString(L"C:\\w"));
         return w->SccDirDiff(0, dir.get(), 1, 0, r);
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         EXPECT_STREQ("C:\\w", c.text[0]);
         EXPECT_EQ(1, c.args[1]);
     }},
    {"SccProperties", Entry::Properties,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         ScopedBstr file(::SysAllocString(L"C:\\w\\a.c"));
         return w->SccProperties(0, file.get(), r);
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         EXPECT_STREQ("C:\\w\\a.c", c.text[0]);
     }},
    {"SccRunScc", Entry::RunScc,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         return CallWithFiles([&](const VARIANT& f) { return w->SccRunScc(0, f, r); });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) { ExpectFiles(c); }},
    {"SccBackgroundGet", Entry::BackgroundGet,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>*) {
         return CallWithFiles([&](const VARIANT& f) { return w->SccBackgroundGet(f, 2, 77, r); });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>&) {
         ExpectFiles(c);
         EXPECT_EQ(2, c.args[2]);
         EXPECT_EQ(77, c.args[3]);
     }},
    {"SccDirQueryInfo", Entry::DirQueryInfo,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         return CallWithFiles(
             [&](const VARIANT& f) { return w->SccDirQueryInfo(f, Outputs(out, 1)[0].put(), r); });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>& out) {
         ExpectFiles(c);
         EXPECT_EQ((std::vector<LONG>{11, 22}), Longs(out[0].get()));
     }},
    {"SccEnumChangedFiles", Entry::EnumChangedFiles,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         return CallWithFiles([&](const VARIANT& f) {
             return w->SccEnumChangedFiles(0, f, Outputs(out, 1)[0].put(), r);
         });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>& out) {
         ExpectFiles(c);
         EXPECT_EQ((std::vector<LONG>{11, 22}), Longs(out[0].get()));
     }},
    {"SccWillCreateSccFile", Entry::WillCreateSccFile,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         return CallWithFiles([&](const VARIANT& f) {
             return w->SccWillCreateSccFile(f, Outputs(out, 1)[0].put(), r);
         });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>& out) {
         ExpectFiles(c);
         EXPECT_EQ((std::vector<bool>{true, true}), Flags(out[0].get()));
     }},
    {"SccAddFromScc", Entry::AddFromScc,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         return w->SccAddFromScc(0, Outputs(out, 1)[0].put(), r);
     },
     [](const testprovider::Call&, const std::vector<ScopedVariant>& out) {
         EXPECT_EQ(Items(3), Texts(out[0].get()));
     }},
    {"SccPopulateList", Entry::PopulateList,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         auto& o = Outputs(out, 4);
         return CallWithFiles([&](const VARIANT& f) {
             return w->SccPopulateList(5, f, 1, o[0].put(), o[1].put(), o[2].put(), o[3].put(), r);
         });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>& out) {
         ExpectFiles(c);
         EXPECT_EQ(5, c.args[2]) << "the command";
         EXPECT_EQ(1, c.args[3]) << "the options";
         EXPECT_EQ((std::vector<bool>{true, false, true}), Flags(out[0].get()));
         EXPECT_EQ((std::vector<LONG>{0, 1, 2}), Longs(out[1].get()));
         EXPECT_EQ(Items(3), Texts(out[2].get()));
         EXPECT_EQ((std::vector<LONG>{11, 22}), Longs(out[3].get()));
     }},
    {"SccQueryChanges", Entry::QueryChanges,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         auto& o = Outputs(out, 3);
         return CallWithFiles([&](const VARIANT& f) {
             return w->SccQueryChanges(f, o[0].put(), o[1].put(), o[2].put(), r);
         });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>& out) {
         ExpectFiles(c);
         EXPECT_EQ(Items(3), Texts(out[0].get()));
         EXPECT_EQ((std::vector<LONG>{0, 1, 2}), Longs(out[1].get()));
         EXPECT_EQ(Items(3, L".new"), Texts(out[2].get()));
     }},
    {"SccPopulateDirList", Entry::PopulateDirList,
     [](IPlimoWrapper2* w, LONG* r, std::vector<ScopedVariant>* out) {
         auto& o = Outputs(out, 2);
         return CallWithFiles([&](const VARIANT& f) {
             return w->SccPopulateDirList(f, 4, o[0].put(), o[1].put(), r);
         });
     },
     [](const testprovider::Call& c, const std::vector<ScopedVariant>& out) {
         ExpectFiles(c);
         EXPECT_EQ(4, c.args[2]);
         EXPECT_EQ(Items(3), Texts(out[0].get()));
         EXPECT_EQ((std::vector<bool>{true, false, false}), Flags(out[1].get()));
     }},
};

class EveryNewMethod : public WholeInterface, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(EveryNewMethod, ReachesItsEntryAndHandsBackWhatTheProviderReported) {
    const MethodCase& c = GetParam();
    record.SetResult(c.entry, 42);
    record.script().reportCount = 3;
    record.script().statusCount = 2;
    record.script().status[0] = 11;
    record.script().status[1] = 22;
    LONG result = -1;
    std::vector<ScopedVariant> outputs;
    ASSERT_EQ(S_OK, c.call(wrapper.get(), &result, &outputs));
    EXPECT_EQ(42, result);
    ASSERT_EQ(1, record.Count());
    EXPECT_EQ(c.entry, record.Last().entry);
    c.check(record.Last(), outputs);
    EXPECT_EQ(0, record.shared().listsOutstanding) << "the provider was asked to free its list";
}

INSTANTIATE_TEST_SUITE_P(Methods, EveryNewMethod, ::testing::ValuesIn(kMethods),
                         [](const auto& info) { return std::string(info.param.name); });

// Answers written through pointers and strings: the provider's values come back.
TEST_F(WholeInterface, QuestionsAndInOutStringsComeBackAsTheProviderWroteThem) {
    auto& script = record.script();
    script.writeLongMask = 0x3;
    script.writeLong[0] = 1;
    script.writeLong[1] = 4;
    script.writeTextMask = 0x7;
    std::strcpy(script.writeText[0], "user2");
    std::strcpy(script.writeText[1], "aux2");
    std::strcpy(script.writeText[2], "$/p/sub");

    VARIANT_BOOL supported = VARIANT_FALSE, multi = VARIANT_FALSE;
    LONG result = -1, value = 0, status = 0, remaining = 0;
    EXPECT_EQ(S_OK, wrapper->SccGetExtendedCapabilities(8, &supported, &result));
    EXPECT_EQ(VARIANT_TRUE, supported);
    EXPECT_EQ(8, record.Last().args[0]);
    EXPECT_EQ(S_OK, wrapper->SccIsMultiCheckoutEnabled(&multi, &result));
    EXPECT_EQ(VARIANT_TRUE, multi);
    EXPECT_EQ(S_OK, wrapper->SccGetUserOption(2, &value, &result));
    EXPECT_EQ(1, value);
    ScopedBstr file;
    EXPECT_EQ(S_OK, wrapper->SccGetEvents(file.put(), &status, &remaining, &result));
    EXPECT_STREQ(L"user2", file.get());
    EXPECT_EQ(1, status);
    EXPECT_EQ(4, remaining);

    ScopedBstr user(::SysAllocString(L"me")), aux(::SysAllocString(L"a")),
        sub(::SysAllocString(L"s")), parent(::SysAllocString(L"$/p")),
        name(::SysAllocString(L"sub"));
    EXPECT_EQ(S_OK, wrapper->SccCreateSubProject(0, user.put(), parent.get(), name.get(), aux.put(),
                                                 sub.put(), &result));
    EXPECT_STREQ("$/p", record.Last().text[1]);
    EXPECT_STREQ("sub", record.Last().text[2]);
    EXPECT_STREQ(L"user2", user.get());
    EXPECT_STREQ(L"aux2", aux.get());
    EXPECT_STREQ(L"$/p/sub", sub.get());
}

TEST_F(WholeInterface, TheProvidersMessagesAreKeptInOrderAndTakenOnce) {
    OpenProject();
    EXPECT_NE(0, record.Last().args[1]) << "the project was opened with a text-output procedure";
    record.script().messageCount = 5;
    record.script().cancelProtocol = 1;
    record.shared().doCancelAnswer = 77; // not an answer a text-output procedure gives
    LONG result = -1;
    ScopedBstr file(::SysAllocString(L"C:\\w\\a.c"));
    ASSERT_EQ(S_OK, wrapper->SccProperties(0, file.get(), &result));
    EXPECT_EQ(0, record.shared().doCancelAnswer) << "the cancel protocol is answered: go on";

    ScopedVariant texts, types;
    LONG count = 0;
    ASSERT_EQ(S_OK, wrapper->TakeMessages(texts.put(), types.put(), &count));
    EXPECT_EQ(5, count) << "the cancel protocol's own messages are not kept";
    std::vector<std::wstring> expected;
    for (int i = 0; i < 5; ++i) {
        expected.push_back(L"message " + std::to_wstring(i));
    }
    EXPECT_EQ(expected, Texts(texts.get()));
    EXPECT_EQ((std::vector<LONG>{1, 2, 3, 4, 1}), Longs(types.get()));

    ASSERT_EQ(S_OK, wrapper->TakeMessages(texts.put(), types.put(), &count));
    EXPECT_EQ(0, count) << "taken once";
    EXPECT_TRUE(Texts(texts.get()).empty());
}

// Bounds: a provider that never stops reporting does not exhaust the server.
TEST_F(WholeInterface, EndlessReportsStopAtTheBoundAndSaySo) {
    OpenProject();
    record.script().reportCount = testprovider::kEndless;
    record.script().messageCount = 10005;
    ScopedVariant names, folders;
    LONG result = -1;
    HRESULT hr = CallWithFiles([&](const VARIANT& f) {
        return wrapper->SccPopulateDirList(f, 0, names.put(), folders.put(), &result);
    });
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_EQ(100000u, Texts(names.get()).size());
    EXPECT_EQ(100001, record.shared().itemsReported) << "the callback said stop";

    ScopedVariant texts, types;
    LONG count = 0;
    ASSERT_EQ(S_OK, wrapper->TakeMessages(texts.put(), types.put(), &count));
    ASSERT_EQ(10000, count);
    const std::vector<std::wstring> kept = Texts(texts.get());
    EXPECT_EQ(std::wstring(L"message 9998"), kept[9998]);
    EXPECT_EQ(0u, kept.back().find(L"PlimoCOMWrapper: further messages were dropped"));
}

// A script's array of strings (an array of variants) as a file list: the whole interface takes
// it by value and by reference, on its old methods too; anything but strings in it is refused
// before the provider is called.
struct ScriptListCase {
    const char* name;
    VARTYPE element; // VT_BSTR: the two names
    bool byReference;
    LONG lowerBound;
    HRESULT expected;
};

void PrintTo(const ScriptListCase& c, std::ostream* os) {
    *os << c.name;
}

const ScriptListCase kScriptLists[] = {
    {"ByValue", VT_BSTR, false, 0, S_OK},
    {"ByReference", VT_BSTR, true, 0, S_OK},
    {"ANumberAmongTheNames", VT_I4, false, 0, E_INVALIDARG},
    {"AnEmptyElement", VT_EMPTY, true, 0, E_INVALIDARG},
    {"FromOne", VT_BSTR, false, 1, E_INVALIDARG},
};

class ScriptLists : public WholeInterface, public ::testing::WithParamInterface<ScriptListCase> {};

TEST_P(ScriptLists, AreFileListsOfTheWholeInterface) {
    const ScriptListCase& c = GetParam();
    ScopedSafeArray array(::SafeArrayCreateVector(VT_VARIANT, c.lowerBound, 2));
    ASSERT_TRUE(array);
    VARIANT* elements = static_cast<VARIANT*>(array.get()->pvData);
    elements[0].vt = VT_BSTR;
    elements[0].bstrVal = ::SysAllocString(L"C:\\w\\a.c");
    elements[1].vt = c.element;
    if (c.element == VT_BSTR) {
        elements[1].bstrVal = ::SysAllocString(L"C:\\w\\b.c");
    } else if (c.element == VT_I4) {
        elements[1].lVal = 7;
    }
    VARIANT list = ArrayArgument(array.get(), VT_ARRAY | VT_VARIANT);
    VARIANT reference;
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &list;

    ScopedVariant status;
    LONG result = -1;
    EXPECT_EQ(c.expected,
              wrapper->SccQueryInfo(c.byReference ? reference : list, status.put(), &result));
    if (c.expected != S_OK) {
        EXPECT_EQ(0, record.Count()) << "the provider was called";
        return;
    }
    ASSERT_EQ(1, record.Count());
    ExpectFiles(record.Last());
    // The first class keeps its own rule: VT_ARRAY | VT_BSTR only.
    ComPtr<IPlimoWrapper> first;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                       IID_IPlimoWrapper, reinterpret_cast<void**>(first.put())));
    ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
    ASSERT_EQ(S_OK, first->Init(path.get()));
    LONG version = 0;
    ASSERT_EQ(S_OK, first->SccGetVersion(&version));
    servers.Track(record.Last().processId);
    EXPECT_EQ(E_INVALIDARG, first->SccQueryInfo(list, status.put(), &result));
}

INSTANTIATE_TEST_SUITE_P(Elements, ScriptLists, ::testing::ValuesIn(kScriptLists),
                         [](const auto& info) { return std::string(info.param.name); });

// Every new method from a 64-bit client, early bound: each reaches its entry point in the
// 32-bit server and comes back with the provider's result and what it reported.
TEST_F(WholeInterface, EveryNewMethodIsReachableFromA64BitClient) {
    record.Reset();
    for (int entry = static_cast<int>(Entry::Remove); entry < static_cast<int>(Entry::Count);
         ++entry) {
        record.SetResult(static_cast<Entry>(entry), 7);
    }
    record.script().reportCount = 3;
    record.script().statusCount = 2;
    ChildResult client = RunChild(Quoted(BesideTest(L"whole_interface_client.exe")) + L" " +
                                      Quoted(BesideTest(kTestProvider)),
                                  true);
    ASSERT_TRUE(client.finished);
    ASSERT_EQ(0u, client.exitCode) << client.output;
    const std::string expected =
        "CoCreateInstance=0\nInit=0\nTakeMessages=0 0 0\nSccRemove=0 7 -1\nSccRename=0 7 -1\n"
        "SccDiff=0 7 -1\nSccHistory=0 7 -1\nSccProperties=0 7 -1\nSccRunScc=0 7 -1\n"
        "SccGetEvents=0 7 -1\nSccAddFromScc=0 7 3\nSccDirQueryInfo=0 7 2\nSccDirDiff=0 7 -1\n"
        "SccGetExtendedCapabilities=0 7 -1\nSccCreateSubProject=0 7 -1\n"
        "SccGetParentProjectPath=0 7 -1\nSccIsMultiCheckoutEnabled=0 7 -1\n"
        "SccWillCreateSccFile=0 7 2\nSccEnumChangedFiles=0 7 2\nSccGetUserOption=0 7 -1\n"
        "SccBackgroundGet=0 7 -1\nSccPopulateList=0 7 3\nSccQueryChanges=0 7 3\n"
        "SccPopulateDirList=0 7 3\n";
    std::string output = client.output;
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    EXPECT_EQ(expected, output);
    EXPECT_EQ(21, record.Count()) << "each entry point once";
    EXPECT_EQ(0, record.shared().listsOutstanding);
    servers.Track(record.Last().processId);
}

// Each client has a server process of its own, whichever class it asks for: a process that has
// made an object publishes no class object any more.
TEST_F(WholeInterface, TheOtherClassStartsAServerProcessOfItsOwn) {
    LONG version = 0;
    ASSERT_EQ(S_OK, wrapper->SccGetVersion(&version));
    const DWORD first = record.Last().processId;
    for (const CLSID* clsid : {&CLSID_TovikPlimoWrapper, &CLSID_TovikPlimoWrapper2}) {
        ComPtr<IPlimoWrapper> other;
        ASSERT_EQ(S_OK, ::CoCreateInstance(*clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper,
                                           reinterpret_cast<void**>(other.put())));
        ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
        ASSERT_EQ(S_OK, other->Init(path.get()));
        ASSERT_EQ(S_OK, other->SccGetVersion(&version));
        EXPECT_NE(first, record.Last().processId);
        servers.Track(record.Last().processId);
    }
}

// The first class is unchanged: no IPlimoWrapper2, and no text-output procedure.
TEST_F(WholeInterface, TheFirstClassOffersNoTextOutputAndNoSecondInterface) {
    ComPtr<IPlimoWrapper> first;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                       IID_IPlimoWrapper, reinterpret_cast<void**>(first.put())));
    ComPtr<IPlimoWrapper2> second;
    EXPECT_EQ(E_NOINTERFACE,
              first->QueryInterface(IID_IPlimoWrapper2, reinterpret_cast<void**>(second.put())));
    ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
    ASSERT_EQ(S_OK, first->Init(path.get()));
    ScopedBstr user(::SysAllocString(L"me")), aux(::SysAllocString(L""));
    ScopedBstr project(::SysAllocString(L"$/p")), local(::SysAllocString(L"C:\\w"));
    LONG result = -1;
    ASSERT_EQ(S_OK, first->SccOpenProject(0, user.put(), project.get(), local.get(), aux.put(),
                                          nullptr, 0, &result));
    ASSERT_EQ(Entry::OpenProject, record.Last().entry);
    EXPECT_EQ(0, record.Last().args[1]) << "no text-output procedure";
    servers.Track(record.Last().processId);
}

} // namespace
