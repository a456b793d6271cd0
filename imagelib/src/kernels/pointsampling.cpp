// Each lane samples one point. The element indices stay in int32 (an image
// holds fewer than 2^31 elements). Elements are gathered where the target
// has a gather for their width and loaded one by one otherwise. Runs of
// points prefetch the neighbourhoods of the points a few vectors ahead: at
// random positions a sample waits on memory, and the requests should be under
// way before its arithmetic starts.

#include "kernels/pointsampling.h"

#include <type_traits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/pointsampling.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"
#include "kernels/pointsampling-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::pointsampling::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;

// The elements of a batch: gathered where the target has a gather for their
// width, loaded one by one otherwise.
template <typename T, class DD> struct GatheredElements {
    using DF = FloatsOf<DD>;
    using DI = IndicesOf<DD>;
    const T* data;

    // As double lanes (exact for every element type).
    HWY_INLINE hn::Vec<DD> asDouble(hn::Vec<DI> index) const {
        using L = Lane<T>;
        const DD dd;
        if constexpr (std::is_same_v<L, double>) {
            return hn::GatherIndex(dd, data, hn::PromoteTo(hn::Rebind<int64_t, DD>(), index));
        } else if constexpr (sizeof(L) == 4) {
            const hn::Rebind<L, DD> de;
            const auto e = hn::GatherIndex(de, lanes(data), hn::BitCast(hn::RebindToSigned<decltype(de)>(), index));
            if constexpr (std::is_same_v<L, uint32_t>) {
                // Through int32 with the top bit flipped, then 2^31 added back: exact.
                const auto flipped = hn::BitCast(DI(), hn::Xor(e, hn::Set(de, 0x80000000u)));
                return hn::Add(hn::PromoteTo(dd, flipped), hn::Set(dd, 2147483648.0));
            } else {
                return hn::PromoteTo(dd, e);
            }
        } else {
            // No gather for 8- and 16-bit lanes.
            HWY_ALIGN int32_t at[hn::MaxLanes(DI())];
            HWY_ALIGN double values[hn::MaxLanes(dd)];
            hn::Store(index, DI(), at);
            for (size_t l = 0; l < hn::Lanes(dd); ++l) values[l] = static_cast<double>(data[at[l]]);
            return hn::Load(dd, values);
        }
    }

    // A batch prefetches its rows well ahead (samplePointsOf).
    HWY_INLINE void requestRows(DI, const int32_t*, const int32_t*, const int32_t*, size_t) const {}

    HWY_INLINE hn::Vec<DF> asFloat(hn::Vec<DI> index) const {
        if constexpr (std::is_same_v<T, float>) {
            return hn::GatherIndex(DF(), data, index);
        } else {
            return RoundedToFloat(DF(), asDouble(index));
        }
    }
};

// The neighbourhood of each point: offsets `before` .. `after` of the whole
// position along each axis, and how far ahead a batch prefetches.
template <Kind kKind> struct Reach;
template <> struct Reach<Kind::kNearest> {
    static constexpr int32_t before = 0, after = 0, aheadPoints = 64;
};
template <> struct Reach<Kind::kLinear> {
    static constexpr int32_t before = 0, after = 1, aheadPoints = 32;
};
template <> struct Reach<Kind::kCubic> {
    static constexpr int32_t before = 1, after = 2, aheadPoints = 16;
};

// Asks for the first and last element of every row of the points'
// neighbourhoods.
template <Kind kKind, typename T, class DD>
HWY_INLINE void prefetchPoints(DD dd, const Volume<T>& v, const float* x, const float* y, const float* z) {
    using R = Reach<kKind>;
    const FloatsOf<DD> df;
    const IndicesOf<DD> di;
    constexpr size_t kMax = hn::MaxLanes(DD());
    const size_t n = hn::Lanes(dd);
    hn::Vec<IndicesOf<DD>> wx, wy, wz;
    hn::Vec<FloatsOf<DD>> fx, fy, fz;
    splitPosition(df, di, hn::LoadU(df, x), v.axis[0], wx, fx);
    splitPosition(df, di, hn::LoadU(df, y), v.axis[1], wy, fy);
    splitPosition(df, di, hn::LoadU(df, z), v.axis[2], wz, fz);
    constexpr int32_t kRows = R::before + R::after + 1;
    HWY_ALIGN int32_t first[kMax], last[kMax], rows[kRows * kRows * kMax];
    hn::Store(neighbour(di, wx, -R::before, v.axis[0]), di, first);
    hn::Store(neighbour(di, wx, R::after, v.axis[0]), di, last);
    for (int32_t k = 0; k < kRows; ++k) {
        const auto slice = neighbour(di, wz, k - R::before, v.axis[2]);
        for (int32_t j = 0; j < kRows; ++j)
            hn::Store(hn::Add(slice, neighbour(di, wy, j - R::before, v.axis[1])), di, rows + (k * kRows + j) * n);
    }
    for (size_t l = 0; l < n; ++l) {
        for (int32_t r = 0; r < kRows * kRows; ++r) {
            const T* start = v.data + rows[r * n + l];
            hwy::Prefetch(start + first[l]);
            if (R::after > 0) hwy::Prefetch(start + last[l]);
        }
    }
}

// The single-point sampler of a kind.
template <Kind kKind, typename T> float pointSample(const Volume<T>& v, float x, float y, float z) {
    if constexpr (kKind == Kind::kNearest) {
        return nearestPoint(v, x, y, z);
    } else if constexpr (kKind == Kind::kLinear) {
        return linearPoint(v, x, y, z);
    } else {
        return cubicPoint(v, x, y, z);
    }
}

// Whole vectors of points, each prefetching the vector aheadPoints later,
// then the rest one by one through the per-point samplers (plain scalar
// code, compiled once), so the last points of a batch run the very code of
// a per-point call.
template <Kind kKind, typename T>
void samplePointsOf(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count, float* out) {
    const hn::ScalableTag<double> dd;
    const FloatsOf<decltype(dd)> df;
    const IndicesOf<decltype(dd)> di;
    const GatheredElements<T, decltype(dd)> elements{v.data};
    const int64_t n = static_cast<int64_t>(hn::Lanes(dd));
    const int64_t ahead = (Reach<kKind>::aheadPoints + n - 1) / n * n;
    int64_t i = 0;
    for (; i + n <= count; i += n) {
        if (i + ahead + n <= count) prefetchPoints<kKind>(dd, v, x + i + ahead, y + i + ahead, z + i + ahead);
        const auto samples =
            sample<kKind>(df, di, dd, v.axis, hn::LoadU(df, x + i), hn::LoadU(df, y + i), hn::LoadU(df, z + i), elements);
        hn::StoreU(samples, df, out + i);
    }
    for (; i < count; ++i) out[i] = pointSample<kKind>(v, x[i], y[i], z[i]);
}

// One exported name per element type (named by its code).
#define IVORY_TARGET_POINT_SAMPLING(T, code)                                                                    \
    void sampleNearest##code(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count, \
                             float* out) {                                                                      \
        samplePointsOf<Kind::kNearest>(v, x, y, z, count, out);                                                 \
    }                                                                                                           \
    void sampleLinear##code(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count,  \
                            float* out) {                                                                       \
        samplePointsOf<Kind::kLinear>(v, x, y, z, count, out);                                                  \
    }                                                                                                           \
    void sampleCubic##code(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count,   \
                           float* out) {                                                                        \
        samplePointsOf<Kind::kCubic>(v, x, y, z, count, out);                                                   \
    }
IVORY_ELEMENT_TYPES(IVORY_TARGET_POINT_SAMPLING)
#undef IVORY_TARGET_POINT_SAMPLING

}  // namespace Ivory::detail::pointsampling::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::pointsampling {

// Single points need no SIMD target: plain scalar code, compiled once.
#define IVORY_DEFINE_POINT_SAMPLING(T, code)                                                                   \
    HWY_NOINLINE float nearestPoint(const Volume<T>& v, float x, float y, float z) {                           \
        return HWY_NAMESPACE::samplePoint<HWY_NAMESPACE::Kind::kNearest>(v, x, y, z);                           \
    }                                                                                                          \
    HWY_NOINLINE float linearPoint(const Volume<T>& v, float x, float y, float z) {                            \
        return HWY_NAMESPACE::samplePoint<HWY_NAMESPACE::Kind::kLinear>(v, x, y, z);                            \
    }                                                                                                          \
    HWY_NOINLINE float cubicPoint(const Volume<T>& v, float x, float y, float z) {                             \
        return HWY_NAMESPACE::samplePoint<HWY_NAMESPACE::Kind::kCubic>(v, x, y, z);                             \
    }                                                                                                          \
    HWY_EXPORT(sampleNearest##code);                                                                           \
    HWY_EXPORT(sampleLinear##code);                                                                            \
    HWY_EXPORT(sampleCubic##code);                                                                             \
    void sampleNearest(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count,      \
                       float* out) {                                                                           \
        HWY_DYNAMIC_DISPATCH(sampleNearest##code)(v, x, y, z, count, out);                                     \
    }                                                                                                          \
    void sampleLinear(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count,       \
                      float* out) {                                                                            \
        HWY_DYNAMIC_DISPATCH(sampleLinear##code)(v, x, y, z, count, out);                                      \
    }                                                                                                          \
    void sampleCubic(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count,        \
                     float* out) {                                                                             \
        HWY_DYNAMIC_DISPATCH(sampleCubic##code)(v, x, y, z, count, out);                                       \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_POINT_SAMPLING)
#undef IVORY_DEFINE_POINT_SAMPLING

}  // namespace Ivory::detail::pointsampling
#endif
