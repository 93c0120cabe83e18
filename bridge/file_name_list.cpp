#include "file_name_list.h"

#include <memory>
#include <new>

#include "atl_exception.h"
#include "safe_array_holder.h"
#include "wide_text.h"

namespace {

// A name the code page cannot convert is still a name: it reaches the provider as "".
NarrowText ConvertName(BSTR name) {
    NarrowText text;
    HRESULT hr = name != nullptr ? ConvertToNarrow(CP_THREAD_ACP, name, &text) : S_FALSE;
    if (hr == E_OUTOFMEMORY) {
        throw CAtlException(E_OUTOFMEMORY);
    }
    if (!text) {
        text.reset(new (std::nothrow) char[1]);
        if (!text) {
            throw CAtlException(E_OUTOFMEMORY);
        }
        text[0] = '\0';
    }
    return text;
}

} // namespace

CFileNameList::Strings::~Strings() {
    for (uint32_t i = 0; i < Count(); ++i) {
        delete[] Data()[i];
    }
}

CFileNameList::CFileNameList(const VARIANT& fileNames) {
    CSafeArrayHolder copy(VT_BSTR);
    ULONG positions = copy.TakeArgument(fileNames);
    // Positions are used as indexes, so an array that does not start at 0 fails at its first
    // position outside the bounds.
    for (ULONG i = 0; i < positions; ++i) {
        BSTR name = *static_cast<BSTR*>(copy.ElementAt(static_cast<LONG>(i)));
        NarrowText text = ConvertName(name);
        m_names.Append(text.get());
        text.release();
    }
}
