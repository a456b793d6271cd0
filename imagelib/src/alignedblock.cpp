#include "ivory/alignedblock.h"

#include <new>

namespace Ivory {

namespace {
// A cache line, more than the 16 bytes promised: the widest vectors then never
// straddle two lines at the start of a block.
constexpr std::align_val_t kBlockAlignment{64};
}

// Through the replaceable aligned operator new, like every other allocation
// of the library, so that a program (or a test) that replaces it sees them all.
void* allocateAligned(std::size_t bytes) { return ::operator new(bytes, kBlockAlignment, std::nothrow); }

void releaseAligned(void* block) { ::operator delete(block, kBlockAlignment); }

}  // namespace Ivory
