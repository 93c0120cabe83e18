// The benchmark and the soak, one 64-bit client with a mode, both driving PlimoCOMWrapper (with
// the bench provider behind it) and the baseline server through the table of calls.
//
// The benchmark: per-call times against the baseline, early and late bound; activation of both;
// and, in process, the file-name list against a plain conversion loop. A second baseline process
// is measured against the first exactly as the server is, in the same rounds: what separates the
// two baselines is noise, and each row shows it beside the server's difference.
//
// The soak: the table's calls, round and round, against one server; then the private bytes, heap
// bytes and handles the server process reports of itself, against their values after warm-up.
// The same calls then go to the baseline, whose growth is the platform's own, so that what
// PlimoCOMWrapper adds can be told from what Wine's stubs keep. It measures: that each answer is
// right is the tests' business; it counts the calls whose HRESULT is not the table's. It prints
// key=value lines and passes when the verdict is "no growth" (see bench/README.md).
//
// usage: plimo_bench [--rounds N] [--activations N] [--csv <file>]
//        plimo_bench soak [--calls N] [--warmup N] [--samples N] [--leak N]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "bench_protocol.h"
#include "bench_servers.h"
#include "call_table.h"
#include "child_process.h"
#include "com_initialization.h"
#include "emulation.h"
#include "scoped_resource.h"
#include "stopwatch.h"
#include "test_paths.h"

namespace {

struct Options {
    bool soak = false;
    long rounds = 5;
    long activations = 4;
    std::wstring csv;
    long calls = 100000;
    long warmup = 2000;
    long samples = 10;
    long leak = 0; // bytes the provider is asked to keep at every SccSetOption
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    options->soak = argc > 1 && std::wcscmp(argv[1], L"soak") == 0;
    int i = options->soak ? 2 : 1;
    const std::pair<const wchar_t*, long*> numbers[] = {
        {L"--rounds", &options->rounds},   {L"--activations", &options->activations},
        {L"--calls", &options->calls},     {L"--warmup", &options->warmup},
        {L"--samples", &options->samples}, {L"--leak", &options->leak}};
    for (; i + 1 < argc; i += 2) {
        const auto number =
            std::find_if(std::begin(numbers), std::end(numbers),
                         [&](const auto& known) { return std::wcscmp(argv[i], known.first) == 0; });
        if (number != std::end(numbers)) {
            *number->second = std::max(0L, static_cast<long>(_wtol(argv[i + 1])));
        } else if (std::wcscmp(argv[i], L"--csv") == 0) {
            options->csv = argv[i + 1];
        } else {
            return false;
        }
    }
    for (long* atLeastOne : {&options->rounds, &options->activations, &options->samples}) {
        *atLeastOne = std::max(1L, *atLeastOne);
    }
    return i == argc;
}

bool Fail(const std::string& what) {
    std::fprintf(stderr, "plimo_bench: %s\n", what.c_str());
    return false;
}

void Print(const std::string& key, long value) {
    std::printf("%s=%ld\n", key.c_str(), value);
}

// ---- The benchmark ----

// A measured batch lasts about this long, so the counter's resolution and the odd scheduling
// hiccup weigh little; each cell then keeps its best batch.
constexpr double kBatchMicroseconds = 60000;
constexpr double kNone = 1e300;

// A, the real server; B, the baseline; B', a second baseline process, measured against B.
enum Server { kPlimo, kBaseline, kBaselineAgain, kServers };
const char* const kServerNames[] = {"PlimoCOMWrapper", "the baseline", "the second baseline"};

const CLSID& ClassOf(const BenchWidth& width, int server) {
    return server == kPlimo ? *width.plimo : *width.baseline;
}

// The `step`-th server of a round: A B B' B' B A, and B' B A A B B' the next round, so that A
// against B and B against B' are each measured A B B A, then B A A B.
int Order(int round, int step) {
    constexpr int kForward[] = {kPlimo,         kBaseline, kBaselineAgain,
                                kBaselineAgain, kBaseline, kPlimo};
    return round % 2 == 0 ? kForward[step] : kBaselineAgain - kForward[step];
}

// One row of the table: the server (or the list) against the floor, and the floor's second
// instance against the first.
struct Row {
    int bits; // the width of the servers measured
    std::string measure;
    std::string binding; // "early", "late" or "-"
    long names;
    double measured, reference, again;
    std::string unit;
    double goalPercent; // the most `measured` may add to `reference`; negative: no goal
};

double Added(double figure, double reference) {
    return (figure / reference - 1.0) * 100.0;
}

// Microseconds per call of `call` over a batch of `calls`; negative when a call's answer was not
// the one it must be.
double MeasureBatch(CallArguments& arguments, const Call& call, int calls) {
    Stopwatch clock;
    for (int i = 0; i < calls; ++i) {
        if (arguments.Make(call) != call.expected) {
            return -1;
        }
    }
    return clock.ElapsedMicroseconds() / calls;
}

bool MeasureCalls(const Options& options, const BenchWidth& width, std::vector<Row>* rows) {
    ServedWrapper served[kServers];
    for (int s = 0; s < kServers; ++s) {
        if (FAILED(ActivateAndBind(ClassOf(width, s), width, &served[s]))) {
            return Fail(std::string("activating and binding ") + kServerNames[s] + " failed");
        }
    }
    const std::vector<Call> cells = CallsWhere([](const Call& call) { return call.timed; });

    // Warm-up, which also resolves the late-bound names; then each cell's batch size, from the
    // baseline's pace.
    std::vector<int> batch;
    for (const Call& cell : cells) {
        for (int s = 0; s < kServers; ++s) {
            if (MeasureBatch(*served[s].arguments, cell, 3) < 0) {
                return Fail(std::string(kServerNames[s]) + " failed " + cell.method);
            }
        }
        const double pace = MeasureBatch(*served[kBaseline].arguments, cell, 3);
        batch.push_back(static_cast<int>(std::clamp(kBatchMicroseconds / pace, 3.0, 1000.0)));
    }

    std::vector<std::vector<double>> best(cells.size(), std::vector<double>(kServers, kNone));
    for (int round = 0; round < options.rounds; ++round) {
        for (size_t c = 0; c < cells.size(); ++c) {
            for (int i = 0; i < 2 * kServers; ++i) {
                const int s = Order(round + static_cast<int>(c), i);
                const double perCall = MeasureBatch(*served[s].arguments, cells[c], batch[c]);
                if (perCall < 0) {
                    return Fail(std::string(kServerNames[s]) + ": a measured call failed");
                }
                best[c][s] = std::min(best[c][s], perCall);
            }
        }
    }
    for (size_t c = 0; c < cells.size(); ++c) {
        const Call& cell = cells[c];
        rows->push_back({width.bits, cell.method, cell.late ? "late" : "early", cell.names,
                         best[c][kPlimo], best[c][kBaseline], best[c][kBaselineAgain], "us",
                         cell.names == 0 ? 1.0 : 5.0});
    }

    for (int s = 0; s < kServers; ++s) {
        DWORD exitCode = 0;
        if (!ReleaseAndWaitForEnd(&served[s], &exitCode)) {
            return Fail(std::string(kServerNames[s]) + " did not end after its release");
        }
    }
    return true;
}

bool MeasureActivations(const Options& options, const BenchWidth& width, std::vector<Row>* rows) {
    double best[kServers] = {kNone, kNone, kNone};
    for (int round = 0; round < options.activations; ++round) {
        for (int i = 0; i < kServers; ++i) {
            const int s = Order(round, i);
            ServedWrapper served;
            double elapsed = 0;
            DWORD exitCode = 0;
            if (FAILED(ActivateAndBind(ClassOf(width, s), width, &served, 0, &elapsed)) ||
                !ReleaseAndWaitForEnd(&served, &exitCode)) {
                return Fail(std::string(kServerNames[s]) + " did not activate, bind and end");
            }
            best[s] = std::min(best[s], elapsed / 1000);
        }
    }
    rows->push_back({width.bits, "activation (create to first answer)", "-", 0, best[kPlimo],
                     best[kBaseline], best[kBaselineAgain], "ms", 10});
    return true;
}

// The in-process comparison runs in a 32-bit program of its own, which links the bridge.
bool MeasureInProcess(const Options& options, std::vector<Row>* rows) {
    const ChildResult run = RunChild(Quoted(BesideTest(L"plimo_list_bench.exe")) + L" --rounds " +
                                         std::to_wstring(options.rounds),
                                     true);
    if (!run.finished || run.exitCode != 0) {
        return Fail("plimo_list_bench.exe failed:\n" + run.output);
    }
    auto values = ParseKeyValues(run.output);
    auto figure = [&](const char* key) { return std::atof(values[key].c_str()); };
    rows->push_back({32, "in process: file-name list", "-", static_cast<long>(figure("names")),
                     figure("file_name_list.us"), figure("plain_loop.us"),
                     figure("plain_loop_again.us"), "us", -1});
    return true;
}

int CloseFile(FILE* file) {
    return std::fclose(file);
}
using ScopedFile = ScopedResource<FILE*, &CloseFile>;

// Prints the table with its noise line, and writes the rows to `csv` too; false when the CSV file
// cannot be written.
bool Report(const std::vector<Row>& rows, const std::wstring& csv) {
    ScopedFile file(csv.empty() ? nullptr : ::_wfopen(csv.c_str(), L"w"));
    if (!csv.empty() && !file) {
        return false;
    }
    std::printf("%-4s %-36s %-5s %6s %12s %12s %-3s %8s %7s  %s\n", "bits", "measure", "bound",
                "names", "PlimoCOM", "floor", "", "adds", "noise", "goal");
    if (file) {
        std::fprintf(file.get(), "bits,measure,binding,names,measured,reference,reference_again,"
                                 "unit,adds_percent,noise_percent,goal_percent\n");
    }
    std::map<std::pair<int, double>, double> noiseByGoal;
    for (const Row& row : rows) {
        const double added = Added(row.measured, row.reference);
        const double noise = Added(row.again, row.reference);
        std::string verdict = "-";
        if (row.goalPercent >= 0) {
            char goal[32];
            std::snprintf(goal, sizeof goal, "<= %.0f %%: ", row.goalPercent);
            verdict = goal;
            verdict += added <= row.goalPercent ? "met" : "MISSED";
            double& widest = noiseByGoal[{row.bits, row.goalPercent}];
            widest = std::max(widest, std::fabs(noise));
        }
        std::printf("%-4d %-36s %-5s %6ld %12.1f %12.1f %-3s %+7.1f%% %+6.1f%%  %s\n", row.bits,
                    row.measure.c_str(), row.binding.c_str(), row.names, row.measured,
                    row.reference, row.unit.c_str(), added, noise, verdict.c_str());
        if (file) {
            std::fprintf(file.get(), "%d,%s,%s,%ld,%.3f,%.3f,%.3f,%s,%.2f,%.2f,%.0f\n", row.bits,
                         row.measure.c_str(), row.binding.c_str(), row.names, row.measured,
                         row.reference, row.again, row.unit.c_str(), added, noise, row.goalPercent);
        }
    }
    // The noise line: how far the floor strays from itself in this run, per goal.
    std::printf("noise: the floor against itself (a second baseline, measured alike in the same "
                "rounds) differs by at most");
    const char* separator = "";
    for (const auto& [cell, noise] : noiseByGoal) {
        std::printf("%s %.1f %% at %d bits where the goal is %.0f %%", separator, noise, cell.first,
                    cell.second);
        separator = ",";
    }
    std::printf("\n");
    std::fflush(stdout);
    return !file || std::fflush(file.get()) == 0;
}

bool RunBenchmark(const Options& options, bool with64) {
    // Under emulation every figure of the 32-bit side is the emulator's: it must say so.
    std::printf("32-bit side: %s\n",
                ThirtyTwoBitCodeIsEmulated()
                    ? "emulated (the server's and the floor's times are QEMU's, not their own; "
                      "see bench/README.md)"
                    : "native");
    std::printf("64-bit side: %s\n", with64 ? "native" : "not built");
    std::vector<Row> rows;
    for (const BenchWidth* width : {&kBench32, &kBench64}) {
        if ((width->bits == 32 || with64) && (!MeasureCalls(options, *width, &rows) ||
                                              !MeasureActivations(options, *width, &rows))) {
            return false;
        }
    }
    if (!MeasureInProcess(options, &rows)) {
        return false;
    }
    return Report(rows, options.csv) || Fail("cannot write the CSV file");
}

// ---- The soak ----

// Longer lists add time, not code paths: the soak leaves them to the benchmark.
constexpr LONG kLongestList = 100;

// The calls of one turn, in the table's order, so that every turn ends with the provider bound.
const std::vector<Call>& Turn() {
    static const std::vector<Call> turn =
        CallsWhere([](const Call& call) { return call.names <= kLongestList; });
    return turn;
}

// Enough whole turns for `calls` calls, at least one.
long TurnsFor(long calls) {
    const long turn = static_cast<long>(Turn().size());
    return std::max(1L, (calls + turn - 1) / turn);
}

// The figures of a serving process the soak reads, with the keys they are printed under: the
// bench provider (or the baseline) gives each as the cookie of SccGetCommandOptionsByRef.
enum Figure { kPrivateBytes, kHeapBytes, kHandles, kFigureCount };
const LONG kFigureCommands[] = {bench::kPrivateBytesCommand, bench::kHeapBytesCommand,
                                bench::kHandleCountCommand};
const char* const kFigureKeys[] = {"private_bytes", "heap_bytes", "handles"};
using Figures = std::array<LONG, kFigureCount>;

bool ReadFigures(IPlimoWrapper* wrapper, Figures* figures) {
    for (int f = 0; f < kFigureCount; ++f) {
        LONG result = 0;
        if (wrapper->SccGetCommandOptionsByRef(0, kFigureCommands[f], &(*figures)[f], &result) !=
            S_OK) {
            return false;
        }
    }
    return true;
}

void PrintFigures(const std::string& prefix, const Figures& figures) {
    for (int f = 0; f < kFigureCount; ++f) {
        Print(prefix + "." + kFigureKeys[f], figures[f]);
    }
}

// What one server's soak found.
struct SoakResult {
    bool ran = false;
    Figures warm{}, end{}, growth{};
    long calls = 0;
    long unexpected = 0;
    bool ended = false;
    DWORD exitCode = 0;
};

// Makes `turns` turns of the mix. When `judged`, counts in *unexpected the calls that came back
// otherwise than the table says, and prints the first.
void RunTurns(CallArguments& arguments, const std::string& name, bool judged, long turns,
              long* unexpected) {
    const std::vector<Call>& turn = Turn();
    for (size_t made = 0; made < static_cast<size_t>(turns) * turn.size(); ++made) {
        const Call& call = turn[made % turn.size()];
        const HRESULT hr = arguments.Make(call);
        if (judged && hr != call.expected && (*unexpected)++ == 0) {
            std::printf("%s.unexpected.first=%s%s %s (%ld names): 0x%08lX\n", name.c_str(),
                        call.late ? "late " : "", call.method, call.input,
                        static_cast<long>(call.names), static_cast<unsigned long>(hr));
        }
    }
}

// Activates `clsid`, soaks it, releases it and waits for its end. `judged`: the HRESULTs count
// (the baseline answers as itself, so only its figures do).
SoakResult Soak(const std::string& name, const CLSID& clsid, bool judged, const Options& options) {
    SoakResult result;
    ServedWrapper served;
    if (FAILED(ActivateAndBind(clsid, kBench32, &served, options.leak))) {
        std::fprintf(stderr, "plimo_bench: %s did not activate and bind\n", name.c_str());
        return result;
    }
    Print(name + ".pid", static_cast<long>(served.processId));
    CallArguments& arguments = *served.arguments;
    const long turn = static_cast<long>(Turn().size());
    const long turns = TurnsFor(options.calls);
    const long step = TurnsFor(options.calls / options.samples);
    RunTurns(arguments, name, judged, TurnsFor(options.warmup), &result.unexpected);
    Print(name + ".warmup", TurnsFor(options.warmup) * turn);
    // The first reading sets up what reading takes in the server; the second is the warm one.
    result.ran = ReadFigures(served.wrapper.get(), &result.warm) &&
                 ReadFigures(served.wrapper.get(), &result.warm);
    PrintFigures(name + ".warm", result.warm);
    for (long sample = 1, done = 0; result.ran && done < turns; ++sample) {
        const long stretch = std::min(step, turns - done);
        RunTurns(arguments, name, judged, stretch, &result.unexpected);
        done += stretch;
        result.calls = done * turn;
        result.ran = ReadFigures(served.wrapper.get(), &result.end);
        const std::string prefix = name + ".sample." + std::to_string(sample);
        Print(prefix + ".calls", result.calls);
        PrintFigures(prefix, result.end);
        std::fflush(stdout);
    }
    if (!result.ran) {
        std::fprintf(stderr, "plimo_bench: %s's figures cannot be read\n", name.c_str());
    }
    result.ended = ReleaseAndWaitForEnd(&served, &result.exitCode);
    Print(name + ".exit", result.ended ? static_cast<long>(result.exitCode) : -1);
    Print(name + ".calls", result.calls);
    PrintFigures(name + ".end", result.end);
    for (int f = 0; f < kFigureCount; ++f) {
        result.growth[f] = result.end[f] - result.warm[f];
    }
    PrintFigures(name + ".growth", result.growth);
    return result;
}

// Soaks the server, then the baseline; passes the verdict.
bool RunSoak(const Options& options) {
    std::printf("thirty_two_bit=%s\n", ThirtyTwoBitCodeIsEmulated() ? "emulated" : "native");
    Print("calls.per_turn", static_cast<long>(Turn().size()));
    const SoakResult plimo = Soak("plimo", CLSID_TovikPlimoWrapper, true, options);
    const SoakResult baseline = Soak("baseline", bench::kBaselineClsid, false, options);
    if (!plimo.ran || !baseline.ran) {
        std::printf("verdict=not run\n");
        return false;
    }
    // What PlimoCOMWrapper's process grew by beyond what the platform's own stubs made the
    // baseline's grow under the same calls.
    Figures added{};
    for (int f = 0; f < kFigureCount; ++f) {
        added[f] = plimo.growth[f] - baseline.growth[f];
    }
    Print("added.private_bytes", added[kPrivateBytes]);
    Print("added.heap_bytes", added[kHeapBytes]);
    Print("bound.private_bytes", bench::kPrivateBytesNoise);
    Print("bound.heap_bytes", bench::kHeapBytesNoise);
    Print("bound.handles", bench::kHandleNoise);
    Print("unexpected", plimo.unexpected);
    const bool clean = plimo.unexpected == 0 && added[kPrivateBytes] <= bench::kPrivateBytesNoise &&
                       added[kHeapBytes] <= bench::kHeapBytesNoise &&
                       plimo.growth[kHandles] <= bench::kHandleNoise && plimo.ended &&
                       plimo.exitCode == 0 && baseline.ended && baseline.exitCode == 0;
    std::printf("verdict=%s\n", clean ? "no growth" : "FAILED");
    std::fflush(stdout);
    return clean;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: plimo_bench [--rounds N] [--activations N] [--csv <file>]\n"
                             "       plimo_bench soak [--calls N] [--warmup N] [--samples N] "
                             "[--leak N]\n");
        return 2;
    }
    ComInitialization com;
    if (FAILED(com.Initialize(COINIT_APARTMENTTHREADED))) {
        Fail("CoInitialize failed");
        return 1;
    }
    BaselineRegistration baseline;
    const bool passed = !baseline.Registered() ? Fail("registering the servers failed")
                        : options.soak         ? RunSoak(options)
                                               : RunBenchmark(options, baseline.Registered64());
    return passed ? 0 : 1;
}
