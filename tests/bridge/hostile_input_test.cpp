// Hostile input, in process: a seeded, bounded random run over the 19 methods of a bridge that
// the test constructs directly and binds to the test provider. Each call must come back with
// the HRESULT a sound bridge gives, reach the provider exactly when its arguments are well
// formed, hand it exactly what a correct conversion gives, change nothing of the caller's, and
// leave nothing allocated behind.
//
// The seed is printed; PLIMO_HOSTILE_SEED replaces it and PLIMO_HOSTILE_CALLS the number of
// calls, to replay or widen a run.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "allocation_census.h"
#include "bound_bridge.h"
#include "handle_census.h"
#include "hostile_input_oracle.h"
#include "malloc_spy.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

using namespace hostile;

constexpr uint32_t kDefaultSeed = 0x5CC7E57;
constexpr int kDefaultCalls = 5000;
constexpr int kWarmUpCalls = 100;
constexpr const char* kMethodNames[] = {"Init",
                                        "SccInitialize",
                                        "SccSetOption",
                                        "SccUninitialize",
                                        "SccGetCommandOptions",
                                        "SccGetCommandOptionsByRef",
                                        "SccGetProjPath",
                                        "SccCloseProject",
                                        "SccCheckin",
                                        "SccCheckout",
                                        "SccUncheckout",
                                        "SccGet",
                                        "SccAdd",
                                        "SccQueryInfo",
                                        "SccOpenProject",
                                        "SccSetOptionCallback",
                                        "SccGetVersion",
                                        "SccBeginBatch",
                                        "SccEndBatch"};
constexpr uint32_t kMethods = sizeof kMethodNames / sizeof kMethodNames[0];

class HostileInput : public BoundBridge {
protected:
    void SetUp() override {
        BoundBridge::SetUp();
        ::CoInitialize(nullptr);
    }
    void TearDown() override {
        ::CoUninitialize();
        BoundBridge::TearDown();
    }

    // One random call of method `m`; the expectations are checked before it returns, and every
    // argument it made is gone when it has.
    void CallOnce(uint32_t m) {
        record.Reset();
        bound_ = !dice_.Chance(10);
        CPlimoWrapper& target = bound_ ? static_cast<CPlimoWrapper&>(*bridge) : *unbound_;
        result_ = kUntouched;
        LONG* pResult = dice_.Chance(6) ? nullptr : &result_;
        scripted_ = dice_.AnyLong();
        switch (m) {
        case 0:
            return CallInit();
        case 1:
            return CallInitialize(target, pResult);
        case 2: {
            const LONG option = dice_.AnyLong(), value = dice_.AnyLong();
            record.SetResult(Entry::SetOption, scripted_);
            const HRESULT hr = target.SccSetOption(option, value, pResult);
            if (Reached(hr, pResult != nullptr, S_OK, Entry::SetOption)) {
                EXPECT_EQ(option, record.Last().args[0]);
                EXPECT_EQ(value, record.Last().args[1]);
            }
            return;
        }
        case 3:
            return CallContextOnly(Entry::Uninitialize,
                                   target.SccUninitialize(ScriptFor(Entry::Uninitialize, pResult)),
                                   pResult);
        case 4: {
            const LONG window = dice_.AnyLong(), command = dice_.AnyLong();
            record.SetResult(Entry::GetCommandOptions, scripted_);
            const HRESULT hr = target.SccGetCommandOptions(window, command, pResult);
            if (Reached(hr, pResult != nullptr, S_OK, Entry::GetCommandOptions)) {
                EXPECT_EQ(window, record.Last().args[0]);
                EXPECT_EQ(command, record.Last().args[1]);
                EXPECT_EQ(0, record.Last().args[2]) << "no cookie address";
            }
            return;
        }
        case 5:
            return CallGetCommandOptionsByRef(target, pResult);
        case 6:
            return CallGetProjPath(target, pResult);
        case 7:
            return CallContextOnly(Entry::CloseProject,
                                   target.SccCloseProject(ScriptFor(Entry::CloseProject, pResult)),
                                   pResult);
        case 8:
            return CallCommentedFiles(target, pResult, Entry::Checkin);
        case 9:
            return CallCommentedFiles(target, pResult, Entry::Checkout);
        case 10:
            return CallPlainFiles(target, pResult, Entry::Uncheckout);
        case 11:
            return CallPlainFiles(target, pResult, Entry::Get);
        case 12:
            return CallAdd(target, pResult);
        case 13:
            return CallQueryInfo(target, pResult);
        case 14:
            return CallOpenProject(target, pResult);
        case 15: {
            const LONG option = dice_.AnyLong();
            record.SetResult(Entry::SetOption, scripted_);
            const HRESULT hr = target.SccSetOptionCallback(option, pResult);
            if (Reached(hr, pResult != nullptr, S_OK, Entry::SetOption)) {
                EXPECT_EQ(option, record.Last().args[0]);
                EXPECT_NE(0, record.Last().args[1]) << "the callback's address";
            }
            return;
        }
        case 16:
            return CallContextOnly(Entry::GetVersion,
                                   target.SccGetVersion(ScriptFor(Entry::GetVersion, pResult)),
                                   pResult);
        case 17:
            return CallContextOnly(Entry::BeginBatch,
                                   target.SccBeginBatch(ScriptFor(Entry::BeginBatch, pResult)),
                                   pResult);
        default:
            return CallContextOnly(
                Entry::EndBatch, target.SccEndBatch(ScriptFor(Entry::EndBatch, pResult)), pResult);
        }
    }

    // Sets the provider's result for `entry` before an argument list that has no other set-up.
    LONG* ScriptFor(Entry entry, LONG* pResult) {
        record.SetResult(entry, scripted_);
        return pResult;
    }

    // The outcome a sound bridge gives: the pointer checks first, then the lists and the in/out
    // texts, then the lookup of the entry, then the in-only texts. Checks the HRESULT, that the
    // provider was reached exactly when it should be, with the bridge's context, and the result.
    // True when the provider was reached.
    bool Reached(HRESULT hr, bool pointersGiven, HRESULT lists, Entry entry, HRESULT texts = S_OK) {
        HRESULT expected = S_OK;
        if (!pointersGiven) {
            expected = E_INVALIDARG;
        } else if (FAILED(lists)) {
            expected = lists;
        } else if (!bound_) {
            expected = kNoEntry;
        } else {
            expected = texts;
        }
        EXPECT_EQ(expected, hr);
        const bool reached = expected == S_OK;
        ++(reached ? reached_ : refused_);
        EXPECT_EQ(reached ? 1 : 0, record.Count())
            << "the provider is reached only by a sound call";
        if (!reached || record.Count() != 1) {
            EXPECT_EQ(kUntouched, result_) << "a refused call writes no result";
            return false;
        }
        EXPECT_EQ(entry, record.Last().entry);
        EXPECT_EQ(context_, record.Last().context);
        EXPECT_EQ(scripted_, result_);
        return true;
    }

    void CallContextOnly(Entry entry, HRESULT hr, LONG* pResult) {
        Reached(hr, pResult != nullptr, S_OK, entry);
    }

    // Init binds a bridge of its own, so the run's bridges stay as they are.
    void CallInit() {
        BridgePtr fresh = MakeBridge();
        const bool provider = dice_.Chance(15);
        Text name(dice_, 10);
        if (provider) {
            BSTR* slot = name.Slot();
            ::SysFreeString(*slot);
            *slot = ::SysAllocString(BesideTest(kTestProvider).c_str());
        }
        const HRESULT hr = fresh->Init(name.get());
        ::SetDllDirectoryW(nullptr);
        if (provider) {
            EXPECT_EQ(S_OK, hr);
        } else if (name.IsNull()) {
            EXPECT_EQ(E_INVALIDARG, hr);
        } else {
            EXPECT_TRUE(FAILED(hr)) << "no random name names a library";
        }
        EXPECT_EQ(0, record.Count()) << "binding calls no entry point";
    }

    void CallInitialize(CPlimoWrapper& target, LONG* pResult) {
        Text caller(dice_, 8, TextKind::kFree), name(dice_, 20, TextKind::kFree), label(dice_, 20);
        LONG caps = kUntouched, checkoutLength = kUntouched, commentLength = kUntouched;
        const bool give[] = {!caller.IsNull(), !dice_.Chance(5), !dice_.Chance(3),
                             !dice_.Chance(5), !dice_.Chance(3), !dice_.Chance(3)};
        auto& script = record.script();
        script.writeTextMask = static_cast<int32_t>(dice_.Below(4));
        const char* written[2] = {nullptr, nullptr};
        for (int slot = 0; slot < 2; ++slot) {
            if ((script.writeTextMask & (1 << slot)) != 0) {
                RandomNarrow(script.writeText[slot]);
                written[slot] = script.writeText[slot];
            }
        }
        script.storeContext = dice_.Chance(50);
        script.contextToStore = static_cast<uint32_t>(dice_.AnyLong());
        record.SetResult(Entry::Initialize, scripted_);
        const HRESULT hr = target.SccInitialize(
            0, caller.get(), give[1] ? name.Slot() : nullptr, give[2] ? &caps : nullptr,
            give[3] ? label.Slot() : nullptr, give[4] ? &checkoutLength : nullptr,
            give[5] ? &commentLength : nullptr, pResult);
        bool all = pResult != nullptr;
        for (bool g : give) {
            all = all && g;
        }
        if (!Reached(hr, all, FirstFailure({name.Expected(), label.Expected()}), Entry::Initialize,
                     caller.Expected())) {
            EXPECT_EQ(name.Entry(), name.get()) << "a refused call keeps the entry strings";
            EXPECT_EQ(label.Entry(), label.get());
            EXPECT_EQ(kUntouched, caps);
            return;
        }
        ExpectInText(record.Last(), 0, caller);
        ExpectBuffer(record.Last(), 1, name, 32, written[0]);
        ExpectBuffer(record.Last(), 2, label, 32, written[1]);
        if (script.storeContext) {
            context_ = script.contextToStore;
        }
    }

    void CallGetCommandOptionsByRef(CPlimoWrapper& target, LONG* pResult) {
        const LONG window = dice_.AnyLong(), command = dice_.AnyLong();
        LONG cookie = kUntouched;
        const bool giveCookie = !dice_.Chance(6);
        const bool writes = dice_.Chance(50);
        record.script().writeLongMask = writes ? 1 : 0;
        record.script().writeLong[0] = dice_.AnyLong();
        record.SetResult(Entry::GetCommandOptions, scripted_);
        const HRESULT hr = target.SccGetCommandOptionsByRef(
            window, command, giveCookie ? &cookie : nullptr, pResult);
        if (!Reached(hr, pResult != nullptr && giveCookie, S_OK, Entry::GetCommandOptions)) {
            EXPECT_EQ(kUntouched, cookie);
            return;
        }
        EXPECT_EQ(0, record.Last().args[3]) << "the provider never sees an earlier cookie";
        const LONG written = writes ? record.script().writeLong[0] : 0;
        if (sizeof(LONG_PTR) == sizeof(LONG) || written == 0) {
            EXPECT_EQ(written, cookie) << "a cookie travels as it is, and 0 is no options";
        } else {
            EXPECT_NE(0, cookie) << "a 64-bit server issues a number of its own";
        }
    }

    void CallGetProjPath(CPlimoWrapper& target, LONG* pResult) {
        Text user(dice_, 15), project(dice_, 15), local(dice_, 15), aux(dice_, 15);
        Text* texts[] = {&user, &project, &local, &aux};
        const size_t capacities[] = {32, 301, 261, 301};
        const bool give[] = {!dice_.Chance(3), !dice_.Chance(3), !dice_.Chance(3), !dice_.Chance(3),
                             !dice_.Chance(3)};
        VARIANT_BOOL isNew = static_cast<VARIANT_BOOL>(dice_.Below(3) - 1);
        const VARIANT_BOOL entryNew = isNew;
        const VARIANT_BOOL allow = static_cast<VARIANT_BOOL>(dice_.AnyLong());
        auto& script = record.script();
        script.writeTextMask = static_cast<int32_t>(dice_.Below(16));
        const char* written[4] = {};
        for (int slot = 0; slot < 4; ++slot) {
            if ((script.writeTextMask & (1 << slot)) != 0) {
                RandomNarrow(script.writeText[slot]);
                written[slot] = script.writeText[slot];
            }
        }
        const bool writesFlag = dice_.Chance(50);
        script.writeLongMask = writesFlag ? 1 : 0;
        script.writeLong[0] = static_cast<LONG>(dice_.Below(3));
        record.SetResult(Entry::GetProjPath, scripted_);
        const HRESULT hr = target.SccGetProjPath(
            0, give[0] ? user.Slot() : nullptr, give[1] ? project.Slot() : nullptr,
            give[2] ? local.Slot() : nullptr, give[3] ? aux.Slot() : nullptr, allow,
            give[4] ? &isNew : nullptr, pResult);
        const bool all = pResult != nullptr && give[0] && give[1] && give[2] && give[3] && give[4];
        const HRESULT loaded =
            FirstFailure({user.Expected(), project.Expected(), local.Expected(), aux.Expected()});
        if (!Reached(hr, all, loaded, Entry::GetProjPath)) {
            for (Text* text : texts) {
                EXPECT_EQ(text->Entry(), text->get());
            }
            EXPECT_EQ(entryNew, isNew);
            return;
        }
        const auto& call = record.Last();
        EXPECT_EQ(allow != 0 ? 1 : 0, call.args[1]);
        EXPECT_EQ(entryNew != 0 ? 1 : 0, call.args[3]);
        const bool flag = writesFlag ? script.writeLong[0] != 0 : entryNew != 0;
        EXPECT_EQ(flag ? VARIANT_TRUE : VARIANT_FALSE, isNew);
        for (int slot = 0; slot < 4; ++slot) {
            ExpectBuffer(call, slot, *texts[slot], capacities[slot], written[slot]);
        }
    }

    void CallOpenProject(CPlimoWrapper& target, LONG* pResult) {
        Text user(dice_, 15), project(dice_, 5), local(dice_, 5), aux(dice_, 15),
            comment(dice_, 30, TextKind::kFree);
        const bool give[] = {!dice_.Chance(3), !dice_.Chance(3)};
        auto& script = record.script();
        script.writeTextMask = static_cast<int32_t>(dice_.Below(4));
        const char* written[2] = {};
        for (int slot = 0; slot < 2; ++slot) {
            if ((script.writeTextMask & (1 << slot)) != 0) {
                RandomNarrow(script.writeText[slot]);
                written[slot] = script.writeText[slot];
            }
        }
        const LONG flags = dice_.AnyLong();
        record.SetResult(Entry::OpenProject, scripted_);
        const HRESULT hr =
            target.SccOpenProject(0, give[0] ? user.Slot() : nullptr, project.get(), local.get(),
                                  give[1] ? aux.Slot() : nullptr, comment.get(), flags, pResult);
        const bool all =
            pResult != nullptr && give[0] && give[1] && !project.IsNull() && !local.IsNull();
        if (!Reached(hr, all, FirstFailure({user.Expected(), aux.Expected()}), Entry::OpenProject,
                     FirstFailure({comment.Expected(), local.Expected(), project.Expected()}))) {
            EXPECT_EQ(user.Entry(), user.get());
            EXPECT_EQ(aux.Entry(), aux.get());
            return;
        }
        const auto& call = record.Last();
        EXPECT_EQ(flags, call.args[2]);
        EXPECT_EQ(0, call.args[1]) << "no text-output callback";
        ExpectBuffer(call, 0, user, 32, written[0]);
        ExpectInText(call, 1, project);
        ExpectInText(call, 2, local);
        ExpectBuffer(call, 3, aux, 301, written[1]);
        ExpectInText(call, 4, comment);
    }

    void CallCommentedFiles(CPlimoWrapper& target, LONG* pResult, Entry entry) {
        ListArgument files(dice_, VT_BSTR, dice_.Below(6));
        Text comment(dice_, 25, TextKind::kFree);
        const LONG window = dice_.AnyLong(), options = dice_.AnyLong(), cookie = dice_.AnyLong();
        record.SetResult(entry, scripted_);
        const HRESULT hr =
            entry == Entry::Checkin
                ? target.SccCheckin(window, files.get(), comment.get(), options, cookie, pResult)
                : target.SccCheckout(window, files.get(), comment.get(), options, cookie, pResult);
        EXPECT_TRUE(files.Unchanged()) << "the caller's array is only read";
        if (!Reached(hr, pResult != nullptr, files.Expected(), entry, comment.Expected())) {
            return;
        }
        const auto& call = record.Last();
        EXPECT_EQ(window, call.args[0]);
        EXPECT_EQ(options, call.args[2]);
        EXPECT_EQ(cookie, call.args[3]);
        ExpectFiles(call, files.Names());
        ExpectInText(call, 0, comment);
    }

    void CallPlainFiles(CPlimoWrapper& target, LONG* pResult, Entry entry) {
        ListArgument files(dice_, VT_BSTR, dice_.Below(6));
        const LONG window = dice_.AnyLong(), options = dice_.AnyLong(), cookie = dice_.AnyLong();
        record.SetResult(entry, scripted_);
        const HRESULT hr =
            entry == Entry::Get
                ? target.SccGet(window, files.get(), options, cookie, pResult)
                : target.SccUncheckout(window, files.get(), options, cookie, pResult);
        EXPECT_TRUE(files.Unchanged());
        if (!Reached(hr, pResult != nullptr, files.Expected(), entry)) {
            return;
        }
        const auto& call = record.Last();
        EXPECT_EQ(window, call.args[0]);
        EXPECT_EQ(options, call.args[2]);
        EXPECT_EQ(cookie, call.args[3]);
        ExpectFiles(call, files.Names());
    }

    void CallAdd(CPlimoWrapper& target, LONG* pResult) {
        ListArgument files(dice_, VT_BSTR, dice_.Below(6));
        const ULONG matching = files.Expected() == S_OK ? files.Count() : dice_.Below(6);
        ListArgument options(dice_, VT_I4, dice_.Chance(85) ? matching : dice_.Below(6));
        Text comment(dice_, 25, TextKind::kFree);
        const LONG window = dice_.AnyLong(), cookie = dice_.AnyLong();
        record.SetResult(Entry::Add, scripted_);
        const HRESULT hr =
            target.SccAdd(window, files.get(), comment.get(), options.get(), cookie, pResult);
        EXPECT_TRUE(files.Unchanged());
        EXPECT_TRUE(options.Unchanged());
        HRESULT lists = files.Expected();
        if (SUCCEEDED(lists)) {
            lists = options.Expected();
        }
        if (SUCCEEDED(lists) && options.FileCount() != files.FileCount()) {
            lists = E_INVALIDARG;
        }
        if (!Reached(hr, pResult != nullptr, lists, Entry::Add, comment.Expected())) {
            return;
        }
        const auto& call = record.Last();
        EXPECT_EQ(window, call.args[0]);
        EXPECT_EQ(cookie, call.args[2]);
        ExpectFiles(call, files.Names());
        ExpectInText(call, 0, comment);
        EXPECT_EQ(options.Values().empty(), call.optionsNull != 0);
        for (size_t i = 0; i < options.Values().size() && i < testprovider::kMaxFiles; ++i) {
            EXPECT_EQ(options.Values()[i], call.options[i]);
        }
    }

    void CallQueryInfo(CPlimoWrapper& target, LONG* pResult) {
        ListArgument files(dice_, VT_BSTR, dice_.Below(6));
        VARIANT status;
        ::VariantInit(&status);
        MakeStatusEntry(status);
        const VARIANT entryStatus = status;
        const bool giveStatus = !dice_.Chance(5);
        auto& script = record.script();
        script.statusCount = static_cast<int32_t>(dice_.Below(testprovider::kMaxFiles + 1));
        for (int i = 0; i < testprovider::kMaxFiles; ++i) {
            script.status[i] = dice_.AnyLong();
        }
        record.SetResult(Entry::QueryInfo, scripted_);
        const HRESULT hr =
            target.SccQueryInfo(files.get(), giveStatus ? &status : nullptr, pResult);
        EXPECT_TRUE(files.Unchanged());
        if (Reached(hr, pResult != nullptr && giveStatus, files.Expected(), Entry::QueryInfo)) {
            ExpectFiles(record.Last(), files.Names());
            ExpectStatus(status, files.Count());
        } else {
            EXPECT_EQ(entryStatus.vt, status.vt) << "a refused call keeps the status entry";
            EXPECT_EQ(entryStatus.byref, status.byref);
        }
        ::VariantClear(&status);
    }

    // A status VARIANT's entry value: nothing, a number, a string, or an array of either.
    void MakeStatusEntry(VARIANT& status) {
        switch (dice_.Below(5)) {
        case 0:
            break;
        case 1:
            status.vt = VT_I4;
            status.lVal = dice_.AnyLong();
            break;
        case 2:
            status.vt = VT_BSTR;
            status.bstrVal = RandomBstr(dice_, 0);
            break;
        case 3:
            status.vt = VT_ARRAY | VT_BSTR;
            status.parray = BstrArray({L"old", nullptr}).release();
            break;
        default:
            status.vt = VT_ARRAY | VT_I4;
            status.parray = LongArray({1, 2, 3}, 4).release();
            break;
        }
    }

    void ExpectStatus(const VARIANT& status, ULONG count) {
        ASSERT_EQ(VT_ARRAY | VT_I4, status.vt);
        ASSERT_NE(nullptr, status.parray);
        ASSERT_EQ(1u, ::SafeArrayGetDim(status.parray));
        EXPECT_EQ(0, status.parray->rgsabound[0].lLbound);
        ASSERT_EQ(count, status.parray->rgsabound[0].cElements);
        EXPECT_EQ(0u, status.parray->cLocks) << "the client gets the array unlocked";
        const LONG* words = static_cast<const LONG*>(status.parray->pvData);
        const auto& script = record.script();
        for (ULONG i = 0; i < count; ++i) {
            const bool written = static_cast<int32_t>(i) < script.statusCount;
            EXPECT_EQ(written ? script.status[i] : 0, words[i]) << "status " << i;
        }
    }

    // Printable narrow text for the provider to write into a buffer, up to 350 bytes.
    void RandomNarrow(char* out) {
        const uint32_t length = dice_.Below(351);
        for (uint32_t i = 0; i < length; ++i) {
            out[i] = static_cast<char>(0x20 + dice_.Below(0x5F));
        }
        out[length] = '\0';
    }

    Dice dice_{FromEnvironment("PLIMO_HOSTILE_SEED", kDefaultSeed)};
    BridgePtr unbound_ = MakeBridge();
    bool bound_ = true;
    uint32_t context_ = 0; // what the bound bridge's provider stored as its context
    LONG result_ = kUntouched;
    LONG scripted_ = 0;
    int reached_ = 0;
    int refused_ = 0;
};

TEST_F(HostileInput, EveryMethodAnswersRandomArgumentsSoundlyAndLeavesNothingBehind) {
    const uint32_t seed = FromEnvironment("PLIMO_HOSTILE_SEED", kDefaultSeed);
    const int calls = static_cast<int>(FromEnvironment("PLIMO_HOSTILE_CALLS", kDefaultCalls));
    std::printf("[ hostile  ] seed 0x%X (PLIMO_HOSTILE_SEED), %d calls (PLIMO_HOSTILE_CALLS)\n",
                seed, calls);
    std::fflush(stdout);
    Bind();
    AllocationSpy* spy = AllocationSpy::Start();
    ASSERT_NE(nullptr, spy) << "the platform refused the allocation spy";
    long handles = -1;
    const ULONGLONG start = ::GetTickCount64();
    int perMethod[kMethods] = {};

    for (int i = 0; i < calls; ++i) {
        const uint32_t method = dice_.Below(kMethods);
        ++perMethod[method];
        const long tasks = spy->Live();
        const long blocks = LiveCppBlocks();
        CallOnce(method);
        // A failure's own message is kept by the test framework: the census counts only after
        // a call that passed.
        if (!HasFailure()) {
            EXPECT_EQ(tasks, spy->Live()) << "a BSTR or safe array was left allocated or freed "
                                             "twice";
            EXPECT_EQ(blocks, LiveCppBlocks()) << "a C++ heap block was left allocated";
        }
        // The first exception thrown in the process (a refused list) opens two handles of the
        // C++ runtime's for good: the count that must hold is taken after the first calls.
        if (i + 1 == kWarmUpCalls) {
            handles = ProcessHandleCount();
        }
        if (HasFailure()) {
            ADD_FAILURE() << "call " << i << " of seed 0x" << std::hex << seed << ": "
                          << kMethodNames[method] << (bound_ ? "" : " on the unbound bridge");
            return;
        }
    }
    ASSERT_GT(calls, kWarmUpCalls);
    EXPECT_EQ(handles, ProcessHandleCount()) << "a handle was left open";

    std::printf("[ hostile  ] %d calls in %llu ms: %d reached the provider, %d were refused; "
                "handles %ld before and after\n",
                calls, ::GetTickCount64() - start, reached_, refused_, handles);
    for (uint32_t m = 0; m < kMethods; ++m) {
        std::printf("[ hostile  ]   %-26s %d\n", kMethodNames[m], perMethod[m]);
    }
    // A run that refused everything, or nothing, would prove little.
    EXPECT_GT(reached_, calls / 4);
    EXPECT_GT(refused_, calls / 10);
}

// A safe array of two dimensions whose second is empty holds no element at all, while its first
// dimension still counts three: it is an empty list, and no name is read from beyond it.
TEST_F(BoundBridge, AnArrayWithAnEmptySecondDimensionIsAnEmptyList) {
    Bind();
    SAFEARRAYBOUND bounds[2] = {{3, 0}, {0, 0}};
    ScopedSafeArray names(::SafeArrayCreate(VT_BSTR, 2, bounds));
    ASSERT_TRUE(names);
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccGet(0, ArrayArgument(names.get()), 0, 0, &result));
    ASSERT_EQ(1, record.Count());
    EXPECT_EQ(0, record.Last().fileCount) << "names read from outside the array";
    EXPECT_TRUE(record.Last().filesNull);
}

} // namespace
