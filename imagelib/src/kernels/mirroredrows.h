#ifndef IVORY_KERNELS_MIRROREDROWS_H
#define IVORY_KERNELS_MIRROREDROWS_H

// A row of pixels copied in reverse pixel order, for flip; the channels of
// each pixel keep their order. Pixels are handled as units of their size in
// bytes, whatever the element type.

#include <cstdint>

namespace Ivory::detail::mirroredrows {

// Pixel p of `source` becomes pixel pixels-1-p of `dest`, for pixels of
// pixelBytes bytes; the rows must not overlap.
void copyMirrored(unsigned char* dest, const unsigned char* source, int64_t pixels, int64_t pixelBytes);

}  // namespace Ivory::detail::mirroredrows

#endif
