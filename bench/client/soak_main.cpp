// The soak: one server, a long run of calls mixing every method shape with good and refused
// input, then the server's private bytes and handle count against their value after warm-up,
// as the server process itself reports them through the bench provider. The same calls then go
// to the baseline server, whose growth is the platform's own (its marshalling), so that what
// PlimoCOMWrapper adds can be told from what Wine's stubs keep.
//
// usage: plimo_soak [--calls N] [--warmup N] [--samples N] [--per-case N] [--only plimo|baseline]
//                   [--leak N]
// Prints key=value lines; exits 0 when every call to PlimoCOMWrapper was answered as expected,
// its private bytes and heap bytes grew no more than the baseline's plus their noise bounds, its
// handle count no more than the handle bound, and both servers ended cleanly.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "baseline_registration.h"
#include "bench_protocol.h"
#include "server_process.h"
#include "soak_mix.h"

namespace {

struct Options {
    long calls = 100000;
    long warmup = 2000;
    long samples = 10;
    long perCase = 0; // when set: that many calls of each case alone, each case's growth shown
    long leak = 0;    // bytes the provider is asked to leak every turn of the mix
    bool plimo = true;
    bool baseline = true;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; i += 2) {
        const std::wstring arg = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::wstring text = argv[i + 1];
        const long value = std::max(0L, static_cast<long>(_wtol(text.c_str())));
        if (arg == L"--calls") {
            options->calls = value;
        } else if (arg == L"--warmup") {
            options->warmup = value;
        } else if (arg == L"--samples") {
            options->samples = std::max(1L, value);
        } else if (arg == L"--leak") {
            options->leak = value;
        } else if (arg == L"--per-case") {
            options->perCase = value;
        } else if (arg == L"--only" && (text == L"plimo" || text == L"baseline")) {
            options->plimo = text == L"plimo";
            options->baseline = text == L"baseline";
        } else {
            return false;
        }
    }
    return true;
}

void Print(const std::string& key, long value) {
    std::printf("%s=%ld\n", key.c_str(), value);
}

// What one server's soak found.
struct SoakResult {
    bool ran = false;
    ServerFigures warm, end, peak;
    long calls = 0;
    long unexpected = 0;
    bool ended = false;
    DWORD exitCode = 0;
};

// Shows, case by case, what `perCase` calls of each case alone add to the server's figures.
bool GrowthPerCase(const std::string& name, const Options& options, IPlimoWrapper* wrapper,
                   SoakMix* mix) {
    const long turn = SoakMix::TurnLength();
    mix->Run((options.warmup + turn - 1) / turn * turn);
    for (long index = 0; index < SoakMix::TurnLength(); ++index) {
        ServerFigures before, after;
        mix->RunCase(index, options.perCase / 10);
        if (!ReadServerFigures(wrapper, &before)) {
            return false;
        }
        mix->RunCase(index, options.perCase);
        if (!ReadServerFigures(wrapper, &after)) {
            return false;
        }
        std::printf("%s.case.%02ld=%+8ld private bytes, %+8ld heap bytes, %+3ld handles: %s\n",
                    name.c_str(), index,
                    static_cast<long>(after.privateBytes - before.privateBytes),
                    static_cast<long>(after.heapBytes - before.heapBytes),
                    static_cast<long>(after.handles - before.handles), SoakMix::CaseName(index));
        std::fflush(stdout);
    }
    return true;
}

// The warm-up and the soak itself, with a sample of the figures every so many calls.
bool RunMix(const std::string& name, const Options& options, IPlimoWrapper* wrapper, SoakMix* mix,
            SoakResult* result) {
    // Whole turns of the mix, so every stretch ends with the provider bound.
    const long turn = SoakMix::TurnLength();
    const long warmup = (options.warmup + turn - 1) / turn * turn;
    const long step = std::max(turn, (options.calls / options.samples + turn - 1) / turn * turn);
    mix->Run(warmup);
    // The first reading sets up what reading takes in the server; the second is the warm one.
    if (!ReadServerFigures(wrapper, &result->warm) || !ReadServerFigures(wrapper, &result->warm)) {
        return false;
    }
    Print(name + ".warmup", warmup);
    Print(name + ".warm.private_bytes", result->warm.privateBytes);
    Print(name + ".warm.heap_bytes", result->warm.heapBytes);
    Print(name + ".warm.handles", result->warm.handles);
    result->end = result->peak = result->warm;
    const long before = mix->Calls();
    for (long sample = 1; mix->Calls() - before < options.calls; ++sample) {
        mix->Run(std::min(step, options.calls - (mix->Calls() - before)));
        if (!ReadServerFigures(wrapper, &result->end)) {
            return false;
        }
        result->peak.privateBytes = std::max(result->peak.privateBytes, result->end.privateBytes);
        result->peak.handles = std::max(result->peak.handles, result->end.handles);
        std::printf("%s.sample.%ld=%ld calls, %ld private bytes, %ld heap bytes, %ld handles\n",
                    name.c_str(), sample, mix->Calls() - before,
                    static_cast<long>(result->end.privateBytes),
                    static_cast<long>(result->end.heapBytes),
                    static_cast<long>(result->end.handles));
        std::fflush(stdout);
    }
    result->calls = mix->Calls() - before;
    return true;
}

// Activates `clsid`, runs the mix against it, releases it and waits for its end. `judged`: the
// answers are checked (the baseline answers as itself, so only its figures count).
SoakResult SoakServer(const std::string& name, const CLSID& clsid, bool judged,
                      const Options& options) {
    SoakResult result;
    ScopedInterface<IPlimoWrapper> wrapper;
    const std::wstring provider = BesideProgram(L"plimo_bench_provider.dll");
    ScopedBstr path(::SysAllocString(provider.c_str()));
    LONG serverId = 0;
    if (FAILED(Activate(clsid, &wrapper)) || wrapper.get()->Init(path.get()) != S_OK ||
        wrapper.get()->SccGetVersion(&serverId) != S_OK) {
        std::fprintf(stderr, "plimo_soak: %s did not activate and bind\n", name.c_str());
        return result;
    }
    Print(name + ".pid", serverId);

    SoakMix mix(wrapper.get(), static_cast<DWORD>(serverId), provider, options.leak);
    std::string problem;
    if (!mix.Prepare(&problem)) {
        std::fprintf(stderr, "plimo_soak: %s\n", problem.c_str());
    } else if (options.perCase > 0) {
        result.ran = GrowthPerCase(name, options, wrapper.get(), &mix);
    } else {
        result.ran = RunMix(name, options, wrapper.get(), &mix, &result);
    }
    if (!result.ran) {
        std::fprintf(stderr, "plimo_soak: %s's figures cannot be read\n", name.c_str());
    }
    if (judged) {
        result.unexpected = mix.Unexpected();
        for (const auto& [call, what] : mix.Problems()) {
            std::printf("%s.unexpected.%s=%s\n", name.c_str(), call.c_str(), what.c_str());
        }
    }
    result.ended = ReleaseAndWaitForEnd(&wrapper, static_cast<DWORD>(serverId), &result.exitCode);
    Print(name + ".exit", result.ended ? static_cast<long>(result.exitCode) : -1);
    return result;
}

void PrintGrowth(const std::string& name, const SoakResult& result) {
    Print(name + ".calls", result.calls);
    Print(name + ".end.private_bytes", result.end.privateBytes);
    Print(name + ".end.handles", result.end.handles);
    Print(name + ".end.heap_bytes", result.end.heapBytes);
    Print(name + ".peak.private_bytes", result.peak.privateBytes);
    Print(name + ".growth.private_bytes", result.end.privateBytes - result.warm.privateBytes);
    Print(name + ".growth.heap_bytes", result.end.heapBytes - result.warm.heapBytes);
    Print(name + ".growth.handles", result.end.handles - result.warm.handles);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: plimo_soak [--calls N] [--warmup N] [--samples N] "
                             "[--per-case N] [--only plimo|baseline] [--leak N]\n");
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) {
        std::fprintf(stderr, "plimo_soak: CoInitialize failed\n");
        return 1;
    }
    // Both servers' interface is marshalled from PlimoCOMWrapper's type library.
    if (RegisterServer() != S_OK) {
        std::fprintf(stderr, "plimo_soak: registering PlimoCOMWrapper.exe failed\n");
        ::CoUninitialize();
        return 1;
    }
    Print("calls.per_turn", SoakMix::TurnLength());
    SoakResult plimo, baseline;
    if (options.plimo) {
        plimo = SoakServer("plimo", CLSID_TovikPlimoWrapper, true, options);
    }
    if (options.baseline) {
        BaselineRegistration registration(BesideProgram(L"plimo_baseline_server.exe"));
        if (registration.Registered()) {
            baseline = SoakServer("baseline", bench::kBaselineClsid, false, options);
        }
    }
    ::CoUninitialize();

    // A diagnosis, or one server alone, shows figures and passes no verdict.
    if (options.perCase > 0 || !options.plimo || !options.baseline) {
        const std::pair<const char*, const SoakResult*> runs[] = {{"plimo", &plimo},
                                                                  {"baseline", &baseline}};
        for (const auto& [name, result] : runs) {
            if (result->ran && options.perCase == 0) {
                PrintGrowth(name, *result);
            }
        }
        std::printf("verdict=none\n");
        return plimo.ran || baseline.ran ? 0 : 1;
    }
    if (!plimo.ran || !baseline.ran) {
        std::printf("verdict=not run\n");
        return 1;
    }
    PrintGrowth("plimo", plimo);
    PrintGrowth("baseline", baseline);
    // What PlimoCOMWrapper's process grew by beyond what the platform's own stubs made the
    // baseline's grow under the same calls.
    auto added = [&](LONG ServerFigures::*figure) {
        return static_cast<long>((plimo.end.*figure - plimo.warm.*figure) -
                                 (baseline.end.*figure - baseline.warm.*figure));
    };
    const long addedPrivate = added(&ServerFigures::privateBytes);
    const long addedHeap = added(&ServerFigures::heapBytes);
    const long handles = plimo.end.handles - plimo.warm.handles;
    Print("added.private_bytes", addedPrivate);
    Print("added.heap_bytes", addedHeap);
    Print("bound.private_bytes", kPrivateBytesNoise);
    Print("bound.heap_bytes", kHeapBytesNoise);
    Print("bound.handles", kHandleNoise);
    const bool clean = plimo.unexpected == 0 && addedPrivate <= kPrivateBytesNoise &&
                       addedHeap <= kHeapBytesNoise && handles <= kHandleNoise && plimo.ended &&
                       plimo.exitCode == 0 && baseline.ended && baseline.exitCode == 0;
    Print("unexpected", plimo.unexpected);
    std::printf("verdict=%s\n", clean ? "no growth" : "FAILED");
    std::fflush(stdout);
    return clean ? 0 : 1;
}
