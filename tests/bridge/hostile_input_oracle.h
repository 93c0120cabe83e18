// The hostile-input run's arguments and its oracle: random arguments of every kind a client could
// send, each of which knows what a sound bridge does with it, and the checks of what the provider
// received against a correct conversion.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "provider_record.h"
#include "scoped_resource.h"
#include "test_arrays.h"

namespace hostile {

// What the union of a VARIANT holds when its type says it holds nothing that can be read: a
// bridge that reads it anyway faults.
inline void* const kUnreadable = reinterpret_cast<void*>(0x10);

inline uint32_t FromEnvironment(const char* name, uint32_t fallback) {
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
// own conversion into the thread's code page, exact (no look-alikes, no default character) or
// none at all. Empty, and exact, for null.
inline bool ExactNarrow(const wchar_t* s, std::string* text) {
    text->clear();
    if (s == nullptr) {
        return true;
    }
    BOOL usedDefault = FALSE;
    int size = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, s, -1, nullptr, 0,
                                     nullptr, &usedDefault);
    if (size <= 0 || usedDefault) {
        return false;
    }
    text->assign(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, s, -1, &(*text)[0], size, nullptr,
                          nullptr);
    text->resize(static_cast<size_t>(size) - 1);
    return true;
}

// The narrow text a correct conversion of free text gives for `s` (a comment, a caller's name):
// no look-alikes, the code page's default character for what it lacks. Empty for null.
inline void FreeNarrow(const wchar_t* s, std::string* text) {
    text->clear();
    if (s == nullptr) {
        return;
    }
    int size = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, s, -1, nullptr, 0,
                                     nullptr, nullptr);
    text->assign(static_cast<size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, s, -1, &(*text)[0], size, nullptr,
                          nullptr);
    text->resize(text->size() - 1);
}

inline std::wstring Wide(const std::string& t) {
    int size = ::MultiByteToWideChar(CP_THREAD_ACP, 0, t.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<size_t>(size > 0 ? size : 1), L'\0');
    ::MultiByteToWideChar(CP_THREAD_ACP, 0, t.c_str(), -1, &text[0], size);
    text.resize(text.size() - 1);
    return text;
}

// The first failure among `results`, or S_OK.
inline HRESULT FirstFailure(std::initializer_list<HRESULT> results) {
    for (HRESULT hr : results) {
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

// Units as a client may send them: printable, accented and CJK characters, embedded NULs,
// unpaired surrogates of either half, proper pairs, noncharacters and controls; now and then
// long enough to overflow every fixed buffer.
inline std::wstring RandomUnits(Dice& dice) {
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
inline BSTR RandomBstr(Dice& dice, uint32_t nullPercent) {
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

// How a text argument reaches the provider: a name exactly or not at all, free text (comments,
// the caller's and the provider's names) with the default character for what the code page lacks.
enum class TextKind { kName, kFree };

// One BSTR argument and its owner. For an [in, out] parameter the bridge may replace the string
// through Slot(); the owner frees whatever is there at the end.
class Text {
public:
    Text(Dice& dice, uint32_t nullPercent, TextKind kind = TextKind::kName)
        : value_(RandomBstr(dice, nullPercent)) {
        entry_ = value_;
        if (kind == TextKind::kName) {
            exact_ = ExactNarrow(value_, &narrow_);
        } else {
            FreeNarrow(value_, &narrow_);
        }
    }
    ~Text() { ::SysFreeString(value_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    BSTR get() const { return value_; }
    BSTR* Slot() { return &value_; }
    BSTR Entry() const { return entry_; }
    bool IsNull() const { return entry_ == nullptr; }
    // Whether the entry has an exact narrow form; a sound bridge refuses one that has not.
    bool Exact() const { return exact_; }
    // E_INVALIDARG for a text a sound bridge refuses, else S_OK.
    HRESULT Expected() const { return exact_ ? S_OK : E_INVALIDARG; }
    // The entry's narrow form, as a correct conversion gives it.
    const std::string& NarrowEntry() const { return narrow_; }

private:
    BSTR value_;
    BSTR entry_;
    std::string narrow_;
    bool exact_ = true;
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
                std::string name;
                if (!ExactNarrow(static_cast<BSTR*>(array_->pvData)[i], &name)) {
                    // A name a code page cannot hold exactly is refused, and the list with it.
                    expected_ = E_INVALIDARG;
                    names_.clear();
                    return;
                }
                names_.push_back(name);
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
inline void ExpectFiles(const testprovider::Call& call, const std::vector<std::string>& names) {
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
inline void ExpectInText(const testprovider::Call& call, int slot, const Text& text) {
    ASSERT_EQ(text.IsNull(), call.textNull[slot] != 0);
    if (!text.IsNull()) {
        EXPECT_EQ(text.NarrowEntry().substr(0, testprovider::kTextSize - 1), call.text[slot]);
        EXPECT_EQ(static_cast<int32_t>(text.NarrowEntry().size()), call.textLength[slot]);
    }
}

// An in/out string buffer of `capacity` bytes: what the provider found in it, and what came
// back, given what the provider wrote (`written`, or nothing).
inline void ExpectBuffer(const testprovider::Call& call, int slot, const Text& text,
                         size_t capacity, const char* written) {
    const std::string loaded = text.NarrowEntry().substr(0, capacity - 1);
    EXPECT_EQ(0, call.textNull[slot]);
    EXPECT_EQ(loaded, call.text[slot]) << "slot " << slot;
    const std::string left =
        written != nullptr ? std::string(written).substr(0, capacity - 1) : loaded;
    ASSERT_NE(nullptr, text.get());
    EXPECT_EQ(Wide(left), std::wstring(text.get())) << "slot " << slot;
}

} // namespace hostile
