// Every entry point of the proxy, as a host of this width calls it, forwarded to the test
// provider of the other width in the server of that width: one table of what the provider
// received and what the host got back.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "provider_record_view.h"
#include "proxy_host.h"

using testprovider::Entry;
using namespace proxytest;

namespace {

// The outputs a row's call writes, for its check to read.
struct HostOutputs {
    char text[4][301];
    LONG numbers[8];
    BOOL flags[8];
    void* cookie;
    LPCSTR* list;
};

using HostCall = std::function<LONG(const ProxyLibrary&, void* context, HostOutputs*)>;
using Check = std::function<void(const testprovider::Call&, const HostOutputs&)>;

struct EntryCase {
    const char* name;
    Entry entry;   // None: the provider must not be called
    LONG scripted; // the provider's result; the host must get it back unchanged
    HostCall call;
    Check check;
};

void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << c.name;
}

LPCSTR kFiles[] = {"C:\\w\\a.c", "C:\\w\\b.c"};
const HWND kWindow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234));
void* const kCookie = reinterpret_cast<void*>(static_cast<LONG_PTR>(0x5151));

void ExpectFiles(const testprovider::Call& call) {
    ASSERT_EQ(2, call.fileCount);
    EXPECT_STREQ("C:\\w\\a.c", call.files[0]);
    EXPECT_STREQ("C:\\w\\b.c", call.files[1]);
}

template <typename F> F At(const ProxyLibrary& proxy, const char* name) {
    return proxy.Entry<F>(name);
}

const EntryCase kEntries[] = {
    {"SccGetVersion", Entry::GetVersion, 0x00010003,
     [](const ProxyLibrary& p, void*, HostOutputs*) {
         return At<LONG(__cdecl*)()>(p, "SccGetVersion")();
     },
     [](const testprovider::Call&, const HostOutputs&) {}},
    {"SccSetOption", Entry::SetOption, 7,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccSetOptionFn>(p, "SccSetOption")(c, 6, 1);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         EXPECT_EQ(6, call.args[0]);
         EXPECT_EQ(1, call.args[1]);
     }},
    {"SccSetOption with the host's rename callback is not forwarded", Entry::None, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         out->numbers[0] = At<provider::SccSetOptionFn>(p, "SccSetOption")(
             c, 5, reinterpret_cast<LONG_PTR>(&HostTextOut));
         return out->numbers[0] == -14 ? 0 : out->numbers[0]; // SCC_E_OPNOTSUPPORTED
     },
     [](const testprovider::Call&, const HostOutputs&) {}},
    {"SccGetCommandOptions", Entry::GetCommandOptions, 1,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, void**)>(p, "SccGetCommandOptions")(
             c, kWindow, 3, &out->cookie);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         EXPECT_EQ(0x1234, call.args[0]) << "the window handle";
         EXPECT_EQ(3, call.args[1]);
         if (sizeof(void*) == 8) {
             EXPECT_EQ(kCookie, out.cookie) << "the 32-bit server's cookie is the provider's";
         } else {
             // The 64-bit server hands out a number of its own, which it maps back.
             EXPECT_NE(nullptr, out.cookie) << "a cookie, never 0";
         }
     }},
    {"SccGetProjPath", Entry::GetProjPath, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         std::strcpy(out->text[0], "me");
         std::strcpy(out->text[1], "$/p");
         std::strcpy(out->text[2], "C:\\w");
         std::strcpy(out->text[3], "aux");
         out->flags[0] = FALSE;
         return At<provider::SccGetProjPathFn>(p, "SccGetProjPath")(
             c, kWindow, out->text[0], out->text[1], out->text[2], out->text[3], TRUE,
             &out->flags[0]);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         EXPECT_STREQ("me", call.text[0]);
         EXPECT_STREQ("$/p", call.text[1]);
         EXPECT_STREQ("C:\\w", call.text[2]);
         EXPECT_STREQ("aux", call.text[3]);
         EXPECT_EQ(1, call.args[1]) << "allow change";
         EXPECT_EQ(0, call.args[3]) << "new, as the host gave it";
         EXPECT_STREQ("written 0", out.text[0]);
         EXPECT_STREQ("written 1", out.text[1]);
         EXPECT_STREQ("written 2", out.text[2]);
         EXPECT_STREQ("written 3", out.text[3]);
         EXPECT_EQ(TRUE, out.flags[0]) << "the provider's answer";
     }},
    {"SccCheckin", Entry::Checkin, 2,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LPCSTR, LONG, void*)>(
             p, "SccCheckin")(c, kWindow, 2, kFiles, "why", 0x10, kCookie);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_STREQ("why", call.text[0]);
         EXPECT_EQ(0x10, call.args[2]);
         EXPECT_EQ(0x5151, call.args[3]) << "the cookie";
     }},
    {"SccCheckout", Entry::Checkout, -5,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LPCSTR, LONG, void*)>(
             p, "SccCheckout")(c, kWindow, 2, kFiles, nullptr, 0, nullptr);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_EQ(1, call.textNull[0]) << "a null comment stays null";
     }},
    {"SccUncheckout", Entry::Uncheckout, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LONG, void*)>(p, "SccUncheckout")(
             c, kWindow, 2, kFiles, 0x20, kCookie);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_EQ(0x20, call.args[2]);
         EXPECT_EQ(0x5151, call.args[3]);
     }},
    {"SccGet", Entry::Get, 3,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LONG, void*)>(p, "SccGet")(
             c, kWindow, 2, kFiles, 0x2, nullptr);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_EQ(0x2, call.args[2]);
     }},
    {"SccAdd", Entry::Add, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         LONG options[] = {4, 8};
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LPCSTR, LONG*, void*)>(p, "SccAdd")(
             c, kWindow, 2, kFiles, "new", options, nullptr);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_STREQ("new", call.text[0]);
         EXPECT_EQ(4, call.options[0]);
         EXPECT_EQ(8, call.options[1]);
     }},
    {"SccRemove", Entry::Remove, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LPCSTR, LONG, void*)>(p, "SccRemove")(
             c, kWindow, 2, kFiles, "gone", 0, nullptr);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_STREQ("gone", call.text[0]);
     }},
    {"SccHistory", Entry::History, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LONG, LPCSTR*, LONG, void*)>(p, "SccHistory")(
             c, kWindow, 2, kFiles, 0, nullptr);
     },
     [](const testprovider::Call& call, const HostOutputs&) { ExpectFiles(call); }},
    {"SccRunScc", Entry::RunScc, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccRunSccFn>(p, "SccRunScc")(c, kWindow, 2, kFiles);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         EXPECT_EQ(0x1234, call.args[0]);
         ExpectFiles(call);
     }},
    {"SccBackgroundGet", Entry::BackgroundGet, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccBackgroundGetFn>(p, "SccBackgroundGet")(c, 2, kFiles, 0x4, 99);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         ExpectFiles(call);
         EXPECT_EQ(0x4, call.args[2]);
         EXPECT_EQ(99, call.args[3]);
     }},
    {"SccQueryInfo", Entry::QueryInfo, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccQueryInfoFn>(p, "SccQueryInfo")(c, 2, kFiles, out->numbers);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         ExpectFiles(call);
         EXPECT_EQ(0x11, out.numbers[0]);
         EXPECT_EQ(0x22, out.numbers[1]);
         EXPECT_EQ(-99, out.numbers[2]) << "past the list: untouched";
     }},
    {"SccDirQueryInfo", Entry::DirQueryInfo, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccDirQueryInfoFn>(p, "SccDirQueryInfo")(c, 2, kFiles, out->numbers);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         ExpectFiles(call);
         EXPECT_EQ(0x11, out.numbers[0]);
         EXPECT_EQ(0x22, out.numbers[1]);
     }},
    {"SccWillCreateSccFile", Entry::WillCreateSccFile, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccWillCreateSccFileFn>(p, "SccWillCreateSccFile")(c, 2, kFiles,
                                                                                out->flags);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         ExpectFiles(call);
         EXPECT_EQ(TRUE, out.flags[0]);
         EXPECT_EQ(TRUE, out.flags[1]);
     }},
    {"SccEnumChangedFiles", Entry::EnumChangedFiles, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccEnumChangedFilesFn>(p, "SccEnumChangedFiles")(c, kWindow, 2, kFiles,
                                                                              out->numbers);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         ExpectFiles(call);
         EXPECT_EQ(0x11, out.numbers[0]);
         EXPECT_EQ(0x22, out.numbers[1]);
     }},
    {"SccRename", Entry::Rename, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccRenameFn>(p, "SccRename")(c, kWindow, "C:\\w\\a.c", "C:\\w\\z.c");
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         EXPECT_STREQ("C:\\w\\a.c", call.text[0]);
         EXPECT_STREQ("C:\\w\\z.c", call.text[1]);
     }},
    {"SccDiff", Entry::Diff, 1,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LPCSTR, LONG, void*)>(p, "SccDiff")(
             c, kWindow, "C:\\w\\a.c", 0x38, kCookie);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         EXPECT_STREQ("C:\\w\\a.c", call.text[0]);
         EXPECT_EQ(0x38, call.args[1]);
         EXPECT_EQ(0x5151, call.args[2]);
     }},
    {"SccDirDiff", Entry::DirDiff, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<LONG(__cdecl*)(void*, HWND, LPCSTR, LONG, void*)>(p, "SccDirDiff")(
             c, kWindow, "C:\\w", 0x1, nullptr);
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         EXPECT_STREQ("C:\\w", call.text[0]);
         EXPECT_EQ(0x1, call.args[1]);
     }},
    {"SccProperties", Entry::Properties, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccPropertiesFn>(p, "SccProperties")(c, kWindow, "C:\\w\\a.c");
     },
     [](const testprovider::Call& call, const HostOutputs&) {
         EXPECT_STREQ("C:\\w\\a.c", call.text[0]);
     }},
    {"SccGetEvents", Entry::GetEvents, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccGetEventsFn>(p, "SccGetEvents")(c, out->text[0], &out->numbers[0],
                                                                &out->numbers[1]);
     },
     [](const testprovider::Call&, const HostOutputs& out) {
         EXPECT_STREQ("written 0", out.text[0]);
         EXPECT_EQ(0x5151, out.numbers[0]) << "the status";
         EXPECT_EQ(1, out.numbers[1]) << "events remaining";
     }},
    {"SccGetExtendedCapabilities", Entry::GetExtendedCapabilities, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccGetExtendedCapabilitiesFn>(p, "SccGetExtendedCapabilities")(
             c, 0x40, &out->flags[0]);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         EXPECT_EQ(0x40, call.args[0]);
         EXPECT_EQ(TRUE, out.flags[0]);
     }},
    {"SccIsMultiCheckoutEnabled", Entry::IsMultiCheckoutEnabled, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccIsMultiCheckoutEnabledFn>(p, "SccIsMultiCheckoutEnabled")(
             c, &out->flags[0]);
     },
     [](const testprovider::Call&, const HostOutputs& out) { EXPECT_EQ(TRUE, out.flags[0]); }},
    {"SccGetUserOption", Entry::GetUserOption, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         return At<provider::SccGetUserOptionFn>(p, "SccGetUserOption")(c, 2, &out->numbers[0]);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         EXPECT_EQ(2, call.args[0]);
         EXPECT_EQ(0x5151, out.numbers[0]);
     }},
    {"SccCreateSubProject", Entry::CreateSubProject, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         std::strcpy(out->text[0], "me");
         std::strcpy(out->text[1], "aux");
         std::strcpy(out->text[2], "");
         return At<provider::SccCreateSubProjectFn>(p, "SccCreateSubProject")(
             c, kWindow, out->text[0], "$/p", "sub", out->text[1], out->text[2]);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         EXPECT_STREQ("me", call.text[0]);
         EXPECT_STREQ("$/p", call.text[1]);
         EXPECT_STREQ("sub", call.text[2]);
         EXPECT_STREQ("aux", call.text[3]);
         EXPECT_STREQ("written 0", out.text[0]);
         EXPECT_STREQ("written 1", out.text[1]);
         EXPECT_STREQ("written 2", out.text[2]);
     }},
    {"SccGetParentProjectPath", Entry::GetParentProjectPath, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         std::strcpy(out->text[0], "me");
         std::strcpy(out->text[1], "aux");
         std::strcpy(out->text[2], "");
         return At<provider::SccGetParentProjectPathFn>(p, "SccGetParentProjectPath")(
             c, kWindow, out->text[0], "$/p/sub", out->text[1], out->text[2]);
     },
     [](const testprovider::Call& call, const HostOutputs& out) {
         EXPECT_STREQ("$/p/sub", call.text[1]);
         EXPECT_STREQ("written 2", out.text[2]);
     }},
    {"SccAddFromScc", Entry::AddFromScc, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs* out) {
         auto entry = At<provider::SccAddFromSccFn>(p, "SccAddFromScc");
         const LONG result = entry(c, kWindow, &out->numbers[0], &out->list);
         for (LONG i = 0; out->list != nullptr && i < out->numbers[0] && i < 3; ++i) {
             std::strcpy(out->text[i], out->list[i]);
         }
         out->numbers[1] = entry(c, kWindow, &out->numbers[0], nullptr); // frees the list
         return result;
     },
     [](const testprovider::Call&, const HostOutputs& out) {
         EXPECT_EQ(3, out.numbers[0]);
         EXPECT_STREQ("item0", out.text[0]);
         EXPECT_STREQ("item2", out.text[2]);
         EXPECT_EQ(0, out.numbers[1]);
     }},
    {"SccBeginBatch", Entry::BeginBatch, 0,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccContextFn>(p, "SccBeginBatch")(c);
     },
     [](const testprovider::Call&, const HostOutputs&) {}},
    {"SccEndBatch", Entry::EndBatch, 4,
     [](const ProxyLibrary& p, void* c, HostOutputs*) {
         return At<provider::SccContextFn>(p, "SccEndBatch")(c);
     },
     [](const testprovider::Call&, const HostOutputs&) {}},
};

class ProxyEntries : public ProxyHostTest, public ::testing::WithParamInterface<EntryCase> {};

// The scripted answers every row reads: texts "written <i>", numbers 0x5151 then 1, status
// words 0x11 and 0x22, three items.
void ScriptAnswers(testprovider::Script& script) {
    script.writeTextMask = 0x1F;
    for (int i = 0; i < testprovider::kMaxTexts; ++i) {
        std::snprintf(script.writeText[i], sizeof script.writeText[i], "written %d", i);
    }
    script.writeLongMask = 0x3;
    script.writeLong[0] = 0x5151;
    script.writeLong[1] = 1;
    script.statusCount = 2;
    script.status[0] = 0x11;
    script.status[1] = 0x22;
    script.reportCount = 3;
}

TEST_P(ProxyEntries, ForwardsWhatTheHostGaveAndHandsBackWhatTheProviderAnswered) {
    const EntryCase& row = GetParam();
    ProxySession session(proxy);
    session.Start();
    record.Reset();
    ScriptAnswers(record.script());
    record.SetResult(row.entry, row.scripted);

    HostOutputs out{};
    out.numbers[2] = -99;
    const LONG result = row.call(proxy, session.context(), &out);

    EXPECT_EQ(row.scripted, result) << "the provider's result, unchanged";
    if (row.entry == Entry::None) {
        EXPECT_EQ(0, record.Count()) << "nothing reached the provider";
    } else {
        ASSERT_EQ(1, record.CountOf(row.entry));
        const testprovider::Call& call = record.Call(0);
        EXPECT_EQ(row.entry, call.entry);
        row.check(call, out);
    }
    EXPECT_TRUE(Received().messages.empty()) << Received().messages[0].text;
}

INSTANTIATE_TEST_SUITE_P(Entries, ProxyEntries, ::testing::ValuesIn(kEntries),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0' && *p != ' '; ++p) {
                                 name += *p;
                             }
                             return name + "_" + std::to_string(info.index);
                         });

// The session's own entries: what SccInitialize and SccOpenProject hand the provider and the
// host, and the server's end with SccUninitialize.
TEST_F(ProxyEntries, TheSessionEntriesForwardAndTheServerEndsWithTheContext) {
    ScriptAnswers(record.script());
    record.SetResult(Entry::Initialize, 0);
    record.script().writeLongMask = 0x7;
    record.script().writeLong[2] = 2000;
    char name[32] = {}, label[32] = {}, user[32] = "me", aux[301] = "aux in";
    LONG caps = 0, checkoutComment = 0, comment = 0;
    void* context = nullptr;
    ASSERT_EQ(0, proxy.Entry<provider::SccInitializeFn>("SccInitialize")(
                     &context, kWindow, "proxy host test", name, &caps, label, &checkoutComment,
                     &comment));
    ASSERT_NE(nullptr, context);
    ASSERT_EQ(Entry::Initialize, record.Call(0).entry);
    EXPECT_STREQ("proxy host test", record.Call(0).text[0]);
    EXPECT_EQ(0x1234, record.Call(0).args[0]);
    EXPECT_STREQ("written 0", name);
    EXPECT_STREQ("written 1", label);
    EXPECT_EQ(0x5151, caps);
    EXPECT_EQ(1, checkoutComment);
    EXPECT_EQ(2000, comment);
    const DWORD server = record.Call(0).processId;
    EXPECT_NE(::GetCurrentProcessId(), server) << "the provider runs in the server";

    record.SetResult(Entry::OpenProject, 5);
    EXPECT_EQ(5, proxy.Entry<provider::SccOpenProjectFn>("SccOpenProject")(
                     context, kWindow, user, "$/p", "C:\\w", aux, "opening", &HostTextOut, 1));
    const testprovider::Call& open = record.Last();
    EXPECT_STREQ("me", open.text[0]);
    EXPECT_STREQ("$/p", open.text[1]);
    EXPECT_STREQ("C:\\w", open.text[2]);
    EXPECT_STREQ("aux in", open.text[3]);
    EXPECT_STREQ("opening", open.text[4]);
    EXPECT_NE(0, open.args[1]) << "the provider got a text-output procedure of the server's";
    EXPECT_EQ(1, open.args[2]);
    EXPECT_STREQ("written 0", user);
    EXPECT_STREQ("written 1", aux);

    record.SetResult(Entry::CloseProject, 6);
    record.SetResult(Entry::Uninitialize, 7);
    EXPECT_EQ(6, proxy.Entry<provider::SccContextFn>("SccCloseProject")(context));
    ScopedHandle process(::OpenProcess(SYNCHRONIZE, FALSE, server));
    ASSERT_TRUE(process);
    EXPECT_EQ(7, proxy.Entry<provider::SccContextFn>("SccUninitialize")(context));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.get(), kCallLimitMs))
        << "the server ends with its context";
    EXPECT_EQ(1, record.CountOf(Entry::Uninitialize));

    // The context is gone: the proxy refuses it without reaching any provider.
    const int calls = record.Count();
    EXPECT_EQ(-15, proxy.Entry<provider::SccContextFn>("SccBeginBatch")(context));
    EXPECT_EQ(calls, record.Count());
}

} // namespace
