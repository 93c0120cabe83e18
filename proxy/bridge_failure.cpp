#include "bridge_failure.h"

#include <cstdio>

#include "provider_values.h"
#include "wrapper_results.h"

namespace {

// HRESULTs a call returns once the server process is gone or cut off.
constexpr HRESULT kGone[] = {
    static_cast<HRESULT>(0x800706BA), // RPC_S_SERVER_UNAVAILABLE
    static_cast<HRESULT>(0x800706BE), // RPC_S_CALL_FAILED
    static_cast<HRESULT>(0x800706BF), // RPC_S_CALL_FAILED_DNE
    RPC_E_DISCONNECTED,
    RPC_E_SERVER_DIED,
    RPC_E_SERVER_DIED_DNE,
    CO_E_OBJNOTCONNECTED,
    static_cast<HRESULT>(0x8007006D), // the pipe to the server broke (ERROR_BROKEN_PIPE)
};
// The server refused the call while the provider was still busy with another (a dialog).
constexpr HRESULT kBusy[] = {
    kProviderBusy,
    RPC_E_CALL_REJECTED,
};
// The provider faulted inside the server: the server's guard, COM's own handler, or Wine's.
constexpr HRESULT kFault[] = {
    E_FAIL,
    RPC_E_SERVERFAULT,
    static_cast<HRESULT>(0x800703E6), // ERROR_NOACCESS, a fault Wine reports so
    kProviderStackLost,
};

template <size_t N> bool Among(HRESULT hr, const HRESULT (&codes)[N]) {
    for (HRESULT code : codes) {
        if (code == hr) {
            return true;
        }
    }
    return false;
}

std::string Message(const char* entry, const char* what, HRESULT hr) {
    char text[512];
    std::snprintf(text, sizeof text, "PlimoCOMWrapper: %s: %s (0x%08lX)", entry, what,
                  static_cast<unsigned long>(hr));
    return text;
}

} // namespace

BridgeFailure DescribeFailure(const char* entry, HRESULT hr) {
    if (Among(hr, kGone)) {
        return {SCC_E_CONNECTIONFAILURE,
                Message(entry,
                        "the server that runs the provider has ended; uninitialize and "
                        "initialize the provider again",
                        hr),
                true};
    }
    if (Among(hr, kBusy)) {
        return {SCC_E_OPNOTPERFORMED,
                Message(entry, "the provider is busy with another call; try again", hr), false};
    }
    if (Among(hr, kFault)) {
        return {SCC_E_NONSPECIFICERROR,
                Message(entry,
                        "the provider failed inside the call (a fault in the server); its state "
                        "is unknown, so uninitialize and initialize it again",
                        hr),
                false};
    }
    if (hr == kNoProviderEntry) {
        return {SCC_E_OPNOTSUPPORTED,
                Message(entry, "the provider does not have this entry point", hr), false};
    }
    if (hr == RPC_E_WRONG_THREAD) {
        return {SCC_E_NONSPECIFICERROR,
                Message(entry,
                        "called from another apartment than the one SccInitialize was called in "
                        "(another thread of a single-threaded host); nothing was done",
                        hr),
                false};
    }
    if (hr == E_OUTOFMEMORY) {
        return {SCC_E_NONSPECIFICERROR, Message(entry, "out of memory", hr), false};
    }
    if (hr == E_POINTER) {
        return {SCC_E_NONSPECIFICERROR,
                Message(entry,
                        "the proxy refused the host's arguments (a null pointer where the call "
                        "needs one, or a count out of range); nothing was done",
                        hr),
                false};
    }
    if (hr == E_INVALIDARG) {
        return {SCC_E_NONSPECIFICERROR,
                Message(entry,
                        "the server refused the call's arguments (a text its code page cannot "
                        "hold, or a list it cannot take)",
                        hr),
                false};
    }
    return {SCC_E_NONSPECIFICERROR, Message(entry, "the call failed", hr), false};
}

BridgeFailure BusyFailure(const char* entry) {
    return {SCC_E_OPNOTPERFORMED,
            Message(entry,
                    "another call on this provider is still in progress (a call from inside a "
                    "callback or a pumped message); nothing was done",
                    kProviderBusy),
            false};
}

BridgeFailure GoneFailure(const char* entry) {
    return {SCC_E_CONNECTIONFAILURE,
            Message(entry,
                    "the server that ran the provider ended earlier; uninitialize and initialize "
                    "the provider again",
                    RPC_E_DISCONNECTED),
            true};
}
