#include "kernels/intensityedits.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "elementconversion.h"
#include "kernels/alignment.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/intensityedits.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::intensityedits::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;
using kernels::leadingToAlignment;

// Channel counts up to this one run in vectors whose lanes repeat the
// channels' values; more channels go element by element.
constexpr int kPatternChannels = 16;

// values[0 .. lanes + channels) with values[i] = valueOf(i % channels): a
// vector starting at element x of a run reads its lanes from x % channels on.
template <typename V, size_t kLength, typename ValueOf>
void fillPattern(V (&values)[kLength], int64_t lanes, int channels, ValueOf valueOf) {
    for (int64_t i = 0; i < lanes + channels; ++i) values[i] = valueOf(static_cast<int>(i % channels));
}

template <typename T> void invertElement(T& e, float sum) {
    if constexpr (std::is_floating_point_v<T>) {
        e = sum - e;
    } else {
        e = fromFloat<T>(sum - toFloat(e));
    }
}

// For the 8- and 16-bit types with whole sums of moderate size, sum - e is
// exact in float, and truncating it keeps the integer difference: the
// subtraction can be done in T, wrapping, on the widest vectors.
template <typename T> bool invertsInT(const ChannelWindows& windows) {
    if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
        for (int c = 0; c < windows.channels; ++c) {
            const float sum = windows.low(c) + windows.high(c);
            if (!(std::fabs(sum) <= 0x1p23f && sum == std::trunc(sum))) return false;
        }
        return true;
    } else {
        return false;
    }
}

template <typename T> int64_t invertInT(T* elements, int64_t count, const ChannelWindows& windows) {
    if constexpr (std::is_integral_v<T>) {
        const hn::ScalableTag<Lane<T>> d;
        const int64_t n = static_cast<int64_t>(hn::Lanes(d));
        const int ch = windows.channels;
        HWY_ALIGN Lane<T> sums[hn::MaxLanes(d) + kPatternChannels];
        fillPattern(sums, n, ch, [&](int c) {
            return static_cast<Lane<T>>(static_cast<int32_t>(windows.low(c) + windows.high(c)));
        });
        const int64_t advance = n % ch;
        int64_t x = 0;
        for (const int64_t leading = leadingToAlignment(elements, n * sizeof(T), sizeof(T), count); x < leading; ++x)
            invertElement(elements[x], windows.low(int(x % ch)) + windows.high(int(x % ch)));
        int64_t phase = x % ch;
        for (; x + n <= count; x += n) {
            Lane<T>* e = lanes(elements) + x;
            hn::StoreU(hn::Sub(hn::LoadU(d, sums + phase), hn::LoadU(d, e)), d, e);
            phase += advance;
            if (phase >= ch) phase -= ch;
        }
        return x;
    } else {
        return 0;
    }
}

template <typename T> int64_t invertInFloatingPoint(T* elements, int64_t count, const ChannelWindows& windows) {
    using A = std::conditional_t<std::is_same_v<T, double>, double, float>;
    const FloatTag<T> df;
    const ElementTag<T> dt;
    const hn::Rebind<A, decltype(dt)> da;
    const int64_t n = static_cast<int64_t>(hn::Lanes(dt));
    const int ch = windows.channels;
    HWY_ALIGN A sums[hn::MaxLanes(dt) + kPatternChannels];
    fillPattern(sums, n, ch, [&](int c) { return A(windows.low(c) + windows.high(c)); });
    const int64_t advance = n % ch;
    int64_t x = 0;
    for (const int64_t leading = leadingToAlignment(elements, n * sizeof(T), sizeof(T), count); x < leading; ++x)
        invertElement(elements[x], windows.low(int(x % ch)) + windows.high(int(x % ch)));
    int64_t phase = x % ch;
    for (; x + n <= count; x += n) {
        Lane<T>* e = lanes(elements) + x;
        const auto sum = hn::LoadU(da, sums + phase);
        if constexpr (std::is_floating_point_v<T>) {
            hn::StoreU(hn::Sub(sum, hn::LoadU(dt, e)), dt, e);
        } else {
            hn::StoreU(fromFloatLanes<T>(dt, hn::Sub(sum, toFloatLanes<T>(df, hn::LoadU(dt, e)))), dt, e);
        }
        phase += advance;
        if (phase >= ch) phase -= ch;
    }
    return x;
}

template <typename T> void invertPixelsOf(T* elements, int64_t count, const ChannelWindows& windows) {
    const int ch = windows.channels;
    int64_t x = 0;
    if (ch <= kPatternChannels) {
        x = invertsInT<T>(windows) ? invertInT(elements, count, windows)
                                   : invertInFloatingPoint(elements, count, windows);
    }
    for (; x < count; ++x) {
        const int c = static_cast<int>(x % ch);
        invertElement(elements[x], windows.low(c) + windows.high(c));
    }
}

// applyWindowLevel on floating elements: the comparisons as written (a NaN
// passes both), then the shift.
template <bool kReversed, typename T> void windowLevelFloating(T* elements, int64_t count, T low, T high) {
    const hn::ScalableTag<T> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    const auto lowV = hn::Set(d, low), highV = hn::Set(d, high);
    const auto one = [&](T& e) {
        T v = e;
        v = low > v ? low : v;
        v = v > high ? high : v;
        e = kReversed ? high - v : v - low;
    };
    int64_t x = 0;
    for (const int64_t leading = leadingToAlignment(elements, n * sizeof(T), sizeof(T), count); x < leading; ++x)
        one(elements[x]);
    for (; x + n <= count; x += n) {
        auto v = hn::LoadU(d, elements + x);
        v = hn::IfThenElse(hn::Gt(lowV, v), lowV, v);
        v = hn::IfThenElse(hn::Gt(v, highV), highV, v);
        hn::StoreU(kReversed ? hn::Sub(highV, v) : hn::Sub(v, lowV), d, elements + x);
    }
    for (; x < count; ++x) one(elements[x]);
}

// Integer elements: toFloat is monotonic, so "low > toFloat(v)" holds exactly
// for v below some bound and "toFloat(v) > high" exactly for v above
// another; both bounds are found once by bisection with the very
// comparisons they replace, and the clamping is done in T.
template <typename T> struct ElementBounds {
    int64_t below;  // low > toFloat(v)  <=>  v < below
    int64_t above;  // toFloat(v) > high <=>  v > above
};

// The first v of T for which holds(v) is false, holds being true on a prefix
// of T; one past the largest T when it holds for all.
template <typename T, typename Holds> int64_t firstFailing(Holds holds) {
    int64_t first = std::numeric_limits<T>::min(), last = int64_t(std::numeric_limits<T>::max()) + 1;
    while (first < last) {
        const int64_t middle = first + (last - first) / 2;
        if (holds(static_cast<T>(middle))) {
            first = middle + 1;
        } else {
            last = middle;
        }
    }
    return first;
}

template <typename T> ElementBounds<T> elementBounds(float low, float high) {
    return {firstFailing<T>([low](T v) { return low > toFloat(v); }),
            firstFailing<T>([high](T v) { return !(toFloat(v) > high); }) - 1};
}

// a - b in T, keeping the low bits (no signed overflow).
template <typename T> inline T wrappingDifference(T a, T b) {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b)));
}

template <bool kReversed, typename T>
void windowLevelInteger(T* elements, int64_t count, float lowValue, float highValue) {
    using L = Lane<T>;
    const T low = fromFloat<T>(lowValue), high = fromFloat<T>(highValue);
    const ElementBounds<T> bounds = elementBounds<T>(lowValue, highValue);
    const int64_t smallest = std::numeric_limits<T>::min(), largest = std::numeric_limits<T>::max();
    // "v < below" for every v when below lies beyond T, for none when below
    // is T's smallest value; likewise "v > above".
    const bool allBelow = bounds.below > largest, allAbove = bounds.above < smallest;
    const L below = static_cast<L>(allBelow ? largest : bounds.below);
    const L above = static_cast<L>(allAbove ? smallest : bounds.above);
    const hn::ScalableTag<L> d;
    const size_t n = hn::Lanes(d);
    const auto lowV = hn::Set(d, static_cast<L>(low)), highV = hn::Set(d, static_cast<L>(high));
    const auto belowV = hn::Set(d, below), aboveV = hn::Set(d, above);
    const auto everyBelow = hn::FirstN(d, allBelow ? n : 0), everyAbove = hn::FirstN(d, allAbove ? n : 0);
    const auto one = [&](T& e) {
        T v = e;
        v = v < bounds.below ? low : v;
        v = v > bounds.above ? high : v;
        e = kReversed ? wrappingDifference(high, v) : wrappingDifference(v, low);
    };
    int64_t x = 0;
    for (const int64_t leading = leadingToAlignment(elements, n * sizeof(T), sizeof(T), count); x < leading; ++x)
        one(elements[x]);
    for (; x + static_cast<int64_t>(n) <= count; x += static_cast<int64_t>(n)) {
        L* e = lanes(elements) + x;
        auto v = hn::LoadU(d, e);
        v = hn::IfThenElse(hn::Or(hn::Lt(v, belowV), everyBelow), lowV, v);
        v = hn::IfThenElse(hn::Or(hn::Gt(v, aboveV), everyAbove), highV, v);
        hn::StoreU(kReversed ? hn::Sub(highV, v) : hn::Sub(v, lowV), d, e);
    }
    for (; x < count; ++x) one(elements[x]);
}

template <typename T> void windowLevelOf(T* elements, int64_t count, float low, float high, bool reversed) {
    if constexpr (std::is_floating_point_v<T>) {
        reversed ? windowLevelFloating<true, T>(elements, count, low, high)
                 : windowLevelFloating<false, T>(elements, count, low, high);
    } else {
        reversed ? windowLevelInteger<true>(elements, count, low, high)
                 : windowLevelInteger<false>(elements, count, low, high);
    }
}

// One exported name per element type (named by its code).
#define IVORY_TARGET_INTENSITY_EDITS(T, code)                                                 \
    void invertPixels##code(T* elements, int64_t count, const ChannelWindows& windows) {     \
        invertPixelsOf(elements, count, windows);                                           \
    }                                                                                       \
    void windowLevel##code(T* elements, int64_t count, float low, float high, bool reversed) { \
        windowLevelOf(elements, count, low, high, reversed);                                \
    }
IVORY_ELEMENT_TYPES(IVORY_TARGET_INTENSITY_EDITS)
#undef IVORY_TARGET_INTENSITY_EDITS

}  // namespace Ivory::detail::intensityedits::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::intensityedits {

#define IVORY_DEFINE_INTENSITY_EDITS(T, code)                                                 \
    HWY_EXPORT(invertPixels##code);                                                         \
    HWY_EXPORT(windowLevel##code);                                                          \
    void invertPixels(T* elements, int64_t count, const ChannelWindows& windows) {          \
        HWY_DYNAMIC_DISPATCH(invertPixels##code)(elements, count, windows);                 \
    }                                                                                       \
    void windowLevel(T* elements, int64_t count, float low, float high, bool reversed) {    \
        HWY_DYNAMIC_DISPATCH(windowLevel##code)(elements, count, low, high, reversed);      \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_INTENSITY_EDITS)
#undef IVORY_DEFINE_INTENSITY_EDITS

}  // namespace Ivory::detail::intensityedits
#endif
