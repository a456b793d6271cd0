#ifndef IVORY_ALIGNEDBLOCK_H
#define IVORY_ALIGNEDBLOCK_H

/// \file
/// The allocation of element blocks.

#include <cstddef>

#include "ivory/export.h"

namespace Ivory {

/// Allocates a 16-byte-aligned block, as images do for their elements (in
/// fact aligned to 64 bytes, a cache line). A block handed to Image::setData
/// of an image that owns its block must come from here. Never throws.
/// \param bytes the size in bytes (0 gives a releasable block too).
/// \return the block, released with releaseAligned; null when it cannot be
/// allocated.
IVORY_EXPORT void* allocateAligned(std::size_t bytes);

/// Releases a block from allocateAligned.
/// \param block the block, or null (nothing happens).
IVORY_EXPORT void releaseAligned(void* block);

}  // namespace Ivory

#endif
