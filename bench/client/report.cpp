#include "report.h"

#include <cstdio>

#include "scoped_resource.h"

namespace {

int CloseFile(FILE* file) {
    return std::fclose(file);
}
using ScopedFile = ScopedResource<FILE*, &CloseFile>;

} // namespace

double AddedPercent(const Row& row) {
    return row.reference > 0 ? (row.measured / row.reference - 1.0) * 100.0 : 0.0;
}

void PrintTable(const std::vector<Row>& rows) {
    std::printf("%-38s %-6s %6s %13s %13s %-3s %9s  %s\n", "measure", "bound", "names", "PlimoCOM",
                "floor", "", "adds", "goal");
    for (const Row& row : rows) {
        std::string verdict = "-";
        if (row.goalPercent >= 0) {
            char goal[32];
            std::snprintf(goal, sizeof goal, "<= %.0f %%: ", row.goalPercent);
            verdict = goal;
            verdict += AddedPercent(row) <= row.goalPercent ? "met" : "MISSED";
        }
        std::printf("%-38s %-6s %6ld %13.1f %13.1f %-3s %+8.1f%%  %s\n", row.measure.c_str(),
                    row.binding.c_str(), row.names, row.measured, row.reference, row.unit.c_str(),
                    AddedPercent(row), verdict.c_str());
    }
    std::fflush(stdout);
}

bool WriteCsv(const std::wstring& path, const std::vector<Row>& rows) {
    ScopedFile file(::_wfopen(path.c_str(), L"w"));
    if (!file) {
        return false;
    }
    std::fprintf(file.get(), "measure,binding,names,measured,reference,unit,adds_percent,"
                             "goal_percent\n");
    for (const Row& row : rows) {
        std::fprintf(file.get(), "%s,%s,%ld,%.3f,%.3f,%s,%.2f,%.0f\n", row.measure.c_str(),
                     row.binding.c_str(), row.names, row.measured, row.reference, row.unit.c_str(),
                     AddedPercent(row), row.goalPercent);
    }
    return std::fflush(file.get()) == 0;
}
