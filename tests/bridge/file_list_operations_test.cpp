// The six file-list methods: the order of their checks, what the provider receives, what comes
// back, and the guard that turns a provider's fault into E_FAIL.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bound_bridge.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

// Zero option words, one per name of `files` when it is a well-formed list.
ScopedSafeArray OptionsFor(const VARIANT& files) {
    SAFEARRAYBOUND bound{0, 0};
    if (files.vt == (VT_ARRAY | VT_BSTR) && files.parray != nullptr) {
        bound.cElements = files.parray->rgsabound[0].cElements;
    }
    return ScopedSafeArray(::SafeArrayCreate(VT_I4, 1, &bound));
}

struct FileListMethod {
    const char* name;
    Entry entry;
    bool inSparseProvider;
    std::function<HRESULT(CPlimoWrapper&, const VARIANT& files, LONG* result)> call;
};

void PrintTo(const FileListMethod& method, std::ostream* os) {
    *os << method.name;
}

const FileListMethod kMethods[] = {
    {"SccCheckin", Entry::Checkin, true,
     [](CPlimoWrapper& b, const VARIANT& f, LONG* r) {
         return b.SccCheckin(0, f, nullptr, 0, 0, r);
     }},
    {"SccCheckout", Entry::Checkout, true,
     [](CPlimoWrapper& b, const VARIANT& f, LONG* r) {
         return b.SccCheckout(0, f, nullptr, 0, 0, r);
     }},
    {"SccUncheckout", Entry::Uncheckout, true,
     [](CPlimoWrapper& b, const VARIANT& f, LONG* r) { return b.SccUncheckout(0, f, 0, 0, r); }},
    {"SccGet", Entry::Get, false,
     [](CPlimoWrapper& b, const VARIANT& f, LONG* r) { return b.SccGet(0, f, 0, 0, r); }},
    {"SccAdd", Entry::Add, false,
     [](CPlimoWrapper& b, const VARIANT& f, LONG* r) {
         ScopedSafeArray options = OptionsFor(f);
         return b.SccAdd(0, f, nullptr, ArrayArgument(options.get(), VT_ARRAY | VT_I4), 0, r);
     }},
    {"SccQueryInfo", Entry::QueryInfo, false,
     [](CPlimoWrapper& b, const VARIANT& f, LONG* r) {
         VARIANT status;
         ::VariantInit(&status);
         HRESULT hr = b.SccQueryInfo(f, &status, r);
         ::VariantClear(&status);
         return hr;
     }},
};

class FileListCalls : public BoundBridge, public ::testing::WithParamInterface<FileListMethod> {
protected:
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"C:\\w\\two.c", L"three.h"});
    VARIANT files = ArrayArgument(names.get());
    ScopedSafeArray scriptArray = BstrArray({L"C:\\w\\one.c"});
    VARIANT scriptFiles = ArrayArgument(scriptArray.get(), VT_ARRAY | VT_VARIANT);
};

TEST_P(FileListCalls, NullResultIsRefusedBeforeTheListOrTheProvider) {
    Bind();
    VARIANT nothing;
    ::VariantInit(&nothing);
    EXPECT_EQ(E_INVALIDARG, GetParam().call(*bridge, nothing, nullptr));
    EXPECT_EQ(E_INVALIDARG, GetParam().call(*bridge, files, nullptr));
    EXPECT_EQ(0, record.Count());
}

TEST_P(FileListCalls, ARefusedListWinsOverAMissingEntry) {
    LONG result = kUntouched;
    EXPECT_EQ(E_INVALIDARG, GetParam().call(*bridge, scriptFiles, &result)) << "before Init";
    EXPECT_EQ(kNoEntry, GetParam().call(*bridge, files, &result)) << "before Init";
    EXPECT_EQ(kUntouched, result);

    Bind(kSparseTestProvider);
    EXPECT_EQ(E_INVALIDARG, GetParam().call(*bridge, scriptFiles, &result));
    if (!GetParam().inSparseProvider) {
        EXPECT_EQ(kNoEntry, GetParam().call(*bridge, files, &result));
    }
    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(0, record.Count());
}

TEST_P(FileListCalls, HandTheProviderTheNarrowNamesAndReturnItsResult) {
    Bind();
    record.script().storeContext = 1;
    record.script().contextToStore = 0xC0;
    ScopedBstr name, label, caller(::SysAllocString(L"c"));
    LONG caps, a, b, result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccInitialize(0, caller.get(), name.put(), &caps, label.put(), &a, &b,
                                          &result));

    for (LONG code : {0L, -9L, 0x7FFFFFFFL}) {
        record.SetResult(GetParam().entry, code);
        ASSERT_EQ(S_OK, GetParam().call(*bridge, files, &result));
        EXPECT_EQ(code, result);
        const auto& call = record.Last();
        ASSERT_EQ(GetParam().entry, call.entry);
        EXPECT_EQ(0xC0u, call.context);
        EXPECT_EQ(3, call.fileCount);
        EXPECT_FALSE(call.filesNull);
        EXPECT_STREQ("C:\\w\\one.c", call.files[0]);
        EXPECT_STREQ("C:\\w\\two.c", call.files[1]);
        EXPECT_STREQ("three.h", call.files[2]);
    }
}

TEST_P(FileListCalls, AnEmptyArrayCallsTheProviderWithNoFiles) {
    Bind();
    ScopedSafeArray none = BstrArray({}, 1);
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, GetParam().call(*bridge, ArrayArgument(none.get()), &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, record.Last().fileCount);
    EXPECT_TRUE(record.Last().filesNull);
}

TEST_P(FileListCalls, AFaultInsideTheProviderGivesEFailAndTheObjectStaysUsable) {
    Bind();
    record.script().misbehaving = GetParam().entry;
    record.script().misbehaviour = testprovider::kFaultOnNull;
    record.SetResult(GetParam().entry, 5);
    LONG result = kUntouched;
    EXPECT_EQ(E_FAIL, GetParam().call(*bridge, files, &result));
    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(1, record.CountOf(GetParam().entry)) << "the provider was reached";

    record.script().misbehaviour = testprovider::kBehave;
    EXPECT_EQ(S_OK, GetParam().call(*bridge, files, &result));
    EXPECT_EQ(5, result);
    EXPECT_EQ(2, record.CountOf(GetParam().entry));
}

TEST_P(FileListCalls, AProviderThatHandlesItsOwnFaultReturnsItsResult) {
    Bind();
    record.script().misbehaving = GetParam().entry;
    record.script().misbehaviour = testprovider::kHandleOwnFault;
    record.SetResult(GetParam().entry, -3);
    LONG result = kUntouched;
    EXPECT_EQ(S_OK, GetParam().call(*bridge, files, &result));
    EXPECT_EQ(-3, result);
    EXPECT_EQ(1, record.OwnFaultsHandled());
}

INSTANTIATE_TEST_SUITE_P(Methods, FileListCalls, ::testing::ValuesIn(kMethods),
                         [](const auto& info) { return std::string(info.param.name); });

class FileListArguments : public BoundBridge {
protected:
    ScopedSafeArray names = BstrArray({L"a.c", L"b.c"});
    VARIANT files = ArrayArgument(names.get());
};

TEST_F(FileListArguments, WindowOptionsAndCookieReachTheProviderUnchanged) {
    Bind();
    LONG result = kUntouched;
    const LONG cookie = static_cast<LONG>(0xCAFEF00D);
    ASSERT_EQ(S_OK, bridge->SccCheckin(0x101, files, nullptr, 0x11, cookie, &result));
    ASSERT_EQ(S_OK, bridge->SccCheckout(0x102, files, nullptr, 0x12, cookie, &result));
    ASSERT_EQ(S_OK, bridge->SccUncheckout(0x103, files, 0x13, cookie, &result));
    ASSERT_EQ(S_OK, bridge->SccGet(0x104, files, 0x14, cookie, &result));
    ASSERT_EQ(4, record.Count());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(0x101 + i, record.Call(i).args[0]);
        EXPECT_EQ(2, record.Call(i).args[1]);
        EXPECT_EQ(0x11 + i, record.Call(i).args[2]);
        EXPECT_EQ(cookie, record.Call(i).args[3]);
    }
}

TEST_F(FileListArguments, CommentsArriveNarrowNullOrEmptyAsTheClientSentThem) {
    Bind();
    ScopedBstr empty(::SysAllocString(L"")), text(::SysAllocString(L"fixed the build"));
    ScopedBstr cut(::SysAllocStringLen(L"kept\0lost", 9));
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccCheckout(0, files, nullptr, 0, 0, &result));
    EXPECT_TRUE(record.Last().textNull[0]);
    ASSERT_EQ(S_OK, bridge->SccCheckout(0, files, empty.get(), 0, 0, &result));
    EXPECT_FALSE(record.Last().textNull[0]);
    EXPECT_STREQ("", record.Last().text[0]);
    ASSERT_EQ(S_OK, bridge->SccCheckin(0, files, text.get(), 0, 0, &result));
    EXPECT_STREQ("fixed the build", record.Last().text[0]);
    ASSERT_EQ(S_OK, bridge->SccCheckin(0, files, cut.get(), 0, 0, &result));
    EXPECT_STREQ("kept", record.Last().text[0]);
}

TEST_F(FileListArguments, ManyNamesArriveWholeAndInOrder) {
    Bind();
    const LONG count = 10000;
    SAFEARRAYBOUND bound{count, 0};
    ScopedSafeArray many(::SafeArrayCreate(VT_BSTR, 1, &bound));
    std::vector<std::string> expected;
    for (LONG i = 0; i < count; ++i) {
        std::wstring name = L"C:\\work\\src\\file" + std::to_wstring(i) + L".cpp";
        ScopedBstr element(::SysAllocString(name.c_str()));
        ASSERT_EQ(S_OK, ::SafeArrayPutElement(many.get(), &i, element.get()));
        expected.emplace_back(name.begin(), name.end());
    }
    std::vector<const char*> pointers;
    for (const auto& name : expected) {
        pointers.push_back(name.c_str());
    }
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccGet(0, ArrayArgument(many.get()), 0, 0, &result));
    EXPECT_EQ(count, record.Last().fileCount);
    EXPECT_EQ(testprovider::HashNames(pointers.data(), count), record.Last().filesHash);
}

class AddCalls : public FileListArguments {};

TEST_F(AddCalls, OptionsReachTheProviderInOrderBesideTheNames) {
    Bind();
    ScopedSafeArray three = BstrArray({L"a.c", L"b.c", L"c.c"});
    ScopedSafeArray options = LongArray({1, 0, 4});
    ScopedBstr comment(::SysAllocString(L"new files"));
    LONG result = kUntouched;
    record.SetResult(Entry::Add, -1);
    ASSERT_EQ(S_OK, bridge->SccAdd(0x9, ArrayArgument(three.get()), comment.get(),
                                   ArrayArgument(options.get(), VT_ARRAY | VT_I4), 0x77, &result));
    EXPECT_EQ(-1, result);
    const auto& call = record.Last();
    EXPECT_EQ(0x9, call.args[0]);
    EXPECT_EQ(3, call.args[1]);
    EXPECT_EQ(0x77, call.args[2]);
    EXPECT_STREQ("new files", call.text[0]);
    EXPECT_FALSE(call.optionsNull);
    EXPECT_EQ(1, call.options[0]);
    EXPECT_EQ(0, call.options[1]);
    EXPECT_EQ(4, call.options[2]);
}

TEST_F(AddCalls, OneOptionWordPerNameIsRequiredEvenWithoutTheEntry) {
    Bind();
    ScopedSafeArray three = BstrArray({L"a.c", L"b.c", L"c.c"});
    ScopedSafeArray two = LongArray({1, 2});
    LONG result = kUntouched;
    EXPECT_EQ(E_INVALIDARG, bridge->SccAdd(0, ArrayArgument(three.get()), nullptr,
                                           ArrayArgument(two.get(), VT_ARRAY | VT_I4), 0, &result));
    ScopedSafeArray variants(::SafeArrayCreateVector(VT_VARIANT, 0, 2));
    EXPECT_EQ(E_INVALIDARG,
              bridge->SccAdd(0, files, nullptr,
                             ArrayArgument(variants.get(), VT_ARRAY | VT_VARIANT), 0, &result))
        << "the counts would match, the shape does not";
    EXPECT_EQ(0, record.Count());

    bridge = MakeBridge();
    Bind(kSparseTestProvider);
    EXPECT_EQ(E_INVALIDARG, bridge->SccAdd(0, ArrayArgument(three.get()), nullptr,
                                           ArrayArgument(two.get(), VT_ARRAY | VT_I4), 0, &result));
    EXPECT_EQ(kUntouched, result);
}

TEST_F(AddCalls, EmptyNamesAndOptionsGiveNullArrays) {
    Bind();
    ScopedSafeArray none = BstrArray({});
    ScopedSafeArray noOptions = LongArray({});
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccAdd(0, ArrayArgument(none.get()), nullptr,
                                   ArrayArgument(noOptions.get(), VT_ARRAY | VT_I4), 0, &result));
    EXPECT_EQ(0, record.Last().fileCount);
    EXPECT_TRUE(record.Last().filesNull);
    EXPECT_TRUE(record.Last().optionsNull);
}

// An object whose references a test counts.
class CountedObject : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        if (*ppv == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;
};

class StatusArray : public FileListArguments {
protected:
    // lpStatus holding one reference to `object`.
    VARIANT HoldingObject() {
        VARIANT value;
        value.vt = VT_UNKNOWN;
        value.punkVal = &object;
        object.AddRef();
        return value;
    }
    static std::vector<LONG> Words(const VARIANT& status) {
        std::vector<LONG> words;
        LONG lower = 0, upper = -1;
        ::SafeArrayGetLBound(status.parray, 1, &lower);
        ::SafeArrayGetUBound(status.parray, 1, &upper);
        for (LONG i = lower; i <= upper; ++i) {
            LONG word = 0;
            ::SafeArrayGetElement(status.parray, &i, &word);
            words.push_back(word);
        }
        return words;
    }
    CountedObject object;
};

TEST_F(StatusArray, HoldsOneZeroBasedLongPerFileAsTheProviderWroteIt) {
    Bind();
    record.script().statusCount = 1; // the second file's status is left alone
    record.script().status[0] = 0x1003;
    for (LONG code : {0L, -1L}) {
        record.SetResult(Entry::QueryInfo, code);
        VARIANT status = HoldingObject();
        LONG result = kUntouched;
        ASSERT_EQ(S_OK, bridge->SccQueryInfo(files, &status, &result));
        EXPECT_EQ(code, result);
        EXPECT_EQ(1u, object.refs) << "the entry value is released";
        ASSERT_EQ(VT_ARRAY | VT_I4, status.vt);
        EXPECT_EQ(1u, ::SafeArrayGetDim(status.parray));
        EXPECT_EQ(0u, status.parray->cLocks);
        LONG lower = -1;
        ASSERT_EQ(S_OK, ::SafeArrayGetLBound(status.parray, 1, &lower));
        EXPECT_EQ(0, lower);
        EXPECT_EQ((std::vector<LONG>{0x1003, 0}), Words(status));
        EXPECT_FALSE(record.Last().optionsNull);
        EXPECT_EQ(0, record.Last().options[0]) << "the provider gets zeros";
        EXPECT_EQ(0, record.Last().options[1]);
        ::VariantClear(&status);
    }
}

TEST_F(StatusArray, AnEmptyListGivesAnEmptyStatusArray) {
    Bind();
    ScopedSafeArray none = BstrArray({});
    VARIANT status = HoldingObject();
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccQueryInfo(ArrayArgument(none.get()), &status, &result));
    EXPECT_EQ(0, record.Last().fileCount);
    ASSERT_EQ(VT_ARRAY | VT_I4, status.vt);
    EXPECT_EQ(0u, status.parray->rgsabound[0].cElements);
    EXPECT_EQ(0, status.parray->rgsabound[0].lLbound);
    ::VariantClear(&status);
}

TEST_F(StatusArray, AnEntryArrayOfStringsIsReplaced) {
    Bind();
    VARIANT status;
    status.vt = VT_ARRAY | VT_BSTR;
    status.parray = BstrArray({L"old", L"older", L"oldest"}).release();
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccQueryInfo(files, &status, &result));
    ASSERT_EQ(VT_ARRAY | VT_I4, status.vt);
    EXPECT_EQ(2u, status.parray->rgsabound[0].cElements);
    ::VariantClear(&status);
}

TEST_F(StatusArray, EveryFailureLeavesTheEntryValueAlone) {
    LONG result = kUntouched;
    VARIANT status = HoldingObject();
    EXPECT_EQ(E_INVALIDARG, bridge->SccQueryInfo(files, nullptr, &result));
    EXPECT_EQ(E_INVALIDARG, bridge->SccQueryInfo(files, &status, nullptr));
    ScopedSafeArray fromOne = BstrArray({L"a.c"}, 1);
    EXPECT_EQ(E_INVALIDARG, bridge->SccQueryInfo(ArrayArgument(fromOne.get()), &status, &result));
    EXPECT_EQ(kNoEntry, bridge->SccQueryInfo(files, &status, &result)) << "before Init";

    Bind();
    record.script().misbehaving = Entry::QueryInfo;
    record.script().misbehaviour = testprovider::kFaultOnNull;
    EXPECT_EQ(E_FAIL, bridge->SccQueryInfo(files, &status, &result));

    bridge = MakeBridge();
    Bind(kSparseTestProvider);
    EXPECT_EQ(kNoEntry, bridge->SccQueryInfo(files, &status, &result));

    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(VT_UNKNOWN, status.vt);
    EXPECT_EQ(&object, status.punkVal);
    EXPECT_EQ(2u, object.refs);
    ::VariantClear(&status);
}

} // namespace
