// The class identity of a creatable class.
#pragma once

#include <windows.h>

template <class T, const CLSID* pclsid> class CComCoClass {
public:
    static const CLSID& GetObjectCLSID() { return *pclsid; }
};
