#ifndef IVORY_KERNELS_POINTSAMPLING_H
#define IVORY_KERNELS_POINTSAMPLING_H

// Sampling one channel of the first frame at float positions: the nearest
// element, trilinear and tricubic, at one point or many. Both are written
// once, over lanes that are either vectors (batches, vectorised across
// points) or plain scalars (single points and the last points of a batch),
// so per-point and batch results cannot drift apart. Each lane does exactly
// the scalar arithmetic: no fused multiply-add, double where the operation
// computes in double, rounded to float where it rounds.
//
// A position outside the image is clamped onto its nearest edge (NaN to 0),
// and so are neighbours beyond the edge: nothing outside the block is read.

#include <cmath>
#include <cstdint>

#include "ivory/elementtypes.h"

namespace Ivory::detail::pointsampling {

// One axis of the sampled volume: its last index, the smallest float at or
// above it (a float position lies at or beyond the last index exactly when
// it is >= this; above 2^24 not every index is a float), and the element
// offset from one index to the next.
struct Axis {
    int32_t last;
    float lastOrAbove;
    int32_t step;
};

// An axis of `extent` >= 1 elements, `step` elements apart.
inline Axis makeAxis(int32_t extent, int32_t step) {
    const int32_t last = extent - 1;
    float lastOrAbove = static_cast<float>(last);  // exact up to 2^24, beyond rounded to nearest
    if (last > (1 << 24) && static_cast<double>(lastOrAbove) < static_cast<double>(last))
        lastOrAbove = std::nextafter(lastOrAbove, HUGE_VALF);
    return {last, lastOrAbove, step};
}

// The sampled channel: element (x, y, z) is data[x*step + y*step + z*step]
// along the three axes. Every index below the extents must lie in the block.
template <typename T> struct Volume {
    const T* data;
    Axis axis[3];
};

// The sample at one point (nearestPoint, linearPoint, cubicPoint), or
// out[i] = the sample at (x[i], y[i], z[i]) for i < count:
//   sampleNearest: the element at the truncated position, as float;
//   sampleLinear:  trilinear, the eight corner products and their sum in
//                  double, corners in the order (0,0,0), (1,0,0), (0,1,0),
//                  (0,0,1), (1,0,1), (0,1,1), (1,1,0), (1,1,1), rounded once;
//   sampleCubic:   cubic convolution (a = -1) over the 4 x 4 x 4
//                  neighbourhood, z outermost, x innermost, the weights and
//                  each weight product rounded to float, the running sum
//                  rounded to float after every addition.
#define IVORY_DECLARE_POINT_SAMPLING(T, code)                                                              \
    float nearestPoint(const Volume<T>& volume, float x, float y, float z);                                \
    float linearPoint(const Volume<T>& volume, float x, float y, float z);                                 \
    float cubicPoint(const Volume<T>& volume, float x, float y, float z);                                  \
    void sampleNearest(const Volume<T>& volume, const float* x, const float* y, const float* z, int64_t count, \
                       float* out);                                                                        \
    void sampleLinear(const Volume<T>& volume, const float* x, const float* y, const float* z, int64_t count,  \
                      float* out);                                                                         \
    void sampleCubic(const Volume<T>& volume, const float* x, const float* y, const float* z, int64_t count,   \
                     float* out);
IVORY_ELEMENT_TYPES(IVORY_DECLARE_POINT_SAMPLING)
#undef IVORY_DECLARE_POINT_SAMPLING

}  // namespace Ivory::detail::pointsampling

#endif
