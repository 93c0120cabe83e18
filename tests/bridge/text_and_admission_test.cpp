// How text reaches the provider, by the kind of argument; and that a fault in the bridge's own
// work after the provider call, wherever it stands, ends the call and leaves the object serving.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "bound_bridge.h"
#include "provider_call_guard.h"
#include "returned_elements.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

// One kind of text argument: how it is passed, and where the provider finds what it received.
struct TextArgument {
    const char* name;
    bool freeText; // else a name: exact or refused
    Entry entry;
    std::function<HRESULT(IPlimoWrapper&, const wchar_t* text)> call;
    std::function<const char*(const testprovider::Call&)> received;
};

// An [in, out] string holding `text`; the owner frees whatever comes back.
BSTR* InOut(ScopedBstr* owner, const wchar_t* text) {
    BSTR* slot = owner->put();
    *slot = ::SysAllocString(text);
    return slot;
}

HRESULT Initialize(IPlimoWrapper& b, const wchar_t* caller, const wchar_t* name) {
    ScopedBstr callerName(::SysAllocString(caller)), sccName, label;
    LONG caps = 0, checkoutLength = 0, commentLength = 0, result = 0;
    return b.SccInitialize(0, callerName.get(), InOut(&sccName, name), &caps, label.put(),
                           &checkoutLength, &commentLength, &result);
}

HRESULT Checkin(IPlimoWrapper& b, const wchar_t* file, const wchar_t* comment) {
    ScopedSafeArray files = BstrArray({file});
    ScopedBstr text(::SysAllocString(comment));
    LONG result = 0;
    return b.SccCheckin(0, ArrayArgument(files.get()), text.get(), 0, 0, &result);
}

HRESULT OpenProject(IPlimoWrapper& b, const wchar_t* user, const wchar_t* project,
                    const wchar_t* local, const wchar_t* aux) {
    ScopedBstr userName, projectName(::SysAllocString(project)), localPath(::SysAllocString(local)),
        auxPath;
    LONG result = 0;
    return b.SccOpenProject(0, InOut(&userName, user), projectName.get(), localPath.get(),
                            InOut(&auxPath, aux), nullptr, 0, &result);
}

const TextArgument kTextArguments[] = {
    {"CallerName", true, Entry::Initialize,
     [](IPlimoWrapper& b, const wchar_t* t) { return Initialize(b, t, L""); },
     [](const testprovider::Call& c) { return c.text[0]; }},
    {"ProviderName", true, Entry::Initialize,
     [](IPlimoWrapper& b, const wchar_t* t) { return Initialize(b, L"me", t); },
     [](const testprovider::Call& c) { return c.text[1]; }},
    {"Comment", true, Entry::Checkin,
     [](IPlimoWrapper& b, const wchar_t* t) { return Checkin(b, L"C:\\w\\a.c", t); },
     [](const testprovider::Call& c) { return c.text[0]; }},
    {"FileName", false, Entry::Checkin,
     [](IPlimoWrapper& b, const wchar_t* t) { return Checkin(b, t, L"why"); },
     [](const testprovider::Call& c) { return c.files[0]; }},
    {"User", false, Entry::OpenProject,
     [](IPlimoWrapper& b, const wchar_t* t) { return OpenProject(b, t, L"$/p", L"C:\\w", L""); },
     [](const testprovider::Call& c) { return c.text[0]; }},
    {"Project", false, Entry::OpenProject,
     [](IPlimoWrapper& b, const wchar_t* t) { return OpenProject(b, L"me", t, L"C:\\w", L""); },
     [](const testprovider::Call& c) { return c.text[1]; }},
    {"LocalPath", false, Entry::OpenProject,
     [](IPlimoWrapper& b, const wchar_t* t) { return OpenProject(b, L"me", L"$/p", t, L""); },
     [](const testprovider::Call& c) { return c.text[2]; }},
    {"AuxPath", false, Entry::OpenProject,
     [](IPlimoWrapper& b, const wchar_t* t) { return OpenProject(b, L"me", L"$/p", L"C:\\w", t); },
     [](const testprovider::Call& c) { return c.text[3]; }},
};

void PrintTo(const TextArgument& a, std::ostream* os) {
    *os << a.name;
}

class TextRules : public BoundBridge, public ::testing::WithParamInterface<TextArgument> {
protected:
    void SetUp() override {
        BoundBridge::SetUp();
        if (::GetACP() != 1252) {
            GTEST_SKIP() << "skipped: the rows are written for code page 1252";
        }
        Bind();
        record.Reset();
    }
};

// Exact text goes as it is; a character the code page lacks ("Zhe") and a look-alike (the
// fullwidth reverse solidus, a backslash under best fit) become the default character in free
// text, and refuse a name before the provider is called.
TEST_P(TextRules, GiveExactTextTheDefaultCharacterOrARefusal) {
    const TextArgument& a = GetParam();
    const struct {
        const wchar_t* sent;
        const char* freeText;
    } kTexts[] = {{L"ab", "ab"},
                  {L"a\x0416"
                   L"b",
                   "a?b"},
                  {L"a\xFF3C"
                   L"b",
                   "a?b"}};
    for (const auto& t : kTexts) {
        const bool exact = std::strcmp(t.freeText, "ab") == 0;
        record.Reset();
        const HRESULT hr = a.call(*bridge, t.sent);
        if (a.freeText || exact) {
            ASSERT_EQ(S_OK, hr) << t.freeText;
            ASSERT_EQ(1, record.Count());
            EXPECT_EQ(a.entry, record.Last().entry);
            EXPECT_STREQ(t.freeText, a.received(record.Last()));
        } else {
            EXPECT_EQ(E_INVALIDARG, hr) << t.freeText;
            EXPECT_EQ(0, record.Count()) << "the provider was called";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Arguments, TextRules, ::testing::ValuesIn(kTextArguments),
                         [](const auto& info) { return std::string(info.param.name); });

// A fault where the bridge builds what the provider handed it, standing for any fault of the
// bridge's own after the provider call: the string allocator faults.
BSTR WINAPI FaultingAllocator(const OLECHAR*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return nullptr;
}

struct FaultAfterTheCall {
    const char* name;
    Entry entry;
    // The call; a fault that leaves it reaches the test's own guard, as it would reach COM's.
    std::function<HRESULT(CPlimoWrapper2&)> call;
    HRESULT expected; // what the call answers, when its own guard catches the fault
};

const FaultAfterTheCall kFaults[] = {
    {"SccInitializeReturningItsNames", Entry::Initialize,
     [](CPlimoWrapper2& b) { return Initialize(b, L"me", L"name"); }, S_OK},
    {"SccPopulateListMakingItsNames", Entry::PopulateList,
     [](CPlimoWrapper2& b) {
         ScopedSafeArray files = BstrArray({L"C:\\w"});
         ScopedVariant keep, status, names, given;
         LONG result = 0;
         return b.SccPopulateList(0, ArrayArgument(files.get()), 0, keep.put(), status.put(),
                                  names.put(), given.put(), &result);
     },
     E_FAIL},
    {"SccAddFromSccMakingItsNames", Entry::AddFromScc,
     [](CPlimoWrapper2& b) {
         ScopedVariant names;
         LONG result = 0;
         return b.SccAddFromScc(0, names.put(), &result);
     },
     E_FAIL},
};

void PrintTo(const FaultAfterTheCall& f, std::ostream* os) {
    *os << f.name;
}

class BridgeFault : public BoundBridge, public ::testing::WithParamInterface<FaultAfterTheCall> {};

TEST_P(BridgeFault, EndsTheCallAndTheObjectAnswersTheNext) {
    const FaultAfterTheCall& f = GetParam();
    WholeBridgePtr whole = MakeWholeBridge();
    ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
    ASSERT_EQ(S_OK, whole->Init(path.get()));
    record.Reset();
    record.script().reportCount = 2;
    SetReturnedStringAllocator(&FaultingAllocator);
    struct Frame {
        const FaultAfterTheCall* fault;
        CPlimoWrapper2* bridge;
        HRESULT hr;
    } frame{&f, whole.get(), S_OK};
    const bool returned = CallGuarded(
        [](void* p) {
            auto* fr = static_cast<Frame*>(p);
            fr->hr = fr->fault->call(*fr->bridge);
        },
        &frame);
    SetReturnedStringAllocator(nullptr);

    ASSERT_EQ(1, record.CountOf(f.entry)) << "the provider was called";
    if (f.expected == S_OK) {
        EXPECT_FALSE(returned) << "an unguarded call's fault goes on to whoever handles it";
    } else {
        EXPECT_TRUE(returned);
        EXPECT_EQ(f.expected, frame.hr);
    }
    EXPECT_EQ(0, record.shared().listsOutstanding) << "a list handed out was freed";
    EXPECT_EQ(2u, whole->AddRef()) << "the call let the object go";
    whole->Release();
    LONG version = -1;
    EXPECT_EQ(S_OK, whole->SccGetVersion(&version)) << "the next call is admitted";
}

INSTANTIATE_TEST_SUITE_P(Places, BridgeFault, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
