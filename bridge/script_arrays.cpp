#include "script_arrays.h"

#include "safe_array_holder.h"

SAFEARRAY* ScriptArray(const VARIANT& value) {
    const VARIANT* inner = value.vt == (VT_BYREF | VT_VARIANT) ? value.pvarVal : &value;
    if (inner == nullptr) {
        return nullptr;
    }
    if (inner->vt == (VT_ARRAY | VT_VARIANT)) {
        return inner->parray;
    }
    if (inner->vt == (VT_BYREF | VT_ARRAY | VT_VARIANT) && inner->pparray != nullptr) {
        return *inner->pparray;
    }
    return nullptr;
}

const VARIANT* ScriptElements(SAFEARRAY* script, SafeArrayHolder* holder, ULONG* count) {
    VARIANT view;
    view.vt = VT_ARRAY | VT_VARIANT;
    view.parray = script;
    *count = holder->TakeArgument(view);
    return static_cast<const VARIANT*>(holder->ZeroBasedElements(*count));
}
