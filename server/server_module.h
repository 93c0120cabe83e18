// ServerModule: the server lock count, and the shutdown monitor that ends serving when the last
// lock goes.
#pragma once

#include <windows.h>

#include "class_table.h"
#include "scoped_resource.h"

// The process's one module; CurrentModule() reaches it from anywhere in the server.
class ServerModule {
public:
    explicit ServerModule(const ClassTable& classTable);
    virtual ~ServerModule() = default;
    ServerModule(const ServerModule&) = delete;
    ServerModule& operator=(const ServerModule&) = delete;

    // Adds one server lock (the platform's per-process count); returns the new count.
    LONG AddServerLock();
    // Drops one server lock; when the count reaches 0, signals the shutdown monitor.
    LONG ReleaseServerLock();

    // Creates the shutdown event (once) and the monitor thread that waits on it and posts WM_QUIT
    // to the calling thread, which serves. The monitor thread's handle, empty on failure.
    ScopedHandle StartShutdownMonitor();
    // Whether the monitor has asked the main thread to quit: the one WM_QUIT that ends serving.
    bool ShutdownRequested() const { return shutdownRequested_ != 0; }

    const ClassTable& classTable() const { return classTable_; }

protected:
    // How long a served run lingers after withdrawing its class objects, in milliseconds.
    static constexpr DWORD kExitPause = 1000;

private:
    static DWORD WINAPI ShutdownMonitorProc(void* module);

    ClassTable classTable_;
    DWORD servingThreadId_ = 0;
    // Signalled when the last server lock goes. It lives as long as the module, so a release
    // racing with the monitor never signals a closed handle, or one the process reused.
    ScopedHandle shutdownEvent_;
    LONG volatile shutdownRequested_ = 0;
};

// The module of this process, made on first use.
ServerModule& CurrentModule();
