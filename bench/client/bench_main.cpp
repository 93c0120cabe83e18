// The benchmark: per-call times through PlimoCOMWrapper (with the bench provider behind it) and
// through the baseline server, early and late bound, from this 64-bit client; activation of
// both; and, in process, the file-name list against a plain conversion loop. Measurements of
// the two servers are interleaved (A B B A) and each cell keeps its minimum.
//
// usage: plimo_bench [--rounds N] [--activations N] [--csv <file>]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "baseline_registration.h"
#include "bench_protocol.h"
#include "bench_target.h"
#include "report.h"
#include "server_process.h"
#include "stopwatch.h"

namespace {

constexpr HRESULT kNoProviderEntry = static_cast<HRESULT>(0x800710DD);
// A measured batch lasts about this long, so the counter's resolution and the odd scheduling
// hiccup weigh little; each cell then keeps its best batch.
constexpr double kBatchMicroseconds = 60000;

struct Options {
    int rounds = 5;
    int activations = 4;
    std::wstring csv;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        if (arg == L"--rounds") {
            options->rounds = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--activations") {
            options->activations = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--csv") {
            options->csv = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "plimo_bench: %s\n", what.c_str());
}

// The two servers compared: A, the real one, and B, the baseline.
enum Server { kPlimo = 0, kBaseline = 1 };
const CLSID& ClassOf(Server server) {
    return server == kPlimo ? CLSID_TovikPlimoWrapper : bench::kBaselineClsid;
}
const char* NameOf(Server server) {
    return server == kPlimo ? "PlimoCOMWrapper" : "baseline";
}

// Makes the activated server ready for calls: the real one binds the bench provider. Both then
// give their process id through SccGetVersion.
bool Bind(Server server, IPlimoWrapper* wrapper, DWORD* serverId) {
    if (server == kPlimo) {
        ScopedBstr provider(::SysAllocString(BesideProgram(L"plimo_bench_provider.dll").c_str()));
        if (wrapper->Init(provider.get()) != S_OK) {
            return false;
        }
    }
    LONG id = 0;
    if (wrapper->SccGetVersion(&id) != S_OK) {
        return false;
    }
    *serverId = static_cast<DWORD>(id);
    return true;
}

// One activation: CoCreateInstance up to the first answered call, in microseconds; negative on
// failure. The server is released and has ended when this returns.
double MeasureActivation(Server server) {
    ScopedInterface<IPlimoWrapper> wrapper;
    LONG answer = 0;
    Stopwatch clock;
    HRESULT hr = Activate(ClassOf(server), &wrapper);
    if (FAILED(hr)) {
        Fail(std::string("activating ") + NameOf(server) + " failed");
        return -1;
    }
    // Answered either way: before Init the real server has no provider to ask.
    hr = wrapper.get()->SccGetVersion(&answer);
    const double elapsed = clock.ElapsedMicroseconds();
    if (hr != S_OK && hr != kNoProviderEntry) {
        Fail(std::string("the first call to ") + NameOf(server) + " failed");
        return -1;
    }
    DWORD serverId = 0, exitCode = 0;
    if (!Bind(server, wrapper.get(), &serverId) ||
        !ReleaseAndWaitForEnd(&wrapper, serverId, &exitCode)) {
        Fail(std::string(NameOf(server)) + " did not bind or did not end");
        return -1;
    }
    return elapsed;
}

// Microseconds per call of `cell` over a batch of `calls`; negative when a call failed.
double MeasureBatch(BenchTarget& target, const Cell& cell, int calls) {
    Stopwatch clock;
    for (int i = 0; i < calls; ++i) {
        if (target.Call(cell) != S_OK) {
            return -1;
        }
    }
    return clock.ElapsedMicroseconds() / calls;
}

// Interleaves A B B A in even rounds and B A A B in odd ones.
const Server* Order(int round) {
    static const Server forward[] = {kPlimo, kBaseline, kBaseline, kPlimo};
    static const Server backward[] = {kBaseline, kPlimo, kPlimo, kBaseline};
    return round % 2 == 0 ? forward : backward;
}

bool MeasureActivations(const Options& options, std::vector<Row>* rows) {
    double best[2] = {1e300, 1e300};
    for (int round = 0; round < options.activations; ++round) {
        for (int i = 0; i < 2; ++i) {
            const Server server = Order(round)[i];
            const double elapsed = MeasureActivation(server);
            if (elapsed < 0) {
                return false;
            }
            best[server] = std::min(best[server], elapsed);
        }
    }
    rows->push_back({"activation (create to first answer)", "-", 0, best[kPlimo] / 1000,
                     best[kBaseline] / 1000, "ms", 10});
    return true;
}

bool MeasureCalls(const Options& options, std::vector<Row>* rows) {
    NameLists names;
    if (!names.Ready()) {
        Fail("out of memory for the name lists");
        return false;
    }
    std::unique_ptr<BenchTarget> targets[2];
    for (Server server : {kPlimo, kBaseline}) {
        ScopedInterface<IPlimoWrapper> wrapper;
        DWORD serverId = 0;
        if (FAILED(Activate(ClassOf(server), &wrapper)) ||
            !Bind(server, wrapper.get(), &serverId)) {
            Fail(std::string("activating and binding ") + NameOf(server) + " failed");
            return false;
        }
        targets[server] = std::make_unique<BenchTarget>(std::move(wrapper), serverId, names);
        std::string problem;
        if (!targets[server]->Prepare(&problem)) {
            Fail(problem);
            return false;
        }
    }

    // Warm-up, which also proves that both servers answer every cell alike; then each cell's
    // batch size, from the baseline's pace.
    const std::vector<Cell> cells = MeasuredCells();
    std::vector<int> batch;
    for (const Cell& cell : cells) {
        for (Server server : {kPlimo, kBaseline}) {
            for (int i = 0; i < 3; ++i) {
                std::string problem;
                if (!targets[server]->CallAndCheck(cell, &problem)) {
                    Fail(std::string(NameOf(server)) + ", " + MethodName(cell.method) + ": " +
                         problem);
                    return false;
                }
            }
        }
        const double pace = MeasureBatch(*targets[kBaseline], cell, 3);
        batch.push_back(static_cast<int>(std::clamp(kBatchMicroseconds / pace, 3.0, 1000.0)));
    }

    std::vector<double> best[2];
    best[kPlimo].assign(cells.size(), 1e300);
    best[kBaseline].assign(cells.size(), 1e300);
    for (int round = 0; round < options.rounds; ++round) {
        for (size_t c = 0; c < cells.size(); ++c) {
            for (int i = 0; i < 4; ++i) {
                const Server server = Order(round + static_cast<int>(c))[i];
                const double perCall = MeasureBatch(*targets[server], cells[c], batch[c]);
                if (perCall < 0) {
                    Fail(std::string(NameOf(server)) + ": a measured call failed");
                    return false;
                }
                best[server][c] = std::min(best[server][c], perCall);
            }
        }
    }
    for (size_t c = 0; c < cells.size(); ++c) {
        rows->push_back({MethodName(cells[c].method), cells[c].late ? "late" : "early",
                         cells[c].names, best[kPlimo][c], best[kBaseline][c], "us", 5});
    }

    for (Server server : {kPlimo, kBaseline}) {
        const DWORD serverId = targets[server]->ServerId();
        ScopedInterface<IPlimoWrapper> wrapper = targets[server]->TakeWrapper();
        targets[server].reset();
        DWORD exitCode = 0;
        if (!ReleaseAndWaitForEnd(&wrapper, serverId, &exitCode)) {
            Fail(std::string(NameOf(server)) + " did not end after its release");
            return false;
        }
    }
    return true;
}

// The in-process comparison runs in a 32-bit program of its own, which links the bridge.
bool MeasureInProcess(const Options& options, std::vector<Row>* rows) {
    ProgramRun run = RunProgram(L"\"" + BesideProgram(L"plimo_list_bench.exe") + L"\" --rounds " +
                                    std::to_wstring(options.rounds),
                                true);
    if (!run.finished || run.exitCode != 0) {
        Fail("plimo_list_bench.exe failed:\n" + run.output);
        return false;
    }
    auto values = KeyValues(run.output);
    auto figure = [&](const char* key) { return std::atof(values[key].c_str()); };
    const long names = std::atol(values["names"].c_str());
    const double plain = figure("plain_loop.us");
    rows->push_back(
        {"in process: file-name list", "-", names, figure("file_name_list.us"), plain, "us", -1});
    rows->push_back(
        {"  of it: deep copy of the array", "-", names, figure("array_copy.us"), plain, "us", -1});
    rows->push_back({"  of it: names, one buffer each", "-", names, figure("per_name_buffers.us"),
                     plain, "us", -1});
    rows->push_back({"  mended: copy, one buffer for all", "-", names,
                     figure("copy_then_one_buffer.us"), plain, "us", -1});
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: plimo_bench [--rounds N] [--activations N] [--csv <file>]\n");
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) {
        Fail("CoInitialize failed");
        return 1;
    }
    std::vector<Row> rows;
    bool measured = false;
    {
        BaselineRegistration baseline(BesideProgram(L"plimo_baseline_server.exe"));
        if (!baseline.Registered()) {
            Fail("registering the baseline server failed");
        } else if (RegisterServer() != S_OK) {
            Fail("registering PlimoCOMWrapper.exe failed");
        } else {
            measured = MeasureCalls(options, &rows) && MeasureActivations(options, &rows) &&
                       MeasureInProcess(options, &rows);
        }
    }
    ::CoUninitialize();
    if (!measured) {
        return 1;
    }
    PrintTable(rows);
    if (!options.csv.empty() && !WriteCsv(options.csv, rows)) {
        Fail("cannot write the CSV file");
        return 1;
    }
    return 0;
}
