#ifndef IVORY_BENCH_IVORY_CONTENDERS_H
#define IVORY_BENCH_IVORY_CONTENDERS_H

#include "inputs.h"
#include "workload.h"

namespace bench {

// Adds Ivory's contender to every row.
void addIvoryContenders(Workloads& rows, const Inputs& in);

}  // namespace bench

#endif
