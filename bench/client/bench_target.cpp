#include "bench_target.h"

#include <cstdio>
#include <cstring>

#include "bench_protocol.h"
#include "name_arrays.h"

namespace {

constexpr LONG kListSizes[] = {1, 100, 1000, 10000};

bool SameText(BSTR text, const char* expected) {
    if (text == nullptr) {
        return false;
    }
    const size_t length = std::strlen(expected);
    if (::SysStringLen(text) != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != static_cast<unsigned char>(expected[i])) {
            return false;
        }
    }
    return true;
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// The status words SccQueryInfo handed back for `count` names: each name's length, from 0.
bool StatusMatches(const VARIANT& status, LONG count, std::string* problem) {
    if (status.vt != (VT_ARRAY | VT_I4) || status.parray == nullptr) {
        *problem = "the status is not an array of VT_I4";
        return false;
    }
    LONG lower = -1, upper = -1;
    ::SafeArrayGetLBound(status.parray, 1, &lower);
    ::SafeArrayGetUBound(status.parray, 1, &upper);
    if (lower != 0 || upper - lower + 1 != count) {
        *problem = "the status array has the wrong bounds";
        return false;
    }
    const LONG* words = static_cast<const LONG*>(status.parray->pvData);
    for (LONG i = 0; i < count; ++i) {
        if (words[i] != FileNameLength(i)) {
            *problem = "status word " + std::to_string(i) + " is " + std::to_string(words[i]);
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<Cell> MeasuredCells() {
    std::vector<Cell> cells;
    for (bool late : {false, true}) {
        cells.push_back({Method::GetVersion, late, 0});
        cells.push_back({Method::Initialize, late, 0});
        cells.push_back({Method::GetProjPath, late, 0});
        for (LONG names : kListSizes) {
            cells.push_back({Method::QueryInfo, late, names});
        }
    }
    return cells;
}

const char* MethodName(Method method) {
    switch (method) {
    case Method::GetVersion:
        return "SccGetVersion";
    case Method::Initialize:
        return "SccInitialize";
    case Method::GetProjPath:
        return "SccGetProjPath";
    case Method::QueryInfo:
        return "SccQueryInfo";
    }
    return "?";
}

NameLists::NameLists() {
    for (LONG size : kListSizes) {
        ScopedSafeArray list = FileNames(size);
        ready_ = ready_ && static_cast<bool>(list);
        lists_[size] = std::move(list);
    }
}

VARIANT NameLists::Names(LONG count) const {
    auto found = lists_.find(count);
    return ArrayView(found != lists_.end() ? found->second.get() : nullptr, VT_BSTR);
}

BenchTarget::BenchTarget(ScopedInterface<IPlimoWrapper> wrapper, DWORD serverId,
                         const NameLists& names)
    : wrapper_(std::move(wrapper)), serverId_(serverId), names_(names),
      caller_(::SysAllocString(L"bench client")) {
    ::VariantInit(&lateResult_);
    ::VariantInit(&status_);
}

BenchTarget::~BenchTarget() {
    for (BSTR text : {sccName_, auxPathLabel_, user_, projName_, localPath_, auxProjPath_}) {
        ::SysFreeString(text);
    }
    ::VariantClear(&status_);
    ::VariantClear(&lateResult_);
}

bool BenchTarget::Prepare(std::string* problem) {
    for (Method method :
         {Method::GetVersion, Method::Initialize, Method::GetProjPath, Method::QueryInfo}) {
        std::wstring name;
        for (const char* c = MethodName(method); *c != '\0'; ++c) {
            name += static_cast<wchar_t>(*c);
        }
        ids_[method] = DispatchIdOf(wrapper_.get(), name.c_str());
        if (ids_[method] == DISPID_UNKNOWN) {
            *problem = std::string("the server does not know ") + MethodName(method);
            return false;
        }
    }
    lateInitialize_ =
        LateArguments({LongValue(0), StringValue(caller_.get()), StringReference(&sccName_),
                       LongReference(&caps_), StringReference(&auxPathLabel_),
                       LongReference(&checkoutCommentLength_), LongReference(&commentLength_)});
    lateProjPath_ =
        LateArguments({LongValue(0), StringReference(&user_), StringReference(&projName_),
                       StringReference(&localPath_), StringReference(&auxProjPath_),
                       BoolValue(VARIANT_TRUE), BoolReference(&newProject_)});
    for (LONG size : kListSizes) {
        lateQuery_[size] = LateArguments({names_.Names(size), VariantReference(&status_)});
    }
    return true;
}

HRESULT BenchTarget::Call(const Cell& cell) {
    return cell.late ? CallLate(cell) : CallEarly(cell);
}

HRESULT BenchTarget::CallEarly(const Cell& cell) {
    IPlimoWrapper* wrapper = wrapper_.get();
    switch (cell.method) {
    case Method::GetVersion:
        return wrapper->SccGetVersion(&result_);
    case Method::Initialize:
        return wrapper->SccInitialize(0, caller_.get(), &sccName_, &caps_, &auxPathLabel_,
                                      &checkoutCommentLength_, &commentLength_, &result_);
    case Method::GetProjPath:
        return wrapper->SccGetProjPath(0, &user_, &projName_, &localPath_, &auxProjPath_,
                                       VARIANT_TRUE, &newProject_, &result_);
    case Method::QueryInfo:
        // A client sends an empty status; the last call's array would travel in otherwise.
        ::VariantClear(&status_);
        return wrapper->SccQueryInfo(names_.Names(cell.names), &status_, &result_);
    }
    return E_UNEXPECTED;
}

HRESULT BenchTarget::CallLate(const Cell& cell) {
    IDispatch* dispatch = wrapper_.get();
    const DISPID id = ids_[cell.method];
    HRESULT hr = E_UNEXPECTED;
    switch (cell.method) {
    case Method::GetVersion:
        hr = InvokeMethod(dispatch, id, lateNone_, &lateResult_);
        break;
    case Method::Initialize:
        hr = InvokeMethod(dispatch, id, lateInitialize_, &lateResult_);
        break;
    case Method::GetProjPath:
        hr = InvokeMethod(dispatch, id, lateProjPath_, &lateResult_);
        break;
    case Method::QueryInfo:
        ::VariantClear(&status_);
        hr = InvokeMethod(dispatch, id, lateQuery_[cell.names], &lateResult_);
        break;
    }
    result_ = lateResult_.vt == VT_I4 ? lateResult_.lVal : -1;
    return hr;
}

bool BenchTarget::CallAndCheck(const Cell& cell, std::string* problem) {
    const VARIANT_BOOL newBefore = newProject_;
    result_ = -1;
    const HRESULT hr = Call(cell);
    if (hr != S_OK) {
        *problem = "the call failed with " + Hex(hr);
        return false;
    }
    switch (cell.method) {
    case Method::GetVersion:
        if (result_ != static_cast<LONG>(serverId_)) {
            *problem = "the version is not the serving process's id";
            return false;
        }
        return true;
    case Method::Initialize:
        if (result_ != 0 || !SameText(sccName_, bench::kSccName) ||
            !SameText(auxPathLabel_, bench::kAuxPathLabel) || caps_ != bench::kCaps ||
            checkoutCommentLength_ != bench::kCheckoutCommentLength ||
            commentLength_ != bench::kCommentLength) {
            *problem = "SccInitialize's outputs differ";
            return false;
        }
        return true;
    case Method::GetProjPath:
        if (result_ != 0 || !SameText(user_, bench::kUser) ||
            !SameText(projName_, bench::kProjName) || !SameText(localPath_, bench::kLocalPath) ||
            !SameText(auxProjPath_, bench::kAuxProjPath) ||
            newProject_ != (newBefore ? VARIANT_FALSE : VARIANT_TRUE)) {
            *problem = "SccGetProjPath's outputs differ";
            return false;
        }
        return true;
    case Method::QueryInfo:
        if (result_ != cell.names) {
            *problem = "the result is not the file count";
            return false;
        }
        return StatusMatches(status_, cell.names, problem);
    }
    return false;
}
