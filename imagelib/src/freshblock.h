#ifndef IVORY_FRESHBLOCK_H
#define IVORY_FRESHBLOCK_H

// New element blocks for the operations that replace the whole block (rotate,
// flip, downsample in place, scaleToPowerOfTwo), and their handover. A large block is fresh memory from the kernel,
// and faulting it in 4 KiB pages one by one can cost more than the copy that
// fills it (a 64 MiB block is 16,384 faults); huge pages cut that to a few
// dozen. The advice is only a hint: the block is an ordinary aligned block,
// released by releaseAligned like any other.

#include <cstddef>
#include <cstdint>

#include "ivory/alignedblock.h"
#include "ivory/imagebase.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace Ivory::detail::freshblock {

constexpr std::size_t kHugePageAdviceBytes = std::size_t(4) << 20;

template <typename T> T* allocateBlock(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    void* block = allocateAligned(bytes);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (block != nullptr && bytes >= kHugePageAdviceBytes) {
        const std::uintptr_t page = 4096;
        const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
        const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(page - 1);
        if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint; failure is harmless
    }
#endif
    return static_cast<T*>(block);
}

// Makes a new block the image's own: the old one is given back through
// releaseData (freed only when the image owned it; an external block stays
// the caller's, untouched), and the image owns the new one from now on, so
// that it is freed with the image even when the old one was external.
template <typename T> void adoptBlock(ImageBase<T>& image, T* block) {
    image.releaseData();
    image.m_data = block;
    image.m_external = false;
}

}  // namespace Ivory::detail::freshblock

#endif
