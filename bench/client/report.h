// The benchmark's results: one row per measured figure, printed as a table and written as CSV.
#pragma once

#include <string>
#include <vector>

struct Row {
    std::string measure; // what was measured
    std::string binding; // "early", "late" or "-"
    long names;          // file names carried, 0 for none
    double measured;     // the server (or, in process, the file-name list)
    double reference;    // the baseline (or, in process, the plain conversion loop)
    std::string unit;    // of both figures
    double goalPercent;  // the most `measured` may add to `reference`; negative: no goal
};

// What `measured` adds to `reference`, in percent.
double AddedPercent(const Row& row);

// Prints the rows as a table, each with its ratio and, where it has one, whether it met its goal.
void PrintTable(const std::vector<Row>& rows);

// Writes the rows as CSV to `path`; false when the file cannot be written.
bool WriteCsv(const std::wstring& path, const std::vector<Row>& rows);
