#include "file_name_list.h"

#include <cwchar>
#include <new>

#include "atl_exception.h"
#include "safe_array_holder.h"
#include "wide_text.h"

namespace {

// The bytes a name's slice takes: twice its string length with the terminator, or one byte for
// the empty string that a null name becomes. The length is the one the string carries, read
// without a scan; the name proper ends at its first NUL, which may come sooner.
size_t SliceSize(BSTR name) {
    if (name == nullptr) {
        return 1;
    }
    const size_t units = static_cast<size_t>(::SysStringLen(name)) + 1;
    return units > kMaxConvertedLength ? 1 : 2 * units;
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
    size_t total = 1;
    for (ULONG i = 0; i < positions; ++i) {
        total += SliceSize(names[i]);
    }
    m_text.reset(new (std::nothrow) char[total]);
    if (!m_text) {
        throw CAtlException(E_OUTOFMEMORY);
    }
    m_names.Reserve(positions);

    char* slice = m_text.get();
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = names[i];
        const size_t size = SliceSize(name);
        const char* text = slice;
        slice[0] = '\0';
        // A name the code page cannot convert is still a name: it reaches the provider as "".
        if (size > 1) {
            const size_t length = std::wcslen(name);
            NarrowText larger;
            if (ConvertToNarrowIn(CP_THREAD_ACP, name, length, slice, size, &larger) ==
                E_OUTOFMEMORY) {
                throw CAtlException(E_OUTOFMEMORY);
            }
            if (larger) {
                m_larger.Append(larger.get());
                text = larger.release();
            }
        }
        m_names.Append(text);
        slice += size;
    }
}
