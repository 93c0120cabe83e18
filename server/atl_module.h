// The module base: the server lock count, the shutdown monitor and the termination list that
// process-wide clean-up registers on.
#pragma once

#include <windows.h>

#include "scoped_resource.h"

class IRegistrarBase;
class ClassTableRecord;

// One static instance per process (the derived module); `currentModule` points at it from the
// start of its construction. Teardown runs the termination list newest first, then tears down
// the class table record.
//
// Laid out as ATL's CAtlModule, because the server's design gives its fields, virtual slots and
// teardown order in those terms.
class CAtlModule {
public:
    static constexpr UINT kInitialisedSize = 36;
    using TermFunction = void (*)(DWORD_PTR value);

    CAtlModule(ClassTableRecord& classTable);
    virtual ~CAtlModule();
    CAtlModule(const CAtlModule&) = delete;
    CAtlModule& operator=(const CAtlModule&) = delete;

    // Takes one server lock (the platform's per-process count); returns the new count.
    virtual LONG AddServerLock();
    // Drops one server lock; when the count reaches 0, signals the shutdown monitor.
    virtual LONG ReleaseServerLock();
    // Adds the module's replacement variables to a registrar; the result of the last add.
    virtual HRESULT AddCommonVariables(IRegistrarBase* registrar) = 0;

    // Registers `fn(value)` to run at module teardown, newest first. E_OUTOFMEMORY when no entry
    // can be allocated.
    HRESULT AddTermFunction(TermFunction fn, DWORD_PTR value);

    // Creates the shutdown event (once) and the monitor thread that waits on it and posts WM_QUIT
    // to the main thread. The caller owns the returned thread handle; null on failure.
    HANDLE StartShutdownMonitor();
    // Whether the monitor has asked the main thread to quit: the one WM_QUIT that ends serving.
    bool ShutdownRequested() const { return shutdownRequested != 0; }

    // Guards the termination list and the loading of type information. Never held while calling
    // out to clients.
    CRITICAL_SECTION& lock() { return moduleLock; }
    ClassTableRecord& classTable() { return classTable_; }
    const ClassTableRecord& classTable() const { return classTable_; }

protected:
    UINT structSize = 0;
    struct TermEntry {
        TermFunction fn;
        DWORD_PTR value;
        TermEntry* next;
    };
    TermEntry* termFunctions = nullptr;
    CRITICAL_SECTION moduleLock{};
    DWORD mainThreadId = 0;
    // Signalled when the last server lock goes. It lives as long as the module, so a release
    // racing with the monitor never signals a closed handle, or one the process reused.
    ScopedHandle shutdownEvent;
    LONG volatile shutdownRequested = 0;
    DWORD exitPause = 1000;
    bool comInitialized = false;

private:
    static DWORD WINAPI ShutdownMonitorProc(void* module);

    ClassTableRecord& classTable_;
};

// The module of this process; set by the module's constructor before anything else.
extern CAtlModule* currentModule;

// Holds the module lock for one scope.
class ModuleLockGuard {
public:
    explicit ModuleLockGuard(CAtlModule& module) : lock_(module.lock()) {
        ::EnterCriticalSection(&lock_);
    }
    ~ModuleLockGuard() { ::LeaveCriticalSection(&lock_); }
    ModuleLockGuard(const ModuleLockGuard&) = delete;
    ModuleLockGuard& operator=(const ModuleLockGuard&) = delete;

private:
    CRITICAL_SECTION& lock_;
};
