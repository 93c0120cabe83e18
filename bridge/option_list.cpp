#include "option_list.h"

#include "safe_array_holder.h"

COptionList::COptionList(const VARIANT& options) {
    // Read in place, as the file names are (see CFileNameList).
    CSafeArrayHolder argument(VT_I4);
    const ULONG positions = argument.TakeArgument(options);
    const LONG* values = static_cast<const LONG*>(argument.ZeroBasedElements(positions));
    m_values.Reserve(positions);
    for (ULONG i = 0; i < positions; ++i) {
        m_values.Append(values[i]);
    }
}
