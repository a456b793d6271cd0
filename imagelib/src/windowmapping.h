#ifndef IVORY_WINDOWMAPPING_H
#define IVORY_WINDOWMAPPING_H

// Runs of elements through a channel's window: the 8- and 16-bit exports,
// invert and applyWindowLevel. Each element is mapped on its own, with exactly
// the arithmetic of the plain per-element rule, in loops without branches so
// that they vectorise. Runs are either contiguous (one channel) or strided
// (one channel of several).

#include <cstdint>
#include <limits>
#include <type_traits>

#include "elementconversion.h"
#include "vectorclones.h"

namespace Ivory::detail::windowmapping {

// Double elements are computed in double; every other type in single precision.
template <typename T> using Arithmetic = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <typename T> inline Arithmetic<T> widen(T e) {
    if constexpr (std::is_floating_point_v<T>) {
        return e;
    } else {
        return toFloat(e);
    }
}

// Clamps a window position to 0..top and truncates it; NaN gives 0.
template <typename Out, typename V> inline Out clampToOutput(V v, V top) {
    const V positive = v > 0 ? v : V(0);
    return static_cast<Out>(positive > top ? top : positive);
}

// a - b for integer elements, wrapping to the low bits of T (no signed overflow).
template <typename T> inline T wrappingDifference(T a, T b) {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b)));
}

// Element i of the run: contiguous runs have a step known to be 1.
template <bool kContiguous> inline int64_t at(int64_t i, int64_t step) { return kContiguous ? i : i * step; }

// out = (e - low) * top / range, rounded to V, clamped to 0..top, truncated.
template <bool kContiguous, typename V, typename Out, typename T>
IVORY_VECTOR_CLONES void mapRun(Out* out, int64_t outStep, const T* in, int64_t inStep, int64_t count,
                                float low, float range, float top) {
    for (int64_t i = 0; i < count; ++i) {
        const V v = static_cast<V>((widen(in[at<kContiguous>(i, inStep)]) - low) * top / range);
        out[at<kContiguous>(i, outStep)] = clampToOutput<Out>(v, static_cast<V>(top));
    }
}

// e = (low + high) - e, in floating point, converted back to T.
template <bool kContiguous, typename T>
IVORY_VECTOR_CLONES void invertRun(T* e, int64_t step, int64_t count, float sum) {
    for (int64_t i = 0; i < count; ++i) {
        T& element = e[at<kContiguous>(i, step)];
        if constexpr (std::is_floating_point_v<T>) {
            element = sum - element;
        } else {
            element = fromFloat<T>(sum - toFloat(element));
        }
    }
}

// Floating elements: clamp into low..high as the two comparisons decide (a NaN
// passes both), then shift.
template <bool kReversed, typename T>
IVORY_VECTOR_CLONES void windowLevelFloating(T* e, int64_t count, T low, T high) {
    for (int64_t i = 0; i < count; ++i) {
        T v = e[i];
        v = low > v ? low : v;
        v = v > high ? high : v;
        e[i] = kReversed ? high - v : v - low;
    }
}

// Integer elements compared in a type that holds every T and one more value
// at each end.
template <typename T> using Wide = std::conditional_t<sizeof(T) <= 2, int32_t, int64_t>;

// The float comparisons of applyWindowLevel decided in the element domain.
// toFloat is monotonic, so "low > toFloat(v)" holds exactly for v below some
// bound and "toFloat(v) > high" exactly for v above another; both bounds are
// found once by bisection with the very comparisons they replace (a NaN
// window end never holds, giving bounds outside T).
template <typename T> struct ElementBounds {
    Wide<T> below;  // low > toFloat(v)  <=>  v < below
    Wide<T> above;  // toFloat(v) > high <=>  v > above
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
    const int64_t below = firstFailing<T>([low](T v) { return low > toFloat(v); });
    const int64_t above = firstFailing<T>([high](T v) { return !(toFloat(v) > high); }) - 1;
    return {static_cast<Wide<T>>(below), static_cast<Wide<T>>(above)};
}

template <bool kReversed, typename T>
IVORY_VECTOR_CLONES void windowLevelInteger(T* e, int64_t count, ElementBounds<T> bounds, T low, T high) {
    for (int64_t i = 0; i < count; ++i) {
        T v = e[i];
        v = static_cast<Wide<T>>(v) < bounds.below ? low : v;
        v = static_cast<Wide<T>>(v) > bounds.above ? high : v;
        e[i] = kReversed ? wrappingDifference(high, v) : wrappingDifference(v, low);
    }
}

}  // namespace Ivory::detail::windowmapping

#endif
