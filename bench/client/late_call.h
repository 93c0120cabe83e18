// Late-bound calls as a scripting host makes them: one IDispatch::Invoke per call, with the
// dispatch identifier resolved once beforehand.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <vector>

// The arguments of one late-bound call, kept in the reverse order IDispatch wants, so that a
// call repeated many times builds nothing. The VARIANTs are views: they own nothing.
class LateArguments {
public:
    LateArguments() = default;
    // `arguments` in the method's own order.
    LateArguments(std::initializer_list<VARIANT> arguments);

    // Moving keeps the parameters pointing at the moved storage; a copy would not.
    LateArguments(const LateArguments&) = delete;
    LateArguments& operator=(const LateArguments&) = delete;
    LateArguments(LateArguments&&) = default;
    LateArguments& operator=(LateArguments&&) = default;

    DISPPARAMS* Parameters() { return &parameters_; }

private:
    std::vector<VARIANT> reversed_;
    DISPPARAMS parameters_{nullptr, nullptr, 0, 0};
};

// Resolves `name` on `dispatch`; DISPID_UNKNOWN when the object does not know it.
DISPID DispatchIdOf(IDispatch* dispatch, const wchar_t* name);

// Invokes method `member` with `arguments`; the method's [out, retval] arrives in *result (cleared
// first). Exception information the server fills in is freed here; its code, when there is one,
// goes to *exceptionCode (0 otherwise).
HRESULT InvokeMethod(IDispatch* dispatch, DISPID member, LateArguments& arguments, VARIANT* result,
                     SCODE* exceptionCode = nullptr);

// VARIANT views of values and of the caller's own variables, for LateArguments.
VARIANT LongValue(LONG value);
VARIANT BoolValue(VARIANT_BOOL value);
VARIANT StringValue(BSTR value);
VARIANT LongReference(LONG* target);
VARIANT BoolReference(VARIANT_BOOL* target);
VARIANT StringReference(BSTR* target);
VARIANT VariantReference(VARIANT* target);
