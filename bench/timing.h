#ifndef IVORY_BENCH_TIMING_H
#define IVORY_BENCH_TIMING_H

#include <cmath>

#include "workload.h"

namespace bench {

// How long one measurement may take: runs are repeated until about
// `seconds` of timed work, but at least minRuns and at most maxRuns times.
struct Budget {
    double seconds = 0.5;
    int minRuns = 5;
    int maxRuns = 41;
};

struct Measurement {
    double medianMs = NAN;
    double probe = NAN;  // output value at the probe point after the first run
    int runs = 0;
};

// Runs the contender once untimed-for-the-median (warm-up, and the probe is
// read after it), then `runs` timed repetitions, each after its untimed
// prepare step.
Measurement measure(const Contender& contender, const Budget& budget);

}  // namespace bench

#endif
