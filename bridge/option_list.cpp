#include "option_list.h"

#include "atl_exception.h"
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
        throw CAtlException(E_INVALIDARG);
    }
}

} // namespace

COptionList::COptionList(const VARIANT& options, ListArrays accepted) {
    // Read in place, as the file names are (see CFileNameList).
    SAFEARRAY* script = accepted == ListArrays::kTypedOrScript ? ScriptArray(options) : nullptr;
    if (script == nullptr) {
        CSafeArrayHolder argument(VT_I4);
        const ULONG positions = argument.TakeArgument(options);
        const LONG* values = static_cast<const LONG*>(argument.ZeroBasedElements(positions));
        m_values.Reserve(positions);
        for (ULONG i = 0; i < positions; ++i) {
            m_values.Append(values[i]);
        }
        return;
    }
    CSafeArrayHolder argument(VT_VARIANT);
    ULONG positions = 0;
    const VARIANT* elements = ScriptElements(script, &argument, &positions);
    m_values.Reserve(positions);
    for (ULONG i = 0; i < positions; ++i) {
        m_values.Append(ScriptNumber(elements[i]));
    }
}
