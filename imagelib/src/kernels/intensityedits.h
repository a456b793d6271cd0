#ifndef IVORY_KERNELS_INTENSITYEDITS_H
#define IVORY_KERNELS_INTENSITYEDITS_H

// Elements changed in place through a window: invert and applyWindowLevel,
// each element with exactly the arithmetic of the plain per-element rule.

#include <cstdint>

#include "ivory/elementtypes.h"
#include "kernels/windowmapping.h"

namespace Ivory::detail::intensityedits {

using windowmapping::ChannelWindows;

// invertPixels: element i (of `count`, a multiple of the channel count)
// becomes (low + high) - e of channel i % channels, in floating point
// (double for double elements), converted back to T.
//
// windowLevel: every element is clamped into low .. high as the float
// comparisons "low > e" and then "e > high" decide, then becomes e - low (or
// high - e when reversed); integer elements take low and high converted to T
// and subtract in T, wrapping.
#define IVORY_DECLARE_INTENSITY_EDITS(T, code)                                        \
    void invertPixels(T* elements, int64_t count, const ChannelWindows& windows);   \
    void windowLevel(T* elements, int64_t count, float low, float high, bool reversed);
IVORY_ELEMENT_TYPES(IVORY_DECLARE_INTENSITY_EDITS)
#undef IVORY_DECLARE_INTENSITY_EDITS

}  // namespace Ivory::detail::intensityedits

#endif
