#include "file_name_list.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "atl_exception.h"
#include "safe_array_holder.h"
#include "wide_text.h"

namespace {

// The bytes a name may need: twice its string length with the terminator, or one byte for the
// empty string that a null name becomes. The length is the one the string carries, read without
// a scan; the name proper ends at its first NUL, which may come sooner.
size_t RoomFor(BSTR name) {
    if (name == nullptr) {
        return 1;
    }
    const size_t units = static_cast<size_t>(::SysStringLen(name)) + 1;
    return units > kMaxConvertedLength ? 1 : 2 * units;
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
// with the terminator, or 0 at the first unit that is not ASCII (`out` then holds a part).
size_t CopyAscii(const wchar_t* name, char* out) {
    for (size_t i = 0;; ++i) {
        const wchar_t unit = name[i];
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

CFileNameList::OwnedTexts::~OwnedTexts() {
    for (uint32_t i = 0; i < Count(); ++i) {
        delete[] Data()[i];
    }
}

CFileNameList::CFileNameList(const VARIANT& fileNames) {
    // The names are converted straight from the caller's array; it is not copied first. That is
    // safe: across processes COM's stub has already handed the server a copy of its own, and in
    // process the caller waits for the call, so nobody changes or frees the array while the list
    // is built, and the list keeps no pointer into it.
    CSafeArrayHolder argument(VT_BSTR);
    const ULONG positions = argument.TakeArgument(fileNames);
    const BSTR* names = static_cast<const BSTR*>(argument.ZeroBasedElements(positions));
    if (positions == 0) {
        return;
    }
    // One block for every name's text and one for the pointers, however many names there are.
    // The texts follow each other closely; the block has room for twice every name's units, so
    // whatever the names before it took, each still finds twice its own.
    size_t total = 0;
    for (ULONG i = 0; i < positions; ++i) {
        total += RoomFor(names[i]);
    }
    m_text.reset(new (std::nothrow) char[total]);
    if (!m_text) {
        throw CAtlException(E_OUTOFMEMORY);
    }
    m_names.Reserve(positions);

    const bool asciiIsItself = AsciiIsItself(CP_THREAD_ACP);
    char* cursor = m_text.get();
    char* const end = cursor + total;
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = names[i];
        const char* text = cursor;
        size_t written = 0;
        if (name != nullptr && RoomFor(name) > 1) {
            written = asciiIsItself ? CopyAscii(name, cursor) : 0;
            if (written == 0) {
                written = Convert(name, cursor, static_cast<size_t>(end - cursor), &text);
            }
        }
        if (written == 0) {
            // A null name, or one the code page cannot convert, is still a name: "".
            cursor[0] = '\0';
            written = 1;
        }
        m_names.Append(text);
        cursor += written;
    }
}

size_t CFileNameList::Convert(BSTR name, char* out, size_t room, const char** text) {
    NarrowText larger;
    const HRESULT hr =
        ConvertToNarrowIn(CP_THREAD_ACP, name, std::wcslen(name), out, room, &larger);
    if (hr == E_OUTOFMEMORY) {
        throw CAtlException(E_OUTOFMEMORY);
    }
    if (larger) {
        m_larger.Append(larger.get());
        *text = larger.release();
        out[0] = '\0';
        return 1;
    }
    return hr == S_OK ? std::strlen(out) + 1 : 0;
}
