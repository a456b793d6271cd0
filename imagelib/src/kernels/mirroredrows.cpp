#include "kernels/mirroredrows.h"

#include <cstring>
#include <type_traits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/mirroredrows.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::mirroredrows::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Pixels of 1, 2, 4 or 8 bytes are lanes: vectors are reversed whole. Single
// bytes are reversed as 2-byte lanes whose two bytes are then swapped.
template <typename Unit> int64_t mirrorVectors(unsigned char* dest, const unsigned char* source, int64_t pixels) {
    using Lane = std::conditional_t<sizeof(Unit) == 1, uint16_t, Unit>;
    constexpr int64_t kPerLane = sizeof(Lane) / sizeof(Unit);
    const hn::ScalableTag<Lane> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d)) * kPerLane;  // pixels per vector
    int64_t x = 0;
    for (; x + n <= pixels; x += n) {
        auto reversed = hn::Reverse(d, hn::LoadU(d, reinterpret_cast<const Lane*>(source + x * sizeof(Unit))));
        if constexpr (kPerLane == 2) reversed = hn::Or(hn::ShiftLeft<8>(reversed), hn::ShiftRight<8>(reversed));
        hn::StoreU(reversed, d, reinterpret_cast<Lane*>(dest + (pixels - x - n) * sizeof(Unit)));
    }
    return x;
}

void copyMirrored(unsigned char* dest, const unsigned char* source, int64_t pixels, int64_t pixelBytes) {
    int64_t x = 0;
    switch (pixelBytes) {
    case 1: x = mirrorVectors<uint8_t>(dest, source, pixels); break;
    case 2: x = mirrorVectors<uint16_t>(dest, source, pixels); break;
    case 4: x = mirrorVectors<uint32_t>(dest, source, pixels); break;
    case 8: x = mirrorVectors<uint64_t>(dest, source, pixels); break;
    default: break;  // every pixel below
    }
    for (; x < pixels; ++x) {
        std::memcpy(dest + (pixels - 1 - x) * pixelBytes, source + x * pixelBytes, static_cast<size_t>(pixelBytes));
    }
}

}  // namespace Ivory::detail::mirroredrows::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::mirroredrows {

HWY_EXPORT(copyMirrored);

void copyMirrored(unsigned char* dest, const unsigned char* source, int64_t pixels, int64_t pixelBytes) {
    HWY_DYNAMIC_DISPATCH(copyMirrored)(dest, source, pixels, pixelBytes);
}

}  // namespace Ivory::detail::mirroredrows
#endif
