#ifndef IVORY_BENCH_TABLE_H
#define IVORY_BENCH_TABLE_H

#include <array>
#include <string>
#include <vector>

#include "timing.h"
#include "workload.h"

namespace bench {

// What one row measured in one pass.
struct RowResult {
    const Workload* workload = nullptr;
    int threads = 1;
    double boundMs = NAN;  // bytes moved / copy bandwidth; NaN when not memory-bound
    std::array<Measurement, kLibraryCount> byLibrary;
};

// Prints the results as one Markdown table, then one line for every probe
// that disagrees with the reference value.
void printTable(const std::vector<RowResult>& results);

}  // namespace bench

#endif
