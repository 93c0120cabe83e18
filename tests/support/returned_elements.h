// What the arrays that the whole interface hands back hold, read element by element.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// The values of an array the server returned: variants, each of type `type`, read by `read`.
template <typename T, typename Read>
inline std::vector<T> Elements(const VARIANT& value, VARTYPE type, Read read) {
    std::vector<T> values;
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, value.vt) << "the one shape scripts read";
    if (value.vt != (VT_ARRAY | VT_VARIANT) || value.parray == nullptr) {
        return values;
    }
    const VARIANT* data = static_cast<const VARIANT*>(value.parray->pvData);
    for (ULONG i = 0; i < value.parray->rgsabound[0].cElements; ++i) {
        EXPECT_EQ(type, data[i].vt) << "element " << i;
        values.push_back(data[i].vt == type ? read(data[i]) : T());
    }
    return values;
}

inline std::vector<std::wstring> Texts(const VARIANT& value) {
    return Elements<std::wstring>(value, VT_BSTR, [](const VARIANT& v) {
        return std::wstring(v.bstrVal != nullptr ? v.bstrVal : L"");
    });
}

inline std::vector<LONG> Longs(const VARIANT& value) {
    return Elements<LONG>(value, VT_I4, [](const VARIANT& v) { return v.lVal; });
}

inline std::vector<bool> Flags(const VARIANT& value) {
    return Elements<bool>(value, VT_BOOL,
                          [](const VARIANT& v) { return v.boolVal == VARIANT_TRUE; });
}
