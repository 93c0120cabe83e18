#include "safe_array_access.h"
#include "com_ptr.h"
#include "scc_session.h"

#include <oleauto.h>

#include "PlimoCOMWrapper2.h"
#include "array_view.h"
#include "provider_values.h"
#include "server_description.h"
#include "returned_lists.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "scc_words.h"
#include "wrapper_results.h"

namespace {

// At most this many queued events are asked for, so that a provider that never says "no more"
// cannot keep the tool asking.
constexpr size_t kMaxEvents = 100000;
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
    if (FAILED(hr)) return hr;
    SafeArrayAccess<BSTR> elements;
    hr = elements.Open(array->get());
    if (FAILED(hr)) return hr;
    // The array owns each string from here on: destroying it frees them.
    for (size_t i = 0; i < names.size(); ++i) {
        elements[i] = ::SysAllocStringLen(names[i].data(), static_cast<UINT>(names[i].size()));
        if (elements[i] == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
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
    SafeArrayAccess<LONG> words;
    HRESULT hr = words.Open(status.parray);
    if (FAILED(hr)) return hr;
    statuses->assign(words.data(), words.data() + count);
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
        TakeMessages();
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
        return ::CoCreateInstance(WholeInterfaceClass(request_.serverBits), nullptr,
                                  CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper2, scc_.putVoid());
    }

    HRESULT Bind() {
        HRESULT hr = S_OK;
        ScopedBstr path = AllocString(request_.providerPath.c_str(), &hr);
        if (FAILED(hr)) return hr;
        return scc_->Init(path.get());
    }

    Answer Initialize() {
        HRESULT hr = S_OK;
        ScopedBstr caller = AllocString(kCallerName, &hr);
        if (FAILED(hr)) return {hr, 0};
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
        TakeMessages();
        if (!Succeeded(L"SccOpenProject", {hr, code})) {
            return; // a project that did not open is not closed
        }
        code = 0;
        result_->commandCall = CommandCall(request_.command);
        hr = RunCommand(&code);
        TakeMessages();
        result_->commandSucceeded = Succeeded(result_->commandCall, {hr, code});
        if (SUCCEEDED(hr)) {
            result_->commandResult = code;
        }
        Succeeded(L"SccCloseProject", Ending(&IPlimoWrapper::SccCloseProject));
        TakeMessages();
    }

    // Hands on what the provider wrote since the last take. A failure here loses messages, not
    // the session's work, so it is not a step that fails.
    void TakeMessages() {
        ScopedVariant texts, types;
        LONG count = 0;
        std::vector<std::wstring> messages;
        std::vector<LONG> kinds;
        if (FAILED(scc_->TakeMessages(texts.put(), types.put(), &count)) ||
            FAILED(ReadTexts(texts.get(), &messages)) || FAILED(ReadLongs(types.get(), &kinds)) ||
            messages.size() != kinds.size()) {
            return;
        }
        for (size_t i = 0; i < messages.size(); ++i) {
            result_->messages.push_back({kinds[i], messages[i]});
            if (request_.onMessage) {
                request_.onMessage(result_->messages.back());
            }
        }
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
        if (FAILED(hr)) return hr;
        ScopedBstr comment = AllocString(request_.comment, &hr);
        if (FAILED(hr)) return hr;
        const VARIANT files = ArrayView(VT_BSTR, names.get());
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
        case Command::Remove:
            return scc_->SccRemove(kNoWindow, files, comment.get(), 0, 0, code);
        case Command::History:
            return scc_->SccHistory(kNoWindow, files, 0, 0, code);
        case Command::Rename:
            return Rename(code);
        case Command::Properties:
            return OnEachFile(code, [&](BSTR file, LONG* answer) {
                return scc_->SccProperties(kNoWindow, file, answer);
            });
        case Command::Diff:
            return OnEachFile(code, [&](BSTR file, LONG* answer) {
                return scc_->SccDiff(kNoWindow, file, SCC_DIFF_QUICK_DIFF, 0, answer);
            });
        case Command::Changes:
            return QueryChanges(files, code);
        case Command::List:
            return PopulateList(files, code);
        case Command::DirStatus:
            return QueryFolders(files, code);
        default:
            return E_UNEXPECTED;
        }
    }

    HRESULT Rename(LONG* code) {
        HRESULT hr = S_OK;
        ScopedBstr from = AllocString(request_.files[0].c_str(), &hr);
        ScopedBstr to = AllocString(request_.files[1].c_str(), &hr);
        if (!from || !to) {
            return E_OUTOFMEMORY;
        }
        return scc_->SccRename(kNoWindow, from.get(), to.get(), code);
    }

    // Calls `call` with each file in turn and keeps each answer in statuses; stops at the first
    // that fails, whose answer becomes the command's. *code is SCC_OK when every file succeeded:
    // each file's own answer (differs or not) is in statuses.
    template <typename Call> HRESULT OnEachFile(LONG* code, Call call) {
        *code = 0;
        for (const std::wstring& name : request_.files) {
            HRESULT hr = S_OK;
            ScopedBstr file = AllocString(name.c_str(), &hr);
            if (FAILED(hr)) return hr;
            LONG answer = 0;
            hr = call(file.get(), &answer);
            if (FAILED(hr)) return hr;
            result_->statuses.push_back(answer);
            if (answer < 0 || answer == SCC_I_OPERATIONCANCELED) {
                *code = answer;
                return S_OK;
            }
            TakeMessages();
        }
        return S_OK;
    }

    // SccQueryChanges, or the provider's queued events when it has no SccQueryChanges.
    HRESULT QueryChanges(const VARIANT& files, LONG* code) {
        ScopedVariant names, kinds, latest;
        HRESULT hr = scc_->SccQueryChanges(files, names.put(), kinds.put(), latest.put(), code);
        if (hr == kNoProviderEntry) {
            return QueuedEvents(code);
        }
        if (FAILED(hr)) return hr;
        result_->reportsComplete = hr == S_OK;
        std::vector<std::wstring> reportedNames, latestNames;
        std::vector<LONG> changes;
        // An answer that cannot be read is not the shape the interface promises.
        if (FAILED(ReadTexts(names.get(), &reportedNames))) return E_UNEXPECTED;
        if (FAILED(ReadLongs(kinds.get(), &changes))) return E_UNEXPECTED;
        if (FAILED(ReadTexts(latest.get(), &latestNames))) return E_UNEXPECTED;
        if (changes.size() != reportedNames.size() || latestNames.size() != reportedNames.size()) {
            return E_UNEXPECTED;
        }
        for (size_t i = 0; i < reportedNames.size(); ++i) {
            result_->reported.push_back({reportedNames[i], changes[i], true, latestNames[i]});
        }
        return S_OK;
    }

    // Asks for one queued event after the other until the provider has no more.
    HRESULT QueuedEvents(LONG* code) {
        result_->commandCall = L"SccGetEvents";
        result_->reportedEvents = true;
        LONG remaining = 1;
        while (remaining > 0) {
            if (result_->reported.size() == kMaxEvents) {
                result_->reportsComplete = false;
                break;
            }
            ScopedBstr name;
            LONG status = 0;
            HRESULT hr = scc_->SccGetEvents(name.put(), &status, &remaining, code);
            if (FAILED(hr) || *code != 0) return hr;
            if (::SysStringLen(name.get()) == 0) {
                break; // nothing was queued
            }
            result_->reported.push_back({TextOf(name.get()), status, true, std::wstring()});
        }
        return S_OK;
    }

    HRESULT PopulateList(const VARIANT& files, LONG* code) {
        ScopedVariant keep, status, names, given;
        const LONG options = request_.folders ? SCC_PL_DIR : 0;
        HRESULT hr = scc_->SccPopulateList(SCC_COMMAND_GET, files, options, keep.put(),
                                           status.put(), names.put(), given.put(), code);
        if (FAILED(hr)) return hr;
        result_->reportsComplete = hr == S_OK;
        std::vector<bool> keeps;
        std::vector<LONG> statuses;
        std::vector<std::wstring> reportedNames;
        // An answer that cannot be read is not the shape the interface promises.
        if (FAILED(ReadFlags(keep.get(), &keeps))) return E_UNEXPECTED;
        if (FAILED(ReadLongs(status.get(), &statuses))) return E_UNEXPECTED;
        if (FAILED(ReadTexts(names.get(), &reportedNames))) return E_UNEXPECTED;
        if (FAILED(ReadLongs(given.get(), &result_->statuses))) return E_UNEXPECTED;
        if (keeps.size() != reportedNames.size() || statuses.size() != reportedNames.size() ||
            result_->statuses.size() != request_.files.size()) {
            return E_UNEXPECTED;
        }
        for (size_t i = 0; i < reportedNames.size(); ++i) {
            result_->reported.push_back({reportedNames[i], statuses[i], keeps[i], std::wstring()});
        }
        return S_OK;
    }

    HRESULT QueryFolders(const VARIANT& folders, LONG* code) {
        ScopedVariant status;
        HRESULT hr = scc_->SccDirQueryInfo(folders, status.put(), code);
        if (FAILED(hr)) return hr;
        hr = ReadLongs(status.get(), &result_->statuses);
        return SUCCEEDED(hr) && result_->statuses.size() == request_.files.size() ? S_OK
                                                                                  : E_UNEXPECTED;
    }

    HRESULT QueryStatus(const VARIANT& files, LONG* code) {
        ScopedVariant status;
        HRESULT hr = scc_->SccQueryInfo(files, status.put(), code);
        if (FAILED(hr)) return hr;
        return ReadStatuses(status.get(), request_.files.size(), &result_->statuses);
    }

    HRESULT AddFiles(const VARIANT& files, BSTR comment, LONG* code) {
        // One option word per file; automatic type detection is the provider's to do.
        ScopedSafeArray options;
        HRESULT hr = CreateVector(VT_I4, request_.files.size(), &options);
        if (FAILED(hr)) return hr;
        static_assert(SCC_FILETYPE_AUTO == 0, "a new array holds zeros");
        return scc_->SccAdd(kNoWindow, files, comment, ArrayView(VT_I4, options.get()), 0, code);
    }

    const SessionRequest& request_;
    SessionResult* result_;
    ComPtr<IPlimoWrapper2> scc_;
};

} // namespace

void RunSession(const SessionRequest& request, SessionResult* result) {
    *result = SessionResult();
    Session(request, result).Run();
}
