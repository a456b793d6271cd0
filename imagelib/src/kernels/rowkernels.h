#ifndef IVORY_KERNELS_ROWKERNELS_H
#define IVORY_KERNELS_ROWKERNELS_H

// Loops over one row of floats that the filters and derivatives spend their
// time in. Each is compiled for every SIMD target and the best one the CPU
// supports runs (see simdtarget.cpp); all give the same bits, since no
// multiply-add is ever fused and every conversion follows elementconversion.h.

#include <cstdint>

#include "ivory/elementtypes.h"

namespace Ivory::detail::rowkernels {

// out[x] = ((0 + weights[0] * sources[0][x]) + weights[1] * sources[1][x]) + ...
// for x < count: the taps are added one after another in the order given,
// so every pixel sees the additions and roundings of a pixel-by-pixel loop.
// min and max are widened to the sums as widenRange does.
void correlateRow(const float* const* sources, const float* weights, int taps, float* out, int64_t count,
                  float& min, float& max);

// Lowers min and raises max to the values' range, as a scan with `<` and `>`
// does: NaN never counts. The values must hold no -0.0f (sums started at
// +0.0f never do), so the order of the comparisons cannot matter.
void widenRange(const float* values, int64_t count, float& min, float& max);

// Sets values below low to low and then values above high to high; returns
// how many were set.
int64_t clampRow(float* values, int64_t count, float low, float high);

// dst[x] = toFloat(src[x * stride]), and dst[x * channels + c] =
// fromFloat(rows[c][x]) for every channel c: pixels interleaved as stored.
#define IVORY_DECLARE_ROW_CONVERSIONS(T, code)                                  \
    void toFloatRow(const T* src, int64_t stride, float* dst, int64_t count); \
    void fromFloatRows(const float* const* rows, int channels, T* dst, int64_t count);
IVORY_ELEMENT_TYPES(IVORY_DECLARE_ROW_CONVERSIONS)
#undef IVORY_DECLARE_ROW_CONVERSIONS

}  // namespace Ivory::detail::rowkernels

#endif
