// The run of the server process: COM, the command line, and serving.
#include <windows.h>
#include <objbase.h>

#include "busy_message_filter.h"
#include "class_table.h"
#include "command_line.h"
#include "plimo_com_wrapper_module.h"
#include "registration_mode.h"

CPlimoCOMWrapperModule::CPlimoCOMWrapperModule(ClassTableRecord& classTable,
                                               InstanceRecord& instance)
    : CAtlModule(classTable), instance_(instance) {}

int CPlimoCOMWrapperModule::RunModule() {
    if (initFailed) {
        return -1;
    }
    HRESULT hr = ::CoInitialize(nullptr);
    if (SUCCEEDED(hr)) {
        comInitialized = true;
    } else if (hr != RPC_E_CHANGED_MODE || ::GetModuleHandleW(L"Mscoree.dll") == nullptr) {
        // Only a host runtime that already made this thread multithreaded is tolerated.
        return hr;
    }
    HRESULT result = S_OK;
    if (ProcessCommandLine(::GetCommandLineW(), &result)) {
        result = Serve();
    }
    if (comInitialized) {
        ::CoUninitialize();
    }
    return result;
}

bool CPlimoCOMWrapperModule::ProcessCommandLine(const wchar_t* commandLine, HRESULT* result) {
    *result = S_OK;
    // The whole line is scanned, the program's own path included; the first recognised switch
    // decides. "RegServer" cannot match "RegServerPerUser": a switch must end the word.
    for (const wchar_t* word = FindSwitchStart(commandLine); word != nullptr;
         word = FindSwitchStart(word)) {
        if (CompareSwitchWord(word, L"UnregServer") == 0) {
            *result = UnregisterAll();
            return false;
        }
        if (CompareSwitchWord(word, L"RegServer") == 0) {
            *result = RegisterAll();
            return false;
        }
        if (CompareSwitchWord(word, L"UnregServerPerUser") == 0) {
            SetPerUserRegistrationMode();
            *result = UnregisterAll();
            return false;
        }
        if (CompareSwitchWord(word, L"RegServerPerUser") == 0) {
            SetPerUserRegistrationMode();
            *result = RegisterAll();
            return false;
        }
    }
    return true;
}

HRESULT CPlimoCOMWrapperModule::Serve() {
    // Single use: once a client has connected, the platform hides the class object, so every
    // later activation starts a server process of its own.
    HRESULT hr = PublishClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE);
    if (FAILED(hr)) {
        RemovePerUserRegistration();
        return hr;
    }
    ScopedHandle monitor(StartShutdownMonitor());
    if (!monitor) {
        RemovePerUserRegistration();
        return E_FAIL;
    }
    cleanupAtExit = true;

    {
        BusyMessageFilter filter;
        ScopedMessageFilter installed(&filter);
        PumpMessages();
    }

    hr = WithdrawClassObjects();
    ::Sleep(exitPause);
    return hr;
}

void CPlimoCOMWrapperModule::PumpMessages() {
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

HRESULT CPlimoCOMWrapperModule::PublishClassObjects(DWORD classContext, DWORD flags) {
    HRESULT hr = S_FALSE;
    for (ClassTableEntry* entry : classTable()) {
        if (FAILED(hr)) {
            break;
        }
        if (entry == nullptr) {
            continue;
        }
        if (entry->createClassObject == nullptr) {
            hr = S_OK;
            continue;
        }
        // The platform holds its own reference once the object is registered; this one goes.
        ScopedInterface<IUnknown> classObject;
        hr = entry->createClassObject(reinterpret_cast<void*>(entry->createInstance), IID_IUnknown,
                                      reinterpret_cast<void**>(classObject.put()));
        if (SUCCEEDED(hr)) {
            hr = ::CoRegisterClassObject(*entry->clsid, classObject.get(), classContext, flags,
                                         &entry->cookie);
        }
    }
    return hr;
}

HRESULT CPlimoCOMWrapperModule::WithdrawClassObjects() {
    HRESULT hr = S_OK;
    for (ClassTableEntry* entry : classTable()) {
        if (hr != S_OK) {
            break;
        }
        if (entry != nullptr && entry->cookie != 0) {
            hr = ::CoRevokeClassObject(entry->cookie);
            if (hr == S_OK) {
                entry->cookie = 0; // withdrawn once: the end of the run finds nothing left
            }
        }
    }
    return hr;
}
