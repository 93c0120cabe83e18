// OptionList: the client's per-file option words in the form the provider's SccAdd takes, a
// contiguous LONG array.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "growable_array.h"
#include "script_arrays.h"

class OptionList {
public:
    OptionList() = default;

    // Copies the values of `options` into an empty list, unchanged and in index order. It must
    // hold VT_ARRAY | VT_I4 exactly (or, with kTypedOrScript, a script's array whose elements are
    // whole numbers: VT_I4, VT_I2 or VT_UI1, or a reference to one) over a zero-based (or empty)
    // array. Fails as FileNameList::Load does, and the list is then left empty.
    HRESULT Load(const VARIANT& options, ListArrays accepted = ListArrays::kTyped);

    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

    LONG Count() const { return static_cast<LONG>(values_.Count()); }
    // Count() values, valid as long as the list; null when empty.
    LONG* Values() const { return values_.Data(); }

private:
    GrowableArray<LONG> values_;
};
