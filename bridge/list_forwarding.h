// How the list methods of CPlimoWrapper run: their list builders' exceptions become HRESULTs,
// and ForwardList, which the list methods of IPlimoWrapper2 share. Included by their sources.
#pragma once

#include <vector>

#include "hresult_error.h"
#include "file_name_list.h"
#include "plimo_wrapper.h"
#include "provider_call_guard.h"

// Runs the part of a file-list method after its pointer checks. The list builders report through
// HResultError. The per-call objects live inside `body`, so they are gone on every path before
// the method returns.
template <typename Body> inline HRESULT RunFileListCall(Body body) {
    try {
        return body();
    } catch (...) {
        return HResultFromCaughtException();
    }
}

template <typename Fn, typename Out, typename Call, typename Finish>
HRESULT CPlimoWrapper::ForwardList(const char* name, const VARIANT& lpNames, LONG* pResult,
                                   Call call, Finish finish) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return RunFileListCall([&]() -> HRESULT {
        FileNameList names(lpNames, ListsAccepted());
        // One value per name for the provider to write, zero-filled.
        std::vector<Out> out(static_cast<size_t>(names.Count()));
        ProviderCall provider = Enter(name);
        if (FAILED(provider.status())) return provider.status();
        const Fn entry = provider.entry<Fn>();
        LONG result = 0;
        if (!CallProviderGuarded([&] { result = call(entry, names, out.data()); })) {
            return E_FAIL;
        }
        *pResult = result;
        return finish(out);
    });
}
