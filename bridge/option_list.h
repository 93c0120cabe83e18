// OptionList: the client's per-file option words in the form the provider's SccAdd takes, a
// contiguous LONG array.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "growable_array.h"
#include "script_arrays.h"

class OptionList {
public:
    // Copies the values of `options`, which must hold VT_ARRAY | VT_I4 exactly (or, with
    // kTypedOrScript, a script's array whose elements are whole numbers: VT_I4, VT_I2 or VT_UI1,
    // or a reference to one) over a zero-based (or empty) array, unchanged and in index order.
    // Throws HResultError as FileNameList does.
    explicit OptionList(const VARIANT& options, ListArrays accepted = ListArrays::kTyped);

    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

    LONG Count() const { return static_cast<LONG>(values_.Count()); }
    // Count() values, valid as long as the list; null when empty.
    LONG* Values() const { return values_.Data(); }

private:
    GrowableArray<LONG> values_;
};
