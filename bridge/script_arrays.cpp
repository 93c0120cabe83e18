#include "script_arrays.h"

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

SAFEARRAY* ListArray(const VARIANT& value, VARTYPE type, ListArrays accepted, bool* script) {
    *script = false;
    if (accepted == ListArrays::kTypedOrScript) {
        if (SAFEARRAY* array = ScriptArray(value)) {
            *script = true;
            return array;
        }
    }
    return value.vt == (VT_ARRAY | type) ? value.parray : nullptr;
}
