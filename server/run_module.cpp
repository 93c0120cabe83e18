// The run of the server process: COM, the command line, and serving.
#include <windows.h>
#include <objbase.h>

#include "busy_message_filter.h"
#include "class_table.h"
#include "com_initialization.h"
#include "com_ptr.h"
#include "command_line.h"
#include "plimo_com_wrapper_module.h"
#include "server_registration.h"

PlimoComWrapperModule::PlimoComWrapperModule(const ServerDescription& server, HINSTANCE image,
                                             ClassTableEntry* first, ClassTableEntry* end)
    : ServerModule(ClassTable(first, end)), server_(server), image_(image) {}

int PlimoComWrapperModule::RunModule() {
    ComInitialization com;
    const HRESULT initialized = com.Initialize(COINIT_APARTMENTTHREADED);
    // Only a host runtime that already made this thread multithreaded is tolerated.
    if (FAILED(initialized) &&
        (initialized != RPC_E_CHANGED_MODE || ::GetModuleHandleW(L"Mscoree.dll") == nullptr)) {
        return initialized;
    }
    HRESULT result = S_OK;
    if (ProcessCommandLine(::GetCommandLineW(), &result)) {
        result = Serve();
    }
    return result;
}

bool PlimoComWrapperModule::ProcessCommandLine(const wchar_t* commandLine, HRESULT* result) {
    *result = S_OK;
    // The whole line is scanned, the program's own path included; the first recognised switch
    // decides. "RegServer" cannot match "RegServerPerUser": a switch must end the word.
    for (const wchar_t* word = FindSwitchStart(commandLine); word != nullptr;
         word = FindSwitchStart(word)) {
        if (CompareSwitchWord(word, L"UnregServer") == 0) {
            *result = UnregisterServer(server_, image_, RegistrationScope::PerMachine);
            return false;
        }
        if (CompareSwitchWord(word, L"RegServer") == 0) {
            *result = RegisterServer(server_, image_, RegistrationScope::PerMachine);
            return false;
        }
        if (CompareSwitchWord(word, L"UnregServerPerUser") == 0) {
            *result = UnregisterServer(server_, image_, RegistrationScope::PerUser);
            return false;
        }
        if (CompareSwitchWord(word, L"RegServerPerUser") == 0) {
            *result = RegisterServer(server_, image_, RegistrationScope::PerUser);
            return false;
        }
    }
    return true;
}

HRESULT PlimoComWrapperModule::RemovePerUserRegistration() {
    return ::RemovePerUserRegistration(server_, image_);
}

HRESULT PlimoComWrapperModule::Serve() {
    // Single use: once a client has connected, the platform hides the class object, so every
    // later activation starts a server process of its own.
    HRESULT hr = PublishClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE);
    if (FAILED(hr)) {
        RemovePerUserRegistration();
        return hr;
    }
    ScopedHandle monitor = StartShutdownMonitor();
    if (!monitor) {
        RemovePerUserRegistration();
        return E_FAIL;
    }
    cleanupAtExit_ = true;

    {
        // Without the filter (a platform that ignores filters, as Wine does) calls that arrive
        // while a provider pumps messages are still refused as busy by the bridge itself.
        BusyMessageFilter filter(classTable());
        ScopedMessageFilter installed;
        installed.Install(&filter);
        PumpMessages();
    }

    hr = WithdrawClassObjects();
    ::Sleep(kExitPause);
    return hr;
}

void PlimoComWrapperModule::PumpMessages() {
    MSG message;
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            return;
        }
        // A WM_QUIT ends serving only when the shutdown monitor posted it: a provider's dialog
        // code, or another program, may post one to this thread too.
        if (got == 0) {
            if (ShutdownRequested()) {
                return;
            }
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
        // The monitor's own WM_QUIT may have been taken by a message loop inside the provider.
        if (ShutdownRequested()) {
            return;
        }
    }
}

HRESULT PlimoComWrapperModule::PublishClassObjects(DWORD classContext, DWORD flags) {
    HRESULT hr = S_FALSE; // an empty table publishes nothing
    for (ClassTableEntry& entry : classTable()) {
        // The platform holds its own reference once the object is registered; this one goes.
        ComPtr<IUnknown> classObject;
        hr = entry.createClassObject(reinterpret_cast<void*>(entry.createInstance), IID_IUnknown,
                                     classObject.putVoid());
        if (FAILED(hr)) return hr;
        hr = ::CoRegisterClassObject(*entry.clsid, classObject.get(), classContext, flags,
                                     &entry.cookie);
        if (FAILED(hr)) return hr;
    }
    return hr;
}

HRESULT PlimoComWrapperModule::WithdrawClassObjects() {
    for (ClassTableEntry& entry : classTable()) {
        if (entry.cookie == 0) {
            continue; // withdrawn before: the end of the run finds nothing left
        }
        HRESULT hr = ::CoRevokeClassObject(entry.cookie);
        if (hr != S_OK) return hr;
        entry.cookie = 0;
    }
    return S_OK;
}
