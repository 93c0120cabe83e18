// The class identity of a creatable class. A base as in ATL, because the server's design names the
// bridge object's bases in those terms; nothing calls GetObjectCLSID.
#pragma once

#include <windows.h>

template <class T, const CLSID* pclsid> class CComCoClass {
public:
    static const CLSID& GetObjectCLSID() { return *pclsid; }
};
