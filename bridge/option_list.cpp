#include "option_list.h"

#include "hresult_error.h"
#include "safe_array_holder.h"

namespace {

// The whole number a script's element holds (scripts make small numbers 16-bit);
// E_INVALIDARG for anything else.
LONG ScriptNumber(const VARIANT& element) {
    const bool byReference = (element.vt & VT_BYREF) != 0 && element.byref != nullptr;
    switch (element.vt & ~VT_BYREF) {
    case VT_I4:
        return byReference ? *element.plVal : element.lVal;
    case VT_I2:
        return byReference ? *element.piVal : element.iVal;
    case VT_UI1:
        return byReference ? *element.pbVal : element.bVal;
    default:
        throw HResultError(E_INVALIDARG);
    }
}

} // namespace

OptionList::OptionList(const VARIANT& options, ListArrays accepted) {
    // Read in place, as the file names are (see FileNameList).
    SAFEARRAY* script = accepted == ListArrays::kTypedOrScript ? ScriptArray(options) : nullptr;
    if (script == nullptr) {
        SafeArrayHolder argument(VT_I4);
        const ULONG positions = argument.TakeArgument(options);
        const LONG* values = static_cast<const LONG*>(argument.ZeroBasedElements(positions));
        values_.Reserve(positions);
        for (ULONG i = 0; i < positions; ++i) {
            values_.Append(values[i]);
        }
        return;
    }
    SafeArrayHolder argument(VT_VARIANT);
    ULONG positions = 0;
    const VARIANT* elements = ScriptElements(script, &argument, &positions);
    values_.Reserve(positions);
    for (ULONG i = 0; i < positions; ++i) {
        values_.Append(ScriptNumber(elements[i]));
    }
}
