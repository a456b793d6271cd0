// Each lane samples one point. The element indices stay in int32 (an image
// holds fewer than 2^31 elements). Elements are gathered where the target
// has a gather for their width and loaded one by one otherwise. Runs of
// points prefetch the neighbourhoods of the points a few vectors ahead: at
// random positions a sample waits on memory, and the requests should be under
// way before its arithmetic starts.

#include "kernels/pointsampling.h"

#include <cmath>
#include <type_traits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/pointsampling.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::pointsampling::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;

template <class DD> using FloatsOf = hn::Rebind<float, DD>;
template <class DD> using IndicesOf = hn::Rebind<int32_t, DD>;

// static_cast<float> of double lanes. Only the emulated targets saturate
// where the conversion overflows and need the slower exact version.
template <class DF, class VD> HWY_INLINE hn::Vec<DF> roundedToFloat(DF df, VD v) {
#if HWY_TARGET == HWY_EMU128 || HWY_TARGET == HWY_SCALAR
    return demoteToFloatLanes(df, v);
#else
    return hn::DemoteTo(df, v);
#endif
}

// double(static_cast<float>(v)): a value rounded to float, kept in double.
template <class DD> HWY_INLINE hn::Vec<DD> asFloat(DD dd, hn::Vec<DD> v) {
    return hn::PromoteTo(dd, roundedToFloat(FloatsOf<DD>(), v));
}

// The position along one axis clamped into 0 .. last and split into its
// integer part and the fraction position - whole (exact below the last
// index; 0 at and beyond it). NaN and negative positions give 0; -0 keeps
// its sign in the fraction, as the subtraction gives it.
template <class DD>
HWY_INLINE void splitAxis(DD dd, const float* position, const Axis& axis, hn::Vec<IndicesOf<DD>>& whole,
                          hn::Vec<DD>& fraction) {
    const FloatsOf<DD> df;
    const IndicesOf<DD> di;
    const auto v = hn::LoadU(df, position);
    const auto inside = hn::IfThenElseZero(hn::Ge(v, hn::Zero(df)), v);
    const auto atLast = hn::Ge(inside, hn::Set(df, axis.lastOrAbove));
    const auto below = hn::IfThenZeroElse(atLast, inside);  // converted only where it fits
    const auto truncated = hn::ConvertTo(di, below);
    whole = hn::IfThenElse(hn::RebindMask(di, atLast), hn::Set(di, axis.last), truncated);
    fraction = hn::PromoteTo(dd, hn::IfThenZeroElse(atLast, hn::Sub(below, hn::ConvertTo(df, truncated))));
}

// Element offset of neighbour whole + offset along an axis, clamped into it.
template <class VI> HWY_INLINE VI neighbour(VI whole, int32_t offset, const Axis& axis) {
    const hn::DFromV<VI> di;
    const auto index = hn::Min(hn::Max(hn::Add(whole, hn::Set(di, offset)), hn::Zero(di)), hn::Set(di, axis.last));
    return hn::Mul(index, hn::Set(di, axis.step));
}

// The elements at `index` as double lanes (exact for every element type).
// The 4-byte elements at `index`, as they are.
template <class DE, typename L, class VI> HWY_INLINE hn::Vec<DE> wordsAt(DE de, const L* data, VI index) {
    if constexpr (hn::MaxLanes(DE()) == 1) {
        return hn::Set(de, data[hn::GetLane(index)]);
    } else {
        return hn::GatherIndex(de, data, hn::BitCast(hn::RebindToSigned<DE>(), index));
    }
}

template <typename T, class DD>
HWY_INLINE hn::Vec<DD> elementsAt(DD dd, const T* data, hn::Vec<IndicesOf<DD>> index) {
    using L = Lane<T>;
    if constexpr (hn::MaxLanes(DD()) == 1) {
        return hn::Set(dd, static_cast<double>(data[hn::GetLane(index)]));
    } else if constexpr (std::is_same_v<L, double>) {
        return hn::GatherIndex(dd, data, hn::PromoteTo(hn::Rebind<int64_t, DD>(), index));
    } else if constexpr (sizeof(L) == 4) {
        const hn::Rebind<L, DD> de;
        const auto e = wordsAt(de, lanes(data), index);
        if constexpr (std::is_same_v<L, uint32_t>) {
            // Through int32 with the top bit flipped, then 2^31 added back: exact.
            const auto flipped = hn::BitCast(IndicesOf<DD>(), hn::Xor(e, hn::Set(de, 0x80000000u)));
            return hn::Add(hn::PromoteTo(dd, flipped), hn::Set(dd, 2147483648.0));
        } else {
            return hn::PromoteTo(dd, e);
        }
    } else {
        // No gather for 8- and 16-bit lanes.
        const IndicesOf<DD> di;
        HWY_ALIGN int32_t at[hn::MaxLanes(di)];
        HWY_ALIGN double values[hn::MaxLanes(dd)];
        hn::Store(index, di, at);
        for (size_t l = 0; l < hn::Lanes(dd); ++l) values[l] = static_cast<double>(data[at[l]]);
        return hn::Load(dd, values);
    }
}

// The nearest element as float: float elements as they are (every bit kept),
// the others converted as toFloat converts them.
template <typename T, class DD>
HWY_INLINE void nearestPoints(DD dd, const Volume<T>& v, const float* x, const float* y, const float* z, float* out) {
    const FloatsOf<DD> df;
    hn::Vec<IndicesOf<DD>> wx, wy, wz;
    hn::Vec<DD> fx, fy, fz;
    splitAxis(dd, x, v.axis[0], wx, fx);
    splitAxis(dd, y, v.axis[1], wy, fy);
    splitAxis(dd, z, v.axis[2], wz, fz);
    const auto index = hn::Add(hn::Add(neighbour(wx, 0, v.axis[0]), neighbour(wy, 0, v.axis[1])),
                               neighbour(wz, 0, v.axis[2]));
    if constexpr (std::is_same_v<T, float>) {
        hn::StoreU(wordsAt(df, v.data, index), df, out);
    } else {
        hn::StoreU(roundedToFloat(df, elementsAt(dd, v.data, index)), df, out);
    }
}

template <typename T, class DD>
HWY_INLINE void linearPoints(DD dd, const Volume<T>& v, const float* x, const float* y, const float* z, float* out) {
    hn::Vec<IndicesOf<DD>> wx, wy, wz;
    hn::Vec<DD> fx, fy, fz;
    splitAxis(dd, x, v.axis[0], wx, fx);
    splitAxis(dd, y, v.axis[1], wy, fy);
    splitAxis(dd, z, v.axis[2], wz, fz);
    const auto x0 = neighbour(wx, 0, v.axis[0]), x1 = neighbour(wx, 1, v.axis[0]);
    const auto y0 = neighbour(wy, 0, v.axis[1]), y1 = neighbour(wy, 1, v.axis[1]);
    const auto z0 = neighbour(wz, 0, v.axis[2]), z1 = neighbour(wz, 1, v.axis[2]);
    const auto y0z0 = hn::Add(z0, y0), y1z0 = hn::Add(z0, y1), y0z1 = hn::Add(z1, y0), y1z1 = hn::Add(z1, y1);
    const auto one = hn::Set(dd, 1.0);
    const auto fx0 = hn::Sub(one, fx), fy0 = hn::Sub(one, fy), fz0 = hn::Sub(one, fz);
    // Corners (0,0,0), (1,0,0), (0,1,0), (0,0,1), (1,0,1), (0,1,1), (1,1,0), (1,1,1).
    auto sum = hn::Mul(elementsAt(dd, v.data, hn::Add(y0z0, x0)), hn::Mul(hn::Mul(fx0, fy0), fz0));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y0z0, x1)), hn::Mul(hn::Mul(fx, fy0), fz0)));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y1z0, x0)), hn::Mul(hn::Mul(fx0, fy), fz0)));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y0z1, x0)), hn::Mul(hn::Mul(fx0, fy0), fz)));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y0z1, x1)), hn::Mul(hn::Mul(fx, fy0), fz)));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y1z1, x0)), hn::Mul(hn::Mul(fx0, fy), fz)));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y1z0, x1)), hn::Mul(hn::Mul(fx, fy), fz0)));
    sum = hn::Add(sum, hn::Mul(elementsAt(dd, v.data, hn::Add(y1z1, x1)), hn::Mul(hn::Mul(fx, fy), fz)));
    hn::StoreU(roundedToFloat(FloatsOf<DD>(), sum), FloatsOf<DD>(), out);
}

// Cubic-convolution weights (a = -1) of the neighbours at offsets -1, 0, 1,
// 2 for fraction t, each rounded to float, stored as double lanes at w, w + n,
// w + 2n, w + 3n.
template <class DD> HWY_INLINE void storeCubicWeights(DD dd, hn::Vec<DD> t, double* w) {
    const size_t n = hn::Lanes(dd);
    const auto one = hn::Set(dd, 1.0), two = hn::Set(dd, 2.0);
    const auto tt = hn::Mul(t, t);
    hn::Store(asFloat(dd, hn::Mul(hn::Sub(hn::Mul(hn::Sub(two, t), t), one), t)), dd, w);
    hn::Store(asFloat(dd, hn::Add(hn::Mul(hn::Sub(t, two), tt), one)), dd, w + n);
    hn::Store(asFloat(dd, hn::Mul(hn::Add(hn::Mul(hn::Sub(one, t), t), one), t)), dd, w + 2 * n);
    hn::Store(asFloat(dd, hn::Mul(hn::Sub(t, one), tt)), dd, w + 3 * n);
}

// Element offsets of the neighbours at -1, 0, 1, 2 along an axis, stored at
// o, o + n, o + 2n, o + 3n.
template <class VI> HWY_INLINE void storeCubicNeighbours(VI whole, const Axis& axis, int32_t* o) {
    const hn::DFromV<VI> di;
    const size_t n = hn::Lanes(di);
    for (int32_t i = 0; i < 4; ++i) hn::Store(neighbour(whole, i - 1, axis), di, o + i * n);
}

template <typename T, class DD>
HWY_INLINE void cubicPoints(DD dd, const Volume<T>& v, const float* x, const float* y, const float* z, float* out) {
    constexpr size_t kMax = hn::MaxLanes(DD());
    const IndicesOf<DD> di;
    const size_t n = hn::Lanes(dd);
    hn::Vec<IndicesOf<DD>> wx, wy, wz;
    hn::Vec<DD> fx, fy, fz;
    splitAxis(dd, x, v.axis[0], wx, fx);
    splitAxis(dd, y, v.axis[1], wy, fy);
    splitAxis(dd, z, v.axis[2], wz, fz);
    HWY_ALIGN int32_t column[4 * kMax], row[4 * kMax], slice[4 * kMax];
    storeCubicNeighbours(wx, v.axis[0], column);
    storeCubicNeighbours(wy, v.axis[1], row);
    storeCubicNeighbours(wz, v.axis[2], slice);
    HWY_ALIGN double weightX[4 * kMax], weightY[4 * kMax], weightZ[4 * kMax];
    storeCubicWeights(dd, fx, weightX);
    storeCubicWeights(dd, fy, weightY);
    storeCubicWeights(dd, fz, weightZ);
    // All 64 terms first, so that the serial chain of roundings that follows
    // (the cost of a sample) is not held up by loads and products.
    HWY_ALIGN double term[64 * kMax];
    for (size_t k = 0; k < 4; ++k) {
        const auto wzk = hn::Load(dd, weightZ + k * n);
        for (size_t j = 0; j < 4; ++j) {
            const auto wyj = hn::Load(dd, weightY + j * n);
            const auto rowStart = hn::Add(hn::Load(di, slice + k * n), hn::Load(di, row + j * n));
            for (size_t i = 0; i < 4; ++i) {
                const auto wxy = hn::Mul(hn::Load(dd, weightX + i * n), wyj);  // exact: two floats
                const auto w = asFloat(dd, hn::Mul(wxy, wzk));
                const auto e = elementsAt(dd, v.data, hn::Add(rowStart, hn::Load(di, column + i * n)));
                hn::Store(hn::Mul(e, w), dd, term + ((k * 4 + j) * 4 + i) * n);
            }
        }
    }
    auto sum = hn::Zero(dd);
    for (size_t m = 0; m < 64; ++m) sum = asFloat(dd, hn::Add(sum, hn::Load(dd, term + m * n)));
    hn::StoreU(roundedToFloat(FloatsOf<DD>(), sum), FloatsOf<DD>(), out);  // exact: sum holds a float
}

enum class Kind { kNearest, kLinear, kCubic };

// The neighbourhood of each point: offsets `before` .. `after` of the whole
// position along each axis.
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
    const IndicesOf<DD> di;
    constexpr size_t kMax = hn::MaxLanes(DD());
    hn::Vec<IndicesOf<DD>> wx, wy, wz;
    hn::Vec<DD> fx, fy, fz;
    splitAxis(dd, x, v.axis[0], wx, fx);
    splitAxis(dd, y, v.axis[1], wy, fy);
    splitAxis(dd, z, v.axis[2], wz, fz);
    HWY_ALIGN int32_t first[kMax], last[kMax];
    constexpr int32_t kRows = R::before + R::after + 1;
    HWY_ALIGN int32_t rows[kRows * kRows * kMax];
    hn::Store(neighbour(wx, -R::before, v.axis[0]), di, first);
    hn::Store(neighbour(wx, R::after, v.axis[0]), di, last);
    const size_t n = hn::Lanes(dd);
    for (int32_t k = 0; k < kRows; ++k) {
        const auto slice = neighbour(wz, k - R::before, v.axis[2]);
        for (int32_t j = 0; j < kRows; ++j)
            hn::Store(hn::Add(slice, neighbour(wy, j - R::before, v.axis[1])), di, rows + (k * kRows + j) * n);
    }
    for (size_t l = 0; l < n; ++l) {
        for (int32_t r = 0; r < kRows * kRows; ++r) {
            const T* start = v.data + rows[r * n + l];
            hwy::Prefetch(start + first[l]);
            if (R::after > 0) hwy::Prefetch(start + last[l]);
        }
    }
}

template <Kind kKind, typename T, class DD>
HWY_INLINE void samplePoints(DD dd, const Volume<T>& v, const float* x, const float* y, const float* z, float* out) {
    if constexpr (kKind == Kind::kNearest) {
        nearestPoints(dd, v, x, y, z, out);
    } else if constexpr (kKind == Kind::kLinear) {
        linearPoints(dd, v, x, y, z, out);
    } else {
        cubicPoints(dd, v, x, y, z, out);
    }
}

// Whole vectors of points, each prefetching the vector aheadPoints later,
// then the rest one by one (each prefetching its own neighbourhood first).
template <Kind kKind, typename T>
void samplePointsOf(const Volume<T>& v, const float* x, const float* y, const float* z, int64_t count, float* out) {
    const hn::ScalableTag<double> dd;
    const int64_t n = static_cast<int64_t>(hn::Lanes(dd));
    const int64_t ahead = (Reach<kKind>::aheadPoints + n - 1) / n * n;
    int64_t i = 0;
    for (; i + n <= count; i += n) {
        if (i + ahead + n <= count) prefetchPoints<kKind>(dd, v, x + i + ahead, y + i + ahead, z + i + ahead);
        samplePoints<kKind>(dd, v, x + i, y + i, z + i, out + i);
    }
    const hn::CappedTag<double, 1> d1;
    for (; i < count; ++i) {
        prefetchPoints<kKind>(d1, v, x + i, y + i, z + i);
        samplePoints<kKind>(d1, v, x + i, y + i, z + i, out + i);
    }
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

Axis makeAxis(int32_t extent, int32_t step) {
    const int32_t last = extent - 1;
    float lastOrAbove = static_cast<float>(last);  // to nearest, so perhaps below
    if (static_cast<double>(lastOrAbove) < static_cast<double>(last)) lastOrAbove = std::nextafter(lastOrAbove, HUGE_VALF);
    return {last, lastOrAbove, step};
}

#define IVORY_DEFINE_POINT_SAMPLING(T, code)                                                                   \
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
