#include "kernels/elementrange.h"

#include <type_traits>

#include "kernels/alignment.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/elementrange.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"
#include "kernels/lanerange-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::elementrange::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;

template <typename T> void widenRangeOf(const T* elements, int64_t count, T& low, T& high) {
    using L = Lane<T>;
    const hn::ScalableTag<L> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    const L* e = lanes(elements);
    int64_t x = 0;
    for (const int64_t leading = kernels::leadingToAlignment(elements, n * sizeof(T), sizeof(T), count); x < leading; ++x) {
        if (elements[x] < low) low = elements[x];
        if (elements[x] > high) high = elements[x];
    }
    auto lo = hn::Set(d, static_cast<L>(low)), hi = hn::Set(d, static_cast<L>(high));
    for (; x + 2 * n <= count; x += 2 * n) {  // two loads in flight
        widenLanes(lo, hi, hn::LoadU(d, e + x));
        widenLanes(lo, hi, hn::LoadU(d, e + x + n));
    }
    for (; x + n <= count; x += n) widenLanes(lo, hi, hn::LoadU(d, e + x));
    L lowLane = static_cast<L>(low), highLane = static_cast<L>(high);
    mergeLanes(d, lo, hi, lowLane, highLane);
    low = static_cast<T>(lowLane);
    high = static_cast<T>(highLane);
    for (; x < count; ++x) {
        if (elements[x] < low) low = elements[x];
        if (elements[x] > high) high = elements[x];
    }
}

template <typename T> int64_t firstZeroOf(const T* elements, int64_t count) {
    using L = Lane<T>;
    const hn::ScalableTag<L> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    const L* e = lanes(elements);
    int64_t x = 0;
    for (; x + n <= count; x += n) {
        const intptr_t lane = hn::FindFirstTrue(d, hn::Eq(hn::LoadU(d, e + x), hn::Zero(d)));
        if (lane >= 0) return x + lane;
    }
    for (; x < count; ++x) {
        if (elements[x] == T(0)) return x;
    }
    return count;
}

// One exported name per element type (named by its code).
#define IVORY_TARGET_ELEMENT_RANGE(T, code)                                                               \
    void widenRange##code(const T* elements, int64_t count, T& low, T& high) {                           \
        widenRangeOf(elements, count, low, high);                                                        \
    }                                                                                                     \
    int64_t firstZero##code(const T* elements, int64_t count) { return firstZeroOf(elements, count); }
IVORY_ELEMENT_TYPES(IVORY_TARGET_ELEMENT_RANGE)
#undef IVORY_TARGET_ELEMENT_RANGE

}  // namespace Ivory::detail::elementrange::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::elementrange {

#define IVORY_DEFINE_ELEMENT_RANGE(T, code)                                                  \
    HWY_EXPORT(widenRange##code);                                                          \
    HWY_EXPORT(firstZero##code);                                                           \
    void widenRange(const T* elements, int64_t count, T& low, T& high) {                   \
        HWY_DYNAMIC_DISPATCH(widenRange##code)(elements, count, low, high);                \
    }                                                                                      \
    int64_t firstZero(const T* elements, int64_t count) {                                  \
        return HWY_DYNAMIC_DISPATCH(firstZero##code)(elements, count);                     \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_ELEMENT_RANGE)
#undef IVORY_DEFINE_ELEMENT_RANGE

}  // namespace Ivory::detail::elementrange
#endif
