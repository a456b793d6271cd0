#ifndef IVORY_KERNELS_ALIGNMENT_H
#define IVORY_KERNELS_ALIGNMENT_H

// Streaming kernels handle a few leading elements on their own so that
// their vectors start on a vector-size boundary: a vector that straddles two
// cache lines costs two accesses, which shows with the widest vectors.

#include <cstddef>
#include <cstdint>

namespace Ivory::detail::kernels {

// How many of `count` elements of elementSize bytes from p on come before
// the first one that starts a vectorBytes boundary (0 when none can).
inline int64_t leadingToAlignment(const void* p, size_t vectorBytes, size_t elementSize, int64_t count) {
    const size_t offset = reinterpret_cast<uintptr_t>(p) % vectorBytes;
    const size_t gap = (vectorBytes - offset) % vectorBytes;
    if (gap % elementSize != 0) return 0;
    const int64_t leading = static_cast<int64_t>(gap / elementSize);
    return leading < count ? leading : count;
}

}  // namespace Ivory::detail::kernels

#endif
