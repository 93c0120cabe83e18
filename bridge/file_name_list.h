// CFileNameList: the client's array of file names in the form the provider takes, a counted
// array of pointers to narrow strings in the calling thread's ANSI code page.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>

#include "growable_array.h"

class CFileNameList {
public:
    // Converts the names of `fileNames`, which must hold VT_ARRAY | VT_BSTR exactly over a
    // zero-based (or empty) array. Each name is read up to its first NUL; a null name, or one the
    // code page cannot convert, becomes the empty string. The client's array is only read.
    // Throws CAtlException: E_INVALIDARG for any other shape or lower bound, E_OUTOFMEMORY, or
    // the HRESULT of a safe-array operation that failed; no list then results.
    explicit CFileNameList(const VARIANT& fileNames);

    CFileNameList(const CFileNameList&) = delete;
    CFileNameList& operator=(const CFileNameList&) = delete;

    LONG Count() const { return static_cast<LONG>(m_names.Count()); }
    // Count() pointers to NUL-terminated names, valid as long as the list; null when empty.
    LPCSTR* Names() const { return m_names.Data(); }

private:
    // Frees the texts its elements point to.
    struct OwnedTexts : CGrowableArray<char*> {
        OwnedTexts() = default;
        ~OwnedTexts();
    };

    // Converts `name` into `out`, which has `room` bytes. The bytes taken there with the
    // terminator, or 0 when the code page cannot convert it; a name that needs more room than
    // twice its length gets a text of its own, which *text then points to.
    size_t Convert(BSTR name, char* out, size_t room, const char** text);

    // The names point into one buffer for the whole list, packed one after the other; a name
    // that needs more room than twice its length (a code page of more than two bytes a
    // character) has a text of its own in m_larger.
    std::unique_ptr<char[]> m_text;
    OwnedTexts m_larger;
    CGrowableArray<const char*> m_names;
};
