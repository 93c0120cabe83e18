#include "scc_session.h"

#include <oleauto.h>

#include "PlimoCOMWrapper.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "scc_words.h"

namespace {

// Values of the provider interface the session passes.
constexpr LONG SCC_OP_CREATEIFNEW = 0x00000001;
constexpr LONG SCC_OP_SILENTOPEN = 0x00000002;
constexpr LONG SCC_FILETYPE_AUTO = 0x00000000;
// No window: the tool has no user interface for a provider to attach a dialog to.
constexpr LONG kNoWindow = 0;
constexpr wchar_t kCallerName[] = L"plimo-scc";

// A zero-based array of `type` with `count` elements, all zero.
HRESULT CreateVector(VARTYPE type, size_t count, ScopedSafeArray* array) {
    array->reset(::SafeArrayCreateVector(type, 0, static_cast<ULONG>(count)));
    return *array ? S_OK : E_OUTOFMEMORY;
}

// The file names as the server takes them: VT_ARRAY | VT_BSTR, lower bound 0. Arrays of
// VARIANT, which scripting languages make, are refused by the server.
HRESULT MakeNameArray(const std::vector<std::wstring>& names, ScopedSafeArray* array) {
    HRESULT hr = CreateVector(VT_BSTR, names.size(), array);
    if (FAILED(hr)) {
        return hr;
    }
    BSTR* elements = nullptr;
    hr = ::SafeArrayAccessData(array->get(), reinterpret_cast<void**>(&elements));
    if (FAILED(hr)) {
        return hr;
    }
    // The array owns each string from here on: destroying it frees them.
    ScopedSafeArrayAccess access(array->get());
    for (size_t i = 0; i < names.size(); ++i) {
        elements[i] = ::SysAllocStringLen(names[i].data(), static_cast<UINT>(names[i].size()));
        if (elements[i] == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

// A VARIANT that shows `array` to the server without owning it.
VARIANT ArrayArgument(VARTYPE type, SAFEARRAY* array) {
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_ARRAY | type;
    argument.parray = array;
    return argument;
}

// A BSTR owned by the caller; null stays null, and so does a string that cannot be allocated
// (then *hr says so).
ScopedBstr AllocString(const wchar_t* text, HRESULT* hr) {
    ScopedBstr string(text != nullptr ? ::SysAllocString(text) : nullptr);
    *hr = (text != nullptr && !string) ? E_OUTOFMEMORY : S_OK;
    return string;
}

std::wstring TextOf(BSTR text) {
    return text != nullptr ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

// Copies the status words the server returned, one per file.
HRESULT ReadStatuses(const VARIANT& status, size_t count, std::vector<LONG>* statuses) {
    LONG lower = 0, upper = -1;
    if (status.vt != (VT_ARRAY | VT_I4) || status.parray == nullptr ||
        ::SafeArrayGetDim(status.parray) != 1 ||
        FAILED(::SafeArrayGetLBound(status.parray, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(status.parray, 1, &upper)) ||
        static_cast<size_t>(upper - lower + 1) != count) {
        return E_UNEXPECTED; // not the shape the interface promises
    }
    LONG* words = nullptr;
    HRESULT hr = ::SafeArrayAccessData(status.parray, reinterpret_cast<void**>(&words));
    if (FAILED(hr)) {
        return hr;
    }
    ScopedSafeArrayAccess access(status.parray);
    statuses->assign(words, words + count);
    return S_OK;
}

class Session {
public:
    Session(const SessionRequest& request, SessionResult* result)
        : request_(request), result_(result) {}

    void Run() {
        if (!Succeeded(L"activating the server", {Activate(), 0}) ||
            !Succeeded(L"Init", {Bind(), 0})) {
            return;
        }
        if (!Succeeded(L"SccInitialize", Initialize())) {
            return; // a session that did not start is not ended
        }
        if (request_.command == Command::Version) {
            HRESULT hr = scc_->SccGetVersion(&result_->interfaceVersion);
            result_->commandSucceeded = Succeeded(L"SccGetVersion", {hr, 0});
        } else if (WorksOnFiles(request_.command)) {
            RunInProject();
        } else {
            result_->commandSucceeded = true; // info: what SccInitialize answered
        }
        Succeeded(L"SccUninitialize", Ending(&IPlimoWrapper::SccUninitialize));
    }

private:
    // What one step answered: whether the call reached the provider, and the provider's code.
    struct Answer {
        HRESULT hr;
        LONG code;
    };

    // Records the first failure; true when the call reached the provider and it succeeded. A
    // cancelled operation did nothing, so it is no success.
    bool Succeeded(const wchar_t* step, Answer answer) {
        const bool ok =
            SUCCEEDED(answer.hr) && answer.code >= 0 && answer.code != SCC_I_OPERATIONCANCELED;
        if (!ok && result_->failedStep == nullptr) {
            result_->failedStep = step;
            result_->failedHResult = FAILED(answer.hr) ? answer.hr : S_OK;
            result_->failedCode = FAILED(answer.hr) ? 0 : answer.code;
            result_->failedAfterCommand = result_->commandSucceeded;
        }
        return ok;
    }

    // SccCloseProject and SccUninitialize, which take nothing but their result.
    Answer Ending(HRESULT (STDMETHODCALLTYPE IPlimoWrapper::*method)(LONG*)) {
        LONG code = 0;
        HRESULT hr = (scc_.get()->*method)(&code);
        return {hr, code};
    }

    HRESULT Activate() {
        return ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IPlimoWrapper, reinterpret_cast<void**>(scc_.put()));
    }

    HRESULT Bind() {
        HRESULT hr = S_OK;
        ScopedBstr path = AllocString(request_.providerPath.c_str(), &hr);
        if (FAILED(hr)) {
            return hr;
        }
        return scc_->Init(path.get());
    }

    Answer Initialize() {
        HRESULT hr = S_OK;
        ScopedBstr caller = AllocString(kCallerName, &hr);
        if (FAILED(hr)) {
            return {hr, 0};
        }
        ScopedBstr name, label;
        LONG code = 0;
        hr = scc_->SccInitialize(kNoWindow, caller.get(), name.put(), &result_->capabilities,
                                 label.put(), &result_->checkoutCommentLength,
                                 &result_->commentLength, &code);
        result_->providerName = TextOf(name.get());
        result_->auxPathLabel = TextOf(label.get());
        return {hr, code};
    }

    void RunInProject() {
        LONG code = 0;
        HRESULT hr = OpenProject(&code);
        if (!Succeeded(L"SccOpenProject", {hr, code})) {
            return; // a project that did not open is not closed
        }
        code = 0;
        hr = RunCommand(&code);
        result_->commandSucceeded = Succeeded(CommandCall(request_.command), {hr, code});
        if (SUCCEEDED(hr)) {
            result_->commandResult = code;
        }
        Succeeded(L"SccCloseProject", Ending(&IPlimoWrapper::SccCloseProject));
    }

    HRESULT OpenProject(LONG* code) {
        HRESULT hr = S_OK;
        ScopedBstr user = AllocString(request_.user.c_str(), &hr);
        ScopedBstr project = AllocString(request_.project.c_str(), &hr);
        ScopedBstr local = AllocString(request_.localPath.c_str(), &hr);
        ScopedBstr aux = AllocString(request_.auxPath.c_str(), &hr);
        if (!user || !project || !local || !aux) {
            return E_OUTOFMEMORY;
        }
        // Only add may make a new project: the other commands work on what exists.
        LONG flags = SCC_OP_SILENTOPEN;
        if (request_.command == Command::Add) {
            flags |= SCC_OP_CREATEIFNEW;
        }
        // [in, out]: the server frees what it is given and hands back a new string, which
        // the owners take over again.
        BSTR userSlot = user.release();
        BSTR auxSlot = aux.release();
        hr = scc_->SccOpenProject(kNoWindow, &userSlot, project.get(), local.get(), &auxSlot,
                                  nullptr, flags, code);
        user.reset(userSlot);
        aux.reset(auxSlot);
        result_->user = TextOf(user.get());
        result_->auxPath = TextOf(aux.get());
        return hr;
    }

    HRESULT RunCommand(LONG* code) {
        ScopedSafeArray names;
        HRESULT hr = MakeNameArray(request_.files, &names);
        if (FAILED(hr)) {
            return hr;
        }
        ScopedBstr comment = AllocString(request_.comment, &hr);
        if (FAILED(hr)) {
            return hr;
        }
        const VARIANT files = ArrayArgument(VT_BSTR, names.get());
        switch (request_.command) {
        case Command::Status:
            return QueryStatus(files, code);
        case Command::Add:
            return AddFiles(files, comment.get(), code);
        case Command::Checkout:
            return scc_->SccCheckout(kNoWindow, files, comment.get(), 0, 0, code);
        case Command::Checkin:
            return scc_->SccCheckin(kNoWindow, files, comment.get(), 0, 0, code);
        case Command::Uncheckout:
            return scc_->SccUncheckout(kNoWindow, files, 0, 0, code);
        case Command::Get:
            return scc_->SccGet(kNoWindow, files, 0, 0, code);
        default:
            return E_UNEXPECTED;
        }
    }

    HRESULT QueryStatus(const VARIANT& files, LONG* code) {
        ScopedVariant status;
        HRESULT hr = scc_->SccQueryInfo(files, status.put(), code);
        if (FAILED(hr)) {
            return hr;
        }
        return ReadStatuses(status.get(), request_.files.size(), &result_->statuses);
    }

    HRESULT AddFiles(const VARIANT& files, BSTR comment, LONG* code) {
        // One option word per file; automatic type detection is the provider's to do.
        ScopedSafeArray options;
        HRESULT hr = CreateVector(VT_I4, request_.files.size(), &options);
        if (FAILED(hr)) {
            return hr;
        }
        static_assert(SCC_FILETYPE_AUTO == 0, "a new array holds zeros");
        return scc_->SccAdd(kNoWindow, files, comment, ArrayArgument(VT_I4, options.get()), 0,
                            code);
    }

    const SessionRequest& request_;
    SessionResult* result_;
    ScopedInterface<IPlimoWrapper> scc_;
};

} // namespace

void RunSession(const SessionRequest& request, SessionResult* result) {
    *result = SessionResult();
    Session(request, result).Run();
}
