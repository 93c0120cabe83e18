// The soak: the calls of the table, round and round, against one server, then the server's
// private bytes, heap bytes and handle count against their values after warm-up, as the server
// process reports them of itself through the bench provider. The same calls then go to the
// baseline server, whose growth is the platform's own (its marshalling), so that what
// PlimoCOMWrapper adds can be told from what Wine's stubs keep. The soak measures: that each
// answer is right is the tests' business; it only counts the calls whose HRESULT is not the
// table's, so that a mix that stopped reaching the provider cannot pass unseen.
//
// usage: plimo_soak [--calls N] [--warmup N] [--samples N] [--leak N]
// Prints key=value lines; exits 0 when every call to PlimoCOMWrapper came back with its HRESULT,
// its private and heap bytes grew no more than the baseline's plus their bounds, its handle count
// no more than the handle bound, and both servers ended cleanly.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_protocol.h"
#include "bench_servers.h"
#include "call_table.h"

namespace {

// Longer lists add time, not code paths: the soak leaves them to the benchmark.
constexpr LONG kLongestList = 100;

struct Options {
    long calls = 100000;
    long warmup = 2000;
    long samples = 10;
    long leak = 0; // bytes the provider is asked to keep at every SccSetOption
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const long value = std::max(0L, static_cast<long>(_wtol(argv[i + 1])));
        if (name == L"--calls") {
            options->calls = value;
        } else if (name == L"--warmup") {
            options->warmup = value;
        } else if (name == L"--samples") {
            options->samples = std::max(1L, value);
        } else if (name == L"--leak") {
            options->leak = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

void Print(const std::string& key, long value) {
    std::printf("%s=%ld\n", key.c_str(), value);
}

// The calls of one turn, in the table's order, so that every turn ends with the provider bound.
std::vector<const Call*> Turn() {
    return CallsWhere([](const Call& call) { return call.names <= kLongestList; });
}

// Enough whole turns for `calls` calls, at least one.
long TurnsFor(long calls) {
    const long turn = static_cast<long>(Turn().size());
    return std::max(1L, (calls + turn - 1) / turn);
}

struct Figures {
    LONG privateBytes = -1;
    LONG heapBytes = -1;
    LONG handles = -1;
};

// The figures of the serving process, which the bench provider (or the baseline) gives as the
// cookie of SccGetCommandOptionsByRef.
bool ReadFigures(IPlimoWrapper* wrapper, Figures* figures) {
    LONG result = 0;
    return wrapper->SccGetCommandOptionsByRef(0, bench::kPrivateBytesCommand,
                                              &figures->privateBytes, &result) == S_OK &&
           wrapper->SccGetCommandOptionsByRef(0, bench::kHeapBytesCommand, &figures->heapBytes,
                                              &result) == S_OK &&
           wrapper->SccGetCommandOptionsByRef(0, bench::kHandleCountCommand, &figures->handles,
                                              &result) == S_OK;
}

void PrintFigures(const std::string& prefix, const Figures& figures) {
    Print(prefix + ".private_bytes", figures.privateBytes);
    Print(prefix + ".heap_bytes", figures.heapBytes);
    Print(prefix + ".handles", figures.handles);
}

// What one server's soak found.
struct SoakResult {
    bool ran = false;
    Figures warm, end;
    long calls = 0;
    long unexpected = 0;
    bool ended = false;
    DWORD exitCode = 0;
};

// Makes `turns` turns of the mix; how many calls came back otherwise than the table says. When
// `judged`, the first such call of each row is printed, and marked in `reported`.
long RunTurns(CallArguments& arguments, const std::string& name, bool judged, long turns,
              std::vector<bool>* reported) {
    const std::vector<const Call*> turn = Turn();
    long unexpected = 0;
    for (long made = 1; made <= turns * static_cast<long>(turn.size()); ++made) {
        const size_t row = static_cast<size_t>(made - 1) % turn.size();
        const Call& call = *turn[row];
        const HRESULT hr = call.make(arguments);
        if (hr == call.expected || !judged) {
            continue;
        }
        ++unexpected;
        if (!(*reported)[row]) {
            (*reported)[row] = true;
            std::printf("%s.unexpected.%s%s %s (%ld names)=call %ld of a stretch: 0x%08lX\n",
                        name.c_str(), call.late ? "late " : "", call.method, call.input,
                        static_cast<long>(call.names), made, static_cast<unsigned long>(hr));
        }
    }
    return unexpected;
}

// Activates `clsid`, soaks it, releases it and waits for its end. `judged`: the HRESULTs count
// (the baseline answers as itself, so only its figures do).
SoakResult Soak(const std::string& name, const CLSID& clsid, bool judged, const Options& options) {
    SoakResult result;
    ServedWrapper served;
    if (FAILED(ActivateAndBind(clsid, &served, options.leak))) {
        std::fprintf(stderr, "plimo_soak: %s did not activate and bind\n", name.c_str());
        return result;
    }
    Print(name + ".pid", static_cast<long>(served.processId));
    {
        CallArguments& arguments = *served.arguments;
        const long turn = static_cast<long>(Turn().size());
        std::vector<bool> reported(Turn().size(), false);
        const long turns = TurnsFor(options.calls);
        const long step = TurnsFor(options.calls / options.samples);
        long unexpected = RunTurns(arguments, name, judged, TurnsFor(options.warmup), &reported);
        Print(name + ".warmup", TurnsFor(options.warmup) * turn);
        // The first reading sets up what reading takes in the server; the second is the warm one.
        result.ran = ReadFigures(served.wrapper.get(), &result.warm) &&
                     ReadFigures(served.wrapper.get(), &result.warm);
        PrintFigures(name + ".warm", result.warm);
        for (long sample = 1, done = 0; result.ran && done < turns; ++sample) {
            const long stretch = std::min(step, turns - done);
            unexpected += RunTurns(arguments, name, judged, stretch, &reported);
            done += stretch;
            result.calls = done * turn;
            result.ran = ReadFigures(served.wrapper.get(), &result.end);
            std::printf(
                "%s.sample.%ld=%ld calls, %ld private bytes, %ld heap bytes, %ld handles\n",
                name.c_str(), sample, result.calls, static_cast<long>(result.end.privateBytes),
                static_cast<long>(result.end.heapBytes), static_cast<long>(result.end.handles));
            std::fflush(stdout);
        }
        result.unexpected = unexpected;
    }
    if (!result.ran) {
        std::fprintf(stderr, "plimo_soak: %s's figures cannot be read\n", name.c_str());
    }
    result.ended = ReleaseAndWaitForEnd(&served, &result.exitCode);
    Print(name + ".exit", result.ended ? static_cast<long>(result.exitCode) : -1);
    return result;
}

void PrintGrowth(const std::string& name, const SoakResult& result) {
    Print(name + ".calls", result.calls);
    PrintFigures(name + ".end", result.end);
    Print(name + ".growth.private_bytes", result.end.privateBytes - result.warm.privateBytes);
    Print(name + ".growth.heap_bytes", result.end.heapBytes - result.warm.heapBytes);
    Print(name + ".growth.handles", result.end.handles - result.warm.handles);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: plimo_soak [--calls N] [--warmup N] [--samples N] "
                             "[--leak N]\n");
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) {
        std::fprintf(stderr, "plimo_soak: CoInitialize failed\n");
        return 1;
    }
    Print("calls.per_turn", static_cast<long>(Turn().size()));
    const SoakResult plimo = Soak("plimo", CLSID_TovikPlimoWrapper, true, options);
    SoakResult baseline;
    {
        BaselineRegistration registration;
        if (registration.Registered()) {
            baseline = Soak("baseline", bench::kBaselineClsid, false, options);
        }
    }
    ::CoUninitialize();
    if (!plimo.ran || !baseline.ran) {
        std::printf("verdict=not run\n");
        return 1;
    }
    PrintGrowth("plimo", plimo);
    PrintGrowth("baseline", baseline);
    // What PlimoCOMWrapper's process grew by beyond what the platform's own stubs made the
    // baseline's grow under the same calls.
    auto added = [&](LONG Figures::*figure) {
        return static_cast<long>((plimo.end.*figure - plimo.warm.*figure) -
                                 (baseline.end.*figure - baseline.warm.*figure));
    };
    const long addedPrivate = added(&Figures::privateBytes);
    const long addedHeap = added(&Figures::heapBytes);
    const long handles = plimo.end.handles - plimo.warm.handles;
    Print("added.private_bytes", addedPrivate);
    Print("added.heap_bytes", addedHeap);
    Print("bound.private_bytes", bench::kPrivateBytesNoise);
    Print("bound.heap_bytes", bench::kHeapBytesNoise);
    Print("bound.handles", bench::kHandleNoise);
    Print("unexpected", plimo.unexpected);
    const bool clean = plimo.unexpected == 0 && addedPrivate <= bench::kPrivateBytesNoise &&
                       addedHeap <= bench::kHeapBytesNoise && handles <= bench::kHandleNoise &&
                       plimo.ended && plimo.exitCode == 0 && baseline.ended &&
                       baseline.exitCode == 0;
    std::printf("verdict=%s\n", clean ? "no growth" : "FAILED");
    std::fflush(stdout);
    return clean ? 0 : 1;
}
