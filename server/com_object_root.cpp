#include "com_object_root.h"

#include "win32_error.h"

HRESULT InitializeLock(CRITICAL_SECTION* lock) {
    if (::InitializeCriticalSectionAndSpinCount(lock, 0)) {
        return S_OK;
    }
    HRESULT hr = HResultFromLastError();
    return FAILED(hr) ? hr : S_OK;
}
