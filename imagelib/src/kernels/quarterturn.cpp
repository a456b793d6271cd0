#include "kernels/quarterturn.h"

#include <algorithm>
#include <cstring>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/quarterturn.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::quarterturn::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

constexpr int64_t kTile = 16;  // pixels along each side of a tile

// One tile of xs x as pixels: source pixel (x, a) at source[x + a*srcA],
// destination dest[x*dstX + a*dstA], pixels copied one by one.
template <typename Unit>
void copyTile(Unit* dest, int64_t dstX, int64_t dstA, const Unit* source, int64_t srcA, int64_t xs, int64_t as) {
    for (int64_t x = 0; x < xs; ++x) {
        Unit* to = dest + x * dstX;
        const Unit* from = source + x;
        for (int64_t a = 0; a < as; ++a) to[a * dstA] = from[a * srcA];
    }
}

#if HWY_TARGET != HWY_SCALAR
// Column x of a block of rows, stored where the destination runs along a:
// forward from the block's first row, or backward to it.
template <class D, class V> HWY_INLINE void storeColumn(D d, V column, hn::TFromD<D>* to, int64_t dstA) {
    if (dstA > 0) {
        hn::StoreU(column, d, to);
    } else {
        hn::StoreU(hn::Reverse(d, column), d, to - static_cast<int64_t>(hn::Lanes(d)) + 1);
    }
}

template <class D> HWY_INLINE hn::Vec<D> lower64(D d, hn::Vec<D> a, hn::Vec<D> b) {
    const hn::Repartition<uint64_t, D> d64;
    return hn::BitCast(d, hn::InterleaveLower(d64, hn::BitCast(d64, a), hn::BitCast(d64, b)));
}
template <class D> HWY_INLINE hn::Vec<D> upper64(D d, hn::Vec<D> a, hn::Vec<D> b) {
    const hn::Repartition<uint64_t, D> d64;
    return hn::BitCast(d, hn::InterleaveUpper(d64, hn::BitCast(d64, a), hn::BitCast(d64, b)));
}
template <class D> HWY_INLINE hn::Vec<D> lower32(D d, hn::Vec<D> a, hn::Vec<D> b) {
    const hn::Repartition<uint32_t, D> d32;
    return hn::BitCast(d, hn::InterleaveLower(d32, hn::BitCast(d32, a), hn::BitCast(d32, b)));
}
template <class D> HWY_INLINE hn::Vec<D> upper32(D d, hn::Vec<D> a, hn::Vec<D> b) {
    const hn::Repartition<uint32_t, D> d32;
    return hn::BitCast(d, hn::InterleaveUpper(d32, hn::BitCast(d32, a), hn::BitCast(d32, b)));
}

// A square block of 16-byte rows transposed in registers: rows a0.. of the
// source become the columns stored at dest + x*dstX (+ a*dstA).
template <typename Unit>
HWY_INLINE void transposeBlock(Unit* dest, int64_t dstX, int64_t dstA, const Unit* source, int64_t srcA) {
    const hn::FixedTag<Unit, 16 / sizeof(Unit)> d;
    const auto row = [&](int64_t a) { return hn::LoadU(d, source + a * srcA); };
    const auto store = [&](int64_t x, hn::Vec<decltype(d)> column) { storeColumn(d, column, dest + x * dstX, dstA); };
    if constexpr (sizeof(Unit) == 8) {
        const auto r0 = row(0), r1 = row(1);
        store(0, hn::InterleaveLower(d, r0, r1));
        store(1, hn::InterleaveUpper(d, r0, r1));
    } else if constexpr (sizeof(Unit) == 4) {
        const auto r0 = row(0), r1 = row(1), r2 = row(2), r3 = row(3);
        const auto s0 = hn::InterleaveLower(d, r0, r1), s1 = hn::InterleaveUpper(d, r0, r1);
        const auto s2 = hn::InterleaveLower(d, r2, r3), s3 = hn::InterleaveUpper(d, r2, r3);
        store(0, lower64(d, s0, s2));
        store(1, upper64(d, s0, s2));
        store(2, lower64(d, s1, s3));
        store(3, upper64(d, s1, s3));
    } else {
        const auto r0 = row(0), r1 = row(1), r2 = row(2), r3 = row(3);
        const auto r4 = row(4), r5 = row(5), r6 = row(6), r7 = row(7);
        const auto s0 = hn::InterleaveLower(d, r0, r1), s1 = hn::InterleaveUpper(d, r0, r1);
        const auto s2 = hn::InterleaveLower(d, r2, r3), s3 = hn::InterleaveUpper(d, r2, r3);
        const auto s4 = hn::InterleaveLower(d, r4, r5), s5 = hn::InterleaveUpper(d, r4, r5);
        const auto s6 = hn::InterleaveLower(d, r6, r7), s7 = hn::InterleaveUpper(d, r6, r7);
        const auto u0 = lower32(d, s0, s2), u1 = upper32(d, s0, s2), u2 = lower32(d, s1, s3), u3 = upper32(d, s1, s3);
        const auto u4 = lower32(d, s4, s6), u5 = upper32(d, s4, s6), u6 = lower32(d, s5, s7), u7 = upper32(d, s5, s7);
        store(0, lower64(d, u0, u4));
        store(1, upper64(d, u0, u4));
        store(2, lower64(d, u1, u5));
        store(3, upper64(d, u1, u5));
        store(4, lower64(d, u2, u6));
        store(5, upper64(d, u2, u6));
        store(6, lower64(d, u3, u7));
        store(7, upper64(d, u3, u7));
    }
}
#endif

// A tile in square blocks transposed in registers (pixels of 2, 4 or 8
// bytes), the ragged edges pixel by pixel. The tile's source rows are first
// copied side by side: rows of a power-of-two plane fall into a few cache
// sets, and the destination lines must stay cached until each is complete,
// which every block column completes in turn.
template <typename Unit>
void turnTile(Unit* dest, int64_t dstX, int64_t dstA, const Unit* source, int64_t srcA, int64_t xs, int64_t as) {
#if HWY_TARGET != HWY_SCALAR
    if constexpr (sizeof(Unit) >= 2) {
        constexpr int64_t k = 16 / sizeof(Unit);
        if (xs == kTile && as == kTile) {
            HWY_ALIGN Unit rows[kTile * kTile];
            // Copied in the widest vectors a row holds.
            constexpr size_t kRowBytes = sizeof(Unit) * kTile;
            const hn::CappedTag<uint8_t, kRowBytes> d8;
            for (int64_t a = 0; a < kTile; ++a) {
                const uint8_t* from = reinterpret_cast<const uint8_t*>(source + a * srcA);
                uint8_t* to = reinterpret_cast<uint8_t*>(rows + a * kTile);
                for (size_t b = 0; b < kRowBytes; b += hn::Lanes(d8)) hn::StoreU(hn::LoadU(d8, from + b), d8, to + b);
            }
            for (int64_t x = 0; x < kTile; x += k)
                for (int64_t a = 0; a < kTile; a += k)
                    transposeBlock(dest + x * dstX + a * dstA, dstX, dstA, rows + x + a * kTile, kTile);
            return;
        }
    }
#endif
    copyTile(dest, dstX, dstA, source, srcA, xs, as);
}

template <typename Unit> void turnPlanesOf(const Planes& p, int64_t first, int64_t last) {
    const Unit* source = reinterpret_cast<const Unit*>(p.source);
    Unit* dest = reinterpret_cast<Unit*>(p.dest);
    for (int64_t plane = first; plane < last; ++plane) {
        const int64_t t = plane / p.extentO, o = plane % p.extentO;
        const Unit* from = source + t * p.framePixels + o * p.srcO;
        Unit* to = dest + t * p.framePixels + p.dstBase + o * p.dstO;
        for (int64_t a0 = 0; a0 < p.extentA; a0 += kTile)
            for (int64_t x0 = 0; x0 < p.width; x0 += kTile) {
                turnTile(to + x0 * p.dstX + a0 * p.dstA, p.dstX, p.dstA, from + a0 * p.srcA + x0, p.srcA,
                         std::min(kTile, p.width - x0), std::min(kTile, p.extentA - a0));
            }
    }
}

// Pixels of other sizes, byte by byte.
void turnPlanesOfBytes(const Planes& p, int64_t first, int64_t last) {
    const size_t bytes = static_cast<size_t>(p.pixelBytes);
    for (int64_t plane = first; plane < last; ++plane) {
        const int64_t t = plane / p.extentO, o = plane % p.extentO;
        const int64_t from = t * p.framePixels + o * p.srcO, to = t * p.framePixels + p.dstBase + o * p.dstO;
        for (int64_t a = 0; a < p.extentA; ++a)
            for (int64_t x = 0; x < p.width; ++x) {
                std::memcpy(p.dest + (to + x * p.dstX + a * p.dstA) * p.pixelBytes,
                            p.source + (from + x + a * p.srcA) * p.pixelBytes, bytes);
            }
    }
}

void turnPlanes(const Planes& planes, int64_t first, int64_t last) {
    switch (planes.pixelBytes) {
    case 1: return turnPlanesOf<uint8_t>(planes, first, last);
    case 2: return turnPlanesOf<uint16_t>(planes, first, last);
    case 4: return turnPlanesOf<uint32_t>(planes, first, last);
    case 8: return turnPlanesOf<uint64_t>(planes, first, last);
    default: return turnPlanesOfBytes(planes, first, last);
    }
}

}  // namespace Ivory::detail::quarterturn::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::quarterturn {

HWY_EXPORT(turnPlanes);

void turnPlanes(const Planes& planes, int64_t first, int64_t last) {
    HWY_DYNAMIC_DISPATCH(turnPlanes)(planes, first, last);
}

}  // namespace Ivory::detail::quarterturn
#endif
