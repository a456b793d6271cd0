#include "ivory/alignedblock.h"

#include <new>

namespace Ivory {

namespace {
constexpr std::align_val_t kBlockAlignment{16};
}

// Through the replaceable aligned operator new, like every other allocation
// of the library, so that a program (or a test) that replaces it sees them all.
void* allocateAligned(std::size_t bytes) { return ::operator new(bytes, kBlockAlignment, std::nothrow); }

void releaseAligned(void* block) { ::operator delete(block, kBlockAlignment); }

}  // namespace Ivory
