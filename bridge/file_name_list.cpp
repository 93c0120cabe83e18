#include "file_name_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>

#include "client_array.h"
#include "script_arrays.h"
#include "wide_text.h"

namespace {

// The units of a name's string, read from its length without a scan: a string of an odd number
// of bytes has a last unit half its own, half its terminator. The name proper ends at its first
// NUL, which may come sooner.
size_t StringUnits(BSTR name) {
    if (name == nullptr) {
        return 0;
    }
    // What SysStringByteLen answers, read in place: a BSTR is laid out after its length in bytes,
    // a 32-bit count. Thousands of names a call make the call itself the larger cost.
    UINT32 bytes;
    std::memcpy(&bytes, reinterpret_cast<const char*>(name) - sizeof bytes, sizeof bytes);
    return (static_cast<size_t>(bytes) + 1) / 2;
}

// The bytes a name may take in a single-byte code page: a byte for every unit and the
// terminator, or one for the empty string that a null or overlong name becomes.
size_t SingleByteSize(BSTR name) {
    const size_t units = StringUnits(name) + 1;
    return name == nullptr || units > kMaxConvertedLength ? 1 : units;
}

// Whether `codePage` writes each of the 127 ASCII characters as the same single byte. Every
// Windows ANSI code page does; asked once a list, it lets the list convert an ASCII name by
// itself, in the same pass that finds its end.
bool AsciiIsItself(UINT codePage) {
    wchar_t ascii[128];
    char expected[128];
    for (int c = 1; c < 128; ++c) {
        ascii[c - 1] = static_cast<wchar_t>(c);
        expected[c - 1] = static_cast<char>(c);
    }
    char converted[128];
    const int written =
        ::WideCharToMultiByte(codePage, 0, ascii, 127, converted, 128, nullptr, nullptr);
    return written == 127 && std::memcmp(converted, expected, 127) == 0;
}

// Copies `name` with its terminator into `out` as long as every unit is ASCII. The bytes written
// with the terminator, or 0 at the first unit that is not ASCII (`out` then holds a part). Two
// units are taken at a time while they lie within the string's own length and are neither at or
// above 0x80 nor the terminator.
size_t CopyAscii(BSTR name, char* out) {
    const size_t length = StringUnits(name);
    size_t i = 0;
    for (; i + 2 <= length; i += 2) {
        uint32_t units;
        std::memcpy(&units, name + i, sizeof units);
        if ((units & 0xFF80FF80u) != 0 || (units & 0xFFFFu) == 0 || (units >> 16) == 0) {
            break;
        }
        out[i] = static_cast<char>(units);
        out[i + 1] = static_cast<char>(units >> 16);
    }
    for (;; ++i) {
        const wchar_t unit = i < length ? name[i] : L'\0';
        if (unit >= 0x80) {
            return 0;
        }
        out[i] = static_cast<char>(unit);
        if (unit == L'\0') {
            return i + 1;
        }
    }
}

// The string a script's element holds; E_INVALIDARG for anything but a string.
HRESULT ScriptString(const VARIANT& element, BSTR* name) {
    if (element.vt == VT_BSTR) {
        *name = element.bstrVal;
        return S_OK;
    }
    if (element.vt == (VT_BYREF | VT_BSTR) && element.pbstrVal != nullptr) {
        *name = *element.pbstrVal;
        return S_OK;
    }
    return E_INVALIDARG;
}

} // namespace

HRESULT FileNameList::Load(const VARIANT& fileNames, ListArrays accepted) {
    Clear();
    // The names are converted straight from the caller's array, held locked while they are read;
    // it is not copied first. Across processes COM's stub has already handed the server a copy
    // of its own, and in process the caller waits for the call, and the list keeps no pointer
    // into it.
    bool script = false;
    SAFEARRAY* array = ListArray(fileNames, VT_BSTR, accepted, &script);
    HRESULT hr = E_INVALIDARG;
    if (!script) {
        SafeArrayAccess<BSTR> names;
        ULONG count = 0;
        hr = OpenClientArray(array, VT_BSTR, &names, &count);
        if (SUCCEEDED(hr)) {
            hr = Build(count, [&](ULONG i, BSTR* name) {
                *name = names[i];
                return S_OK;
            });
        }
    } else {
        SafeArrayAccess<VARIANT> elements;
        ULONG count = 0;
        hr = OpenClientArray(array, VT_VARIANT, &elements, &count);
        if (SUCCEEDED(hr)) {
            hr = Build(count, [&](ULONG i, BSTR* name) { return ScriptString(elements[i], name); });
        }
    }
    if (FAILED(hr)) {
        Clear();
    }
    return hr;
}

template <typename Name> HRESULT FileNameList::Build(ULONG positions, Name nameAt) {
    if (positions == 0) {
        return S_OK;
    }
    // One block for every name's text, packed one after the other, and one for the pointers. The
    // block starts with a byte for every unit, all a name of ASCII or of a single-byte code page
    // takes, and grows (rarely, and never once per name) for names that take more.
    size_t remaining = 0;
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = nullptr;
        HRESULT hr = nameAt(i, &name);
        if (FAILED(hr)) return hr;
        remaining += SingleByteSize(name);
    }
    HRESULT hr = Reallocate(remaining);
    if (FAILED(hr)) return hr;
    hr = names_.Reserve(positions);
    if (FAILED(hr)) return hr;

    const bool asciiIsItself = AsciiIsItself(CP_THREAD_ACP);
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = nullptr;
        nameAt(i, &name);
        const size_t units = SingleByteSize(name);
        remaining -= units;
        const size_t start = used_;
        size_t written = 0;
        if (units > 1) {
            written = asciiIsItself ? CopyAscii(name, text_.get() + start) : 0;
            if (written == 0) {
                hr = Convert(name, remaining, &written);
                if (FAILED(hr)) return hr;
            }
        }
        if (written == 0) {
            // A null name is still a name: "".
            text_[start] = '\0';
            written = 1;
        }
        used_ += written;
        // The block may still move as it grows: offsets for now. The reserve holds them all.
        names_.Append(reinterpret_cast<const char*>(start));
    }
    for (uint32_t i = 0; i < names_.Count(); ++i) {
        names_.Data()[i] = text_.get() + reinterpret_cast<uintptr_t>(names_.Data()[i]);
    }
    return S_OK;
}

HRESULT FileNameList::Convert(BSTR name, size_t later, size_t* written) {
    // Room at the end of what is used, short of a byte for every unit of the names after it.
    char* const out = text_.get() + used_;
    const size_t room = capacity_ - used_ - later;
    NarrowText larger;
    HRESULT hr = ConvertToNarrowIn(CP_THREAD_ACP, name, ::wcsnlen(name, StringUnits(name)), out,
                                   room, &larger);
    if (hr == E_OUTOFMEMORY) return hr;
    if (FAILED(hr)) {
        // Never a look-alike or a default character: a name stands for a place.
        return E_INVALIDARG;
    }
    if (!larger) {
        *written = std::strlen(out) + 1;
        return S_OK;
    }
    // Twice the room it needs, so that names like it go on fitting for a while.
    const size_t needed = std::strlen(larger.get()) + 1;
    hr = Reallocate(std::max(2 * capacity_, used_ + needed + later));
    if (FAILED(hr)) return hr;
    std::memcpy(text_.get() + used_, larger.get(), needed);
    *written = needed;
    return S_OK;
}

HRESULT FileNameList::Reallocate(size_t capacity) {
    std::unique_ptr<char[]> text(new (std::nothrow) char[capacity]);
    if (!text) {
        return E_OUTOFMEMORY;
    }
    if (used_ != 0) {
        std::memcpy(text.get(), text_.get(), used_);
    }
    text_ = std::move(text);
    capacity_ = capacity;
    return S_OK;
}

void FileNameList::Clear() {
    names_.Clear();
    text_.reset();
    capacity_ = 0;
    used_ = 0;
}
