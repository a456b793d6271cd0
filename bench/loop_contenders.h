#ifndef IVORY_BENCH_LOOP_CONTENDERS_H
#define IVORY_BENCH_LOOP_CONTENDERS_H

#include "inputs.h"
#include "workload.h"

namespace bench {

// Adds a plain single-threaded std:: loop to the memory-bound rows: what a
// caller would write by hand, compiled with the same flags.
void addLoopContenders(Workloads& rows, const Inputs& in);

}  // namespace bench

#endif
