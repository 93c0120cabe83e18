// What the host is told when the bridge itself fails (the server gone, a call refused or busy,
// memory short, the provider faulting inside the server): an SCC_E_* result and a message for its
// text-output procedure. The provider's own results never pass through here.
#pragma once

#include <windows.h>

#include <string>

struct BridgeFailure {
    LONG result;         // the SCC_E_* result the entry returns
    std::string message; // for the host's text-output procedure, as an error
    bool serverGone;     // the server is unreachable: later calls on the context fail at once
};

// The failure a call of `entry` that failed with `hr` (a COM or bridge HRESULT) reports.
BridgeFailure DescribeFailure(const char* entry, HRESULT hr);

// A call of `entry` refused because another call on the same context is in progress.
BridgeFailure BusyFailure(const char* entry);

// A call of `entry` on a context whose server was already found gone.
BridgeFailure GoneFailure(const char* entry);
