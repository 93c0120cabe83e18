// FileNameList: the client's array of file names in the form the provider takes, a counted
// array of pointers to narrow strings in the calling thread's ANSI code page.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>

#include "growable_array.h"
#include "script_arrays.h"

class FileNameList {
public:
    FileNameList() = default;

    // Converts the names of `fileNames` into an empty list. It must hold VT_ARRAY | VT_BSTR
    // exactly (or, with kTypedOrScript, a script's array whose elements are strings: VT_BSTR, or
    // VT_BYREF | VT_BSTR) over a zero-based (or empty) array. Each name is read up to its first
    // NUL; a null name becomes the empty string. The client's array is only read. E_INVALIDARG
    // for any other shape, element or lower bound, or for a name with a character that has no
    // exact form in the code page; E_OUTOFMEMORY, or the HRESULT of a safe-array operation that
    // failed; the list is then left empty.
    HRESULT Load(const VARIANT& fileNames, ListArrays accepted = ListArrays::kTyped);

    FileNameList(const FileNameList&) = delete;
    FileNameList& operator=(const FileNameList&) = delete;

    LONG Count() const { return static_cast<LONG>(names_.Count()); }
    // Count() pointers to NUL-terminated names, valid as long as the list; null when empty.
    LPCSTR* Names() const { return names_.Data(); }

private:
    // Converts the `count` names that name(i) gives into the list.
    template <typename Name> HRESULT Build(ULONG count, Name name);
    // Converts `name` into the block after what is used, keeping a byte for every one of the
    // `later` units of the names after it, and grows the block when it needs more. *written is
    // the bytes it took with the terminator. E_INVALIDARG when the code page cannot convert it
    // exactly.
    HRESULT Convert(BSTR name, size_t later, size_t* written);
    // Moves what is used into a block of `capacity` bytes.
    HRESULT Reallocate(size_t capacity);
    // Empties the list.
    void Clear();

    std::unique_ptr<char[]> text_;
    size_t capacity_ = 0;
    size_t used_ = 0;
    // Pointers into text_, one per name.
    GrowableArray<const char*> names_;
};
