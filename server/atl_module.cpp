#include "atl_module.h"

#include <objbase.h>

#include <new>

#include "class_table.h"
#include "com_object_root.h"

CAtlModule::CAtlModule(ClassTableRecord& classTable) : classTable_(classTable) {
    currentModule = this;
    if (FAILED(InitializeLock(&moduleLock))) {
        initFailed = true;
    } else {
        structSize = kInitialisedSize;
    }
    mainThreadId = ::GetCurrentThreadId();
    for (ClassTableEntry* entry : classTable_) {
        if (entry != nullptr) {
            entry->objectMain(true);
        }
    }
}

CAtlModule::~CAtlModule() {
    for (ClassTableEntry* entry : classTable_) {
        if (entry != nullptr) {
            entry->objectMain(false);
        }
    }
    if (structSize != 0) {
        while (termFunctions != nullptr) {
            TermEntry* entry = termFunctions;
            termFunctions = entry->next;
            entry->fn(entry->value);
            delete entry;
        }
        ::DeleteCriticalSection(&moduleLock);
        structSize = 0;
    }
    classTable_.Term();
}

LONG CAtlModule::AddServerLock() {
    return static_cast<LONG>(::CoAddRefServerProcess());
}

LONG CAtlModule::ReleaseServerLock() {
    LONG count = static_cast<LONG>(::CoReleaseServerProcess());
    if (count == 0) {
        HANDLE event = shutdownEvent;
        if (event != nullptr) {
            ::SetEvent(event);
        }
    }
    return count;
}

HRESULT CAtlModule::AddTermFunction(TermFunction fn, DWORD_PTR value) {
    auto* entry = new (std::nothrow) TermEntry{fn, value, nullptr};
    if (entry == nullptr) {
        return E_OUTOFMEMORY;
    }
    ModuleLockGuard guard(*this);
    entry->next = termFunctions;
    termFunctions = entry;
    return S_OK;
}

HANDLE CAtlModule::StartShutdownMonitor() {
    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (event == nullptr) {
        return nullptr;
    }
    shutdownEvent = event;
    HANDLE thread = ::CreateThread(nullptr, 0, &ShutdownMonitorProc, this, 0, nullptr);
    if (thread == nullptr) {
        shutdownEvent = nullptr;
        ::CloseHandle(event);
    }
    return thread;
}

DWORD WINAPI CAtlModule::ShutdownMonitorProc(void* parameter) {
    auto* module = static_cast<CAtlModule*>(parameter);
    ::WaitForSingleObject(module->shutdownEvent, INFINITE);
    // Taken before it is closed, so a late ReleaseServerLock never signals a handle value that
    // the process may already have reused for something else.
    HANDLE event =
        ::InterlockedExchangePointer(const_cast<HANDLE*>(&module->shutdownEvent), nullptr);
    ::CloseHandle(event);
    ::PostThreadMessageW(module->mainThreadId, WM_QUIT, 0, 0);
    return 0;
}
