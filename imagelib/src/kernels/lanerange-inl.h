// The running minimum and maximum of vectors, kept per lane and merged at
// the end, with the NaN-blind `<` and `>` of a scalar scan (a NaN never
// counts). Merging lanes in any order gives the scan's result as long as the
// values hold no -0.0, which sums started at +0.0 never are.

#if defined(IVORY_KERNELS_LANERANGE_INL_H) == defined(HWY_TARGET_TOGGLE)
#ifdef IVORY_KERNELS_LANERANGE_INL_H
#undef IVORY_KERNELS_LANERANGE_INL_H
#else
#define IVORY_KERNELS_LANERANGE_INL_H
#endif

#include <cstddef>

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class V> HWY_INLINE void widenLanes(V& lo, V& hi, V v) {
    if constexpr (hwy::IsFloat<hn::TFromV<V>>()) {
        lo = hn::IfThenElse(hn::Lt(v, lo), v, lo);
        hi = hn::IfThenElse(hn::Gt(v, hi), v, hi);
    } else {
        lo = hn::Min(lo, v);
        hi = hn::Max(hi, v);
    }
}

// Lowers min and raises max to the lanes' bounds.
template <class D, class V, typename T> HWY_INLINE void mergeLanes(D d, V lo, V hi, T& min, T& max) {
    HWY_ALIGN T los[hn::MaxLanes(d)];
    HWY_ALIGN T his[hn::MaxLanes(d)];
    hn::Store(lo, d, los);
    hn::Store(hi, d, his);
    for (size_t l = 0; l < hn::Lanes(d); ++l) {
        if (los[l] < min) min = los[l];
        if (his[l] > max) max = his[l];
    }
}

}  // namespace Ivory::detail::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif
