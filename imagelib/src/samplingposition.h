#ifndef IVORY_SAMPLINGPOSITION_H
#define IVORY_SAMPLINGPOSITION_H

#include <cstdint>

// Turning float sampling positions into element indices, shared by the
// positional reads and the interpolations. A position outside the image is a
// caller error; it samples the nearest edge, so that nothing outside the
// element block is ever read and no weight extrapolates.
namespace Ivory::detail::samplingposition {

// Integer part toward zero, saturated to the int32 range; NaN gives 0, so the
// conversion is defined for every float (interpolateLinear asserts its range
// on it).
inline int32_t truncated(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// A position along one axis, clamped into 0 .. extent-1 (extent >= 1) and
// split into its integer part and the fraction position - whole, rounded to
// float: NaN and everything below give 0, everything above the last position
// extent-1 itself (taken as an integer, since above 2^24 it need not be a
// float). Inside, the split is that of the position as given, -0 included,
// so in-range samples keep their bits.
struct AxisPosition {
    int32_t whole;
    float fraction;
};

inline AxisPosition insidePosition(float v, int32_t extent) {
    if (!(v >= 0.0f)) return {0, 0.0f};  // also NaN
    if (double(v) >= double(extent - 1)) return {extent - 1, 0.0f};
    // Below extent-1 the whole part and the float difference are exact.
    const int32_t whole = static_cast<int32_t>(v);
    return {whole, v - static_cast<float>(whole)};
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
