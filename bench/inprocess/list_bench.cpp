// In process, 32-bit like the server: building the bridge's file-name list for 10,000 names
// against a plain loop that converts every name straight from the client's array into one
// buffer, and the plain loop against itself for the noise. Interleaved A B B' B' B A; each keeps
// its minimum.
//
// usage: plimo_list_bench [--rounds N]; prints key=value lines, times in microseconds.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "safe_array_access.h"
#include "file_name_list.h"
#include "file_names.h"
#include "stopwatch.h"
#include "test_arrays.h"

namespace {

constexpr LONG kNames = 10000;
constexpr int kRepeats = 10; // per measurement; the minimum of the means is kept

volatile LONG g_sink = 0;

// The bridge's list, built and destroyed.
void BuildFileNameList(const VARIANT& names) {
    FileNameList list;
    if (SUCCEEDED(list.Load(names))) {
        g_sink = g_sink + list.Count();
    }
}

// What a plain loop does: every name converted, straight from the client's array, into one
// buffer made for the whole list (two bytes per unit, as the list sizes each name).
void PlainLoop(const VARIANT& names) {
    SAFEARRAY* array = names.parray;
    SafeArrayAccess<BSTR> data;
    if (FAILED(data.Open(array))) return;
    const ULONG count = array->rgsabound[0].cElements;
    size_t units = 0;
    for (ULONG i = 0; i < count; ++i) {
        units += ::SysStringLen(data[i]) + 1;
    }
    std::unique_ptr<char[]> text(new char[2 * units]);
    std::vector<const char*> pointers(count);
    char* cursor = text.get();
    for (ULONG i = 0; i < count; ++i) {
        const int room = static_cast<int>(2 * (::SysStringLen(data[i]) + 1));
        pointers[i] = cursor;
        cursor +=
            ::WideCharToMultiByte(CP_THREAD_ACP, 0, data[i], -1, cursor, room, nullptr, nullptr);
    }
    g_sink = g_sink + static_cast<LONG>(pointers.size());
}

using Subject = void (*)(const VARIANT&);

double MeanMicroseconds(Subject subject, const VARIANT& names) {
    Stopwatch clock;
    for (int i = 0; i < kRepeats; ++i) {
        subject(names);
    }
    return clock.ElapsedMicroseconds() / kRepeats;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 5;
    if (argc == 3 && std::wcscmp(argv[1], L"--rounds") == 0) {
        rounds = std::max(1, _wtoi(argv[2]));
    }
    ScopedVariant names = OwnedArgument(BstrArray(FileNames(kNames)));
    if (names.get().parray == nullptr) {
        std::fprintf(stderr, "plimo_list_bench: out of memory\n");
        return 1;
    }
    struct Measured {
        const char* key;
        Subject subject;
        double best;
    };
    Measured measured[] = {{"file_name_list.us", &BuildFileNameList, 1e300},
                           {"plain_loop.us", &PlainLoop, 1e300},
                           {"plain_loop_again.us", &PlainLoop, 1e300}};
    constexpr int kSubjects = sizeof measured / sizeof measured[0];
    for (Measured& m : measured) {
        m.subject(names.get()); // warm the heap and the code page tables
    }
    for (int round = 0; round < rounds; ++round) {
        for (int step = 0; step < 2 * kSubjects; ++step) {
            const int forward = step < kSubjects ? step : 2 * kSubjects - 1 - step;
            Measured& m = measured[round % 2 == 0 ? forward : kSubjects - 1 - forward];
            m.best = std::min(m.best, MeanMicroseconds(m.subject, names.get()));
        }
    }
    std::printf("names=%ld\n", static_cast<long>(kNames));
    for (const Measured& m : measured) {
        std::printf("%s=%.1f\n", m.key, m.best);
    }
    return 0;
}
