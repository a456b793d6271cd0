#ifndef IVORY_BENCH_ROWS_H
#define IVORY_BENCH_ROWS_H

#include "inputs.h"
#include "workload.h"

namespace bench {

// Where outputs are compared. Interior points, away from every border rule.
struct Point {
    int x, y, z;
};
constexpr Point kProbe{100, 200, 30};       // in the 512 x 512 x 64 volumes
constexpr Point kProbeCube{77, 140, 60};    // in the 256 x 256 x 128 volume
constexpr Point kProbeHalf{50, 60, 10};     // in a 2x2x2-downsampled 512 x 512 x 64 volume
constexpr Point kProbeRotated{200, 411, 30};  // where kProbe lands after rotate about z (512 - 1 - x)
constexpr Point kProbeFlipped{411, 311, 30};  // where kProbe lands after flipping x and y

// The 3 x 3 derivative kernel of gradient (row -1 weighs 1 2 1) and the
// 27-entry kernel of gradient3D, entry k at offsets (k%3-1, k%9/3-1, k/9-1).
extern const float kGradientKernel[9];
extern const float kGradient3DKernel[27];

// Every row of the table with its name, the bytes it must move and the
// reference value at its probe point, computed directly in double precision;
// no library has a contender yet.
Workloads makeRows(const Inputs& in);

}  // namespace bench

#endif
