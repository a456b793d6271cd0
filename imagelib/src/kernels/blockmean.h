#ifndef IVORY_KERNELS_BLOCKMEAN_H
#define IVORY_KERNELS_BLOCKMEAN_H

// The block means of downsample. Each target element's sum runs over its
// source elements in the fixed order (l, k, j outer, i innermost), rounded
// to float after every addition, and is divided by the block size in float;
// the kernels sum a whole run of target elements at once, so every element
// still sees exactly its own sequence of additions.

#include <cstdint>

#include "ivory/elementtypes.h"

namespace Ivory::detail::blockmean {

// Where the block means of one image come from and go to; extents and
// strides in elements, as in the image fields.
template <typename T> struct Geometry {
    const T* source;
    int64_t stride, sliceSize, frameSize, channels;
    int64_t fx, fy, fz, ft;
    T* target;
    int64_t width, height, depth;  // of the target
};

// Target rows [first, last), row = (t' * depth + z') * height + y', of the
// packed target block.
#define IVORY_DECLARE_BLOCK_MEAN(T, code) void meanRows(const Geometry<T>& geometry, int64_t first, int64_t last);
IVORY_ELEMENT_TYPES(IVORY_DECLARE_BLOCK_MEAN)
#undef IVORY_DECLARE_BLOCK_MEAN

}  // namespace Ivory::detail::blockmean

#endif
