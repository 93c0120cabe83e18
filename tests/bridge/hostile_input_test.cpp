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
#include "malloc_spy.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

constexpr uint32_t kDefaultSeed = 0x5CC7E57;
constexpr int kDefaultCalls = 5000;
constexpr int kWarmUpCalls = 100;
// What the union of a VARIANT holds when its type says it holds nothing that can be read: a
// bridge that reads it anyway faults.
void* const kUnreadable = reinterpret_cast<void*>(0x10);

uint32_t FromEnvironment(const char* name, uint32_t fallback) {
    char text[32];
    DWORD length = ::GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return fallback;
    }
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 0));
}

// The run's random source. Only the engine's own output is used, never a distribution, whose
// results differ between standard libraries: a seed replays the same run everywhere.
class Dice {
public:
    explicit Dice(uint32_t seed) : engine_(seed) {}
    uint32_t Below(uint32_t n) { return engine_() % n; }
    bool Chance(uint32_t percent) { return Below(100) < percent; }
    LONG AnyLong() { return static_cast<LONG>(engine_()); }

private:
    std::mt19937 engine_;
};

// The narrow text a correct conversion gives for `s`, read up to its first NUL: the platform's
// own conversion into the thread's code page. Empty for null.
std::string Narrow(const wchar_t* s) {
    if (s == nullptr) {
        return std::string();
    }
    int size = ::WideCharToMultiByte(CP_THREAD_ACP, 0, s, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string text(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, 0, s, -1, &text[0], size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size) - 1);
    return text;
}

std::wstring Wide(const std::string& t) {
    int size = ::MultiByteToWideChar(CP_THREAD_ACP, 0, t.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<size_t>(size > 0 ? size : 1), L'\0');
    ::MultiByteToWideChar(CP_THREAD_ACP, 0, t.c_str(), -1, &text[0], size);
    text.resize(text.size() - 1);
    return text;
}

// Units as a client may send them: printable, accented and CJK characters, embedded NULs,
// unpaired surrogates of either half, proper pairs, noncharacters and controls; now and then
// long enough to overflow every fixed buffer.
std::wstring RandomUnits(Dice& dice) {
    size_t length = dice.Below(24);
    if (dice.Chance(8)) {
        length = 0;
    } else if (dice.Chance(8)) {
        length = 250 + dice.Below(500);
    }
    std::wstring units;
    while (units.size() < length) {
        switch (dice.Below(14)) {
        case 0:
            units += L'\0';
            break;
        case 1:
            units += static_cast<wchar_t>(0xD800 + dice.Below(0x400));
            break;
        case 2:
            units += static_cast<wchar_t>(0xDC00 + dice.Below(0x400));
            break;
        case 3:
            units += L"\xD83D\xDE00";
            break;
        case 4:
            units += static_cast<wchar_t>(0x80 + dice.Below(0x180));
            break;
        case 5:
            units += static_cast<wchar_t>(0x4E00 + dice.Below(0x5000));
            break;
        case 6:
            units += dice.Chance(50) ? L'\xFFFF' : L'\xFFFE';
            break;
        case 7:
            units += static_cast<wchar_t>(1 + dice.Below(31));
            break;
        default:
            units += static_cast<wchar_t>(0x20 + dice.Below(0x5F));
            break;
        }
    }
    return units;
}

// A random BSTR, the caller's to free: null now and then, sometimes of an odd byte length.
BSTR RandomBstr(Dice& dice, uint32_t nullPercent) {
    if (dice.Chance(nullPercent)) {
        return nullptr;
    }
    std::wstring units = RandomUnits(dice);
    if (!units.empty() && dice.Chance(5)) {
        return ::SysAllocStringByteLen(reinterpret_cast<const char*>(units.data()),
                                       static_cast<UINT>(units.size() * 2 - 1));
    }
    return ::SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

// One BSTR argument and its owner. For an [in, out] parameter the bridge may replace the string
// through Slot(); the owner frees whatever is there at the end.
class Text {
public:
    Text(Dice& dice, uint32_t nullPercent) : value_(RandomBstr(dice, nullPercent)) {
        entry_ = value_;
        narrow_ = Narrow(value_);
    }
    ~Text() { ::SysFreeString(value_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    BSTR get() const { return value_; }
    BSTR* Slot() { return &value_; }
    BSTR Entry() const { return entry_; }
    bool IsNull() const { return entry_ == nullptr; }
    // The entry's narrow form, as a correct conversion gives it.
    const std::string& NarrowEntry() const { return narrow_; }

private:
    BSTR value_;
    BSTR entry_;
    std::string narrow_;
};

// The elements a safe array of `type` holds, for the test to see that the bridge changed none.
struct ArrayImage {
    std::vector<BYTE> bytes;
    std::vector<std::wstring> texts; // of BSTR elements, whole (embedded NULs included)
    ULONG locks = 0;
    USHORT features = 0;
    void* data = nullptr;
    bool operator==(const ArrayImage& o) const {
        return bytes == o.bytes && texts == o.texts && locks == o.locks && features == o.features &&
               data == o.data;
    }
};

// A list argument (lpFileNames or pfOptions) in a random shape: mostly the right one over a
// random array, else anything a client could put in a VARIANT. It owns what it made and knows
// what a sound bridge does with it.
class ListArgument {
public:
    // `wanted` is VT_BSTR for file names, VT_I4 for option words; `preferredCount` is the
    // length a well-formed list should usually have (SccAdd matches its two lists).
    ListArgument(Dice& dice, VARTYPE wanted, ULONG preferredCount) : wanted_(wanted) {
        ::VariantInit(&value_);
        const VARTYPE exact = VT_ARRAY | wanted;
        const uint32_t shape = dice.Below(100);
        if (shape < 70) {
            MakeArray(dice, preferredCount);
            value_.vt = exact;
            value_.parray = array_;
        } else if (shape < 75) {
            value_.vt = exact;
            value_.parray = nullptr;
        } else if (shape < 80) {
            MakeArray(dice, preferredCount);
            value_.vt = VT_ARRAY | VT_VARIANT;
            value_.parray = array_;
        } else if (shape < 85) {
            MakeArray(dice, preferredCount);
            value_.vt = VT_BYREF | exact;
            value_.pparray = &array_;
        } else if (shape < 88) {
            MakeArray(dice, preferredCount);
            value_.vt = VT_ARRAY | (wanted == VT_BSTR ? VT_I4 : VT_BSTR);
            value_.parray = array_;
        } else if (shape < 91) {
            text_ = RandomBstr(dice, 20);
            value_.vt = VT_BSTR;
            value_.bstrVal = text_;
        } else if (shape < 94) {
            const VARTYPE plain[] = {VT_EMPTY, VT_NULL, VT_I4, VT_ERROR};
            value_.vt = plain[dice.Below(4)];
            value_.lVal = dice.AnyLong();
        } else {
            // Any type word with any flags; the union holds nothing readable.
            const VARTYPE flags[] = {0,         VT_ARRAY,    VT_BYREF,
                                     VT_VECTOR, VT_RESERVED, VT_ARRAY | VT_BYREF};
            do {
                value_.vt = static_cast<VARTYPE>(dice.Below(0x50) | flags[dice.Below(6)]);
            } while (value_.vt == exact);
            value_.byref = kUnreadable;
        }
        Predict();
        if (array_ != nullptr) {
            before_ = Image();
        }
    }

    ~ListArgument() {
        for (ULONG i = 0; i < locks_; ++i) {
            ::SafeArrayUnlock(array_);
        }
        if (array_ != nullptr) {
            ::SafeArrayDestroy(array_);
        }
        ::SysFreeString(text_);
    }
    ListArgument(const ListArgument&) = delete;
    ListArgument& operator=(const ListArgument&) = delete;

    const VARIANT& get() const { return value_; }
    // S_OK when a list results, else the HRESULT the list builder must fail with.
    HRESULT Expected() const { return expected_; }
    ULONG Count() const { return static_cast<ULONG>(FileCount()); }
    size_t FileCount() const { return wanted_ == VT_BSTR ? names_.size() : values_.size(); }
    const std::vector<std::string>& Names() const { return names_; }
    const std::vector<LONG>& Values() const { return values_; }
    // True while the caller's array (if any) is as it was before the call.
    bool Unchanged() const { return array_ == nullptr || Image() == before_; }

private:
    void MakeArray(Dice& dice, ULONG preferredCount) {
        VARTYPE type = wanted_;
        if (dice.Chance(25)) {
            const VARTYPE others[] = {VT_VARIANT, VT_I4,    VT_UI1,      VT_I2, VT_R8,
                                      VT_BOOL,    VT_ERROR, VT_UNKNOWN,  VT_CY, VT_BSTR,
                                      VT_INT,     VT_UI4,   VT_DISPATCH, VT_R4, VT_DATE};
            type = others[dice.Below(sizeof others / sizeof others[0])];
        }
        const UINT dims = dice.Chance(85) ? 1 : 2 + dice.Below(2);
        SAFEARRAYBOUND bounds[3] = {};
        ULONG first = preferredCount;
        if (dice.Chance(30)) {
            first = dice.Chance(15) ? 30 + dice.Below(16) : dice.Below(10);
        }
        bounds[0].cElements = first;
        const LONG lowers[] = {1, -1, LONG_MIN, LONG_MAX, 7};
        bounds[0].lLbound = dice.Chance(75)   ? 0
                            : dice.Chance(50) ? lowers[dice.Below(5)]
                                              : static_cast<LONG>(dice.Below(2001)) - 1000;
        for (UINT d = 1; d < dims; ++d) {
            // An empty later dimension leaves the array without elements, however many
            // positions the first dimension counts.
            bounds[d].cElements = dice.Below(4);
            bounds[d].lLbound = static_cast<LONG>(dice.Below(11)) - 5;
        }

        const uint32_t how = dice.Below(10);
        if (how == 0 && dims == 1) {
            array_ = ::SafeArrayCreateVector(type, bounds[0].lLbound, bounds[0].cElements);
        } else if (how == 1 && (type == VT_BSTR || type == VT_I4)) {
            // A descriptor filled in by hand: no element type recorded beside it, only the
            // feature flag that tells its elements are strings (none for LONGs).
            if (FAILED(::SafeArrayAllocDescriptor(dims, &array_))) {
                array_ = nullptr;
                return;
            }
            array_->cbElements = type == VT_BSTR ? sizeof(BSTR) : sizeof(LONG);
            array_->fFeatures = type == VT_BSTR ? FADF_BSTR : 0;
            for (UINT d = 0; d < dims; ++d) {
                array_->rgsabound[dims - 1 - d] = bounds[d];
            }
            if (FAILED(::SafeArrayAllocData(array_))) {
                ::SafeArrayDestroyDescriptor(array_);
                array_ = nullptr;
                return;
            }
        } else {
            array_ = ::SafeArrayCreate(type, dims, bounds);
        }
        if (array_ == nullptr) {
            return;
        }
        Fill(dice, type);
        if (dice.Chance(10)) {
            array_->fFeatures |= FADF_FIXEDSIZE;
        }
        // A caller may hold its array locked; the bridge must neither need nor change that.
        const ULONG locks = dice.Chance(20) ? 1 + dice.Below(2) : 0;
        for (; locks_ < locks; ++locks_) {
            ::SafeArrayLock(array_);
        }
    }

    ULONG Total() const {
        ULONG total = 1;
        for (USHORT d = 0; d < array_->cDims; ++d) {
            total *= array_->rgsabound[d].cElements;
        }
        return total;
    }

    void Fill(Dice& dice, VARTYPE type) {
        BYTE* data = static_cast<BYTE*>(array_->pvData);
        const ULONG total = Total();
        for (ULONG i = 0; i < total; ++i) {
            BYTE* element = data + static_cast<size_t>(i) * array_->cbElements;
            if (type == VT_BSTR) {
                *reinterpret_cast<BSTR*>(element) = RandomBstr(dice, 15);
            } else if (type == VT_VARIANT) {
                VARIANT* v = reinterpret_cast<VARIANT*>(element);
                v->vt = VT_BSTR;
                v->bstrVal = RandomBstr(dice, 0);
            } else if (type != VT_UNKNOWN && type != VT_DISPATCH) {
                for (ULONG b = 0; b < array_->cbElements; ++b) {
                    element[b] = static_cast<BYTE>(dice.Below(256));
                }
            }
        }
    }

    // What a sound list builder makes of the argument: refuses every shape but the exact type
    // word over an array whose own element type is the wanted one, and every non-empty array
    // that does not start at 0; takes the first dimension's count of elements in storage order,
    // but never more elements than the array holds.
    void Predict() {
        if (value_.vt != (VT_ARRAY | wanted_) || value_.parray == nullptr) {
            expected_ = E_INVALIDARG;
            return;
        }
        VARTYPE type = VT_EMPTY;
        HRESULT hr = ::SafeArrayGetVartype(array_, &type);
        if (FAILED(hr)) {
            expected_ = hr;
            return;
        }
        const SAFEARRAYBOUND& first = array_->rgsabound[array_->cDims - 1];
        const ULONG count = std::min(first.cElements, Total());
        if (type != wanted_ || (count > 0 && first.lLbound != 0)) {
            expected_ = E_INVALIDARG;
            return;
        }
        expected_ = S_OK;
        for (ULONG i = 0; i < count; ++i) {
            if (wanted_ == VT_BSTR) {
                names_.push_back(Narrow(static_cast<BSTR*>(array_->pvData)[i]));
            } else {
                values_.push_back(static_cast<LONG*>(array_->pvData)[i]);
            }
        }
    }

    ArrayImage Image() const {
        ArrayImage image;
        image.locks = array_->cLocks;
        image.features = array_->fFeatures;
        image.data = array_->pvData;
        const size_t size = static_cast<size_t>(Total()) * array_->cbElements;
        const BYTE* data = static_cast<const BYTE*>(array_->pvData);
        image.bytes.assign(data, data + size);
        if ((array_->fFeatures & FADF_BSTR) != 0) {
            for (ULONG i = 0; i < Total(); ++i) {
                BSTR s = static_cast<BSTR*>(array_->pvData)[i];
                image.texts.emplace_back(s != nullptr ? std::wstring(s, ::SysStringLen(s))
                                                      : std::wstring());
            }
        }
        return image;
    }

    VARTYPE wanted_;
    VARIANT value_;
    SAFEARRAY* array_ = nullptr;
    ULONG locks_ = 0;
    BSTR text_ = nullptr;
    HRESULT expected_ = E_INVALIDARG;
    std::vector<std::string> names_;
    std::vector<LONG> values_;
    ArrayImage before_;
};

// What the provider received for a list of names, against a correct conversion.
void ExpectFiles(const testprovider::Call& call, const std::vector<std::string>& names) {
    ASSERT_EQ(static_cast<int32_t>(names.size()), call.fileCount);
    EXPECT_EQ(names.empty(), call.filesNull != 0) << "an empty list is a null array, only then";
    if (names.empty()) {
        return;
    }
    std::vector<const char*> pointers;
    for (const std::string& name : names) {
        pointers.push_back(name.c_str());
    }
    EXPECT_EQ(testprovider::HashNames(pointers.data(), static_cast<int32_t>(names.size())),
              call.filesHash);
    for (size_t i = 0; i < names.size() && i < testprovider::kMaxFiles; ++i) {
        EXPECT_EQ(names[i].substr(0, testprovider::kFileSize - 1), call.files[i]);
    }
}

// What the provider received as the in-only text at `slot`.
void ExpectInText(const testprovider::Call& call, int slot, const Text& text) {
    ASSERT_EQ(text.IsNull(), call.textNull[slot] != 0);
    if (!text.IsNull()) {
        EXPECT_EQ(text.NarrowEntry().substr(0, testprovider::kTextSize - 1), call.text[slot]);
        EXPECT_EQ(static_cast<int32_t>(text.NarrowEntry().size()), call.textLength[slot]);
    }
}

// An in/out string buffer of `capacity` bytes: what the provider found in it, and what came
// back, given what the provider wrote (`written`, or nothing).
void ExpectBuffer(const testprovider::Call& call, int slot, const Text& text, size_t capacity,
                  const char* written) {
    const std::string loaded = text.NarrowEntry().substr(0, capacity - 1);
    EXPECT_EQ(0, call.textNull[slot]);
    EXPECT_EQ(loaded, call.text[slot]) << "slot " << slot;
    const std::string left =
        written != nullptr ? std::string(written).substr(0, capacity - 1) : loaded;
    ASSERT_NE(nullptr, text.get());
    EXPECT_EQ(Wide(left), std::wstring(text.get())) << "slot " << slot;
}

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

    // The outcome a sound bridge gives: the pointer checks first, then the lists, then the
    // lookup of the entry. Checks the HRESULT, that the provider was reached exactly when it
    // should be, with the bridge's context, and the result. True when the provider was reached.
    bool Reached(HRESULT hr, bool pointersGiven, HRESULT lists, Entry entry) {
        HRESULT expected = S_OK;
        if (!pointersGiven) {
            expected = E_INVALIDARG;
        } else if (FAILED(lists)) {
            expected = lists;
        } else if (!bound_) {
            expected = kNoEntry;
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
        Text caller(dice_, 8), name(dice_, 20), label(dice_, 20);
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
        if (!Reached(hr, all, S_OK, Entry::Initialize)) {
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
        EXPECT_EQ(writes ? record.script().writeLong[0] : 0, cookie);
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
        if (!Reached(hr, all, S_OK, Entry::GetProjPath)) {
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
            comment(dice_, 30);
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
        if (!Reached(hr, all, S_OK, Entry::OpenProject)) {
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
        Text comment(dice_, 25);
        const LONG window = dice_.AnyLong(), options = dice_.AnyLong(), cookie = dice_.AnyLong();
        record.SetResult(entry, scripted_);
        const HRESULT hr =
            entry == Entry::Checkin
                ? target.SccCheckin(window, files.get(), comment.get(), options, cookie, pResult)
                : target.SccCheckout(window, files.get(), comment.get(), options, cookie, pResult);
        EXPECT_TRUE(files.Unchanged()) << "the caller's array is only read";
        if (!Reached(hr, pResult != nullptr, files.Expected(), entry)) {
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
        Text comment(dice_, 25);
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
        if (!Reached(hr, pResult != nullptr, lists, Entry::Add)) {
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
