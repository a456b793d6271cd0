#ifndef IVORY_ROWCORRELATION_H
#define IVORY_ROWCORRELATION_H

// A correlation computed a row at a time: every tap is applied to the whole
// row before the next, in the kernel's own order, so each pixel's sum sees
// exactly the additions (and roundings) of the pixel-by-pixel definition.

#include <cstdint>
#include <vector>

#include "floatrows.h"
#include "rowkernels.h"

namespace Ivory::detail::rowcorrelation {

// A non-zero kernel entry: the source unit (row or plane) it reads relative
// to the current one, the element offset within that unit, and its weight.
struct Tap {
    int unit;
    int64_t offset;
    float weight;
};

// acc[x] += weight * source for every tap in order, over count pixels whose
// first reads element `offset` of unit `unit`.
template <typename T>
void correlateRow(floatrows::FloatRows<T>& rows, int64_t unit, int64_t offset, const std::vector<Tap>& taps,
                  float* acc, int64_t count) {
    if (count <= 0) return;
    for (const Tap& tap : taps) {
        rowkernels::addWeightedRow(acc, rows.unit(unit + tap.unit) + offset + tap.offset, tap.weight, count);
    }
}

}  // namespace Ivory::detail::rowcorrelation

#endif
