// The arithmetic of the point samplers (pointsampling.h), written once over
// lanes: Highway's vectors (df, di and dd with as many float, int32 and
// double lanes) for a batch, or the plain scalars of scalarlanes.h for a
// single point. Compiled per SIMD target with the batch kernels, and with the
// static target by the per-point operations, which inline a single point's
// arithmetic (a per-point call waits on memory, and the shorter it is, the
// more calls overlap).

#if defined(IVORY_KERNELS_POINTSAMPLING_INL_H) == defined(HWY_TARGET_TOGGLE)
#ifdef IVORY_KERNELS_POINTSAMPLING_INL_H
#undef IVORY_KERNELS_POINTSAMPLING_INL_H
#else
#define IVORY_KERNELS_POINTSAMPLING_INL_H
#endif

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"
#include "kernels/pointsampling.h"
#include "kernels/scalarlanes.h"

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

// Names that Highway does not have come from here or from scalarlanes.h.
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

// Element offset of neighbour whole + offset along an axis, clamped into it
// (whole lies in 0 .. last, so each offset can leave it on one side only).
template <class DI, class VI> HWY_INLINE VI neighbour(DI di, VI whole, int32_t offset, const Axis& axis) {
    VI index = whole;
    if (offset > 0) index = Min(Add(whole, Set(di, offset)), Set(di, axis.last));
    if (offset < 0) index = Max(Add(whole, Set(di, offset)), Zero(di));
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
    Store(neighbour(di, whole, -1, axis), di, o);
    Store(neighbour(di, whole, 0, axis), di, o + n);
    Store(neighbour(di, whole, 1, axis), di, o + 2 * n);
    Store(neighbour(di, whole, 2, axis), di, o + 3 * n);
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
    e.requestRows(di, slice, row, column, n);
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

// The elements of a single point.
template <typename T> struct PointElements {
    const T* data;

    // Asks for the four x-neighbours of each of the 16 rows of a tricubic
    // neighbourhood at once: the running sum takes longer than the reorder
    // window reaches ahead, so its last loads would otherwise wait for it.
    void requestRows(IndexLane, const int32_t* slice, const int32_t* row, const int32_t* column, size_t) const {
        for (int k = 0; k < 4; ++k) {
            for (int j = 0; j < 4; ++j) {
                const T* start = data + slice[k] + row[j];
                hwy::Prefetch(start + column[0]);
                hwy::Prefetch(start + column[3]);
            }
        }
    }

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

// One point with plain scalars.
template <Kind kKind, typename T> inline float samplePoint(const Volume<T>& v, float x, float y, float z) {
    return sample<kKind>(FloatLane(), IndexLane(), DoubleLane(), v.axis, x, y, z, PointElements<T>{v.data});
}

}  // namespace Ivory::detail::pointsampling::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif
