// A GUID as the registry and the registry scripts write it: "{XXXXXXXX-XXXX-...}", upper case.
#pragma once

#include <windows.h>
#include <objbase.h>

class GuidText {
public:
    // 38 characters and the terminator: StringFromGUID2 cannot fail with room for them.
    explicit GuidText(const GUID& guid) { ::StringFromGUID2(guid, text_, ARRAYSIZE(text_)); }

    const wchar_t* get() const { return text_; }

private:
    wchar_t text_[39];
};
