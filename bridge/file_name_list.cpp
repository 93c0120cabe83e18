#include "file_name_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "hresult_error.h"
#include "safe_array_holder.h"
#include "script_arrays.h"
#include "wide_text.h"

namespace {

// The units of a name's string, read from its length without a scan: a string of an odd number
// of bytes has a last unit half its own, half its terminator. The name proper ends at its first
// NUL, which may come sooner.
size_t UnitsIn(BSTR name) {
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
size_t UnitsOf(BSTR name) {
    const size_t units = UnitsIn(name) + 1;
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
    const size_t length = UnitsIn(name);
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

} // namespace

namespace {

// The string a script's element holds; E_INVALIDARG for anything but a string.
BSTR ScriptString(const VARIANT& element) {
    if (element.vt == VT_BSTR) {
        return element.bstrVal;
    }
    if (element.vt == (VT_BYREF | VT_BSTR) && element.pbstrVal != nullptr) {
        return *element.pbstrVal;
    }
    throw HResultError(E_INVALIDARG);
}

} // namespace

FileNameList::FileNameList(const VARIANT& fileNames, ListArrays accepted) {
    // The names are converted straight from the caller's array; it is not copied first. That is
    // safe: across processes COM's stub has already handed the server a copy of its own, and in
    // process the caller waits for the call, so nobody changes or frees the array while the list
    // is built, and the list keeps no pointer into it.
    SAFEARRAY* script = accepted == ListArrays::kTypedOrScript ? ScriptArray(fileNames) : nullptr;
    if (script == nullptr) {
        SafeArrayHolder argument(VT_BSTR);
        const ULONG positions = argument.TakeArgument(fileNames);
        Build(static_cast<const BSTR*>(argument.ZeroBasedElements(positions)), positions);
        return;
    }
    SafeArrayHolder argument(VT_VARIANT);
    ULONG positions = 0;
    const VARIANT* elements = ScriptElements(script, &argument, &positions);
    std::vector<BSTR> names(positions);
    for (ULONG i = 0; i < positions; ++i) {
        names[i] = ScriptString(elements[i]);
    }
    Build(names.data(), positions);
}

void FileNameList::Build(const BSTR* names, ULONG positions) {
    if (positions == 0) {
        return;
    }
    // One block for every name's text, packed one after the other, and one for the pointers. The
    // block starts with a byte for every unit, all a name of ASCII or of a single-byte code page
    // takes, and grows (rarely, and never once per name) for names that take more.
    size_t remaining = 0;
    for (ULONG i = 0; i < positions; ++i) {
        remaining += UnitsOf(names[i]);
    }
    Reallocate(remaining);
    names_.Reserve(positions);

    const bool asciiIsItself = AsciiIsItself(CP_THREAD_ACP);
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = names[i];
        const size_t units = UnitsOf(name);
        remaining -= units;
        const size_t start = used_;
        size_t written = 0;
        if (units > 1) {
            written = asciiIsItself ? CopyAscii(name, text_.get() + start) : 0;
            if (written == 0) {
                written = Convert(name, remaining);
            }
        }
        if (written == 0) {
            // A null name is still a name: "".
            text_[start] = '\0';
            written = 1;
        }
        used_ += written;
        // The block may still move as it grows: offsets for now.
        names_.Append(reinterpret_cast<const char*>(start));
    }
    for (uint32_t i = 0; i < names_.Count(); ++i) {
        names_.Data()[i] = text_.get() + reinterpret_cast<uintptr_t>(names_.Data()[i]);
    }
}

size_t FileNameList::Convert(BSTR name, size_t later) {
    // Room at the end of what is used, short of a byte for every unit of the names after it.
    char* const out = text_.get() + used_;
    const size_t room = capacity_ - used_ - later;
    NarrowText larger;
    const HRESULT hr =
        ConvertToNarrowIn(CP_THREAD_ACP, name, ::wcsnlen(name, UnitsIn(name)), out, room, &larger);
    if (hr == E_OUTOFMEMORY) {
        throw HResultError(E_OUTOFMEMORY);
    }
    if (hr != S_OK) {
        // Never a look-alike or a default character: a name stands for a place.
        throw HResultError(E_INVALIDARG);
    }
    if (!larger) {
        return std::strlen(out) + 1;
    }
    // Twice the room it needs, so that names like it go on fitting for a while.
    const size_t needed = std::strlen(larger.get()) + 1;
    Reallocate(std::max(2 * capacity_, used_ + needed + later));
    std::memcpy(text_.get() + used_, larger.get(), needed);
    return needed;
}

void FileNameList::Reallocate(size_t capacity) {
    std::unique_ptr<char[]> text(new (std::nothrow) char[capacity]);
    if (!text) {
        throw HResultError(E_OUTOFMEMORY);
    }
    if (used_ != 0) {
        std::memcpy(text.get(), text_.get(), used_);
    }
    text_ = std::move(text);
    capacity_ = capacity;
}
