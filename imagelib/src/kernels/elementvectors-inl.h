// Vectors of elements and the library's element conversions on them, for
// the kernels compiled once per SIMD target (included after
// hwy/highway.h, inside each target's pass). Every conversion gives the bits
// of toFloat and fromFloat in elementconversion.h on every target: where a
// Highway conversion saturates, or differs between targets, the lanes it
// gets wrong are replaced explicitly.

#if defined(IVORY_KERNELS_ELEMENTVECTORS_INL_H) == defined(HWY_TARGET_TOGGLE)
#ifdef IVORY_KERNELS_ELEMENTVECTORS_INL_H
#undef IVORY_KERNELS_ELEMENTVECTORS_INL_H
#else
#define IVORY_KERNELS_ELEMENTVECTORS_INL_H
#endif

#include <cmath>
#include <cstdint>
#include <type_traits>

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The Highway lane type of an element type: char is the signed byte.
template <typename T> using Lane = std::conditional_t<std::is_same_v<T, char>, int8_t, T>;

template <typename T> inline const Lane<T>* lanes(const T* p) { return reinterpret_cast<const Lane<T>*>(p); }
template <typename T> inline Lane<T>* lanes(T* p) { return reinterpret_cast<Lane<T>*>(p); }

// The float vectors an element type is converted through: as many lanes as
// a full vector of T has, or of float when T is narrower.
template <typename T>
using FloatTag = hn::Rebind<float, hn::ScalableTag<std::conditional_t<(sizeof(T) > 4), double, float>>>;
// The element vectors that pair with FloatTag<T>, lane for lane.
template <typename T> using ElementTag = hn::Rebind<Lane<T>, FloatTag<T>>;

// static_cast<float> of double lanes, rounded to nearest. Magnitudes from
// the first one that rounds to infinity on become infinities, which the
// emulated targets' DemoteTo would saturate to the largest float instead.
template <class DF, class VD> HWY_INLINE hn::Vec<DF> demoteToFloatLanes(DF df, VD v) {
    const hn::DFromV<VD> dd;
    const auto rounded = hn::DemoteTo(df, v);
    const auto overflows = hn::Ge(hn::Abs(v), hn::Set(dd, 0x1.ffffffp127));  // halfway above the largest float
    const auto overflowFlags = hn::DemoteTo(df, hn::IfThenElseZero(overflows, hn::Set(dd, 1.0)));
    const auto infinity = hn::CopySign(hn::Set(df, HUGE_VALF), rounded);
    return hn::IfThenElse(hn::Gt(overflowFlags, hn::Zero(df)), infinity, rounded);
}

// toFloat, lane by lane: exact for the narrow types and int, rounded to
// nearest for unsigned int (through its exact 16-bit halves, so that the one
// rounding is the final addition) and for double.
template <typename T, class DF, class V> HWY_INLINE hn::Vec<DF> toFloatLanes(DF df, V v) {
    using L = Lane<T>;
    if constexpr (std::is_same_v<L, float>) {
        return v;
    } else if constexpr (std::is_same_v<L, double>) {
        return demoteToFloatLanes(df, v);
    } else if constexpr (std::is_same_v<L, uint32_t>) {
        const hn::RebindToSigned<DF> di;
        const auto high = hn::ConvertTo(df, hn::BitCast(di, hn::ShiftRight<16>(v)));
        const auto low = hn::ConvertTo(df, hn::BitCast(di, hn::And(v, hn::Set(hn::DFromV<V>(), 0xFFFFu))));
        return hn::Add(hn::Mul(high, hn::Set(df, 65536.0f)), low);  // the product is exact
    } else if constexpr (std::is_same_v<L, int32_t>) {
        return hn::ConvertTo(df, v);
    } else {
        return hn::ConvertTo(df, hn::PromoteTo(hn::RebindToSigned<DF>(), v));
    }
}

// truncateToInt32, lane by lane: truncation toward zero, and INT32_MIN for
// NaN and for values outside int32 (where ConvertTo would saturate).
template <class DF> HWY_INLINE hn::Vec<hn::RebindToSigned<DF>> truncateToInt32Lanes(DF df, hn::Vec<DF> v) {
    const hn::RebindToSigned<DF> di;
    const auto inRange = hn::And(hn::Gt(v, hn::Set(df, -2147483904.0f)), hn::Lt(v, hn::Set(df, 2147483648.0f)));
    const auto converted = hn::ConvertTo(di, hn::IfThenElseZero(inRange, v));  // only values int32 holds
    return hn::IfThenElse(hn::RebindMask(di, inRange), converted, hn::Set(di, INT32_MIN));
}

// The low 32 bits of truncateToInt64, lane by lane: outside int32 a float is
// a whole number m * 2^shift, whose low bits are m shifted (0 from a shift
// of 32 on); NaN and values outside int64 give INT64_MIN, whose low bits are 0.
template <class DF> HWY_INLINE hn::Vec<hn::RebindToUnsigned<DF>> lowBitsOfInt64Lanes(DF df, hn::Vec<DF> v) {
    const hn::RebindToUnsigned<DF> du;
    const auto bits = hn::BitCast(du, v);
    const auto mantissa = hn::Or(hn::And(bits, hn::Set(du, 0x7FFFFFu)), hn::Set(du, 0x800000u));
    const auto shift = hn::Sub(hn::And(hn::ShiftRight<23>(bits), hn::Set(du, 0xFFu)), hn::Set(du, 150u));
    const auto fits = hn::Lt(shift, hn::Set(du, 32u));  // a negative shift only comes with the int32 range
    const auto magnitude = hn::IfThenElseZero(fits, hn::Shl(mantissa, hn::Min(shift, hn::Set(du, 31u))));
    const auto negative = hn::RebindMask(du, hn::Lt(v, hn::Zero(df)));
    const auto large = hn::IfThenElse(negative, hn::Sub(hn::Zero(du), magnitude), magnitude);
    const auto inInt64 =
        hn::And(hn::Gt(v, hn::Set(df, -9223373136366403584.0f)), hn::Lt(v, hn::Set(df, 9223372036854775808.0f)));
    const auto inInt32 = hn::And(hn::Gt(v, hn::Set(df, -2147483904.0f)), hn::Lt(v, hn::Set(df, 2147483648.0f)));
    const auto small = hn::BitCast(du, hn::ConvertTo(hn::RebindToSigned<DF>(), hn::IfThenElseZero(inInt32, v)));
    return hn::IfThenElse(hn::RebindMask(du, inInt32), small, hn::IfThenElseZero(hn::RebindMask(du, inInt64), large));
}

// fromFloat, lane by lane: the integer types keep the low bits of the
// truncated value; double widens exactly.
template <typename T, class DT, class VF> HWY_INLINE hn::Vec<DT> fromFloatLanes(DT dt, VF v) {
    using L = Lane<T>;
    const hn::DFromV<VF> df;
    if constexpr (std::is_same_v<L, float>) {
        return v;
    } else if constexpr (std::is_same_v<L, double>) {
        return hn::PromoteTo(dt, v);
    } else if constexpr (std::is_same_v<L, uint32_t>) {
        return lowBitsOfInt64Lanes(df, v);
    } else if constexpr (std::is_same_v<L, int32_t>) {
        return truncateToInt32Lanes(df, v);
    } else {
        const hn::RebindToUnsigned<decltype(df)> du32;
        const hn::RebindToUnsigned<DT> du;
        return hn::BitCast(dt, hn::TruncateTo(du, hn::BitCast(du32, truncateToInt32Lanes(df, v))));
    }
}

}  // namespace Ivory::detail::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif
