#ifndef IVORY_ALIGNEDBLOCK_H
#define IVORY_ALIGNEDBLOCK_H

#include <cstddef>

#include "ivory/export.h"

namespace Ivory {

// Element blocks are 16-byte aligned. A block handed to setData of an image
// that owns it must come from allocateAligned; it is freed with releaseAligned.
// Returns null on failure (never throws).
IVORY_EXPORT void* allocateAligned(std::size_t bytes);
IVORY_EXPORT void releaseAligned(void* block);

}  // namespace Ivory

#endif
