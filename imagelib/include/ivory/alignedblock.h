#ifndef IVORY_ALIGNEDBLOCK_H
#define IVORY_ALIGNEDBLOCK_H

#include <cstddef>

namespace Ivory {

// Element blocks are 16-byte aligned (allocateAligned aligns them to 64 bytes,
// a cache line). A block handed to setData of an image that owns it must come
// from allocateAligned; it is freed with releaseAligned. Returns null on
// failure (never throws).
void* allocateAligned(std::size_t bytes);
void releaseAligned(void* block);

}  // namespace Ivory

#endif
