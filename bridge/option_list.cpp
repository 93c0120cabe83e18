#include "option_list.h"

#include "safe_array_holder.h"

COptionList::COptionList(const VARIANT& options) {
    CSafeArrayHolder copy(VT_I4);
    ULONG positions = copy.TakeArgument(options);
    for (ULONG i = 0; i < positions; ++i) {
        m_values.Append(*static_cast<LONG*>(copy.ElementAt(static_cast<LONG>(i))));
    }
}
