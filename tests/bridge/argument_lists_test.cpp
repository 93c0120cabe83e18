// FileNameList, OptionList and the reading of a client's array: the VARIANT shapes they take and
// refuse, the bounds they accept, and what the provider would receive.
#include <gtest/gtest.h>

#include <climits>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "client_array.h"
#include "file_name_list.h"
#include "option_list.h"
#include "test_arrays.h"

namespace {

// What loading a list of `value` answers.
template <typename List> HRESULT Build(const VARIANT& value) {
    List list;
    return list.Load(value);
}

// An argument VARIANT with the arrays it points to.
struct Argument {
    ScopedSafeArray array;
    ScopedBstr text;
    SAFEARRAY* reference = nullptr; // what a by-reference VARIANT points to
    VARIANT value{};
};

struct ShapeCase {
    const char* name;
    std::function<void(Argument&)> make;
};

void PrintTo(const ShapeCase& shape, std::ostream* os) {
    *os << shape.name;
}

ScopedSafeArray VariantArrayOfStrings() {
    SAFEARRAYBOUND bound{2, 0};
    ScopedSafeArray array(::SafeArrayCreate(VT_VARIANT, 1, &bound));
    for (LONG i = 0; i < 2; ++i) {
        VARIANT element;
        element.vt = VT_BSTR;
        element.bstrVal = ::SysAllocString(L"C:\\w\\a.c");
        ::SafeArrayPutElement(array.get(), &i, &element);
        ::VariantClear(&element);
    }
    return array;
}

const ShapeCase kRefusedNameShapes[] = {
    {"Empty", [](Argument& a) { a.value.vt = VT_EMPTY; }},
    {"Null", [](Argument& a) { a.value.vt = VT_NULL; }},
    {"PlainString",
     [](Argument& a) {
         a.text.reset(::SysAllocString(L"C:\\w\\a.c"));
         a.value.vt = VT_BSTR;
         a.value.bstrVal = a.text.get();
     }},
    {"ArrayOfVariantsHoldingStrings",
     [](Argument& a) {
         a.array = VariantArrayOfStrings();
         a.value = ArrayArgument(a.array.get(), VT_ARRAY | VT_VARIANT);
     }},
    {"ByReferenceArrayOfStrings",
     [](Argument& a) {
         a.array = BstrArray({L"a.c"});
         a.value.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
         a.reference = a.array.get();
         a.value.pparray = &a.reference;
     }},
    {"NullArray", [](Argument& a) { a.value = ArrayArgument(nullptr); }},
    {"StringTypeOverAnArrayOfVariants",
     [](Argument& a) {
         a.array = VariantArrayOfStrings();
         a.value = ArrayArgument(a.array.get(), VT_ARRAY | VT_BSTR);
     }},
    {"ArrayOfLongs",
     [](Argument& a) {
         a.array = LongArray({1, 2});
         a.value = ArrayArgument(a.array.get(), VT_ARRAY | VT_I4);
     }},
};

class RefusedFileNames : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(RefusedFileNames, AreRefusedWithInvalidArg) {
    Argument argument;
    GetParam().make(argument);
    EXPECT_EQ(E_INVALIDARG, Build<FileNameList>(argument.value));
}

INSTANTIATE_TEST_SUITE_P(Shapes, RefusedFileNames, ::testing::ValuesIn(kRefusedNameShapes),
                         [](const auto& info) { return std::string(info.param.name); });

const ShapeCase kRefusedOptionShapes[] = {
    {"Empty", [](Argument& a) { a.value.vt = VT_EMPTY; }},
    {"PlainLong",
     [](Argument& a) {
         a.value.vt = VT_I4;
         a.value.lVal = 1;
     }},
    {"ArrayOfVariants",
     [](Argument& a) {
         a.array = VariantArrayOfStrings();
         a.value = ArrayArgument(a.array.get(), VT_ARRAY | VT_VARIANT);
     }},
    {"ArrayOfInts",
     [](Argument& a) {
         SAFEARRAYBOUND bound{1, 0};
         a.array.reset(::SafeArrayCreate(VT_INT, 1, &bound));
         a.value = ArrayArgument(a.array.get(), VT_ARRAY | VT_INT);
     }},
    {"LongTypeOverAnArrayOfInts",
     [](Argument& a) {
         SAFEARRAYBOUND bound{1, 0};
         a.array.reset(::SafeArrayCreate(VT_INT, 1, &bound));
         a.value = ArrayArgument(a.array.get(), VT_ARRAY | VT_I4);
     }},
    {"ByReferenceArrayOfLongs",
     [](Argument& a) {
         a.array = LongArray({1});
         a.value.vt = VT_BYREF | VT_ARRAY | VT_I4;
         a.reference = a.array.get();
         a.value.pparray = &a.reference;
     }},
    {"NullArray", [](Argument& a) { a.value = ArrayArgument(nullptr, VT_ARRAY | VT_I4); }},
    {"ArrayOfStrings",
     [](Argument& a) {
         a.array = BstrArray({L"a.c"});
         a.value = ArrayArgument(a.array.get());
     }},
};

class RefusedOptions : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(RefusedOptions, AreRefusedWithInvalidArg) {
    Argument argument;
    GetParam().make(argument);
    EXPECT_EQ(E_INVALIDARG, Build<OptionList>(argument.value));
}

INSTANTIATE_TEST_SUITE_P(Shapes, RefusedOptions, ::testing::ValuesIn(kRefusedOptionShapes),
                         [](const auto& info) { return std::string(info.param.name); });

struct BoundsCase {
    const char* name;
    ULONG count;
    LONG lowerBound;
    HRESULT expected;
};

class ListBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(ListBounds, OnlyZeroBasedOrEmptyArraysMakeAList) {
    const BoundsCase& c = GetParam();
    SAFEARRAYBOUND bound{c.count, c.lowerBound};
    ScopedSafeArray names(::SafeArrayCreate(VT_BSTR, 1, &bound));
    ScopedSafeArray options(::SafeArrayCreate(VT_I4, 1, &bound));
    EXPECT_EQ(c.expected, Build<FileNameList>(ArrayArgument(names.get())));
    EXPECT_EQ(c.expected, Build<OptionList>(ArrayArgument(options.get(), VT_ARRAY | VT_I4)));
}

INSTANTIATE_TEST_SUITE_P(Bounds, ListBounds,
                         ::testing::Values(BoundsCase{"ThreeFromZero", 3, 0, S_OK},
                                           BoundsCase{"OneFromOne", 1, 1, E_INVALIDARG},
                                           BoundsCase{"TwoFromMinusOne", 2, -1, E_INVALIDARG},
                                           BoundsCase{"FiveFromSeven", 5, 7, E_INVALIDARG},
                                           BoundsCase{"NoneFromZero", 0, 0, S_OK},
                                           BoundsCase{"NoneFromOne", 0, 1, S_OK},
                                           BoundsCase{"NoneFromMinusThree", 0, -3, S_OK}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileNameList, EmptyArrayGivesNoCountAndNoStorage) {
    ScopedSafeArray names = BstrArray({}, 1);
    FileNameList list;
    ASSERT_EQ(S_OK, list.Load(ArrayArgument(names.get())));
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(nullptr, list.Names());
}

TEST(FileNameList, HoldsOneNarrowNameEachInIndexOrder) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"two.h", L"C:\\w\\sub dir\\three"});
    FileNameList list;
    ASSERT_EQ(S_OK, list.Load(ArrayArgument(names.get())));
    ASSERT_EQ(3, list.Count());
    EXPECT_STREQ("C:\\w\\one.c", list.Names()[0]);
    EXPECT_STREQ("two.h", list.Names()[1]);
    EXPECT_STREQ("C:\\w\\sub dir\\three", list.Names()[2]);
}

TEST(FileNameList, NullElementBecomesAnEmptyNameNotANullPointer) {
    ScopedSafeArray names = BstrArray({L"a.c", nullptr, L"c.c"});
    FileNameList list;
    ASSERT_EQ(S_OK, list.Load(ArrayArgument(names.get())));
    ASSERT_EQ(3, list.Count());
    ASSERT_NE(nullptr, list.Names()[1]);
    EXPECT_STREQ("", list.Names()[1]);
    EXPECT_STREQ("c.c", list.Names()[2]);
}

TEST(FileNameList, NameIsCutAtAnEmbeddedNul) {
    ScopedSafeArray names = BstrArray({L"placeholder"});
    LONG index = 0;
    ScopedBstr name(::SysAllocStringLen(L"a.c\0hidden.c", 12));
    ASSERT_EQ(S_OK, ::SafeArrayPutElement(names.get(), &index, name.get()));
    FileNameList list;
    ASSERT_EQ(S_OK, list.Load(ArrayArgument(names.get())));
    ASSERT_EQ(1, list.Count());
    EXPECT_STREQ("a.c", list.Names()[0]);
}

// A name is a place: one the code page cannot hold exactly is refused, never passed on as a
// look-alike ("..\xFF3C" would be "..\\" under code page 1252) or with default characters.
TEST(FileNameList, ANameTheCodePageCannotHoldExactlyIsRefused) {
    for (const wchar_t* name : {L"x\x0416\x05D0.c", L"..\xFF3C..\xFF3Cx.txt"}) {
        ScopedSafeArray names = BstrArray({L"a.c", name});
        EXPECT_EQ(E_INVALIDARG, Build<FileNameList>(ArrayArgument(names.get())));
    }
}

TEST(FileNameList, ReadsTheClientsArrayWithoutChangingIt) {
    ScopedSafeArray names = BstrArray({L"a.c", L"b.c"});
    BSTR* elements = static_cast<BSTR*>(names.get()->pvData);
    BSTR first = elements[0];
    {
        FileNameList list;
        ASSERT_EQ(S_OK, list.Load(ArrayArgument(names.get())));
        ASSERT_EQ(2, list.Count());
    }
    EXPECT_EQ(0u, names.get()->cLocks);
    EXPECT_EQ(first, elements[0]);
    EXPECT_STREQ(L"a.c", elements[0]);
}

TEST(FileNameList, OfSeveralDimensionsTakesTheFirstDimensionsCountInStorageOrder) {
    SAFEARRAYBOUND bounds[2] = {{3, 0}, {2, 0}};
    ScopedSafeArray names(::SafeArrayCreate(VT_BSTR, 2, bounds));
    LONG first = 0;
    ASSERT_EQ(S_OK, ::SafeArrayGetUBound(names.get(), 1, &first));
    BSTR* elements = static_cast<BSTR*>(names.get()->pvData);
    const wchar_t* texts[] = {L"s0", L"s1", L"s2", L"s3", L"s4", L"s5"};
    for (int i = 0; i < 6; ++i) {
        elements[i] = ::SysAllocString(texts[i]);
    }
    FileNameList list;
    ASSERT_EQ(S_OK, list.Load(ArrayArgument(names.get())));
    ASSERT_EQ(first + 1, list.Count());
    for (LONG i = 0; i < list.Count(); ++i) {
        EXPECT_EQ("s" + std::to_string(i), list.Names()[i]);
    }
}

TEST(OptionList, CopiesTheValuesUnchangedInOrder) {
    ScopedSafeArray options = LongArray({1, 0, 4, -7});
    OptionList list;
    ASSERT_EQ(S_OK, list.Load(ArrayArgument(options.get(), VT_ARRAY | VT_I4)));
    ASSERT_EQ(4, list.Count());
    EXPECT_EQ(1, list.Values()[0]);
    EXPECT_EQ(0, list.Values()[1]);
    EXPECT_EQ(4, list.Values()[2]);
    EXPECT_EQ(-7, list.Values()[3]);
}

// A client's array is read only while it is locked, and only as the elements it says it holds.
TEST(ClientArray, IsReadOnlyAsItsOwnElementTypeAndOnlyWhileLocked) {
    SafeArrayAccess<BSTR> names;
    ULONG count = 7;
    EXPECT_EQ(E_INVALIDARG, OpenClientArray(nullptr, VT_BSTR, &names, &count));
    EXPECT_EQ(0u, count);
    ScopedSafeArray longs = LongArray({1});
    EXPECT_EQ(E_INVALIDARG, OpenClientArray(longs.get(), VT_BSTR, &names, &count));
    EXPECT_EQ(0u, longs.get()->cLocks);

    ScopedSafeArray strings = BstrArray({L"a.c", L"b.c"});
    ASSERT_EQ(S_OK, OpenClientArray(strings.get(), VT_BSTR, &names, &count));
    EXPECT_EQ(2u, count);
    EXPECT_STREQ(L"b.c", names[1]);
    EXPECT_EQ(1u, strings.get()->cLocks) << "locked while it is read";
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, ::SafeArrayDestroy(strings.get()));
    names.Close();
    EXPECT_EQ(0u, strings.get()->cLocks);
}

} // namespace
