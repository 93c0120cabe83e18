// The calls the benchmark times and the soak repeats: one table, whose rows take their arguments
// from one owner, CallArguments, made once per server so that a timed call does nothing but call.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "com_ptr.h"
#include "PlimoCOMWrapper.h"
#include "scoped_resource.h"
#include "scoped_variant.h"

struct Call;

// Every argument of every call of the table, and every value the calls write back, with its
// owner. Move-less: late-bound calls hold pointers into it while they run.
struct CallArguments {
    // Calls `wrapper`, which the caller keeps alive; `provider` is the bench provider's full path.
    // With `leakBytes`, SccSetOption asks the provider to keep that many bytes every time.
    CallArguments(IPlimoWrapper* wrapper, const std::wstring& provider, LONG leakBytes);
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;

    // Makes `call` with these arguments; its HRESULT.
    HRESULT Make(const Call& call);
    // The file names of the call being made (VT_ARRAY | VT_BSTR), as many as its row says.
    VARIANT List() const { return lists.at(names_).get(); }

    // A late-bound call of `method`, as a scripting host makes it: one IDispatch::Invoke with
    // `arguments` in the method's own order, the dispatch identifier resolved on first use. A
    // method's failure comes back from the type information as an exception carrying its code:
    // that code is the answer.
    HRESULT Late(const wchar_t* method, std::initializer_list<VARIANT> arguments);
    HRESULT LateById(DISPID member, std::initializer_list<VARIANT> arguments);

    IPlimoWrapper* wrapper;
    LONG leak;
    ScopedBstr provider, bareName, missingLibrary, caller, comment, projName, localPath, overlong,
        notANumber;
    std::map<LONG, ScopedVariant> lists;
    ScopedVariant fromOne, variantNames, twoOptions, plainText, nothing;

    // What the calls write back, and the entries of their [in, out] parameters.
    ScopedBstr sccName, label, user, project, local, aux;
    ScopedVariant status, lateResult;
    LONG caps = 0, checkoutLength = 0, commentLength = 0, cookie = 0, result = 0;
    VARIANT_BOOL newProject = VARIANT_FALSE;
    UINT count = 0;
    ComPtr<ITypeInfo> typeInfo;

private:
    LONG names_ = 0;
    std::map<const wchar_t*, DISPID> ids_;
};

// One call of the table: which method, with what input, and the answer it must come back with.
struct Call {
    const char* method;
    const char* input; // what is particular about the input; "" for plain good input
    bool late;         // through IDispatch::Invoke
    bool timed;        // a cell of the benchmark's table
    LONG names;        // file names carried
    HRESULT expected;
    HRESULT (*make)(CallArguments& a);
};

// The rows of the table that `keep` picks, in its order: the soak's. The stretch without a
// provider (a failed Init up to the Init that binds again) stays together, so every turn of the
// soak ends bound.
std::vector<Call> CallsWhere(bool (*keep)(const Call&));
