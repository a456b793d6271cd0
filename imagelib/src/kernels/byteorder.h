#ifndef IVORY_KERNELS_BYTEORDER_H
#define IVORY_KERNELS_BYTEORDER_H

// Reversing the bytes of every element of a run, for swapBytes. Elements are
// handled as unsigned words of their size, whatever their type.

#include <cstdint>

namespace Ivory::detail::byteorder {

// The bytes of each of `count` 2-byte (or 4-byte) words from `bytes` on,
// reversed in place.
void reverseEach16(unsigned char* bytes, int64_t count);
void reverseEach32(unsigned char* bytes, int64_t count);

}  // namespace Ivory::detail::byteorder

#endif
