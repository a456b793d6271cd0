#ifndef IVORY_BLOCKMEAN_H
#define IVORY_BLOCKMEAN_H

// Row pieces of the block mean of downsample. Each target element's sum runs
// over its source elements in the fixed order (l, k, j outer, i innermost);
// here a whole run of target elements is summed at once, one source row after
// the other, so every element still sees exactly its own sequence of additions
// and the loop across x vectorises.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "elementconversion.h"
#include "vectorclones.h"

namespace Ivory::detail::blockmean {

// Integer sums for the 8- and 16-bit types: while every partial sum of a
// block is an integer of magnitude at most 2^24, which a float holds exactly,
// each float addition is exact, so the float sum equals the integer sum (and,
// starting at 0, is never -0). An integer accumulator that holds the largest
// sum then gives the same bits; the narrowest one gives the widest vectors.
template <typename T> constexpr bool kSmallInteger = std::is_integral_v<T> && sizeof(T) <= 2;

// The largest magnitude a sum of blockSize elements of T can reach.
template <typename T> inline int64_t largestSum(int64_t blockSize) {
    const int64_t largest = std::is_signed_v<T> ? -int64_t(std::numeric_limits<T>::min())
                                                : int64_t(std::numeric_limits<T>::max());
    return blockSize > (int64_t(1) << 40) ? INT64_MAX : largest * blockSize;
}

// An accumulator of type Acc holds every partial sum of such a block.
template <typename Acc, typename T> inline bool holdsSums(int64_t blockSize) {
    return largestSum<T>(blockSize) <= std::min<int64_t>(int64_t(1) << 24, std::numeric_limits<Acc>::max());
}

// 16-bit sums for the 8-bit types (unsigned for unsigned char).
template <typename T>
using NarrowSum = std::conditional_t<std::is_same_v<T, unsigned char>, uint16_t, int16_t>;

template <typename Acc, typename T> inline Acc accumulated(T e) {
    if constexpr (std::is_same_v<Acc, float>) {
        return toFloat(e);
    } else {
        return static_cast<Acc>(e);
    }
}

// acc[p*cn + c] += element c of source pixels p*fx + 0 .. p*fx + fx-1, in
// that order, for `pixels` target pixels and cn channels; `step` is the
// source's pixel step in elements. kFx and kCh fix fx and cn = step when
// non-zero, so the common single-channel halving compiles to plain vectors.
template <int kFx, int kCh, typename Acc, typename T>
IVORY_VECTOR_CLONES void addSourceRow(Acc* acc, const T* source, int64_t pixels, int64_t fx,
                                      int64_t step, int64_t cn) {
    const int64_t f = kFx != 0 ? kFx : fx;
    const int64_t s = kCh != 0 ? kCh : step;
    const int64_t n = kCh != 0 ? kCh : cn;
    for (int64_t p = 0; p < pixels; ++p) {
        Acc* target = acc + p * n;
        const T* block = source + p * f * s;
        for (int64_t i = 0; i < f; ++i)
            for (int64_t c = 0; c < n; ++c) target[c] += accumulated<Acc>(block[i * s + c]);
    }
}

// out[i] = the mean of acc[i] over `divisor` elements, converted to T as
// setNext would.
template <typename Acc, typename T>
IVORY_VECTOR_CLONES void storeMeans(T* out, const Acc* acc, int64_t count, float divisor) {
    for (int64_t i = 0; i < count; ++i) out[i] = fromFloat<T>(static_cast<float>(acc[i]) / divisor);
}

// Where the block means of one image come from and go to; extents and
// strides in elements, as in the image fields.
template <typename T> struct Geometry {
    const T* source;
    int64_t stride, sliceSize, frameSize, channels;
    int64_t fx, fy, fz, ft;
    T* target;
    int64_t width, height, depth;  // of the target
};

// Target rows [first, last) (row = (t'*depth + z')*height + y'), summed with
// an Acc accumulator in pieces small enough to stay in the first-level cache.
template <typename Acc, typename T>
void meanRowsWith(const Geometry<T>& g, int64_t first, int64_t last) {
    constexpr int64_t kAccElements = 1024;
    Acc acc[kAccElements];
    const auto addRow = (g.fx == 2 && g.channels == 1) ? &addSourceRow<2, 1, Acc, T>
                                                       : &addSourceRow<0, 0, Acc, T>;
    const float divisor = static_cast<float>(g.fx * g.fy * g.fz * g.ft);
    const int64_t ch = g.channels;
    for (int64_t row = first; row < last; ++row) {
        const int64_t yy = row % g.height, zz = row / g.height % g.depth, tt = row / g.height / g.depth;
        const T* corner = g.source + tt * g.ft * g.frameSize + zz * g.fz * g.sliceSize + yy * g.fy * g.stride;
        T* out = g.target + row * g.width * ch;
        for (int64_t c0 = 0; c0 < ch; c0 += kAccElements) {
            const int64_t cn = std::min(kAccElements, ch - c0);
            const int64_t piece = kAccElements / cn;
            for (int64_t x0 = 0; x0 < g.width; x0 += piece) {
                const int64_t pixels = std::min(piece, g.width - x0);
                std::fill_n(acc, pixels * cn, Acc(0));
                for (int64_t l = 0; l < g.ft; ++l)
                    for (int64_t k = 0; k < g.fz; ++k)
                        for (int64_t j = 0; j < g.fy; ++j) {
                            const T* source = corner + l * g.frameSize + k * g.sliceSize + j * g.stride;
                            addRow(acc, source + x0 * g.fx * ch + c0, pixels, g.fx, ch, cn);
                        }
                if (cn == ch) {
                    storeMeans(out + x0 * ch, acc, pixels * ch, divisor);
                } else {
                    for (int64_t p = 0; p < pixels; ++p)
                        storeMeans(out + (x0 + p) * ch + c0, acc + p * cn, cn, divisor);
                }
            }
        }
    }
}

template <typename T> void meanRows(const Geometry<T>& g, int64_t first, int64_t last) {
    if constexpr (kSmallInteger<T>) {
        const int64_t blockSize = g.fx * g.fy * g.fz * g.ft;
        if constexpr (sizeof(T) == 1) {
            if (holdsSums<NarrowSum<T>, T>(blockSize)) {
                meanRowsWith<NarrowSum<T>>(g, first, last);
                return;
            }
        }
        if (holdsSums<int32_t, T>(blockSize)) {
            meanRowsWith<int32_t>(g, first, last);
            return;
        }
    }
    meanRowsWith<float>(g, first, last);
}

}  // namespace Ivory::detail::blockmean

#endif
