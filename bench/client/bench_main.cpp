// The benchmark: per-call times through PlimoCOMWrapper (with the bench provider behind it)
// against the baseline server, early and late bound, from this 64-bit client; activation of
// both; and, in process, the file-name list against a plain conversion loop. A second baseline
// process is measured against the first exactly as the server is, in the same rounds: what
// separates the two baselines is noise, and each row shows it beside the server's difference.
//
// usage: plimo_bench [--rounds N] [--activations N] [--csv <file>]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench_protocol.h"
#include "bench_servers.h"
#include "call_table.h"
#include "child_process.h"
#include "scoped_resource.h"
#include "stopwatch.h"
#include "test_paths.h"

namespace {

// A measured batch lasts about this long, so the counter's resolution and the odd scheduling
// hiccup weigh little; each cell then keeps its best batch.
constexpr double kBatchMicroseconds = 60000;
constexpr double kNone = 1e300;

struct Options {
    int rounds = 5;
    int activations = 4;
    std::wstring csv;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--rounds") {
            options->rounds = std::max(1, _wtoi(argv[i + 1]));
        } else if (name == L"--activations") {
            options->activations = std::max(1, _wtoi(argv[i + 1]));
        } else if (name == L"--csv") {
            options->csv = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

bool Fail(const std::string& what) {
    std::fprintf(stderr, "plimo_bench: %s\n", what.c_str());
    return false;
}

// A, the real server; B, the baseline; B', a second baseline process, measured against B.
enum Server { kPlimo, kBaseline, kBaselineAgain, kServers };
const char* const kServerNames[] = {"PlimoCOMWrapper", "the baseline", "the second baseline"};

const CLSID& ClassOf(int server) {
    return server == kPlimo ? CLSID_TovikPlimoWrapper : bench::kBaselineClsid;
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
        if (call.make(arguments) != call.expected) {
            return -1;
        }
    }
    return clock.ElapsedMicroseconds() / calls;
}

bool MeasureCalls(const Options& options, std::vector<Row>* rows) {
    ServedWrapper served[kServers];
    for (int s = 0; s < kServers; ++s) {
        if (FAILED(ActivateAndBind(ClassOf(s), &served[s]))) {
            return Fail(std::string("activating and binding ") + kServerNames[s] + " failed");
        }
    }
    const std::vector<const Call*> cells = CallsWhere([](const Call& call) { return call.timed; });

    // Warm-up, which also resolves the late-bound names; then each cell's batch size, from the
    // baseline's pace.
    std::vector<int> batch;
    for (const Call* cell : cells) {
        for (int s = 0; s < kServers; ++s) {
            if (MeasureBatch(*served[s].arguments, *cell, 3) < 0) {
                return Fail(std::string(kServerNames[s]) + " failed " + cell->method);
            }
        }
        const double pace = MeasureBatch(*served[kBaseline].arguments, *cell, 3);
        batch.push_back(static_cast<int>(std::clamp(kBatchMicroseconds / pace, 3.0, 1000.0)));
    }

    std::vector<std::vector<double>> best(cells.size(), std::vector<double>(kServers, kNone));
    for (int round = 0; round < options.rounds; ++round) {
        for (size_t c = 0; c < cells.size(); ++c) {
            for (int i = 0; i < 2 * kServers; ++i) {
                const int s = Order(round + static_cast<int>(c), i);
                const double perCall = MeasureBatch(*served[s].arguments, *cells[c], batch[c]);
                if (perCall < 0) {
                    return Fail(std::string(kServerNames[s]) + ": a measured call failed");
                }
                best[c][s] = std::min(best[c][s], perCall);
            }
        }
    }
    for (size_t c = 0; c < cells.size(); ++c) {
        const Call& cell = *cells[c];
        rows->push_back({cell.method, cell.late ? "late" : "early", cell.names, best[c][kPlimo],
                         best[c][kBaseline], best[c][kBaselineAgain], "us",
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

bool MeasureActivations(const Options& options, std::vector<Row>* rows) {
    double best[kServers] = {kNone, kNone, kNone};
    for (int round = 0; round < options.activations; ++round) {
        for (int i = 0; i < kServers; ++i) {
            const int s = Order(round, i);
            ServedWrapper served;
            double elapsed = 0;
            DWORD exitCode = 0;
            if (FAILED(ActivateAndBind(ClassOf(s), &served, 0, &elapsed)) ||
                !ReleaseAndWaitForEnd(&served, &exitCode)) {
                return Fail(std::string(kServerNames[s]) + " did not activate, bind and end");
            }
            best[s] = std::min(best[s], elapsed / 1000);
        }
    }
    rows->push_back({"activation (create to first answer)", "-", 0, best[kPlimo], best[kBaseline],
                     best[kBaselineAgain], "ms", 10});
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
    const auto values = ParseKeyValues(run.output);
    auto figure = [&](const char* key) {
        auto found = values.find(key);
        return found != values.end() ? std::atof(found->second.c_str()) : 0.0;
    };
    rows->push_back({"in process: file-name list", "-", static_cast<long>(figure("names")),
                     figure("file_name_list.us"), figure("plain_loop.us"),
                     figure("plain_loop_again.us"), "us", -1});
    return true;
}

void PrintTable(const std::vector<Row>& rows) {
    std::printf("%-36s %-5s %6s %12s %12s %-3s %8s %7s  %s\n", "measure", "bound", "names",
                "PlimoCOM", "floor", "", "adds", "noise", "goal");
    std::map<double, double> noiseByGoal;
    for (const Row& row : rows) {
        const double noise = Added(row.again, row.reference);
        std::string verdict = "-";
        if (row.goalPercent >= 0) {
            char goal[32];
            std::snprintf(goal, sizeof goal, "<= %.0f %%: ", row.goalPercent);
            verdict = goal;
            verdict += Added(row.measured, row.reference) <= row.goalPercent ? "met" : "MISSED";
            noiseByGoal[row.goalPercent] = std::max(noiseByGoal[row.goalPercent], std::fabs(noise));
        }
        std::printf("%-36s %-5s %6ld %12.1f %12.1f %-3s %+7.1f%% %+6.1f%%  %s\n",
                    row.measure.c_str(), row.binding.c_str(), row.names, row.measured,
                    row.reference, row.unit.c_str(), Added(row.measured, row.reference), noise,
                    verdict.c_str());
    }
    // The noise line: how far the floor strays from itself in this run, per goal.
    std::printf("noise: a second floor against the first, measured alike in the same rounds,");
    const char* separator = " differs by at most";
    for (const auto& [goal, noise] : noiseByGoal) {
        std::printf("%s %.1f %% where the goal is %.0f %%", separator, noise, goal);
        separator = ",";
    }
    std::printf("\n");
    std::fflush(stdout);
}

int CloseFile(FILE* file) {
    return std::fclose(file);
}
using ScopedFile = ScopedResource<FILE*, &CloseFile>;

bool WriteCsv(const std::wstring& path, const std::vector<Row>& rows) {
    ScopedFile file(::_wfopen(path.c_str(), L"w"));
    if (!file) {
        return false;
    }
    std::fprintf(file.get(), "measure,binding,names,measured,reference,reference_again,unit,"
                             "adds_percent,noise_percent,goal_percent\n");
    for (const Row& row : rows) {
        std::fprintf(file.get(), "%s,%s,%ld,%.3f,%.3f,%.3f,%s,%.2f,%.2f,%.0f\n",
                     row.measure.c_str(), row.binding.c_str(), row.names, row.measured,
                     row.reference, row.again, row.unit.c_str(), Added(row.measured, row.reference),
                     Added(row.again, row.reference), row.goalPercent);
    }
    return std::fflush(file.get()) == 0;
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
        BaselineRegistration baseline;
        measured = baseline.Registered()
                       ? MeasureCalls(options, &rows) && MeasureActivations(options, &rows) &&
                             MeasureInProcess(options, &rows)
                       : Fail("registering the baseline server failed");
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
