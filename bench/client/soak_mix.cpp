#include "soak_mix.h"

#include <cstdio>
#include <cstring>

#include "bench_protocol.h"
#include "name_arrays.h"

namespace {

constexpr HRESULT kNoProviderEntry = static_cast<HRESULT>(0x800710DD);
constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007E);
constexpr DISPID kVersionId = 0x60020010;
// Stands for a late-bound call that brought no LONG back.
constexpr LONG kNoResult = 0x0BADF00D;

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

bool SameText(BSTR text, const wchar_t* expected) {
    return text != nullptr && std::wcscmp(text, expected) == 0;
}

} // namespace

bool ReadServerFigures(IPlimoWrapper* wrapper, ServerFigures* figures) {
    LONG result = 0;
    return wrapper->SccGetCommandOptionsByRef(0, bench::kPrivateBytesCommand,
                                              &figures->privateBytes, &result) == S_OK &&
           wrapper->SccGetCommandOptionsByRef(0, bench::kHeapBytesCommand, &figures->heapBytes,
                                              &result) == S_OK &&
           wrapper->SccGetCommandOptionsByRef(0, bench::kHandleCountCommand, &figures->handles,
                                              &result) == S_OK;
}

struct SoakMix::Case {
    const char* name;
    bool (SoakMix::*run)(std::string* problem);
};

// One turn of the mix. The unbound stretch (a failed Init up to the Init that binds again)
// stays together, so every turn ends bound.
const SoakMix::Case SoakMix::kCases[] = {
    {"SccGetVersion", &SoakMix::Version},
    {"SccInitialize", &SoakMix::InitializeGood},
    {"SccInitialize without a caller name", &SoakMix::InitializeNullCaller},
    {"SccSetOption", &SoakMix::SetOption},
    {"SccSetOptionCallback", &SoakMix::SetOptionCallback},
    {"SccGetCommandOptions", &SoakMix::CommandOptions},
    {"SccGetCommandOptionsByRef", &SoakMix::CommandOptionsByRef},
    {"SccGetProjPath", &SoakMix::ProjPathGood},
    {"SccGetProjPath with overlong entry texts", &SoakMix::ProjPathOverlongEntries},
    {"SccOpenProject", &SoakMix::OpenProjectGood},
    {"SccOpenProject without a project name", &SoakMix::OpenProjectNullName},
    {"SccCloseProject", &SoakMix::CloseProject},
    {"SccCheckin of three names", &SoakMix::CheckinThree},
    {"SccCheckout without a comment", &SoakMix::CheckoutWithoutComment},
    {"SccUncheckout of no names", &SoakMix::UncheckoutNone},
    {"SccGet of eight names", &SoakMix::GetEight},
    {"SccGet that faults in the provider", &SoakMix::GetThatFaults},
    {"SccCheckin of an array of VARIANT", &SoakMix::CheckinVariantArray},
    {"SccCheckout of a plain string", &SoakMix::CheckoutPlainString},
    {"SccUncheckout of nothing", &SoakMix::UncheckoutEmptyVariant},
    {"SccGet of an array from 1", &SoakMix::GetLowerBoundOne},
    {"SccAdd", &SoakMix::AddGood},
    {"SccAdd with fewer options than names", &SoakMix::AddCountMismatch},
    {"SccAdd with options of VARIANT", &SoakMix::AddVariantOptions},
    {"SccQueryInfo", &SoakMix::QueryInfoGood},
    {"SccQueryInfo over an array of strings", &SoakMix::QueryInfoOverStrings},
    {"SccQueryInfo of an array of VARIANT", &SoakMix::QueryInfoRefused},
    {"SccQueryInfo of a hundred names", &SoakMix::QueryInfoHundred},
    {"SccBeginBatch, which the provider lacks", &SoakMix::BeginBatchMissing},
    {"SccEndBatch", &SoakMix::EndBatch},
    {"SccUninitialize", &SoakMix::Uninitialize},
    {"Init with a bare name", &SoakMix::InitBareName},
    {"Init with a missing library", &SoakMix::InitMissingLibrary},
    {"SccGetVersion unbound", &SoakMix::VersionUnbound},
    {"SccQueryInfo unbound", &SoakMix::QueryInfoUnbound},
    {"Init", &SoakMix::InitGood},
    {"late SccGetVersion", &SoakMix::LateVersion},
    {"late SccInitialize", &SoakMix::LateInitialize},
    {"late SccQueryInfo", &SoakMix::LateQueryInfo},
    {"late SccCheckin of an array of VARIANT", &SoakMix::LateCheckinRefused},
    {"late SccSetOption with one argument", &SoakMix::LateParamCount},
    {"late SccSetOption with a text", &SoakMix::LateTypeMismatch},
    {"late call of an unknown member", &SoakMix::LateUnknownMember},
    {"GetIDsOfNames in another case", &SoakMix::LateNameInOtherCase},
    {"GetTypeInfo", &SoakMix::TypeInfo},
    {"GetTypeInfoCount", &SoakMix::TypeInfoCount},
};

long SoakMix::TurnLength() {
    return static_cast<long>(sizeof kCases / sizeof kCases[0]);
}

SoakMix::SoakMix(IPlimoWrapper* wrapper, DWORD serverId, const std::wstring& providerPath,
                 LONG leakBytes)
    : wrapper_(wrapper), serverId_(serverId), leakBytes_(leakBytes),
      providerPath_(::SysAllocString(providerPath.c_str())) {
    ::VariantInit(&status_);
    ::VariantInit(&lateResult_);
}

SoakMix::~SoakMix() {
    for (BSTR text : {sccName_, auxPathLabel_, user_, project_, local_, auxProject_}) {
        ::SysFreeString(text);
    }
    ::VariantClear(&status_);
    ::VariantClear(&lateResult_);
}

bool SoakMix::Prepare(std::string* problem) {
    const std::wstring path = providerPath_.get();
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    bareName_.reset(::SysAllocString(L"plimo_bench_provider.dll"));
    missingPath_.reset(::SysAllocString((folder + L"no_such_provider.dll").c_str()));
    caller_.reset(::SysAllocString(L"soak client"));
    comment_.reset(::SysAllocString(L"a soak comment"));
    projName_.reset(::SysAllocString(L"$/soak/project"));
    localPath_.reset(::SysAllocString(L"C:\\soak\\work"));
    overlong_.reset(::SysAllocString(std::wstring(500, L'x').c_str()));
    notANumber_.reset(::SysAllocString(L"not a number"));

    one_ = FileNames(1);
    two_ = FileNames(2);
    three_ = FileNames(3);
    five_ = FileNames(5);
    eight_ = FileNames(8);
    hundred_ = FileNames(100);
    none_ = FileNames(0);
    fromOne_ = FileNames(1, 1);
    variantNames_ = FileNamesAsVariants(2);
    twoOptions_ = OptionWords(2);
    stringStatus_ = FileNames(3);
    for (const ScopedSafeArray* array : {&one_, &two_, &three_, &five_, &eight_, &hundred_, &none_,
                                         &fromOne_, &variantNames_, &twoOptions_, &stringStatus_}) {
        if (!*array) {
            *problem = "out of memory for the arrays";
            return false;
        }
    }

    versionId_ = DispatchIdOf(wrapper_, L"SccGetVersion");
    initializeId_ = DispatchIdOf(wrapper_, L"SccInitialize");
    queryInfoId_ = DispatchIdOf(wrapper_, L"SccQueryInfo");
    checkinId_ = DispatchIdOf(wrapper_, L"SccCheckin");
    setOptionId_ = DispatchIdOf(wrapper_, L"SccSetOption");
    for (DISPID id : {versionId_, initializeId_, queryInfoId_, checkinId_, setOptionId_}) {
        if (id == DISPID_UNKNOWN) {
            *problem = "the server does not resolve a method name";
            return false;
        }
    }
    lateInitialize_ =
        LateArguments({LongValue(0), StringValue(caller_.get()), StringReference(&sccName_),
                       LongReference(&caps_), StringReference(&auxPathLabel_),
                       LongReference(&checkoutCommentLength_), LongReference(&commentLength_)});
    lateQueryInfo_ = LateArguments({ArrayView(three_.get(), VT_BSTR), VariantReference(&status_)});
    lateCheckin_ = LateArguments({LongValue(0), ArrayView(variantNames_.get(), VT_VARIANT),
                                  StringValue(comment_.get()), LongValue(0), LongValue(0)});
    lateShort_ = LateArguments({LongValue(1)});
    lateMismatch_ = LateArguments({LongValue(1), StringValue(notANumber_.get())});
    return true;
}

const char* SoakMix::CaseName(long index) {
    return kCases[index].name;
}

void SoakMix::Run(long calls) {
    for (long i = 0; i < calls; ++i) {
        MakeCall(kCases[next_]);
        next_ = (next_ + 1) % static_cast<size_t>(TurnLength());
    }
}

void SoakMix::RunCase(long index, long calls) {
    for (long i = 0; i < calls; ++i) {
        MakeCall(kCases[index]);
    }
    std::string ignored;
    InitGood(&ignored);
}

void SoakMix::MakeCall(const Case& call) {
    std::string problem;
    ++calls_;
    if (!(this->*call.run)(&problem)) {
        ++unexpected_;
        problems_.emplace(call.name, "call " + std::to_string(calls_) + ": " + problem);
    }
}

bool SoakMix::Expect(HRESULT got, HRESULT expected, std::string* problem) {
    if (got == expected) {
        return true;
    }
    *problem = "returned " + Hex(got) + " instead of " + Hex(expected);
    return false;
}

bool SoakMix::Check(bool condition, const char* failure, std::string* problem) {
    if (!condition) {
        *problem = failure;
    }
    return condition;
}

bool SoakMix::ExpectResult(LONG expected, std::string* problem) {
    if (result_ == expected) {
        return true;
    }
    *problem =
        "the result is " + std::to_string(result_) + " instead of " + std::to_string(expected);
    return false;
}

bool SoakMix::ExpectText(BSTR text, const char* expected, const char* what, std::string* problem) {
    std::wstring wide;
    for (const char* c = expected; *c != '\0'; ++c) {
        wide += static_cast<wchar_t>(*c);
    }
    if (SameText(text, wide.c_str())) {
        return true;
    }
    *problem = std::string(what) + " came back wrong";
    return false;
}

bool SoakMix::ExpectStatus(const VARIANT& status, LONG count, std::string* problem) {
    if (status.vt != (VT_ARRAY | VT_I4) || status.parray == nullptr ||
        status.parray->rgsabound[0].cElements != static_cast<ULONG>(count) ||
        status.parray->rgsabound[0].lLbound != 0) {
        *problem = "the status is not " + std::to_string(count) + " LONGs from 0";
        return false;
    }
    const LONG* words = static_cast<const LONG*>(status.parray->pvData);
    for (LONG i = 0; i < count; ++i) {
        if (words[i] != FileNameLength(i)) {
            *problem = "status word " + std::to_string(i) + " is wrong";
            return false;
        }
    }
    return true;
}

void SoakMix::Refill(BSTR* target, const wchar_t* text) {
    ::SysFreeString(*target);
    *target = ::SysAllocString(text);
}

bool SoakMix::Version(std::string* problem) {
    return Expect(wrapper_->SccGetVersion(&result_), S_OK, problem) &&
           ExpectResult(static_cast<LONG>(serverId_), problem);
}

bool SoakMix::InitializeGood(std::string* problem) {
    Refill(&sccName_, L"entry name");
    Refill(&auxPathLabel_, L"entry label");
    caps_ = checkoutCommentLength_ = commentLength_ = 0;
    return Expect(wrapper_->SccInitialize(0, caller_.get(), &sccName_, &caps_, &auxPathLabel_,
                                          &checkoutCommentLength_, &commentLength_, &result_),
                  S_OK, problem) &&
           ExpectResult(0, problem) && ExpectText(sccName_, bench::kSccName, "the name", problem) &&
           ExpectText(auxPathLabel_, bench::kAuxPathLabel, "the label", problem) &&
           Check(caps_ == bench::kCaps, "the caps are wrong", problem);
}

bool SoakMix::InitializeNullCaller(std::string* problem) {
    Refill(&sccName_, L"entry name");
    Refill(&auxPathLabel_, L"entry label");
    return Expect(wrapper_->SccInitialize(0, nullptr, &sccName_, &caps_, &auxPathLabel_,
                                          &checkoutCommentLength_, &commentLength_, &result_),
                  E_INVALIDARG, problem) &&
           ExpectText(sccName_, "entry name", "the kept name", problem) &&
           ExpectText(auxPathLabel_, "entry label", "the kept label", problem);
}

bool SoakMix::SetOption(std::string* problem) {
    const LONG option = leakBytes_ > 0 ? bench::kLeakOption : 7;
    return Expect(wrapper_->SccSetOption(option, leakBytes_ > 0 ? leakBytes_ : 99, &result_), S_OK,
                  problem) &&
           ExpectResult(option, problem);
}

bool SoakMix::SetOptionCallback(std::string* problem) {
    return Expect(wrapper_->SccSetOptionCallback(11, &result_), S_OK, problem) &&
           ExpectResult(11, problem);
}

bool SoakMix::CommandOptions(std::string* problem) {
    return Expect(wrapper_->SccGetCommandOptions(0, 5, &result_), S_OK, problem) &&
           ExpectResult(0, problem);
}

bool SoakMix::CommandOptionsByRef(std::string* problem) {
    LONG cookie = 0;
    return Expect(wrapper_->SccGetCommandOptionsByRef(0, 5, &cookie, &result_), S_OK, problem) &&
           ExpectResult(0, problem) && Check(cookie == 6, "the cookie is wrong", problem);
}

bool SoakMix::ProjPathGood(std::string* problem) {
    Refill(&user_, L"entry user");
    Refill(&project_, L"$/entry");
    Refill(&local_, L"C:\\entry");
    Refill(&auxProject_, L"entry aux");
    const VARIANT_BOOL before = newProject_;
    return Expect(wrapper_->SccGetProjPath(0, &user_, &project_, &local_, &auxProject_,
                                           VARIANT_TRUE, &newProject_, &result_),
                  S_OK, problem) &&
           ExpectResult(0, problem) && ExpectText(user_, bench::kUser, "the user", problem) &&
           ExpectText(project_, bench::kProjName, "the project", problem) &&
           ExpectText(local_, bench::kLocalPath, "the local path", problem) &&
           ExpectText(auxProject_, bench::kAuxProjPath, "the aux path", problem) &&
           Check(newProject_ == (before ? VARIANT_FALSE : VARIANT_TRUE),
                 "the new-project flag did not flip", problem);
}

bool SoakMix::ProjPathOverlongEntries(std::string* problem) {
    for (BSTR* text : {&user_, &project_, &local_, &auxProject_}) {
        Refill(text, overlong_.get());
    }
    return Expect(wrapper_->SccGetProjPath(0, &user_, &project_, &local_, &auxProject_,
                                           VARIANT_FALSE, &newProject_, &result_),
                  S_OK, problem) &&
           ExpectResult(0, problem) &&
           ExpectText(project_, bench::kProjName, "the project", problem);
}

bool SoakMix::OpenProjectGood(std::string* problem) {
    Refill(&user_, L"entry user");
    Refill(&auxProject_, L"entry aux");
    return Expect(wrapper_->SccOpenProject(0, &user_, projName_.get(), localPath_.get(),
                                           &auxProject_, nullptr, 0, &result_),
                  S_OK, problem) &&
           ExpectResult(0, problem) && ExpectText(user_, bench::kUser, "the user", problem) &&
           ExpectText(auxProject_, bench::kAuxProjPath, "the aux path", problem);
}

bool SoakMix::OpenProjectNullName(std::string* problem) {
    Refill(&user_, L"entry user");
    Refill(&auxProject_, L"entry aux");
    return Expect(wrapper_->SccOpenProject(0, &user_, nullptr, localPath_.get(), &auxProject_,
                                           comment_.get(), 0, &result_),
                  E_INVALIDARG, problem) &&
           ExpectText(user_, "entry user", "the kept user", problem);
}

bool SoakMix::CloseProject(std::string* problem) {
    return Expect(wrapper_->SccCloseProject(&result_), S_OK, problem) && ExpectResult(0, problem);
}

bool SoakMix::CheckinThree(std::string* problem) {
    return Expect(wrapper_->SccCheckin(0, ArrayView(three_.get(), VT_BSTR), comment_.get(), 0, 0,
                                       &result_),
                  S_OK, problem) &&
           ExpectResult(3, problem);
}

bool SoakMix::CheckoutWithoutComment(std::string* problem) {
    return Expect(wrapper_->SccCheckout(0, ArrayView(one_.get(), VT_BSTR), nullptr, 0, 0, &result_),
                  S_OK, problem) &&
           ExpectResult(1, problem);
}

bool SoakMix::UncheckoutNone(std::string* problem) {
    return Expect(wrapper_->SccUncheckout(0, ArrayView(none_.get(), VT_BSTR), 0, 0, &result_), S_OK,
                  problem) &&
           ExpectResult(0, problem);
}

bool SoakMix::GetEight(std::string* problem) {
    return Expect(wrapper_->SccGet(0, ArrayView(eight_.get(), VT_BSTR), 0, 0, &result_), S_OK,
                  problem) &&
           ExpectResult(8, problem);
}

bool SoakMix::GetThatFaults(std::string* problem) {
    return Expect(
        wrapper_->SccGet(0, ArrayView(three_.get(), VT_BSTR), bench::kFaultOptions, 0, &result_),
        E_FAIL, problem);
}

bool SoakMix::CheckinVariantArray(std::string* problem) {
    return Expect(wrapper_->SccCheckin(0, ArrayView(variantNames_.get(), VT_VARIANT),
                                       comment_.get(), 0, 0, &result_),
                  E_INVALIDARG, problem);
}

bool SoakMix::CheckoutPlainString(std::string* problem) {
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = comment_.get();
    return Expect(wrapper_->SccCheckout(0, text, comment_.get(), 0, 0, &result_), E_INVALIDARG,
                  problem);
}

bool SoakMix::UncheckoutEmptyVariant(std::string* problem) {
    VARIANT nothing;
    ::VariantInit(&nothing);
    return Expect(wrapper_->SccUncheckout(0, nothing, 0, 0, &result_), E_INVALIDARG, problem);
}

bool SoakMix::GetLowerBoundOne(std::string* problem) {
    return Expect(wrapper_->SccGet(0, ArrayView(fromOne_.get(), VT_BSTR), 0, 0, &result_),
                  E_INVALIDARG, problem);
}

bool SoakMix::AddGood(std::string* problem) {
    return Expect(wrapper_->SccAdd(0, ArrayView(two_.get(), VT_BSTR), comment_.get(),
                                   ArrayView(twoOptions_.get(), VT_I4), 0, &result_),
                  S_OK, problem) &&
           ExpectResult(2, problem);
}

bool SoakMix::AddCountMismatch(std::string* problem) {
    return Expect(wrapper_->SccAdd(0, ArrayView(three_.get(), VT_BSTR), comment_.get(),
                                   ArrayView(twoOptions_.get(), VT_I4), 0, &result_),
                  E_INVALIDARG, problem);
}

bool SoakMix::AddVariantOptions(std::string* problem) {
    return Expect(wrapper_->SccAdd(0, ArrayView(two_.get(), VT_BSTR), comment_.get(),
                                   ArrayView(variantNames_.get(), VT_VARIANT), 0, &result_),
                  E_INVALIDARG, problem);
}

bool SoakMix::QueryInfoGood(std::string* problem) {
    ::VariantClear(&status_);
    return Expect(wrapper_->SccQueryInfo(ArrayView(five_.get(), VT_BSTR), &status_, &result_), S_OK,
                  problem) &&
           ExpectResult(5, problem) && ExpectStatus(status_, 5, problem);
}

bool SoakMix::QueryInfoOverStrings(std::string* problem) {
    ::VariantClear(&status_);
    ScopedSafeArray entry;
    if (FAILED(::SafeArrayCopy(stringStatus_.get(), entry.put()))) {
        *problem = "out of memory";
        return false;
    }
    status_ = ArrayView(entry.release(), VT_BSTR); // the call owns it now, then gives it up
    return Expect(wrapper_->SccQueryInfo(ArrayView(three_.get(), VT_BSTR), &status_, &result_),
                  S_OK, problem) &&
           ExpectResult(3, problem) && ExpectStatus(status_, 3, problem);
}

bool SoakMix::QueryInfoRefused(std::string* problem) {
    // Right after QueryInfoOverStrings: the status of three must stay as it was.
    return Expect(wrapper_->SccQueryInfo(ArrayView(variantNames_.get(), VT_VARIANT), &status_,
                                         &result_),
                  E_INVALIDARG, problem) &&
           ExpectStatus(status_, 3, problem);
}

bool SoakMix::QueryInfoHundred(std::string* problem) {
    ::VariantClear(&status_);
    return Expect(wrapper_->SccQueryInfo(ArrayView(hundred_.get(), VT_BSTR), &status_, &result_),
                  S_OK, problem) &&
           ExpectResult(100, problem) && ExpectStatus(status_, 100, problem);
}

bool SoakMix::BeginBatchMissing(std::string* problem) {
    return Expect(wrapper_->SccBeginBatch(&result_), kNoProviderEntry, problem);
}

bool SoakMix::EndBatch(std::string* problem) {
    return Expect(wrapper_->SccEndBatch(&result_), S_OK, problem) && ExpectResult(0, problem);
}

bool SoakMix::Uninitialize(std::string* problem) {
    return Expect(wrapper_->SccUninitialize(&result_), S_OK, problem) && ExpectResult(0, problem);
}

bool SoakMix::InitBareName(std::string* problem) {
    return Expect(wrapper_->Init(bareName_.get()), E_INVALIDARG, problem);
}

bool SoakMix::InitMissingLibrary(std::string* problem) {
    return Expect(wrapper_->Init(missingPath_.get()), kModuleNotFound, problem);
}

bool SoakMix::VersionUnbound(std::string* problem) {
    return Expect(wrapper_->SccGetVersion(&result_), kNoProviderEntry, problem);
}

bool SoakMix::QueryInfoUnbound(std::string* problem) {
    ::VariantClear(&status_);
    return Expect(wrapper_->SccQueryInfo(ArrayView(one_.get(), VT_BSTR), &status_, &result_),
                  kNoProviderEntry, problem) &&
           Check(status_.vt == VT_EMPTY, "the status was written", problem);
}

bool SoakMix::InitGood(std::string* problem) {
    return Expect(wrapper_->Init(providerPath_.get()), S_OK, problem);
}

bool SoakMix::LateVersion(std::string* problem) {
    if (!Expect(InvokeMethod(wrapper_, versionId_, lateNone_, &lateResult_), S_OK, problem)) {
        return false;
    }
    result_ = lateResult_.vt == VT_I4 ? lateResult_.lVal : kNoResult;
    return ExpectResult(static_cast<LONG>(serverId_), problem);
}

bool SoakMix::LateInitialize(std::string* problem) {
    Refill(&sccName_, L"late name");
    Refill(&auxPathLabel_, L"late label");
    if (!Expect(InvokeMethod(wrapper_, initializeId_, lateInitialize_, &lateResult_), S_OK,
                problem)) {
        return false;
    }
    result_ = lateResult_.vt == VT_I4 ? lateResult_.lVal : kNoResult;
    return ExpectResult(0, problem) && ExpectText(sccName_, bench::kSccName, "the name", problem) &&
           ExpectText(auxPathLabel_, bench::kAuxPathLabel, "the label", problem);
}

bool SoakMix::LateQueryInfo(std::string* problem) {
    ::VariantClear(&status_);
    if (!Expect(InvokeMethod(wrapper_, queryInfoId_, lateQueryInfo_, &lateResult_), S_OK,
                problem)) {
        return false;
    }
    result_ = lateResult_.vt == VT_I4 ? lateResult_.lVal : kNoResult;
    return ExpectResult(3, problem) && ExpectStatus(status_, 3, problem);
}

bool SoakMix::LateCheckinRefused(std::string* problem) {
    // The type information reports a method's failure as an exception that carries its code.
    SCODE code = 0;
    return Expect(InvokeMethod(wrapper_, checkinId_, lateCheckin_, &lateResult_, &code),
                  DISP_E_EXCEPTION, problem) &&
           Expect(code, E_INVALIDARG, problem);
}

bool SoakMix::LateParamCount(std::string* problem) {
    return Expect(InvokeMethod(wrapper_, setOptionId_, lateShort_, &lateResult_),
                  DISP_E_BADPARAMCOUNT, problem);
}

bool SoakMix::LateTypeMismatch(std::string* problem) {
    return Expect(InvokeMethod(wrapper_, setOptionId_, lateMismatch_, &lateResult_),
                  DISP_E_TYPEMISMATCH, problem);
}

bool SoakMix::LateUnknownMember(std::string* problem) {
    return Expect(InvokeMethod(wrapper_, 0x12345, lateNone_, &lateResult_), DISP_E_MEMBERNOTFOUND,
                  problem);
}

bool SoakMix::LateNameInOtherCase(std::string* problem) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"sccgetversion")};
    DISPID id = DISPID_UNKNOWN;
    return Expect(wrapper_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK,
                  problem) &&
           Check(id == kVersionId, "the identifier is wrong", problem);
}

bool SoakMix::TypeInfo(std::string* problem) {
    ScopedInterface<ITypeInfo> info;
    if (!Expect(wrapper_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK, problem)) {
        return false;
    }
    return Check(static_cast<bool>(info), "no type information came back", problem);
}

bool SoakMix::TypeInfoCount(std::string* problem) {
    UINT count = 0;
    return Expect(wrapper_->GetTypeInfoCount(&count), S_OK, problem) &&
           Check(count == 1, "the count is not 1", problem);
}
