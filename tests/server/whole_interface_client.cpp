// A 64-bit client of the whole interface for the end-to-end tests: activates the class that
// serves it, binds the provider named on its command line and calls every method beyond
// IPlimoWrapper's once, early bound, printing "Method=<HRESULT> <result> <items>" lines.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "com_ptr.h"
#include "PlimoCOMWrapper2.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "test_arrays.h"

namespace {

// The elements of the first array a method returned: what the provider reported.
long Items(const ScopedVariant& value) {
    const VARIANT& v = value.get();
    return (v.vt & VT_ARRAY) != 0 && v.parray != nullptr ? v.parray->rgsabound[0].cElements : -1;
}

struct Method {
    const char* name;
    std::function<HRESULT(IPlimoWrapper2*, const VARIANT&, LONG*, ScopedVariant*)> call;
};

int Session(IPlimoWrapper2* scc, const wchar_t* providerPath) {
    ScopedBstr path(::SysAllocString(providerPath));
    std::printf("Init=%ld\n", static_cast<long>(scc->Init(path.get())));
    ScopedVariant owner = OwnedArgument(BstrArray({L"C:\\w\\a.c", L"C:\\w\\b.c"}));
    ScopedBstr file(::SysAllocString(L"C:\\w\\a.c")), other(::SysAllocString(L"C:\\w\\z.c"));
    const std::vector<Method> methods = {
        {"TakeMessages",
         [](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant* out) {
             ScopedVariant types;
             return w->TakeMessages(out->put(), types.put(), r);
         }},
        {"SccRemove", [&](IPlimoWrapper2* w, const VARIANT& f, LONG* r,
                          ScopedVariant*) { return w->SccRemove(0, f, file.get(), 0, 0, r); }},
        {"SccRename", [&](IPlimoWrapper2* w, const VARIANT&, LONG* r,
                          ScopedVariant*) { return w->SccRename(0, file.get(), other.get(), r); }},
        {"SccDiff", [&](IPlimoWrapper2* w, const VARIANT&, LONG* r,
                        ScopedVariant*) { return w->SccDiff(0, file.get(), 0, 0, r); }},
        {"SccHistory", [](IPlimoWrapper2* w, const VARIANT& f, LONG* r,
                          ScopedVariant*) { return w->SccHistory(0, f, 0, 0, r); }},
        {"SccProperties", [&](IPlimoWrapper2* w, const VARIANT&, LONG* r,
                              ScopedVariant*) { return w->SccProperties(0, file.get(), r); }},
        {"SccRunScc", [](IPlimoWrapper2* w, const VARIANT& f, LONG* r,
                         ScopedVariant*) { return w->SccRunScc(0, f, r); }},
        {"SccGetEvents",
         [](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant*) {
             ScopedBstr name;
             LONG status = 0, remaining = 0;
             return w->SccGetEvents(name.put(), &status, &remaining, r);
         }},
        {"SccAddFromScc", [](IPlimoWrapper2* w, const VARIANT&, LONG* r,
                             ScopedVariant* out) { return w->SccAddFromScc(0, out->put(), r); }},
        {"SccDirQueryInfo",
         [](IPlimoWrapper2* w, const VARIANT& f, LONG* r, ScopedVariant* out) {
             return w->SccDirQueryInfo(f, out->put(), r);
         }},
        {"SccDirDiff", [&](IPlimoWrapper2* w, const VARIANT&, LONG* r,
                           ScopedVariant*) { return w->SccDirDiff(0, file.get(), 0, 0, r); }},
        {"SccGetExtendedCapabilities",
         [](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant*) {
             VARIANT_BOOL supported = VARIANT_FALSE;
             return w->SccGetExtendedCapabilities(1, &supported, r);
         }},
        {"SccCreateSubProject",
         [&](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant*) {
             ScopedBstr user, aux, sub;
             return w->SccCreateSubProject(0, user.put(), file.get(), other.get(), aux.put(),
                                           sub.put(), r);
         }},
        {"SccGetParentProjectPath",
         [&](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant*) {
             ScopedBstr user, aux, parent;
             return w->SccGetParentProjectPath(0, user.put(), file.get(), aux.put(), parent.put(),
                                               r);
         }},
        {"SccIsMultiCheckoutEnabled",
         [](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant*) {
             VARIANT_BOOL multi = VARIANT_FALSE;
             return w->SccIsMultiCheckoutEnabled(&multi, r);
         }},
        {"SccWillCreateSccFile",
         [](IPlimoWrapper2* w, const VARIANT& f, LONG* r, ScopedVariant* out) {
             return w->SccWillCreateSccFile(f, out->put(), r);
         }},
        {"SccEnumChangedFiles",
         [](IPlimoWrapper2* w, const VARIANT& f, LONG* r, ScopedVariant* out) {
             return w->SccEnumChangedFiles(0, f, out->put(), r);
         }},
        {"SccGetUserOption",
         [](IPlimoWrapper2* w, const VARIANT&, LONG* r, ScopedVariant*) {
             LONG value = 0;
             return w->SccGetUserOption(1, &value, r);
         }},
        {"SccBackgroundGet", [](IPlimoWrapper2* w, const VARIANT& f, LONG* r,
                                ScopedVariant*) { return w->SccBackgroundGet(f, 0, 1, r); }},
        {"SccPopulateList",
         [](IPlimoWrapper2* w, const VARIANT& f, LONG* r, ScopedVariant* out) {
             ScopedVariant status, names, given;
             return w->SccPopulateList(0, f, 0, out->put(), status.put(), names.put(), given.put(),
                                       r);
         }},
        {"SccQueryChanges",
         [](IPlimoWrapper2* w, const VARIANT& f, LONG* r, ScopedVariant* out) {
             ScopedVariant kinds, latest;
             return w->SccQueryChanges(f, out->put(), kinds.put(), latest.put(), r);
         }},
        {"SccPopulateDirList",
         [](IPlimoWrapper2* w, const VARIANT& f, LONG* r, ScopedVariant* out) {
             ScopedVariant folders;
             return w->SccPopulateDirList(f, 0, out->put(), folders.put(), r);
         }},
    };
    for (const Method& method : methods) {
        LONG result = -1;
        ScopedVariant out;
        const HRESULT hr = method.call(scc, owner.get(), &result, &out);
        std::printf("%s=%ld %ld %ld\n", method.name, static_cast<long>(hr),
                    static_cast<long>(result), Items(out));
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: whole_interface_client <provider path>\n");
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) {
        return 1;
    }
    int exitCode = 1;
    {
        ComPtr<IPlimoWrapper2> scc;
        const HRESULT hr =
            ::CoCreateInstance(CLSID_TovikPlimoWrapper2, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IPlimoWrapper2, reinterpret_cast<void**>(scc.put()));
        std::printf("CoCreateInstance=%ld\n", static_cast<long>(hr));
        if (SUCCEEDED(hr)) {
            exitCode = Session(scc.get(), argv[1]);
        }
    }
    ::CoUninitialize();
    return exitCode;
}
