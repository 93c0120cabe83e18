// COptionList: the client's per-file option words in the form the provider's SccAdd takes, a
// contiguous LONG array.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "growable_array.h"

class COptionList {
public:
    // Copies the values of `options`, which must hold VT_ARRAY | VT_I4 exactly over a zero-based
    // (or empty) array, unchanged and in index order. Throws CAtlException as CFileNameList does.
    explicit COptionList(const VARIANT& options);

    COptionList(const COptionList&) = delete;
    COptionList& operator=(const COptionList&) = delete;

    LONG Count() const { return static_cast<LONG>(m_values.Count()); }
    // Count() values, valid as long as the list; null when empty.
    LONG* Values() const { return m_values.Data(); }

private:
    CGrowableArray<LONG> m_values;
};
