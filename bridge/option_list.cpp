#include "option_list.h"

#include "safe_array_holder.h"

COptionList::COptionList(const VARIANT& options) {
    CSafeArrayHolder copy(VT_I4);
    const ULONG positions = copy.TakeArgument(options);
    const LONG* values = static_cast<const LONG*>(copy.ZeroBasedElements(positions));
    for (ULONG i = 0; i < positions; ++i) {
        m_values.Append(values[i]);
    }
}
