#include "call_table.h"

#include <iterator>

#include "bench_protocol.h"
#include "expected_results.h"
#include "file_names.h"
#include "test_arrays.h"

namespace {

constexpr LONG kListSizes[] = {0, 1, 2, 3, 8, 100, 1000, 10000};
// A row that stands for one row per size of the benchmark's lists.
constexpr LONG kEachListSize = -1;
constexpr LONG kTimedListSizes[] = {1, 100, 1000, 10000};
constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007E);
constexpr DISPID kUnknownMember = 0x12345;
constexpr UINT kMostLateArguments = 8;

BSTR Copy(const std::wstring& text) {
    return ::SysAllocString(text.c_str());
}

// A VARIANT of `type`; for a reference or a string, every pointer of the union is the same one.
VARIANT View(VARTYPE type, void* pointer = nullptr) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = type;
    value.byref = pointer;
    return value;
}

// The slot of an [in, out] parameter, holding `entry` (a copy of `text`), which `owner` keeps
// with whatever the call leaves in it.
BSTR* Entry(ScopedBstr& owner, const wchar_t* text) {
    BSTR* slot = owner.put();
    *slot = ::SysAllocString(text);
    return slot;
}

VARIANT* Entry(ScopedVariant& owner, ScopedVariant entry) {
    VARIANT* slot = owner.put();
    *slot = entry.release();
    return slot;
}

// VARIANT views of values and of variables for late-bound calls: they own nothing.
VARIANT Long(LONG value) {
    VARIANT view = View(VT_I4);
    view.lVal = value;
    return view;
}

VARIANT Bool(VARIANT_BOOL value) {
    VARIANT view = View(VT_BOOL);
    view.boolVal = value;
    return view;
}

VARIANT Text(BSTR value) {
    return View(VT_BSTR, value);
}

VARIANT Ref(LONG* target) {
    return View(VT_BYREF | VT_I4, target);
}

VARIANT Ref(BSTR* target) {
    return View(VT_BYREF | VT_BSTR, target);
}

VARIANT Ref(VARIANT_BOOL* target) {
    return View(VT_BYREF | VT_BOOL, target);
}

VARIANT Ref(VARIANT* target) {
    return View(VT_BYREF | VT_VARIANT, target);
}

// A VARIANT that owns a copy of `text`.
ScopedVariant TextVariant(const wchar_t* text) {
    return ScopedVariant::Adopt(Text(::SysAllocString(text)));
}

// `count` names as VT_VARIANT elements each holding a BSTR: how scripting hosts pass arrays.
ScopedVariant VariantNames(long count) {
    ScopedSafeArray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count)));
    LONG index = 0;
    for (const std::wstring& name : FileNames(count)) {
        ScopedVariant element = TextVariant(name.c_str());
        // The array takes a copy of the element.
        ::SafeArrayPutElement(array.get(), &index, const_cast<VARIANT*>(&element.get()));
        ++index;
    }
    return OwnedArgument(std::move(array), VT_ARRAY | VT_VARIANT);
}

// The status query, early and late bound: the benchmark's list cells.
HRESULT QueryInfo(CallArguments& a) {
    return a.wrapper->SccQueryInfo(a.List(), a.status.put(), &a.result);
}

HRESULT LateQueryInfo(CallArguments& a) {
    return a.Late(L"SccQueryInfo", {a.List(), Ref(a.status.put())});
}

const Call kCalls[] = {
    {"SccGetVersion", "", false, true, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccGetVersion(&a.result); }},
    {"SccInitialize", "", false, true, 0, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccInitialize(0, a.caller.get(), Entry(a.sccName, L"entry name"),
                                         &a.caps, Entry(a.label, L"entry label"), &a.checkoutLength,
                                         &a.commentLength, &a.result);
     }},
    {"SccInitialize", "without a caller name", false, false, 0, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccInitialize(0, nullptr, Entry(a.sccName, L"entry name"), &a.caps,
                                         Entry(a.label, L"entry label"), &a.checkoutLength,
                                         &a.commentLength, &a.result);
     }},
    {"SccSetOption", "", false, false, 0, S_OK,
     [](CallArguments& a) {
         return a.leak > 0 ? a.wrapper->SccSetOption(bench::kLeakOption, a.leak, &a.result)
                           : a.wrapper->SccSetOption(7, 99, &a.result);
     }},
    {"SccSetOptionCallback", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccSetOptionCallback(11, &a.result); }},
    {"SccGetCommandOptions", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccGetCommandOptions(0, 5, &a.result); }},
    {"SccGetCommandOptionsByRef", "", false, false, 0, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccGetCommandOptionsByRef(0, 5, &a.cookie, &a.result);
     }},
    {"SccGetProjPath", "", false, true, 0, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccGetProjPath(0, Entry(a.user, L"entry user"),
                                          Entry(a.project, L"$/entry"),
                                          Entry(a.local, L"C:\\entry"), Entry(a.aux, L"entry aux"),
                                          VARIANT_TRUE, &a.newProject, &a.result);
     }},
    {"SccGetProjPath", "with overlong entry texts", false, false, 0, S_OK,
     [](CallArguments& a) {
         const wchar_t* text = a.overlong.get();
         return a.wrapper->SccGetProjPath(0, Entry(a.user, text), Entry(a.project, text),
                                          Entry(a.local, text), Entry(a.aux, text), VARIANT_FALSE,
                                          &a.newProject, &a.result);
     }},
    {"SccOpenProject", "", false, false, 0, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccOpenProject(0, Entry(a.user, L"entry user"), a.projName.get(),
                                          a.localPath.get(), Entry(a.aux, L"entry aux"), nullptr, 0,
                                          &a.result);
     }},
    {"SccOpenProject", "without a project name", false, false, 0, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccOpenProject(0, Entry(a.user, L"entry user"), nullptr,
                                          a.localPath.get(), Entry(a.aux, L"entry aux"),
                                          a.comment.get(), 0, &a.result);
     }},
    {"SccCloseProject", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccCloseProject(&a.result); }},
    {"SccCheckin", "", false, false, 3, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccCheckin(0, a.List(), a.comment.get(), 0, 0, &a.result);
     }},
    {"SccCheckout", "without a comment", false, false, 1, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccCheckout(0, a.List(), nullptr, 0, 0, &a.result);
     }},
    {"SccUncheckout", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccUncheckout(0, a.List(), 0, 0, &a.result); }},
    {"SccGet", "", false, false, 8, S_OK,
     [](CallArguments& a) { return a.wrapper->SccGet(0, a.List(), 0, 0, &a.result); }},
    {"SccGet", "that faults in the provider", false, false, 3, E_FAIL,
     [](CallArguments& a) {
         return a.wrapper->SccGet(0, a.List(), bench::kFaultOptions, 0, &a.result);
     }},
    {"SccCheckin", "of an array of VARIANT", false, false, 2, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccCheckin(0, a.variantNames.get(), a.comment.get(), 0, 0, &a.result);
     }},
    {"SccCheckout", "of a plain string", false, false, 0, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccCheckout(0, a.plainText.get(), a.comment.get(), 0, 0, &a.result);
     }},
    {"SccUncheckout", "of nothing", false, false, 0, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccUncheckout(0, a.nothing.get(), 0, 0, &a.result);
     }},
    {"SccGet", "of an array from 1", false, false, 1, E_INVALIDARG,
     [](CallArguments& a) { return a.wrapper->SccGet(0, a.fromOne.get(), 0, 0, &a.result); }},
    {"SccAdd", "", false, false, 2, S_OK,
     [](CallArguments& a) {
         return a.wrapper->SccAdd(0, a.List(), a.comment.get(), a.twoOptions.get(), 0, &a.result);
     }},
    {"SccAdd", "with fewer options than names", false, false, 3, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccAdd(0, a.List(), a.comment.get(), a.twoOptions.get(), 0, &a.result);
     }},
    {"SccAdd", "with options of VARIANT", false, false, 2, E_INVALIDARG,
     [](CallArguments& a) {
         return a.wrapper->SccAdd(0, a.List(), a.comment.get(), a.variantNames.get(), 0, &a.result);
     }},
    {"SccQueryInfo", "", false, true, kEachListSize, S_OK, &QueryInfo},
    {"SccQueryInfo", "over an array of strings", false, false, 3, S_OK,
     [](CallArguments& a) {
         ScopedVariant entry = OwnedArgument(BstrArray({L"a", L"b", L"c"}));
         return a.wrapper->SccQueryInfo(a.List(), Entry(a.status, std::move(entry)), &a.result);
     }},
    {"SccQueryInfo", "of an array of VARIANT", false, false, 2, E_INVALIDARG,
     [](CallArguments& a) {
         ScopedVariant entry = OwnedArgument(LongArray({1, 2, 3}), VT_ARRAY | VT_I4);
         return a.wrapper->SccQueryInfo(a.variantNames.get(), Entry(a.status, std::move(entry)),
                                        &a.result);
     }},
    {"SccBeginBatch", "which the provider lacks", false, false, 0, kNoEntry,
     [](CallArguments& a) { return a.wrapper->SccBeginBatch(&a.result); }},
    {"SccEndBatch", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccEndBatch(&a.result); }},
    {"SccUninitialize", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->SccUninitialize(&a.result); }},
    {"Init", "with a bare name", false, false, 0, E_INVALIDARG,
     [](CallArguments& a) { return a.wrapper->Init(a.bareName.get()); }},
    {"Init", "with a missing library", false, false, 0, kModuleNotFound,
     [](CallArguments& a) { return a.wrapper->Init(a.missingLibrary.get()); }},
    {"SccGetVersion", "without a provider", false, false, 0, kNoEntry,
     [](CallArguments& a) { return a.wrapper->SccGetVersion(&a.result); }},
    {"SccQueryInfo", "without a provider", false, false, 1, kNoEntry, &QueryInfo},
    {"Init", "", false, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->Init(a.provider.get()); }},
    {"SccGetVersion", "", true, true, 0, S_OK,
     [](CallArguments& a) { return a.Late(L"SccGetVersion", {}); }},
    {"SccInitialize", "", true, true, 0, S_OK,
     [](CallArguments& a) {
         return a.Late(L"SccInitialize",
                       {Long(0), Text(a.caller.get()), Ref(Entry(a.sccName, L"late name")),
                        Ref(&a.caps), Ref(Entry(a.label, L"late label")), Ref(&a.checkoutLength),
                        Ref(&a.commentLength)});
     }},
    {"SccGetProjPath", "", true, true, 0, S_OK,
     [](CallArguments& a) {
         return a.Late(L"SccGetProjPath",
                       {Long(0), Ref(Entry(a.user, L"late user")), Ref(Entry(a.project, L"$/late")),
                        Ref(Entry(a.local, L"C:\\late")), Ref(Entry(a.aux, L"late aux")),
                        Bool(VARIANT_TRUE), Ref(&a.newProject)});
     }},
    {"SccQueryInfo", "", true, true, kEachListSize, S_OK, &LateQueryInfo},
    {"SccCheckin", "of an array of VARIANT", true, false, 2, E_INVALIDARG,
     [](CallArguments& a) {
         return a.Late(L"SccCheckin",
                       {Long(0), a.variantNames.get(), Text(a.comment.get()), Long(0), Long(0)});
     }},
    {"SccSetOption", "with one argument", true, false, 0, DISP_E_BADPARAMCOUNT,
     [](CallArguments& a) { return a.Late(L"SccSetOption", {Long(1)}); }},
    {"SccSetOption", "with a text", true, false, 0, DISP_E_TYPEMISMATCH,
     [](CallArguments& a) {
         return a.Late(L"SccSetOption", {Long(1), Text(a.notANumber.get())});
     }},
    {"Invoke", "of an unknown member", true, false, 0, DISP_E_MEMBERNOTFOUND,
     [](CallArguments& a) { return a.LateById(kUnknownMember, {}); }},
    {"GetIDsOfNames", "in another case", true, false, 0, S_OK,
     [](CallArguments& a) {
         LPOLESTR names[] = {const_cast<LPOLESTR>(L"sccgetversion")};
         DISPID id = DISPID_UNKNOWN;
         return a.wrapper->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
     }},
    {"GetTypeInfo", "", true, false, 0, S_OK,
     [](CallArguments& a) {
         return a.wrapper->GetTypeInfo(0, LOCALE_USER_DEFAULT, a.typeInfo.put());
     }},
    {"GetTypeInfoCount", "", true, false, 0, S_OK,
     [](CallArguments& a) { return a.wrapper->GetTypeInfoCount(&a.count); }},
};

} // namespace

std::vector<Call> CallsWhere(bool (*keep)(const Call&)) {
    std::vector<Call> calls;
    auto add = [&](const Call& call) {
        if (keep(call)) {
            calls.push_back(call);
        }
    };
    for (const Call& row : kCalls) {
        if (row.names != kEachListSize) {
            add(row);
            continue;
        }
        for (LONG names : kTimedListSizes) {
            Call call = row;
            call.names = names;
            add(call);
        }
    }
    return calls;
}

CallArguments::CallArguments(IPlimoWrapper* calledWrapper, const std::wstring& providerPath,
                             LONG leakBytes)
    : wrapper(calledWrapper), leak(leakBytes), provider(Copy(providerPath)),
      bareName(Copy(providerPath.substr(providerPath.find_last_of(L"\\/") + 1))),
      missingLibrary(Copy(providerPath.substr(0, providerPath.find_last_of(L"\\/") + 1) +
                          L"no_such_provider.dll")),
      caller(::SysAllocString(L"bench client")), comment(::SysAllocString(L"a bench comment")),
      projName(::SysAllocString(L"$/bench/project")),
      localPath(::SysAllocString(L"C:\\bench\\work")), overlong(Copy(std::wstring(500, L'x'))),
      notANumber(::SysAllocString(L"not a number")),
      fromOne(OwnedArgument(BstrArray(FileNames(1), 1))), variantNames(VariantNames(2)),
      twoOptions(OwnedArgument(LongArray({0, 1}), VT_ARRAY | VT_I4)),
      plainText(TextVariant(L"a plain text")) {
    for (LONG size : kListSizes) {
        lists.emplace(size, OwnedArgument(BstrArray(FileNames(size))));
    }
}

HRESULT CallArguments::Make(const Call& call) {
    names_ = call.names;
    return call.make(*this);
}

HRESULT CallArguments::Late(const wchar_t* method, std::initializer_list<VARIANT> arguments) {
    auto found = ids_.find(method);
    if (found == ids_.end()) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(method)};
        DISPID id = DISPID_UNKNOWN;
        const HRESULT hr = wrapper->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) return hr;
        found = ids_.emplace(method, id).first;
    }
    return LateById(found->second, arguments);
}

HRESULT CallArguments::LateById(DISPID member, std::initializer_list<VARIANT> arguments) {
    // IDispatch takes the arguments last to first.
    VARIANT reversed[kMostLateArguments];
    UINT count = 0;
    for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) {
        if (count == kMostLateArguments) {
            return E_INVALIDARG;
        }
        reversed[count++] = *it;
    }
    DISPPARAMS parameters{count > 0 ? reversed : nullptr, nullptr, count, 0};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = wrapper->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                       &parameters, lateResult.put(), &exception, &argumentError);
    ScopedBstr source(exception.bstrSource), description(exception.bstrDescription),
        helpFile(exception.bstrHelpFile);
    return hr == DISP_E_EXCEPTION && exception.scode != 0 ? exception.scode : hr;
}
