// The compiled type library holds exactly the contract that clients bind to: identifiers,
// versions, flags, the interface table and every method's parameters.
#include <gtest/gtest.h>

#include <ole2.h>

#include <string>
#include <vector>

#include "com_ptr.h"
#include "PlimoCOMWrapper.h"
#include "scoped_resource.h"
#include "test_paths.h"

namespace {

const GUID kStdOle2 = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::wstring Text(BSTR s) {
    return s != nullptr ? std::wstring(s, ::SysStringLen(s)) : L"<null>";
}

struct Documentation {
    std::wstring name, doc, helpFile;
    DWORD helpContext = 0;
};

template <typename Holder> Documentation Document(Holder* holder, MEMBERID id) {
    ScopedBstr name, doc, helpFile;
    Documentation d;
    EXPECT_EQ(S_OK,
              holder->GetDocumentation(id, name.put(), doc.put(), &d.helpContext, helpFile.put()));
    d.name = Text(name.get());
    d.doc = Text(doc.get());
    d.helpFile = Text(helpFile.get());
    return d;
}

// A parameter's automation type as the interface definition spells it.
std::string TypeName(const TYPEDESC& t) {
    switch (t.vt) {
    case VT_I4:
        return "LONG";
    case VT_BSTR:
        return "BSTR";
    case VT_BOOL:
        return "VARIANT_BOOL";
    case VT_VARIANT:
        return "VARIANT";
    case VT_HRESULT:
        return "HRESULT";
    case VT_PTR:
        return TypeName(*t.lptdesc) + "*";
    default:
        return "vt" + std::to_string(t.vt);
    }
}

constexpr USHORT kIn = PARAMFLAG_FIN, kOut = PARAMFLAG_FOUT,
                 kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT,
                 kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

struct Param {
    const char* name;
    const char* type;
    USHORT flags;
};

struct MethodRow {
    const char* name;
    std::vector<Param> params;
};

const Param kResult{"pResult", "LONG*", kRetval};

// Slot 7 + index, dispatch identifier 0x60020000 + index.
const std::vector<MethodRow> kMethods = {
    {"Init", {{"bstrName", "BSTR", kIn}}},
    {"SccInitialize",
     {{"hWnd", "LONG", kIn},
      {"lpCallerName", "BSTR", kIn},
      {"lpSccName", "BSTR*", kInOut},
      {"lpSccCaps", "LONG*", kOut},
      {"lpAuxPathLabel", "BSTR*", kInOut},
      {"pnCheckoutCommentLen", "LONG*", kOut},
      {"pnCommentLen", "LONG*", kOut},
      kResult}},
    {"SccSetOption", {{"nOption", "LONG", kIn}, {"dwVal", "LONG", kIn}, kResult}},
    {"SccUninitialize", {kResult}},
    {"SccGetCommandOptions", {{"hWnd", "LONG", kIn}, {"iCommand", "LONG", kIn}, kResult}},
    {"SccGetCommandOptionsByRef",
     {{"hWnd", "LONG", kIn},
      {"iCommand", "LONG", kIn},
      {"pCmdOptionsCookie", "LONG*", kOut},
      kResult}},
    {"SccGetProjPath",
     {{"hWnd", "LONG", kIn},
      {"lpUser", "BSTR*", kInOut},
      {"lpProjName", "BSTR*", kInOut},
      {"lpLocalPath", "BSTR*", kInOut},
      {"lpAuxProjPath", "BSTR*", kInOut},
      {"bAllowChangePath", "VARIANT_BOOL", kIn},
      {"pbNew", "VARIANT_BOOL*", kInOut},
      kResult}},
    {"SccCloseProject", {kResult}},
    {"SccCheckin",
     {{"hWnd", "LONG", kIn},
      {"lpFileNames", "VARIANT", kIn},
      {"lpComment", "BSTR", kIn},
      {"fOptions", "LONG", kIn},
      {"lCmdOptionsCookie", "LONG", kIn},
      kResult}},
    {"SccCheckout",
     {{"hWnd", "LONG", kIn},
      {"lpFileNames", "VARIANT", kIn},
      {"lpComment", "BSTR", kIn},
      {"fOptions", "LONG", kIn},
      {"lCmdOptionsCookie", "LONG", kIn},
      kResult}},
    {"SccUncheckout",
     {{"hWnd", "LONG", kIn},
      {"lpFileNames", "VARIANT", kIn},
      {"fOptions", "LONG", kIn},
      {"lCmdOptionsCookie", "LONG", kIn},
      kResult}},
    {"SccGet",
     {{"hWnd", "LONG", kIn},
      {"lpFileNames", "VARIANT", kIn},
      {"fOptions", "LONG", kIn},
      {"lCmdOptionsCookie", "LONG", kIn},
      kResult}},
    {"SccAdd",
     {{"hWnd", "LONG", kIn},
      {"lpFileNames", "VARIANT", kIn},
      {"lpComment", "BSTR", kIn},
      {"pfOptions", "VARIANT", kIn},
      {"lCmdOptionsCookie", "LONG", kIn},
      kResult}},
    {"SccQueryInfo", {{"lpFileNames", "VARIANT", kIn}, {"lpStatus", "VARIANT*", kInOut}, kResult}},
    {"SccOpenProject",
     {{"hWnd", "LONG", kIn},
      {"lpUser", "BSTR*", kInOut},
      {"lpProjName", "BSTR", kIn},
      {"lpLocalProjPath", "BSTR", kIn},
      {"lpAuxProjPath", "BSTR*", kInOut},
      {"lpComment", "BSTR", kIn},
      {"dwFlags", "LONG", kIn},
      kResult}},
    {"SccSetOptionCallback", {{"nOption", "LONG", kIn}, kResult}},
    {"SccGetVersion", {kResult}},
    {"SccBeginBatch", {kResult}},
    {"SccEndBatch", {kResult}},
};

class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = BesideTest(L"PlimoCOMWrapper.tlb");
        ASSERT_EQ(S_OK, ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()));
    }

    // The interface half of the dual interface (the library lists its dispatch half).
    void InterfaceHalf(ITypeInfo** out) {
        ComPtr<ITypeInfo> dispatchHalf;
        ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IPlimoWrapper, dispatchHalf.put()));
        HREFTYPE href = 0;
        ASSERT_EQ(S_OK, dispatchHalf->GetRefTypeOfImplType(static_cast<UINT>(-1), &href));
        ASSERT_EQ(S_OK, dispatchHalf->GetRefTypeInfo(href, out));
    }

    ComPtr<ITypeLib> library;
};

TEST_F(TypeLibrary, LibraryAttributes) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(LIBID_PlimoCOMWrapperLib, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(0u, attr->lcid);
    EXPECT_EQ(SYS_WIN32, attr->syskind);
    library->ReleaseTLibAttr(attr);

    Documentation d = Document(library.get(), MEMBERID_NIL);
    EXPECT_EQ(L"PlimoCOMWrapperLib", d.name);
    EXPECT_EQ(L"PlimoCOMWrapper 1.0 Type Library", d.doc);
    EXPECT_EQ(L"<null>", d.helpFile);
    EXPECT_EQ(0u, d.helpContext);
}

TEST_F(TypeLibrary, HoldsTheCoclassThenTheInterface) {
    ASSERT_EQ(2u, library->GetTypeInfoCount());
    TYPEKIND kind{};
    ASSERT_EQ(S_OK, library->GetTypeInfoType(0, &kind));
    EXPECT_EQ(TKIND_COCLASS, kind);
    ASSERT_EQ(S_OK, library->GetTypeInfoType(1, &kind));
    EXPECT_EQ(TKIND_DISPATCH, kind) << "a dual interface is listed by its dispatch half";

    EXPECT_EQ(L"TovikPlimoWrapper", Document(library.get(), 0).name);
    EXPECT_EQ(L"IPlimoWrapper", Document(library.get(), 1).name);
}

TEST_F(TypeLibrary, CoclassIsCreatableWithIPlimoWrapperAsDefault) {
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(CLSID_TovikPlimoWrapper, coclass.put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    EXPECT_EQ(TYPEFLAG_FCANCREATE, attr->wTypeFlags);
    EXPECT_EQ(1, attr->cImplTypes);
    coclass->ReleaseTypeAttr(attr);

    Documentation d = Document(coclass.get(), MEMBERID_NIL);
    EXPECT_EQ(L"TovikPlimoWrapper", d.name);
    EXPECT_EQ(L"TovikPlimoWrapper Class", d.doc);

    INT implFlags = 0;
    ASSERT_EQ(S_OK, coclass->GetImplTypeFlags(0, &implFlags));
    EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, implFlags);
    HREFTYPE href = 0;
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &href));
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(href, implemented.put()));
    ASSERT_EQ(S_OK, implemented->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(IID_IPlimoWrapper, attr->guid));
    implemented->ReleaseTypeAttr(attr);
}

TEST_F(TypeLibrary, InterfaceIsADualAutomationInterfaceOverIDispatchFromStdole2) {
    ComPtr<ITypeInfo> info;
    InterfaceHalf(info.put());
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(IID_IPlimoWrapper, attr->guid));
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(0x11C0, attr->wTypeFlags);
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE |
                  TYPEFLAG_FDISPATCHABLE,
              attr->wTypeFlags);
    EXPECT_EQ(19, attr->cFuncs);
    EXPECT_EQ(26 * sizeof(void*), attr->cbSizeVft);
    EXPECT_EQ(1, attr->cImplTypes);
    info->ReleaseTypeAttr(attr);

    Documentation d = Document(info.get(), MEMBERID_NIL);
    EXPECT_EQ(L"IPlimoWrapper", d.name);
    EXPECT_EQ(L"IPlimoWrapper Interface", d.doc);

    HREFTYPE href = 0;
    ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(0, &href));
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(S_OK, info->GetRefTypeInfo(href, base.put()));
    EXPECT_EQ(L"IDispatch", Document(base.get(), MEMBERID_NIL).name);
    ComPtr<ITypeLib> baseLibrary;
    UINT index = 0;
    ASSERT_EQ(S_OK, base->GetContainingTypeLib(baseLibrary.put(), &index));
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(S_OK, baseLibrary->GetLibAttr(&libAttr));
    EXPECT_TRUE(IsEqualGUID(kStdOle2, libAttr->guid)) << "IDispatch must come from stdole2";
    baseLibrary->ReleaseTLibAttr(libAttr);
}

TEST_F(TypeLibrary, DispatchHalfIsDualAndDispatchable) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IPlimoWrapper, info.put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    // Windows reports 0x11C0 here; Wine's loader leaves out FOLEAUTOMATION (0x10C0).
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE,
              attr->wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION);
    info->ReleaseTypeAttr(attr);
}

TEST_F(TypeLibrary, EveryMethodHasItsSlotDispatchIdentifierAndParameters) {
    ComPtr<ITypeInfo> info;
    InterfaceHalf(info.put());
    ASSERT_EQ(kMethods.size(), 19u);

    for (UINT i = 0; i < kMethods.size(); ++i) {
        const MethodRow& row = kMethods[i];
        SCOPED_TRACE(row.name);
        FUNCDESC* f = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, &f));
        EXPECT_EQ(static_cast<MEMBERID>(0x60020000 + i), f->memid);
        EXPECT_EQ(static_cast<SHORT>((7 + i) * sizeof(void*)), f->oVft);
        EXPECT_EQ(FUNC_PUREVIRTUAL, f->funckind);
        EXPECT_EQ(INVOKE_FUNC, f->invkind);
        EXPECT_EQ(CC_STDCALL, f->callconv);
        EXPECT_EQ(0, f->wFuncFlags);
        EXPECT_EQ(0, f->cParamsOpt);
        EXPECT_EQ("HRESULT", TypeName(f->elemdescFunc.tdesc));
        ASSERT_EQ(static_cast<SHORT>(row.params.size()), f->cParams);

        std::vector<BSTR> names(row.params.size() + 1);
        UINT fetched = 0;
        ASSERT_EQ(S_OK, info->GetNames(f->memid, names.data(), static_cast<UINT>(names.size()),
                                       &fetched));
        ASSERT_EQ(names.size(), fetched);
        std::vector<ScopedBstr> owned;
        for (BSTR name : names) {
            owned.emplace_back(name);
        }
        EXPECT_EQ(std::wstring(row.name, row.name + strlen(row.name)), Text(names[0]));

        for (size_t p = 0; p < row.params.size(); ++p) {
            const Param& want = row.params[p];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(std::wstring(want.name, want.name + strlen(want.name)), Text(names[p + 1]));
            EXPECT_EQ(want.type, TypeName(f->lprgelemdescParam[p].tdesc));
            EXPECT_EQ(want.flags, f->lprgelemdescParam[p].paramdesc.wParamFlags);
        }
        info->ReleaseFuncDesc(f);

        Documentation d = Document(info.get(), static_cast<MEMBERID>(0x60020000 + i));
        EXPECT_EQ(L"<null>", d.doc);
        EXPECT_EQ(0u, d.helpContext);
    }
}

} // namespace
