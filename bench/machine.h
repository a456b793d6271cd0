#ifndef IVORY_BENCH_MACHINE_H
#define IVORY_BENCH_MACHINE_H

#include <string>

namespace bench {

// Where the numbers were measured: the CPU's model name (from /proc/cpuinfo,
// "unknown CPU" where there is none) and the SIMD target Ivory's kernels
// run with.
std::string machineDescription();

}  // namespace bench

#endif
