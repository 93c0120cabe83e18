#include "server_module.h"

#include <objbase.h>

ServerModule::ServerModule(const ClassTable& classTable) : classTable_(classTable) {}

LONG ServerModule::AddServerLock() {
    return static_cast<LONG>(::CoAddRefServerProcess());
}

LONG ServerModule::ReleaseServerLock() {
    LONG count = static_cast<LONG>(::CoReleaseServerProcess());
    if (count == 0 && shutdownEvent_) {
        ::SetEvent(shutdownEvent_.get());
    }
    return count;
}

ScopedHandle ServerModule::StartShutdownMonitor() {
    if (!shutdownEvent_) {
        shutdownEvent_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!shutdownEvent_) {
            return ScopedHandle();
        }
    }
    ::InterlockedExchange(&shutdownRequested_, 0);
    servingThreadId_ = ::GetCurrentThreadId();
    return ScopedHandle(::CreateThread(nullptr, 0, &ShutdownMonitorProc, this, 0, nullptr));
}

DWORD WINAPI ServerModule::ShutdownMonitorProc(void* parameter) {
    auto* module = static_cast<ServerModule*>(parameter);
    ::WaitForSingleObject(module->shutdownEvent_.get(), INFINITE);
    // Marked before the message is posted: the message loop tells this WM_QUIT from any other.
    ::InterlockedExchange(&module->shutdownRequested_, 1);
    ::PostThreadMessageW(module->servingThreadId_, WM_QUIT, 0, 0);
    return 0;
}
