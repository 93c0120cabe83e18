#include "file_name_list.h"

#include <cwchar>
#include <new>

#include "atl_exception.h"
#include "safe_array_holder.h"
#include "wide_text.h"

namespace {

// The bytes a name's slice takes: twice its units with the terminator, or one byte for the
// empty string that a null or overlong name becomes.
size_t SliceSize(BSTR name) {
    if (name == nullptr) {
        return 1;
    }
    const size_t units = std::wcslen(name) + 1;
    return units > kMaxConvertedLength ? 1 : 2 * units;
}

} // namespace

CFileNameList::OwnedTexts::~OwnedTexts() {
    for (uint32_t i = 0; i < Count(); ++i) {
        delete[] Data()[i];
    }
}

CFileNameList::CFileNameList(const VARIANT& fileNames) {
    CSafeArrayHolder copy(VT_BSTR);
    const ULONG positions = copy.TakeArgument(fileNames);
    const BSTR* names = static_cast<const BSTR*>(copy.ZeroBasedElements(positions));
    if (positions == 0) {
        return;
    }
    size_t total = 1;
    for (ULONG i = 0; i < positions; ++i) {
        total += SliceSize(names[i]);
    }
    m_text.reset(new (std::nothrow) char[total]);
    if (!m_text) {
        throw CAtlException(E_OUTOFMEMORY);
    }

    char* slice = m_text.get();
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = names[i];
        const size_t size = SliceSize(name);
        const char* text = slice;
        slice[0] = '\0';
        // A name the code page cannot convert is still a name: it reaches the provider as "".
        if (size > 1) {
            NarrowText larger;
            if (ConvertToNarrowIn(CP_THREAD_ACP, name, slice, size, &larger) == E_OUTOFMEMORY) {
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
