#ifndef IVORY_MIRROREDROWS_H
#define IVORY_MIRROREDROWS_H

// A row of pixels copied in reverse pixel order for flip; the channels of
// each pixel keep their order.

#include <cstdint>

#include "vectorclones.h"

namespace Ivory::detail::mirroredrows {

// kCh fixes the channel count when non-zero, so a one-channel row is a plain
// reversed copy that vectorises.
template <int kCh, typename T>
IVORY_VECTOR_CLONES void copyMirrored(T* dest, const T* source, int64_t pixels, int64_t channels) {
    const int64_t n = kCh != 0 ? kCh : channels;
    for (int64_t x = 0; x < pixels; ++x)
        for (int64_t c = 0; c < n; ++c) dest[(pixels - 1 - x) * n + c] = source[x * n + c];
}

}  // namespace Ivory::detail::mirroredrows

#endif
