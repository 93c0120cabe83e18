// The servers the benchmark and the soak drive: PlimoCOMWrapper and the baseline, registered,
// activated, bound to the bench provider, and released with a bounded wait for their end.
#pragma once

#include <windows.h>

#include <memory>

#include "PlimoCOMWrapper.h"
#include "call_table.h"
#include "scoped_resource.h"

// Both servers, registered for one run: PlimoCOMWrapper.exe by its own /RegServer, and the
// baseline server's class by its LocalServer32 key in the machine's 32-bit view, where a 32-bit
// server belongs; the baseline's class key (a half-made one too) goes when this goes out of
// scope.
class BaselineRegistration {
public:
    BaselineRegistration();
    ~BaselineRegistration();
    BaselineRegistration(const BaselineRegistration&) = delete;
    BaselineRegistration& operator=(const BaselineRegistration&) = delete;

    bool Registered() const { return registered_; }

private:
    bool registered_ = false;
};

// One activated server: the interface, the id of the process that serves it, and the arguments
// of the table's calls to it.
struct ServedWrapper {
    ScopedInterface<IPlimoWrapper> wrapper;
    DWORD processId = 0;
    std::unique_ptr<CallArguments> arguments;
};

// Activates `clsid`, binds the bench provider and makes the arguments (with `leakBytes`, see
// CallArguments). The process id comes from SccGetVersion. `activationMicroseconds`: from
// CoCreateInstance to the first answer, a SccGetVersion that the real server, still unbound,
// answers with no entry point.
HRESULT ActivateAndBind(const CLSID& clsid, ServedWrapper* served, LONG leakBytes = 0,
                        double* activationMicroseconds = nullptr);

// Releases the arguments (which may hold interfaces of the server) and the server, and waits for
// its process to end, so that its clean-up cannot undo a registration made after it; false when
// it did not end in time, else its exit code.
bool ReleaseAndWaitForEnd(ServedWrapper* served, DWORD* exitCode);
