// Side-by-side timing of Ivory's operations and the same work done by OpenCV,
// CImg and plain loops, on the same generated data in the same run.
//
//   ivory_compare [--quick] [--only TEXT]
//
// --quick: few repetitions (for trying the harness, not for numbers);
// --only:  only the rows whose name contains TEXT.
//
// Two passes: every library on one thread, then on two (OpenCV and Ivory
// told so; CImg and the plain loops always run on one). The table is headed
// by the CPU's model name and the SIMD target Ivory's kernels dispatched to;
// each row prints the median time of every library, the ratio of the fastest
// peer's time to Ivory's (>= 1 means Ivory is at least as fast), and the
// memory-bandwidth bound: the bytes the operation must read and write divided
// by the copy bandwidth measured in the same pass.

#include <chrono>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "bandwidth.h"
#include "inputs.h"
#include "ivory_contenders.h"
#include "loop_contenders.h"
#include "machine.h"
#include "rows.h"
#include "table.h"
#include "ivory/threading.h"
#include "timing.h"
#ifdef IVORY_BENCH_WITH_OPENCV
#include "peers_opencv.h"
#endif
#ifdef IVORY_BENCH_WITH_CIMG
#include "peers_cimg.h"
#endif

namespace bench {

struct Options {
    Budget budget;
    std::string only;
    bool valid = true;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.budget = Budget{0.05, 2, 3};
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            options.only = argv[++i];
        } else {
            std::cout << "usage: ivory_compare [--quick] [--only TEXT]" << std::endl;
            options.valid = false;
        }
    }
    return options;
}

void setAllThreads(int threads) {
    Ivory::setThreadCount(threads);
#ifdef IVORY_BENCH_WITH_OPENCV
    setOpenCvThreads(threads);
#endif
}

std::vector<RowResult> runPass(Workloads& rows, int threads, const Options& options, double& bandwidth) {
    setAllThreads(threads);
    bandwidth = measureCopyBandwidth(threads);
    std::cout << "pass with " << threads << " thread(s): copy bandwidth " << bandwidth / 1e9
              << " GB/s (read + written)" << std::endl;
    std::vector<RowResult> results;
    for (Workload& row : rows.all()) {
        if (row.name.find(options.only) == std::string::npos) continue;
        RowResult result;
        result.workload = &row;
        result.threads = threads;
        if (row.bytesMoved > 0) result.boundMs = row.bytesMoved / bandwidth * 1000.0;
        for (int i = 0; i < kLibraryCount; ++i) {
            if (!row.contenders[i].present()) continue;
            std::cout << "  " << row.name << ": " << libraryName(static_cast<Library>(i)) << "..." << std::flush;
            result.byLibrary[i] = measure(row.contenders[i], options.budget);
            std::cout << " " << result.byLibrary[i].medianMs << " ms (" << result.byLibrary[i].runs
                      << " runs)" << std::endl;
        }
        results.push_back(result);
    }
    return results;
}

}  // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    const Options options = parseOptions(argc, argv);
    if (!options.valid) return 2;

    const auto start = std::chrono::steady_clock::now();
    std::cout << machineDescription() << std::endl << "generating inputs..." << std::flush;
    const Inputs in = makeInputs();  // once, outside every timing
    Workloads rows = makeRows(in);
    addIvoryContenders(rows, in);
    addLoopContenders(rows, in);
#ifdef IVORY_BENCH_WITH_OPENCV
    addOpenCvContenders(rows, in);
#else
    std::cout << " (built without OpenCV)" << std::flush;
#endif
#ifdef IVORY_BENCH_WITH_CIMG
    addCImgContenders(rows, in);
#else
    std::cout << " (built without CImg)" << std::flush;
#endif
    std::cout << " done" << std::endl;

    double bandwidthOne = 0, bandwidthTwo = 0;
    std::vector<RowResult> results = runPass(rows, 1, options, bandwidthOne);
    std::vector<RowResult> both = runPass(rows, 2, options, bandwidthTwo);
    results.insert(results.end(), both.begin(), both.end());

    std::cout << std::endl << machineDescription() << std::endl << std::endl;
    printTable(results);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << std::endl
              << "ratio = fastest peer / Ivory (>= 1: Ivory at least as fast); bound = bytes read and "
                 "written / copy bandwidth of the pass; check = output at a probe point against a "
                 "direct computation. CImg and the std loops run on one thread in both passes; the "
                 "per-point interpolation rows sample one point per call on the calling thread, the "
                 "batch rows (...Values) split their points over Ivory's threads. Copy bandwidth: "
              << bandwidthOne / 1e9 << " GB/s on 1 thread, " << bandwidthTwo / 1e9
              << " GB/s on 2. Whole run: " << seconds << " s." << std::endl;
    return 0;
}
