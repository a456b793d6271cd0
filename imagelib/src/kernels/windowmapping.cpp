// Why the reciprocal is exact enough. Let p = (e - low) * top, rounded as
// the rule rounds it, and q = p / range exactly. The result is trunc(clamp(
// rounded q)), a step function of the rounded q whose steps lie at the
// integers 1 .. top. Multiplying p by the reciprocal narrowed by a factor
// 1 - 2^-20 and by the reciprocal widened by 1 + 2^-20 gives two values
// that, after all their roundings (a few of at most 2^-24 relative each),
// still lie on either side of the rounded q; when their truncations agree,
// that is the truncation of the rounded q, clamped or not. They disagree
// only for a quotient within about 2^-20 of an integer, and such a vector
// is divided as the rule divides (Method::kBracketed).
//
// Whole-number windows over 8- and 16-bit elements (the usual case for
// integer images) need no division at all. When every e - low, p and
// k * range for k <= top are whole numbers below 2^24, all of them are exact
// in float, and the rounded quotient reaches k exactly when p >= k * range (a
// quotient below k is at least 1/range below it, more than the rounding can
// make up): of the two candidates, that comparison picks the right one
// (Method::kCompared). When moreover range * (top + 1) <= 2^21, clamping p
// to 0 .. top * range first clamps the result, which is then floor(q); and
// u = (p + (1 - range) / 2) / range, which is floor(q) - 1/2 plus at least
// 1/(2 range) and at most 1 - 1/(2 range), rounds to it: the product with
// the rounded reciprocal misses u by less than (top + 1) * 2^-23 <
// 1/(2 range), so rounding it to nearest needs no candidates at all
// (Method::kRounded).
//
// Ranges whose reciprocal is not a normal number (zero-width windows,
// infinities, NaN, extremes) and channel counts above kPatternChannels take
// the plain rule element by element.

#include "kernels/windowmapping.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "elementconversion.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/windowmapping.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::windowmapping::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;

// Exports round the quotient to float before clamping it; sliceToBytes
// clamps it in the element's own precision.
enum class Rounding { kToFloat, kKeep };

// Double elements are computed in double; every other type in single precision.
template <typename T> using Arithmetic = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <typename T> inline Arithmetic<T> valueOf(T e) {
    if constexpr (std::is_same_v<T, double>) {
        return e;
    } else {
        return toFloat(e);
    }
}

// The plain rule for one element (NaN fails both comparisons and gives 0).
template <Rounding kRounding, typename Out, typename T>
inline Out mapElement(T e, float low, float range, float top) {
    using V = std::conditional_t<kRounding == Rounding::kToFloat, float, Arithmetic<T>>;
    const V v = static_cast<V>((valueOf(e) - low) * top / range);
    const V positive = v > 0 ? v : V(0);
    return static_cast<Out>(positive > top ? top : positive);
}

constexpr int kPatternChannels = 16;

template <typename A> bool reciprocalsNormal(const ChannelWindows& windows) {
    for (int c = 0; c < windows.channels; ++c) {
        const A magnitude = std::fabs(A(windows.range(c)));
        if (!(magnitude >= A(0x1p-125) && magnitude <= A(0x1p125))) return false;  // NaN fails too
    }
    return true;
}

// Per-lane window values of a run whose element i belongs to channel
// i % channels: a vector starting at element x reads them from index
// x % channels on.
template <typename A, size_t kLength> struct Pattern {
    HWY_ALIGN A lows[kLength];
    HWY_ALIGN A ranges[kLength];
    HWY_ALIGN A reciprocals[kLength];
    HWY_ALIGN A below[kLength];    // reciprocal * (1 - 2^-20)
    HWY_ALIGN A above[kLength];    // reciprocal * (1 + 2^-20)
    HWY_ALIGN A offsets[kLength];  // (1 - range) / 2
    HWY_ALIGN A tops[kLength];     // top * range

    Pattern(const ChannelWindows& windows, int64_t lanes, float top) {
        const int ch = windows.channels;
        for (int c = 0; c < ch; ++c) {
            const A range = windows.range(c);
            lows[c] = windows.low(c);
            ranges[c] = range;
            reciprocals[c] = A(1) / range;
            below[c] = reciprocals[c] * A(1 - 0x1p-20);
            above[c] = reciprocals[c] * A(1 + 0x1p-20);
            offsets[c] = (A(1) - range) * A(0.5);
            tops[c] = A(top) * range;
        }
        for (int64_t i = ch; i < lanes + ch; ++i) {
            lows[i] = lows[i - ch];
            ranges[i] = ranges[i - ch];
            reciprocals[i] = reciprocals[i - ch];
            below[i] = below[i - ch];
            above[i] = above[i - ch];
            offsets[i] = offsets[i - ch];
            tops[i] = tops[i - ch];
        }
    }
};

// p = (e - low) * top lane by lane, with NaN replaced by 0 (NaN maps to 0).
template <typename T, class DA, class VT>
HWY_INLINE hn::Vec<DA> scaledOffset(DA da, VT e, hn::Vec<DA> low, hn::Vec<DA> top) {
    hn::Vec<DA> value;
    if constexpr (std::is_same_v<T, double>) {
        value = e;
    } else {
        value = toFloatLanes<T>(da, e);
    }
    const auto p = hn::Mul(hn::Sub(value, low), top);
    if constexpr (std::is_floating_point_v<T>) {
        return hn::IfThenElseZero(hn::Eq(p, p), p);
    } else {
        return p;  // finite elements and a finite window give no NaN
    }
}

// Values within -1/2 .. top + 1/2, rounded to the nearest whole number and
// stored as Out: adding 1.5 * 2^23 (2^52 for double) rounds a value of less
// than 2^22 in magnitude to a whole number and puts it into the low bits.
template <typename Out, class DA> HWY_INLINE void storeNearest(DA da, hn::Vec<DA> value, Out* out) {
    using A = hn::TFromD<DA>;
    const hn::Rebind<Out, DA> dout;
    const hn::RebindToUnsigned<DA> du;
    const auto biased = hn::Add(value, hn::Set(da, std::is_same_v<A, double> ? A(0x1.8p52) : A(0x1.8p23)));
    hn::StoreU(hn::TruncateTo(dout, hn::BitCast(du, biased)), dout, out);
}

// Whole numbers (or infinities) clamped to 0..top and stored as Out.
template <typename Out, class DA> HWY_INLINE void storeClamped(DA da, hn::Vec<DA> whole, hn::Vec<DA> top, Out* out) {
    storeNearest(da, hn::Min(hn::Max(whole, hn::Zero(da)), top), out);
}

// How whole vectors are mapped (see the top of the file).
enum class Method { kBracketed, kCompared, kRounded };

template <typename T> Method methodFor(const ChannelWindows& windows, float top) {
    if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
        bool rounded = true;
        for (int c = 0; c < windows.channels; ++c) {
            const float low = windows.low(c), high = windows.high(c);
            const bool whole = low == std::trunc(low) && high == std::trunc(high) && std::fabs(low) <= 0x1p23f &&
                               std::fabs(high) <= 0x1p23f && high > low;
            if (!whole) return Method::kBracketed;
            const double range = double(high) - double(low);
            const double largestOffset = std::max(std::fabs(std::numeric_limits<T>::min() - double(low)),
                                                  std::fabs(std::numeric_limits<T>::max() - double(low)));
            if (largestOffset * top >= 0x1p24 || range * top >= 0x1p24) return Method::kBracketed;
            rounded = rounded && range * (double(top) + 1) <= 0x1p21;
        }
        return rounded ? Method::kRounded : Method::kCompared;
    } else {
        return Method::kBracketed;
    }
}

// Maps one vector from `in` to `out`, given the window values of its lanes
// (one vector each, so that they can stay in registers).
template <Rounding kRounding, Method kMethod, typename T, typename Out, class DA, class V = hn::Vec<DA>>
HWY_INLINE void mapVector(DA da, const T* in, Out* out, V low, V range, V below, V above, V offset, V reciprocal,
                          V clampTop, V top) {
    const hn::Rebind<Lane<T>, DA> dt;
    const auto p = scaledOffset<T>(da, hn::LoadU(dt, lanes(in)), low, top);
    if constexpr (kMethod == Method::kRounded) {
        const auto clamped = hn::Min(hn::Max(p, hn::Zero(da)), clampTop);
        storeNearest(da, hn::Mul(hn::Add(clamped, offset), reciprocal), out);
    } else {
        const auto candidateLow = hn::Trunc(hn::Mul(p, below));
        const auto candidateHigh = hn::Trunc(hn::Mul(p, above));
        if constexpr (kMethod == Method::kCompared) {
            const auto reached = hn::Ge(p, hn::Mul(candidateHigh, range));
            storeClamped(da, hn::IfThenElse(reached, candidateHigh, candidateLow), top, out);
        } else if (hn::AllTrue(da, hn::Eq(candidateLow, candidateHigh))) {
            storeClamped(da, candidateLow, top, out);
        } else {
            // No NaN: p has none, and the range is finite and not 0.
            auto q = hn::Div(p, range);
            if constexpr (kRounding == Rounding::kToFloat && std::is_same_v<hn::TFromD<DA>, double>) {
                q = hn::PromoteTo(da, hn::DemoteTo(hn::Rebind<float, DA>(), q));  // rounded to float
            }
            storeClamped(da, hn::Trunc(q), top, out);
        }
    }
}

// Maps whole vectors from the start of the run; returns how many elements.
// When every vector starts with the same channel, the window values are
// loaded once.
template <Rounding kRounding, Method kMethod, typename Out, typename T>
int64_t mapVectors(const T* in, Out* out, int64_t count, const ChannelWindows& windows, float top) {
    using A = Arithmetic<T>;
    using DA = hn::ScalableTag<A>;
    const DA da;
    const int64_t n = static_cast<int64_t>(hn::Lanes(da));
    const int ch = windows.channels;
    const Pattern<A, hn::MaxLanes(da) + kPatternChannels> pattern(windows, n, top);
    const auto topV = hn::Set(da, A(top));
    const auto at = [&](const A* values, int64_t phase) { return hn::LoadU(da, values + phase); };
    const int64_t advance = n % ch;
    int64_t x = 0;
    if (advance == 0) {
        const auto low = at(pattern.lows, 0), range = at(pattern.ranges, 0), below = at(pattern.below, 0);
        const auto above = at(pattern.above, 0), offset = at(pattern.offsets, 0);
        const auto reciprocal = at(pattern.reciprocals, 0), clampTop = at(pattern.tops, 0);
        for (; x + n <= count; x += n) {
            mapVector<kRounding, kMethod>(da, in + x, out + x, low, range, below, above, offset, reciprocal, clampTop,
                                          topV);
        }
        return x;
    }
    for (int64_t phase = 0; x + n <= count; x += n) {
        mapVector<kRounding, kMethod>(da, in + x, out + x, at(pattern.lows, phase), at(pattern.ranges, phase),
                                      at(pattern.below, phase), at(pattern.above, phase), at(pattern.offsets, phase),
                                      at(pattern.reciprocals, phase), at(pattern.tops, phase), topV);
        phase += advance;
        if (phase >= ch) phase -= ch;
    }
    return x;
}

template <Rounding kRounding, typename Out, typename T>
void mapRun(const T* in, Out* out, int64_t count, const ChannelWindows& windows, float top) {
    const int ch = windows.channels;
    int64_t x = 0;
    if (ch <= kPatternChannels && reciprocalsNormal<Arithmetic<T>>(windows)) {
        switch (methodFor<T>(windows, top)) {
        case Method::kRounded: x = mapVectors<kRounding, Method::kRounded>(in, out, count, windows, top); break;
        case Method::kCompared: x = mapVectors<kRounding, Method::kCompared>(in, out, count, windows, top); break;
        case Method::kBracketed: x = mapVectors<kRounding, Method::kBracketed>(in, out, count, windows, top); break;
        }
    }
    for (; x < count; ++x) {
        const int c = static_cast<int>(x % ch);
        out[x] = mapElement<kRounding, Out>(in[x], windows.low(c), windows.range(c), top);
    }
}

template <typename T>
void mapChannelOf(const T* in, int64_t step, unsigned char* out, int64_t count, const ChannelWindows& window) {
    if (step == 1) {
        mapRun<Rounding::kKeep>(in, out, count, window, 255.0f);
        return;
    }
    // A strided channel is gathered into a contiguous piece first.
    constexpr int64_t kPiece = 256;
    T gathered[kPiece];
    for (int64_t x = 0; x < count; x += kPiece) {
        const int64_t n = std::min(kPiece, count - x);
        for (int64_t i = 0; i < n; ++i) gathered[i] = in[(x + i) * step];
        mapRun<Rounding::kKeep>(gathered, out + x, n, window, 255.0f);
    }
}

// One exported name per element type (named by its code).
#define IVORY_TARGET_WINDOW_MAPPING(T, code)                                                              \
    void mapToBytes##code(const T* in, unsigned char* out, int64_t count, const ChannelWindows& windows) {   \
        mapRun<Rounding::kToFloat>(in, out, count, windows, 255.0f);                                      \
    }                                                                                                     \
    void mapToShorts##code(const T* in, unsigned short* out, int64_t count, const ChannelWindows& windows) { \
        mapRun<Rounding::kToFloat>(in, out, count, windows, 65535.0f);                                    \
    }                                                                                                     \
    void mapChannelToBytes##code(const T* in, int64_t step, unsigned char* out, int64_t count,             \
                                 const ChannelWindows& window) {                                          \
        mapChannelOf(in, step, out, count, window);                                                       \
    }
IVORY_ELEMENT_TYPES(IVORY_TARGET_WINDOW_MAPPING)
#undef IVORY_TARGET_WINDOW_MAPPING

}  // namespace Ivory::detail::windowmapping::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::windowmapping {

#define IVORY_DEFINE_WINDOW_MAPPING(T, code)                                                              \
    HWY_EXPORT(mapToBytes##code);                                                                         \
    HWY_EXPORT(mapToShorts##code);                                                                        \
    HWY_EXPORT(mapChannelToBytes##code);                                                                  \
    void mapToBytes(const T* in, unsigned char* out, int64_t count, const ChannelWindows& windows) {       \
        HWY_DYNAMIC_DISPATCH(mapToBytes##code)(in, out, count, windows);                                  \
    }                                                                                                     \
    void mapToShorts(const T* in, unsigned short* out, int64_t count, const ChannelWindows& windows) {     \
        HWY_DYNAMIC_DISPATCH(mapToShorts##code)(in, out, count, windows);                                 \
    }                                                                                                     \
    void mapChannelToBytes(const T* in, int64_t step, unsigned char* out, int64_t count,                   \
                           const ChannelWindows& window) {                                                \
        HWY_DYNAMIC_DISPATCH(mapChannelToBytes##code)(in, step, out, count, window);                      \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_WINDOW_MAPPING)
#undef IVORY_DEFINE_WINDOW_MAPPING

}  // namespace Ivory::detail::windowmapping
#endif
