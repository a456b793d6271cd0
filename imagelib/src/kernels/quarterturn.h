#ifndef IVORY_KERNELS_QUARTERTURN_H
#define IVORY_KERNELS_QUARTERTURN_H

// The element moves of rotate. A quarter turn about x keeps every row whole;
// about y or z it transposes one plane per row or slice, which is done in
// square tiles so that the source lines a tile reads and the destination
// lines it writes both stay in the first-level cache. Pixels are moved as
// units of their size in bytes, whatever the element type.

#include <cstdint>

namespace Ivory::detail::quarterturn {

// Destination pixel of source pixel (x, y, z) is base + x*dx + y*dy + z*dz
// (in pixels, within one frame).
struct TurnStrides {
    int64_t base, dx, dy, dz;
};

inline TurnStrides turnStrides(int axis, int64_t w, int64_t h, int64_t d) {
    switch (axis) {
    case 0: return {(h - 1) * d * w, 1, -d * w, w};   // ((h-1-y)*d + z)*w + x
    case 1: return {d - 1, h * d, d, -1};             // (x*h + y)*d + (d-1-z)
    default: return {(w - 1) * h, -h, 1, w * h};      // (z*w + (w-1-x))*h + y
    }
}

// The frames' planes to transpose: plane o of frame t holds the source
// pixels (x, a), x contiguous, with a the axis the destination runs along
// contiguously (forward or backward: dstA is 1 or -1). Steps in pixels.
struct Planes {
    const unsigned char* source;
    unsigned char* dest;
    int64_t pixelBytes;
    int64_t width, extentA, extentO, framePixels;
    int64_t srcA, srcO;
    int64_t dstX, dstA, dstO, dstBase;
};

// Planes [first, last), numbered t * extentO + o.
void turnPlanes(const Planes& planes, int64_t first, int64_t last);

}  // namespace Ivory::detail::quarterturn

#endif
