// The entries around a provider session: initialising and ending it, its version and options,
// and its projects. Each forwards to the IPlimoWrapper2 method of the same name.
#include <string>

#include "forwarding.h"
#include "proxied_provider.h"
#include "scoped_variant.h"

HMODULE g_proxyModule = nullptr;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_proxyModule = instance;
    }
    return TRUE;
}

namespace {

// Hosts keep no log of ours: a debugger or a viewer of the debug output sees why an
// initialisation failed before any text-output procedure was given.
void Explain(const std::wstring& reason) {
    ::OutputDebugStringW((L"PlimoSccProxy: " + reason + L"\n").c_str());
}

// A context of its own for the real provider, or null with the reason explained.
std::unique_ptr<ProxyContext> StartContext() {
    ProxiedProvider provider;
    std::wstring error;
    if (!FindProxiedProvider(g_proxyModule, &provider, &error)) {
        Explain(error);
        return nullptr;
    }
    std::unique_ptr<ProxyContext> context;
    const HRESULT hr = ProxyContext::Create(provider, &context);
    if (FAILED(hr)) {
        wchar_t code[16];
        ::wsprintfW(code, L"0x%08lX", static_cast<unsigned long>(hr));
        Explain(L"the " + std::to_wstring(provider.bits) + L"-bit server could not run " +
                provider.path + L" (" + code + L")");
    }
    return context;
}

} // namespace

PROXY_ENTRY SccInitialize(void** ppvContext, HWND hWnd, LPCSTR lpCallerName, LPSTR lpSccName,
                          LONG* lpSccCaps, LPSTR lpAuxPathLabel, LONG* pnCheckoutCommentLen,
                          LONG* pnCommentLen) {
    try {
        if (ppvContext == nullptr) {
            return SCC_E_INITIALIZEFAILED;
        }
        std::unique_ptr<ProxyContext> context = StartContext();
        if (!context) {
            return SCC_E_INITIALIZEFAILED;
        }
        LONG result = 0;
        {
            ProxyCall call(context.get(), "SccInitialize");
            ScopedBstr caller;
            InOutBstr name, label;
            LONG caps = 0, checkoutCommentLength = 0, commentLength = 0;
            if (!call.ready()) {
                return SCC_E_INITIALIZEFAILED;
            }
            HRESULT hr = InText(lpCallerName, false, &caller);
            if (FAILED(hr)) return SCC_E_INITIALIZEFAILED;
            hr = call.object()->SccInitialize(WindowValue(hWnd), caller.get(), &name.value, &caps,
                                              &label.value, &checkoutCommentLength, &commentLength,
                                              &result);
            if (FAILED(hr)) return SCC_E_INITIALIZEFAILED;
            CopyToHost(name.value, lpSccName, SCC_NAME_LEN + 1);
            CopyToHost(label.value, lpAuxPathLabel, SCC_AUXLABEL_LEN + 1);
            CopyValue(caps, lpSccCaps);
            CopyValue(checkoutCommentLength, pnCheckoutCommentLen);
            CopyValue(commentLength, pnCommentLen);
        }
        // A provider that refused to start ends its server with the context.
        if (result >= 0) {
            *ppvContext = ProxyContext::Publish(std::move(context));
        }
        return result;
    } catch (const std::exception&) {
        return SCC_E_INITIALIZEFAILED;
    }
}

PROXY_ENTRY SccUninitialize(void* pvContext) {
    try {
        // Destroyed last, once the call has let go of the context: it ends the server.
        std::unique_ptr<ProxyContext> withdrawn;
        ProxyCall call(pvContext, "SccUninitialize");
        if (!call.admitted()) {
            return call.refusal();
        }
        LONG result = call.refusal();
        if (call.ready()) {
            LONG answer = 0;
            const HRESULT hr = call.object()->SccUninitialize(&answer);
            result = call.Finish(hr, answer);
        }
        // The context goes whatever the provider answered: the host is done with it. Still
        // admitted here, so no other call can reach it any more.
        withdrawn = ProxyContext::Withdraw(pvContext);
        return result;
    } catch (const std::exception&) {
        return SCC_E_NONSPECIFICERROR;
    }
}

// The host asks before it has a context: the version comes from a context that exists, or from
// one started for the question. When the provider cannot be asked, the proxy's own version.
PROXY_ENTRY SccGetVersion() {
    try {
        if (void* published = ProxyContext::AnyPublished()) {
            ProxyCall call(published, "SccGetVersion");
            if (call.ready()) {
                LONG version = 0;
                const HRESULT hr = call.object()->SccGetVersion(&version);
                return call.Finish(hr, version);
            }
        }
        std::unique_ptr<ProxyContext> context = StartContext();
        if (!context) {
            return SCC_VERSION;
        }
        ProxyCall call(context.get(), "SccGetVersion");
        LONG version = 0;
        if (!call.ready() || FAILED(call.object()->SccGetVersion(&version))) {
            return SCC_VERSION;
        }
        return version;
    } catch (const std::exception&) {
        return SCC_VERSION;
    }
}

PROXY_ENTRY SccSetOption(void* pvContext, LONG nOption, LONG_PTR dwVal) {
    return Forward(pvContext, "SccSetOption", [&](ProxyCall& call, LONG* result) {
        // An address in the host's process means nothing in the server's: the rename callback
        // and its data are answered as an option the provider does not support.
        if (nOption == SCC_OPT_NAMECHANGEPFN || nOption == SCC_OPT_USERDATA) {
            *result = SCC_E_OPNOTSUPPORTED;
            return S_OK;
        }
        return call.object()->SccSetOption(nOption, static_cast<LONG>(dwVal), result);
    });
}

PROXY_ENTRY SccGetCommandOptions(void* pvContext, HWND hWnd, LONG iCommand, void** ppvCmdOptions) {
    return Forward(pvContext, "SccGetCommandOptions", [&](ProxyCall& call, LONG* result) {
        if (ppvCmdOptions == nullptr) {
            return call.object()->SccGetCommandOptions(WindowValue(hWnd), iCommand, result);
        }
        LONG cookie = 0;
        const HRESULT hr =
            call.object()->SccGetCommandOptionsByRef(WindowValue(hWnd), iCommand, &cookie, result);
        if (SUCCEEDED(hr)) {
            *ppvCmdOptions = reinterpret_cast<void*>(static_cast<LONG_PTR>(cookie));
        }
        return hr;
    });
}

PROXY_ENTRY SccOpenProject(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpProjName,
                           LPCSTR lpLocalProjPath, LPSTR lpAuxProjPath, LPCSTR lpComment,
                           provider::TextOutProc lpTextOutProc, LONG dwFlags) {
    return Forward(pvContext, "SccOpenProject", [&](ProxyCall& call, LONG* result) {
        HostInOutText user(lpUser, SCC_USER_LEN + 1), aux(lpAuxProjPath, SCC_PRJPATH_LEN + 1);
        ScopedBstr project, local, comment;
        HRESULT hr = user.Read();
        if (FAILED(hr)) return hr;
        hr = aux.Read();
        if (FAILED(hr)) return hr;
        hr = InText(lpProjName, false, &project);
        if (FAILED(hr)) return hr;
        hr = InText(lpLocalProjPath, false, &local);
        if (FAILED(hr)) return hr;
        hr = InText(lpComment, true, &comment);
        if (FAILED(hr)) return hr;
        // Set first, so that what the provider writes while it opens reaches the host.
        call.context().setTextOut(lpTextOutProc);
        hr = call.object()->SccOpenProject(WindowValue(hWnd), user.slot(), project.get(),
                                           local.get(), aux.slot(), comment.get(), dwFlags, result);
        if (SUCCEEDED(hr)) {
            user.Write();
            aux.Write();
        }
        return hr;
    });
}

PROXY_ENTRY SccCloseProject(void* pvContext) {
    try {
        ProxyCall call(pvContext, "SccCloseProject");
        if (!call.ready()) {
            return call.refusal();
        }
        LONG answer = 0;
        const HRESULT hr = call.object()->SccCloseProject(&answer);
        const LONG result = call.Finish(hr, answer);
        // The host's procedure belongs to the project it gave it with.
        if (result >= 0) {
            call.context().setTextOut(nullptr);
        }
        return result;
    } catch (const std::exception&) {
        return SCC_E_NONSPECIFICERROR;
    }
}

PROXY_ENTRY SccGetProjPath(void* pvContext, HWND hWnd, LPSTR lpUser, LPSTR lpProjName,
                           LPSTR lpLocalPath, LPSTR lpAuxProjPath, BOOL bAllowChangePath,
                           BOOL* pbNew) {
    return Forward(pvContext, "SccGetProjPath", [&](ProxyCall& call, LONG* result) {
        HostInOutText user(lpUser, SCC_USER_LEN + 1), project(lpProjName, SCC_PRJPATH_LEN + 1);
        HostInOutText local(lpLocalPath, MAX_PATH), aux(lpAuxProjPath, SCC_PRJPATH_LEN + 1);
        HRESULT hr = user.Read();
        if (FAILED(hr)) return hr;
        hr = project.Read();
        if (FAILED(hr)) return hr;
        hr = local.Read();
        if (FAILED(hr)) return hr;
        hr = aux.Read();
        if (FAILED(hr)) return hr;
        VARIANT_BOOL isNew = pbNew != nullptr && *pbNew ? VARIANT_TRUE : VARIANT_FALSE;
        hr = call.object()->SccGetProjPath(
            WindowValue(hWnd), user.slot(), project.slot(), local.slot(), aux.slot(),
            bAllowChangePath ? VARIANT_TRUE : VARIANT_FALSE, &isNew, result);
        if (SUCCEEDED(hr)) {
            user.Write();
            project.Write();
            local.Write();
            aux.Write();
            CopyValue(HostBool(isNew), pbNew);
        }
        return hr;
    });
}

PROXY_ENTRY SccCreateSubProject(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpParentProjPath,
                                LPCSTR lpSubProjName, LPSTR lpAuxProjPath, LPSTR lpSubProjPath) {
    return Forward(pvContext, "SccCreateSubProject", [&](ProxyCall& call, LONG* result) {
        HostInOutText user(lpUser, SCC_USER_LEN + 1), aux(lpAuxProjPath, SCC_PRJPATH_LEN + 1);
        HostInOutText sub(lpSubProjPath, SCC_PRJPATH_LEN + 1);
        ScopedBstr parent, name;
        HRESULT hr = user.Read();
        if (FAILED(hr)) return hr;
        hr = aux.Read();
        if (FAILED(hr)) return hr;
        hr = sub.Read();
        if (FAILED(hr)) return hr;
        hr = InText(lpParentProjPath, false, &parent);
        if (FAILED(hr)) return hr;
        hr = InText(lpSubProjName, false, &name);
        if (FAILED(hr)) return hr;
        hr = call.object()->SccCreateSubProject(WindowValue(hWnd), user.slot(), parent.get(),
                                                name.get(), aux.slot(), sub.slot(), result);
        if (SUCCEEDED(hr)) {
            user.Write();
            aux.Write();
            sub.Write();
        }
        return hr;
    });
}

PROXY_ENTRY SccGetParentProjectPath(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpProjPath,
                                    LPSTR lpAuxProjPath, LPSTR lpParentProjPath) {
    return Forward(pvContext, "SccGetParentProjectPath", [&](ProxyCall& call, LONG* result) {
        HostInOutText user(lpUser, SCC_USER_LEN + 1), aux(lpAuxProjPath, SCC_PRJPATH_LEN + 1);
        HostInOutText parent(lpParentProjPath, SCC_PRJPATH_LEN + 1);
        ScopedBstr project;
        HRESULT hr = user.Read();
        if (FAILED(hr)) return hr;
        hr = aux.Read();
        if (FAILED(hr)) return hr;
        hr = parent.Read();
        if (FAILED(hr)) return hr;
        hr = InText(lpProjPath, false, &project);
        if (FAILED(hr)) return hr;
        hr = call.object()->SccGetParentProjectPath(WindowValue(hWnd), user.slot(), project.get(),
                                                    aux.slot(), parent.slot(), result);
        if (SUCCEEDED(hr)) {
            user.Write();
            aux.Write();
            parent.Write();
        }
        return hr;
    });
}

// The entries that take nothing but the context.
namespace {

using ContextMethod = HRESULT (STDMETHODCALLTYPE IPlimoWrapper::*)(LONG*);

LONG ForwardPlain(void* pvContext, const char* entry, ContextMethod method) {
    return Forward(pvContext, entry,
                   [&](ProxyCall& call, LONG* result) { return (call.object()->*method)(result); });
}

} // namespace

PROXY_ENTRY SccBeginBatch(void* pvContext) {
    return ForwardPlain(pvContext, "SccBeginBatch", &IPlimoWrapper::SccBeginBatch);
}

PROXY_ENTRY SccEndBatch(void* pvContext) {
    return ForwardPlain(pvContext, "SccEndBatch", &IPlimoWrapper::SccEndBatch);
}

PROXY_ENTRY SccGetExtendedCapabilities(void* pvContext, LONG lSccExCap, BOOL* pbSupported) {
    return Forward(pvContext, "SccGetExtendedCapabilities", [&](ProxyCall& call, LONG* result) {
        VARIANT_BOOL supported = VARIANT_FALSE;
        const HRESULT hr = call.object()->SccGetExtendedCapabilities(lSccExCap, &supported, result);
        if (SUCCEEDED(hr)) {
            CopyValue(HostBool(supported), pbSupported);
        }
        return hr;
    });
}

PROXY_ENTRY SccIsMultiCheckoutEnabled(void* pvContext, BOOL* pbMultiCheckout) {
    return Forward(pvContext, "SccIsMultiCheckoutEnabled", [&](ProxyCall& call, LONG* result) {
        VARIANT_BOOL enabled = VARIANT_FALSE;
        const HRESULT hr = call.object()->SccIsMultiCheckoutEnabled(&enabled, result);
        if (SUCCEEDED(hr)) {
            CopyValue(HostBool(enabled), pbMultiCheckout);
        }
        return hr;
    });
}

PROXY_ENTRY SccGetUserOption(void* pvContext, LONG nOption, LONG* lpVal) {
    return Forward(pvContext, "SccGetUserOption", [&](ProxyCall& call, LONG* result) {
        LONG value = 0;
        const HRESULT hr = call.object()->SccGetUserOption(nOption, &value, result);
        if (SUCCEEDED(hr)) {
            CopyValue(value, lpVal);
        }
        return hr;
    });
}

PROXY_ENTRY SccGetEvents(void* pvContext, LPSTR lpFileName, LONG* lpStatus,
                         LONG* pnEventsRemaining) {
    return Forward(pvContext, "SccGetEvents", [&](ProxyCall& call, LONG* result) {
        ScopedBstr name;
        LONG status = 0, remaining = 0;
        const HRESULT hr = call.object()->SccGetEvents(name.put(), &status, &remaining, result);
        if (SUCCEEDED(hr)) {
            CopyToHost(name.get(), lpFileName, MAX_PATH);
            CopyValue(status, lpStatus);
            CopyValue(remaining, pnEventsRemaining);
        }
        return hr;
    });
}
