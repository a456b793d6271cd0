#ifndef IVORY_BENCH_PEERS_CIMG_H
#define IVORY_BENCH_PEERS_CIMG_H

#include "inputs.h"
#include "workload.h"

namespace bench {

// Adds CImg's contenders: 3-D correlation and point sampling. CImg is used
// as Debian ships it, without OpenMP, so it runs on one core in both passes.
void addCImgContenders(Workloads& rows, const Inputs& in);

}  // namespace bench

#endif
