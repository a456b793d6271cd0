// Each lane samples one point. The element indices stay in int32 (an image
// holds fewer than 2^31 elements). Elements are gathered where the target
// has a gather for their width and loaded one by one otherwise. Runs of
// points prefetch the neighbourhoods of the points a few vectors ahead: at
// random positions a sample waits on memory, and the requests should be under
// way before its arithmetic starts.

#include "kernels/pointsampling.h"

#include "kernels/scalarlanes.h"

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
template <class DF, class VD> HWY_INLINE hn::Vec<DF> RoundedToFloat(DF df, VD v) {
#if HWY_TARGET == HWY_EMU128 || HWY_TARGET == HWY_SCALAR
    return demoteToFloatLanes(df, v);
#else
    return hn::DemoteTo(df, v);
#endif
}

// double(static_cast<float>(v)): a value rounded to float, kept in double.
template <class DD> HWY_INLINE hn::Vec<DD> AsFloat(DD dd, hn::Vec<DD> v) {
    return hn::PromoteTo(dd, RoundedToFloat(FloatsOf<DD>(), v));
}

// The arithmetic below is written once over lanes: Highway's vectors (df, di
// and dd with as many float, int32 and double lanes) for a batch, or the
// plain scalars of scalarlanes.h for a single point. Names that Highway does
// not have come from here or from there.
using pointsampling::AsFloat;
using pointsampling::RoundedToFloat;

// The position along one axis clamped into 0 .. last and split into its
// integer part and the fraction position - whole (exact below the last
// index; 0 at and beyond it). NaN and negative positions give 0; -0 keeps
// its sign in the fraction, as the subtraction gives it.
template <class DF, class DI, class VF, class VI>
HWY_INLINE void splitPosition(DF df, DI di, VF v, const Axis& axis, VI& whole, VF& fraction) {
    const VF inside = IfThenElseZero(Ge(v, Zero(df)), v);
    const auto atLast = Ge(inside, Set(df, axis.lastOrAbove));
    const VF below = IfThenZeroElse(atLast, inside);  // converted only where it fits
    const VI truncated = ConvertTo(di, below);
    whole = IfThenElse(RebindMask(di, atLast), Set(di, axis.last), truncated);
    fraction = IfThenZeroElse(atLast, Sub(below, ConvertTo(df, truncated)));
}

// Element offset of neighbour whole + offset along an axis, clamped into it.
template <class DI, class VI> HWY_INLINE VI neighbour(DI di, VI whole, int32_t offset, const Axis& axis) {
    const VI index = Min(Max(Add(whole, Set(di, offset)), Zero(di)), Set(di, axis.last));
    return Mul(index, Set(di, axis.step));
}

// The nearest element as float: float elements as they are (every bit kept),
// the others converted as toFloat converts them.
template <class DF, class DI, class DD, class VF, class Elements>
HWY_INLINE VF nearestSample(DF df, DI di, DD, const Axis* axis, VF x, VF y, VF z, const Elements& elements) {
    decltype(Zero(di)) wx, wy, wz;
    VF fx, fy, fz;
    splitPosition(df, di, x, axis[0], wx, fx);
    splitPosition(df, di, y, axis[1], wy, fy);
    splitPosition(df, di, z, axis[2], wz, fz);
    return elements.asFloat(Add(Add(neighbour(di, wx, 0, axis[0]), neighbour(di, wy, 0, axis[1])),
                                neighbour(di, wz, 0, axis[2])));
}

// The eight corner products and their sum in double, corners in the order
// (0,0,0), (1,0,0), (0,1,0), (0,0,1), (1,0,1), (0,1,1), (1,1,0), (1,1,1),
// each weight formed as wx*wy*wz, rounded to float once.
template <class DF, class DI, class DD, class VF, class Elements>
HWY_INLINE VF linearSample(DF df, DI di, DD dd, const Axis* axis, VF x, VF y, VF z, const Elements& e) {
    decltype(Zero(di)) wx, wy, wz;
    VF fx, fy, fz;
    splitPosition(df, di, x, axis[0], wx, fx);
    splitPosition(df, di, y, axis[1], wy, fy);
    splitPosition(df, di, z, axis[2], wz, fz);
    const auto x0 = neighbour(di, wx, 0, axis[0]), x1 = neighbour(di, wx, 1, axis[0]);
    const auto y0 = neighbour(di, wy, 0, axis[1]), y1 = neighbour(di, wy, 1, axis[1]);
    const auto z0 = neighbour(di, wz, 0, axis[2]), z1 = neighbour(di, wz, 1, axis[2]);
    const auto y0z0 = Add(z0, y0), y1z0 = Add(z0, y1), y0z1 = Add(z1, y0), y1z1 = Add(z1, y1);
    const auto one = Set(dd, 1.0);
    const auto wx1 = PromoteTo(dd, fx), wy1 = PromoteTo(dd, fy), wz1 = PromoteTo(dd, fz);
    const auto wx0 = Sub(one, wx1), wy0 = Sub(one, wy1), wz0 = Sub(one, wz1);
    auto sum = Mul(e.asDouble(Add(y0z0, x0)), Mul(Mul(wx0, wy0), wz0));
    sum = Add(sum, Mul(e.asDouble(Add(y0z0, x1)), Mul(Mul(wx1, wy0), wz0)));
    sum = Add(sum, Mul(e.asDouble(Add(y1z0, x0)), Mul(Mul(wx0, wy1), wz0)));
    sum = Add(sum, Mul(e.asDouble(Add(y0z1, x0)), Mul(Mul(wx0, wy0), wz1)));
    sum = Add(sum, Mul(e.asDouble(Add(y0z1, x1)), Mul(Mul(wx1, wy0), wz1)));
    sum = Add(sum, Mul(e.asDouble(Add(y1z1, x0)), Mul(Mul(wx0, wy1), wz1)));
    sum = Add(sum, Mul(e.asDouble(Add(y1z0, x1)), Mul(Mul(wx1, wy1), wz0)));
    sum = Add(sum, Mul(e.asDouble(Add(y1z1, x1)), Mul(Mul(wx1, wy1), wz1)));
    return RoundedToFloat(df, sum);
}

// Cubic-convolution weights (a = -1) of the neighbours at offsets -1, 0, 1,
// 2 for fraction t, each rounded to float, stored at w, w + n, w + 2n, w + 3n
// (n lanes apart).
template <class DD, class VD> HWY_INLINE void storeCubicWeights(DD dd, VD t, double* w) {
    const size_t n = Lanes(dd);
    const VD one = Set(dd, 1.0), two = Set(dd, 2.0);
    const VD tt = Mul(t, t);
    Store(AsFloat(dd, Mul(Sub(Mul(Sub(two, t), t), one), t)), dd, w);
    Store(AsFloat(dd, Add(Mul(Sub(t, two), tt), one)), dd, w + n);
    Store(AsFloat(dd, Mul(Add(Mul(Sub(one, t), t), one), t)), dd, w + 2 * n);
    Store(AsFloat(dd, Mul(Sub(t, one), tt)), dd, w + 3 * n);
}

// Element offsets of the neighbours at -1, 0, 1, 2 along an axis, stored at
// o, o + n, o + 2n, o + 3n.
template <class DI, class VI> HWY_INLINE void storeCubicNeighbours(DI di, VI whole, const Axis& axis, size_t n,
                                                                    int32_t* o) {
    for (int32_t i = 0; i < 4; ++i) Store(neighbour(di, whole, i - 1, axis), di, o + i * n);
}

// Cubic convolution over the 4 x 4 x 4 neighbourhood, z outermost and x
// innermost; each weight product wx*wy*wz formed in double and rounded to
// float (wx*wy is exact), the running sum rounded to float after every
// addition. The terms do not wait on the running sum, so they are formed
// ahead of it while its serial chain of roundings (the cost of a sample) runs.
template <class DF, class DI, class DD, class VF, class Elements>
HWY_INLINE VF cubicSample(DF df, DI di, DD dd, const Axis* axis, VF x, VF y, VF z, const Elements& e) {
    constexpr size_t kMax = MaxLanes(DD());
    const size_t n = Lanes(dd);
    decltype(Zero(di)) wx, wy, wz;
    VF fx, fy, fz;
    splitPosition(df, di, x, axis[0], wx, fx);
    splitPosition(df, di, y, axis[1], wy, fy);
    splitPosition(df, di, z, axis[2], wz, fz);
    HWY_ALIGN int32_t column[4 * kMax], row[4 * kMax], slice[4 * kMax];
    storeCubicNeighbours(di, wx, axis[0], n, column);
    storeCubicNeighbours(di, wy, axis[1], n, row);
    storeCubicNeighbours(di, wz, axis[2], n, slice);
    HWY_ALIGN double weightX[4 * kMax], weightY[4 * kMax], weightZ[4 * kMax];
    storeCubicWeights(dd, PromoteTo(dd, fx), weightX);
    storeCubicWeights(dd, PromoteTo(dd, fy), weightY);
    storeCubicWeights(dd, PromoteTo(dd, fz), weightZ);
    auto sum = Zero(dd);
    for (size_t k = 0; k < 4; ++k) {
        const auto wzk = Load(dd, weightZ + k * n);
        for (size_t j = 0; j < 4; ++j) {
            const auto wyj = Load(dd, weightY + j * n);
            const auto rowStart = Add(Load(di, slice + k * n), Load(di, row + j * n));
            for (size_t i = 0; i < 4; ++i) {
                const auto w = AsFloat(dd, Mul(Mul(Load(dd, weightX + i * n), wyj), wzk));
                sum = AsFloat(dd, Add(sum, Mul(e.asDouble(Add(rowStart, Load(di, column + i * n))), w)));
            }
        }
    }
    return RoundedToFloat(df, sum);  // exact: the sum holds a float
}

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

    HWY_INLINE hn::Vec<DF> asFloat(hn::Vec<DI> index) const {
        if constexpr (std::is_same_v<T, float>) {
            return hn::GatherIndex(DF(), data, index);
        } else {
            return RoundedToFloat(DF(), asDouble(index));
        }
    }
};

// The elements of a single point.
template <typename T> struct PointElements {
    const T* data;

    double asDouble(int32_t index) const { return static_cast<double>(data[index]); }
    float asFloat(int32_t index) const {
        if constexpr (std::is_same_v<T, float>) {
            return data[index];
        } else {
            return static_cast<float>(asDouble(index));
        }
    }
};

enum class Kind { kNearest, kLinear, kCubic };

template <Kind kKind, class DF, class DI, class DD, class VF, class Elements>
HWY_INLINE VF sample(DF df, DI di, DD dd, const Axis* axis, VF x, VF y, VF z, const Elements& elements) {
    if constexpr (kKind == Kind::kNearest) {
        return nearestSample(df, di, dd, axis, x, y, z, elements);
    } else if constexpr (kKind == Kind::kLinear) {
        return linearSample(df, di, dd, axis, x, y, z, elements);
    } else {
        return cubicSample(df, di, dd, axis, x, y, z, elements);
    }
}

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

// One point with plain scalars (instantiated by the static target only).
template <Kind kKind, typename T> inline float samplePoint(const Volume<T>& v, float x, float y, float z) {
    return sample<kKind>(FloatLane(), IndexLane(), DoubleLane(), v.axis, x, y, z, PointElements<T>{v.data});
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
// then the rest one by one through the per-point samplers, which are
// compiled once, as plain scalar code for the baseline. (Inlined into a
// wide target's code, GCC 12 turned that scalar code into code whose cubic
// samples differ in the last bits; kept out of line, it is the per-point
// code itself.)
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

// Single points need no SIMD target: plain scalar code, compiled once and
// never inlined into a target's code (see samplePointsOf).
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
