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
    if (count == 0 && shutdownEvent) {
        ::SetEvent(shutdownEvent.get());
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
    if (!shutdownEvent) {
        shutdownEvent.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!shutdownEvent) {
            return nullptr;
        }
    }
    ::InterlockedExchange(&shutdownRequested, 0);
    return ::CreateThread(nullptr, 0, &ShutdownMonitorProc, this, 0, nullptr);
}

DWORD WINAPI CAtlModule::ShutdownMonitorProc(void* parameter) {
    auto* module = static_cast<CAtlModule*>(parameter);
    ::WaitForSingleObject(module->shutdownEvent.get(), INFINITE);
    // Marked before the message is posted: the message loop tells this WM_QUIT from any other.
    ::InterlockedExchange(&module->shutdownRequested, 1);
    ::PostThreadMessageW(module->mainThreadId, WM_QUIT, 0, 0);
    return 0;
}
