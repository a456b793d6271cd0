#include "ivory/alignedblock.h"

#include <cstdlib>

namespace Ivory {

void* allocateAligned(std::size_t bytes) {
    void* block = nullptr;
    // posix_memalign accepts a size of 0; ask for at least one byte so that a
    // successful call always yields a block that can be released. Aligned to
    // a cache line, more than the 16 bytes promised: the widest vectors then
    // never straddle two lines at the start of a block.
    if (posix_memalign(&block, 64, bytes == 0 ? 1 : bytes) != 0) return nullptr;
    return block;
}

void releaseAligned(void* block) { std::free(block); }

}  // namespace Ivory
