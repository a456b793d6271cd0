#ifndef IVORY_KERNELS_WINDOWMAPPING_H
#define IVORY_KERNELS_WINDOWMAPPING_H

// Runs of elements mapped through their channel's window to 0..top and
// truncated: the 8- and 16-bit exports and sliceToBytes. Each element gets
// exactly the result of the plain rule
//     v = (e - low) * top / range, rounded to V; v < 0 -> 0; v > top -> top;
//     truncated (NaN gives 0),
// computed in single precision for every element type but double, which
// computes in double. Where that rule divides, the kernels multiply by the
// window's reciprocal and bracket the quotient between two products whose
// truncations agree (see windowmapping.cpp); only a quotient next to an
// integer is computed exactly.

#include <cstdint>

#include "ivory/elementtypes.h"

namespace Ivory::detail::windowmapping {

// The windows of the channels of a run of whole pixels, as an image's window
// table holds them: a record {window, level, low, high} per channel, whose
// range is taken as high - low. No table means 0 .. 0 for every channel.
struct ChannelWindows {
    const float* records;
    int channels;

    float low(int c) const { return records == nullptr ? 0.0f : records[c * 4 + 2]; }
    float high(int c) const { return records == nullptr ? 0.0f : records[c * 4 + 3]; }
    float range(int c) const { return high(c) - low(c); }
};

// Exports: out[i] = the mapped in[i] for i < count (count a multiple of the
// channel count), element i through the window of channel i % channels, V =
// float (double elements are computed in double and rounded to float).
//
// mapChannelToBytes (sliceToBytes): out[i] = in[i * step] through the one
// window given, top 255, V = the element's arithmetic type (double stays
// double).
#define IVORY_DECLARE_WINDOW_MAPPING(T, code)                                                           \
    void mapToBytes(const T* in, unsigned char* out, int64_t count, const ChannelWindows& windows);     \
    void mapToShorts(const T* in, unsigned short* out, int64_t count, const ChannelWindows& windows);   \
    void mapChannelToBytes(const T* in, int64_t step, unsigned char* out, int64_t count, const ChannelWindows& window);
IVORY_ELEMENT_TYPES(IVORY_DECLARE_WINDOW_MAPPING)
#undef IVORY_DECLARE_WINDOW_MAPPING

}  // namespace Ivory::detail::windowmapping

#endif
