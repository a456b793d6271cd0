#ifndef IVORY_SAMPLINGPOSITION_H
#define IVORY_SAMPLINGPOSITION_H

#include <cstdint>

// Turning float sampling positions into element indices, shared by the
// positional reads and the interpolations. A position outside the image is a
// caller error; it is clamped (edge replication) so that nothing outside the
// element block is ever read.
namespace Ivory::detail::samplingposition {

// Integer part toward zero, saturated to the int32 range; NaN gives 0, so the
// conversion is defined for every float.
inline int32_t truncated(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// i clamped into 0 .. extent-1 (extent >= 1); 64-bit so that i may be an
// int32 position plus an offset.
inline int32_t clamped(int64_t i, int32_t extent) {
    if (i < 0) return 0;
    if (i >= extent) return extent - 1;
    return static_cast<int32_t>(i);
}

}  // namespace Ivory::detail::samplingposition

#endif
