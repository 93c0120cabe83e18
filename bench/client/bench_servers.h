// The servers the benchmark and the soak drive: PlimoCOMWrapper and the baseline, registered,
// activated, bound to the bench provider, and released with a bounded wait for their end.
#pragma once

#include <windows.h>

#include <memory>

#include "com_ptr.h"
#include "PlimoCOMWrapper.h"
#include "call_table.h"
#include "scoped_resource.h"

// The servers of one width that a benchmark compares: PlimoCOMWrapper's class of that width and
// the baseline's, with the folder beside the benchmark that holds their programs and the bench
// provider of that width.
struct BenchWidth {
    int bits;
    const CLSID* plimo;
    const CLSID* baseline;
    const wchar_t* baselineText;
    const wchar_t* folder; // "" or "x64\\"
    const wchar_t* server; // PlimoCOMWrapper's executable in that folder
    REGSAM view;           // the registry view its classes belong in
};
extern const BenchWidth kBench32;
extern const BenchWidth kBench64;

// The servers of both widths (the 64-bit ones where they were built), registered for one run:
// PlimoCOMWrapper.exe and PlimoCOMWrapper64.exe by their own /RegServer, and each baseline's class
// by its LocalServer32 key in its width's registry view; the baselines' class keys (half-made ones
// too) go when this goes out of scope.
class BaselineRegistration {
public:
    BaselineRegistration();
    ~BaselineRegistration();
    BaselineRegistration(const BaselineRegistration&) = delete;
    BaselineRegistration& operator=(const BaselineRegistration&) = delete;

    bool Registered() const { return registered_; }
    // Whether the 64-bit servers were built and are registered too.
    bool Registered64() const { return registered64_; }

private:
    bool registered_ = false;
    bool registered64_ = false;
};

// One activated server: the interface, the id of the process that serves it, and the arguments
// of the table's calls to it.
struct ServedWrapper {
    ComPtr<IPlimoWrapper> wrapper;
    DWORD processId = 0;
    std::unique_ptr<CallArguments> arguments;
};

// Activates `clsid`, binds the bench provider of `width` and makes the arguments (with
// `leakBytes`, see CallArguments). The process id comes from SccGetVersion.
// `activationMicroseconds`: from CoCreateInstance to the first answer, a SccGetVersion that the
// real server, still unbound, answers with no entry point.
HRESULT ActivateAndBind(const CLSID& clsid, const BenchWidth& width, ServedWrapper* served,
                        LONG leakBytes = 0, double* activationMicroseconds = nullptr);

// Releases the arguments (which may hold interfaces of the server) and the server, and waits for
// its process to end, so that its clean-up cannot undo a registration made after it; false when
// it did not end in time, else its exit code.
bool ReleaseAndWaitForEnd(ServedWrapper* served, DWORD* exitCode);
