// The [in, out] strings of SccInitialize, SccGetProjPath and SccOpenProject: how much of the
// client's text the provider sees, what comes back, in which order, and what stays unwritten.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bound_bridge.h"

using testprovider::Entry;

namespace {

struct InOutMethod {
    const char* name;
    Entry entry;
    std::vector<size_t> capacities; // of the in/out strings, in the order they come back
    std::vector<int> recordSlots;   // where the provider records each buffer it received
    std::vector<int> writeSlots;    // the provider's script slot that rewrites each buffer
    std::function<HRESULT(CPlimoWrapper&, BSTR* strings, LONG* result)> call;
};

void PrintTo(const InOutMethod& method, std::ostream* os) {
    *os << method.name;
}

const InOutMethod kMethods[] = {
    {"SccInitialize",
     Entry::Initialize,
     {32, 32},
     {1, 2},
     {0, 1},
     [](CPlimoWrapper& b, BSTR* s, LONG* r) {
         ScopedBstr caller(::SysAllocString(L"caller"));
         LONG caps = 0, checkoutLength = 0, commentLength = 0;
         return b.SccInitialize(0, caller.get(), &s[0], &caps, &s[1], &checkoutLength,
                                &commentLength, r);
     }},
    {"SccGetProjPath",
     Entry::GetProjPath,
     {32, 301, 261, 301},
     {0, 1, 2, 3},
     {0, 1, 2, 3},
     [](CPlimoWrapper& b, BSTR* s, LONG* r) {
         VARIANT_BOOL isNew = VARIANT_FALSE;
         return b.SccGetProjPath(0, &s[0], &s[1], &s[2], &s[3], VARIANT_TRUE, &isNew, r);
     }},
    {"SccOpenProject",
     Entry::OpenProject,
     {32, 301},
     {0, 3},
     {0, 1},
     [](CPlimoWrapper& b, BSTR* s, LONG* r) {
         ScopedBstr project(::SysAllocString(L"$/proj")), local(::SysAllocString(L"C:\\w"));
         return b.SccOpenProject(0, &s[0], project.get(), local.get(), &s[1], nullptr, 0, r);
     }},
};

// The client's strings for one call; frees whatever they hold at the end.
struct Strings {
    explicit Strings(size_t count) : values(count, nullptr) {}
    ~Strings() {
        for (BSTR s : values) {
            ::SysFreeString(s);
        }
    }
    void Set(size_t i, const std::wstring& text) {
        ::SysFreeString(values[i]);
        values[i] = ::SysAllocString(text.c_str());
    }
    std::vector<BSTR> values;
};

class InOutStrings : public BoundBridge, public ::testing::WithParamInterface<InOutMethod> {
protected:
    size_t Count() const { return GetParam().capacities.size(); }
};

TEST_P(InOutStrings, EntryTextUpToTheCapacityReachesTheProviderWholeAndLongerIsCut) {
    Bind();
    for (size_t i = 0; i < Count(); ++i) {
        const size_t capacity = GetParam().capacities[i];
        for (size_t length : {capacity - 1, capacity, capacity + 40}) {
            Strings strings(Count());
            strings.Set(i, std::wstring(length, L'x'));
            LONG result = kUntouched;
            ASSERT_EQ(S_OK, GetParam().call(*bridge, strings.values.data(), &result));
            const auto& call = record.Last();
            ASSERT_EQ(GetParam().entry, call.entry);
            EXPECT_EQ(std::string(std::min(length, capacity - 1), 'x'),
                      call.text[GetParam().recordSlots[i]])
                << "string " << i << ", " << length << " characters";
            for (size_t j = 0; j < Count(); ++j) {
                if (j != i) {
                    EXPECT_FALSE(call.textNull[GetParam().recordSlots[j]]);
                    EXPECT_STREQ("", call.text[GetParam().recordSlots[j]]);
                }
            }
        }
    }
}

TEST_P(InOutStrings, NullEntriesGiveEmptyBuffersAndTheProvidersTextsComeBack) {
    Bind();
    for (size_t i = 0; i < Count(); ++i) {
        record.script().writeTextMask |= 1 << GetParam().writeSlots[i];
        std::strcpy(record.script().writeText[GetParam().writeSlots[i]],
                    ("text " + std::to_string(i)).c_str());
    }
    Strings strings(Count());
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, GetParam().call(*bridge, strings.values.data(), &result));
    EXPECT_EQ(0, result);
    for (size_t i = 0; i < Count(); ++i) {
        EXPECT_STREQ("", record.Last().text[GetParam().recordSlots[i]]);
        EXPECT_EQ(L"text " + std::to_wstring(i), strings.values[i]);
    }
}

TEST_P(InOutStrings, BuffersComeBackWhateverTheProviderReturned) {
    Bind();
    record.SetResult(GetParam().entry, -5);
    Strings strings(Count());
    std::vector<BSTR> entry;
    for (size_t i = 0; i < Count(); ++i) {
        strings.Set(i, L"entry " + std::to_wstring(i));
        entry.push_back(strings.values[i]);
    }
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, GetParam().call(*bridge, strings.values.data(), &result));
    EXPECT_EQ(-5, result);
    for (size_t i = 0; i < Count(); ++i) {
        EXPECT_NE(entry[i], strings.values[i]) << "a new string replaces the entry string";
        EXPECT_EQ(L"entry " + std::to_wstring(i), strings.values[i]);
    }
}

TEST_P(InOutStrings, AnUnterminatedBufferComesBackCutAtItsCapacity) {
    Bind();
    record.script().misbehaving = GetParam().entry;
    record.script().misbehaviour = testprovider::kFillUnterminated;
    Strings strings(Count());
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, GetParam().call(*bridge, strings.values.data(), &result));
    for (size_t i = 0; i < Count(); ++i) {
        std::wstring filled(GetParam().capacities[i],
                            static_cast<wchar_t>(L'a' + GetParam().writeSlots[i]));
        EXPECT_EQ(filled, strings.values[i]) << "string " << i;
    }
}

TEST_P(InOutStrings, AStringThatCannotBeAllocatedStopsTheWriteBack) {
    Bind();
    record.SetResult(GetParam().entry, 17);
    for (size_t failing = 0; failing < Count(); ++failing) {
        for (size_t i = 0; i < Count(); ++i) {
            record.script().writeTextMask |= 1 << GetParam().writeSlots[i];
            std::strcpy(record.script().writeText[GetParam().writeSlots[i]], "new");
        }
        Strings strings(Count());
        std::vector<BSTR> entry;
        for (size_t i = 0; i < Count(); ++i) {
            strings.Set(i, L"entry");
            entry.push_back(strings.values[i]);
        }
        LONG result = kUntouched;
        {
            FailingStringAllocation failure(static_cast<int>(failing) + 1);
            EXPECT_EQ(E_OUTOFMEMORY, GetParam().call(*bridge, strings.values.data(), &result));
        }
        EXPECT_EQ(17, result) << "the provider's result is stored first";
        for (size_t i = 0; i < failing; ++i) {
            EXPECT_STREQ(L"new", strings.values[i]);
        }
        EXPECT_EQ(nullptr, strings.values[failing]);
        for (size_t i = failing + 1; i < Count(); ++i) {
            EXPECT_EQ(entry[i], strings.values[i]) << "later strings keep the entry string";
            EXPECT_STREQ(L"entry", strings.values[i]);
        }
    }
}

TEST_P(InOutStrings, WithoutTheEntryPointNothingIsWritten) {
    Strings strings(Count());
    std::vector<BSTR> entry;
    for (size_t i = 0; i < Count(); ++i) {
        strings.Set(i, L"entry");
        entry.push_back(strings.values[i]);
    }
    LONG result = kUntouched;
    EXPECT_EQ(kNoEntry, GetParam().call(*bridge, strings.values.data(), &result));
    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(entry, strings.values);
    EXPECT_EQ(0, record.Count());
}

INSTANTIATE_TEST_SUITE_P(Methods, InOutStrings, ::testing::ValuesIn(kMethods),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
