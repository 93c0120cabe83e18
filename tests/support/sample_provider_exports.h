// The sample provider loaded into the test process, with its entry points found by name and
// typed as the bridge calls them.
#pragma once

#include <windows.h>

#include "provider_entry_points.h"
#include "scoped_resource.h"
#include "test_paths.h"

constexpr wchar_t kSampleProvider[] = L"plimo_sample_provider.dll";

struct SampleProviderExports {
    SampleProviderExports() : library(::LoadLibraryW(BesideTest(kSampleProvider).c_str())) {}

    // False when the library or one of its entry points is missing.
    bool Complete() const {
        return library && Initialize && Uninitialize && GetVersion && SetOption &&
               GetCommandOptions && OpenProject && CloseProject && GetProjPath && Checkin &&
               Checkout && Uncheckout && Get && Add && QueryInfo && BeginBatch && EndBatch;
    }

    // Unloading the library last frees every session it still holds.
    ScopedLibrary library;

    template <typename Fn> Fn Find(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library.get(), name)));
    }
    const provider::SccInitializeFn Initialize = Find<provider::SccInitializeFn>("SccInitialize");
    const provider::SccContextFn Uninitialize = Find<provider::SccContextFn>("SccUninitialize");
    const provider::SccContextFn GetVersion = Find<provider::SccContextFn>("SccGetVersion");
    const provider::SccSetOptionFn SetOption = Find<provider::SccSetOptionFn>("SccSetOption");
    const provider::SccGetCommandOptionsFn GetCommandOptions =
        Find<provider::SccGetCommandOptionsFn>("SccGetCommandOptions");
    const provider::SccOpenProjectFn OpenProject =
        Find<provider::SccOpenProjectFn>("SccOpenProject");
    const provider::SccContextFn CloseProject = Find<provider::SccContextFn>("SccCloseProject");
    const provider::SccGetProjPathFn GetProjPath =
        Find<provider::SccGetProjPathFn>("SccGetProjPath");
    const provider::SccCheckinFn Checkin = Find<provider::SccCheckinFn>("SccCheckin");
    const provider::SccCheckinFn Checkout = Find<provider::SccCheckinFn>("SccCheckout");
    const provider::SccUncheckoutFn Uncheckout = Find<provider::SccUncheckoutFn>("SccUncheckout");
    const provider::SccUncheckoutFn Get = Find<provider::SccUncheckoutFn>("SccGet");
    const provider::SccAddFn Add = Find<provider::SccAddFn>("SccAdd");
    const provider::SccQueryInfoFn QueryInfo = Find<provider::SccQueryInfoFn>("SccQueryInfo");
    const provider::SccContextFn BeginBatch = Find<provider::SccContextFn>("SccBeginBatch");
    const provider::SccContextFn EndBatch = Find<provider::SccContextFn>("SccEndBatch");
};
