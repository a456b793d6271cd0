#ifndef IVORY_QUARTERTURN_H
#define IVORY_QUARTERTURN_H

// The element moves of rotate. A quarter turn about x keeps every row whole;
// about y or z it transposes one plane per slice or row, which is done in
// square tiles so that the source lines a tile reads and the destination lines
// it writes both stay in the first-level cache.

#include <algorithm>
#include <cstdint>

#include "vectorclones.h"

namespace Ivory::detail::quarterturn {

constexpr int64_t kTile = 16;  // pixels along each side of a tile (measured best)

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

// One tile: source pixels (x, a) for x < xs, a < as, with pixel x of a row at
// source[x*ch] and rows srcA elements apart, go to dest[x*dstX + a*dstA]. The
// inner loop runs along a, where the destination is contiguous.
template <int kCh, typename T>
IVORY_VECTOR_CLONES void turnTile(T* dest, int64_t dstX, int64_t dstA, const T* source,
                                  int64_t srcA, int64_t xs, int64_t as, int64_t ch) {
    const int64_t n = kCh != 0 ? kCh : ch;
    for (int64_t x = 0; x < xs; ++x) {
        T* to = dest + x * dstX;
        const T* from = source + x * n;
        for (int64_t a = 0; a < as; ++a)
            for (int64_t c = 0; c < n; ++c) to[a * dstA + c] = from[a * srcA + c];
    }
}

// The frames' planes to transpose: plane o of frame t holds the source
// pixels (x, a) with a the axis the destination runs along contiguously.
template <typename T> struct Planes {
    const T* source;
    T* dest;
    int64_t channels, width, extentA, extentO, frameSize;
    int64_t srcA, srcO;                // source steps in elements
    int64_t dstX, dstA, dstO, dstBase;  // destination steps in elements
};

// Planes [first, last), numbered t*extentO + o.
template <typename T> void turnPlanes(const Planes<T>& p, int64_t first, int64_t last) {
    const auto tile = p.channels == 1 ? &turnTile<1, T> : &turnTile<0, T>;
    for (int64_t plane = first; plane < last; ++plane) {
        const int64_t t = plane / p.extentO, o = plane % p.extentO;
        const T* source = p.source + t * p.frameSize + o * p.srcO;
        T* dest = p.dest + t * p.frameSize + p.dstBase + o * p.dstO;
        for (int64_t a0 = 0; a0 < p.extentA; a0 += kTile)
            for (int64_t x0 = 0; x0 < p.width; x0 += kTile) {
                tile(dest + x0 * p.dstX + a0 * p.dstA, p.dstX, p.dstA, source + a0 * p.srcA + x0 * p.channels,
                     p.srcA, std::min(kTile, p.width - x0), std::min(kTile, p.extentA - a0), p.channels);
            }
    }
}

}  // namespace Ivory::detail::quarterturn

#endif
