#include "kernels/rowkernels.h"

#include <algorithm>

#include "elementconversion.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/rowkernels.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"
#include "kernels/lanerange-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::rowkernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;

// sum + weight * value, rounded after the product and after the sum.
template <class V> HWY_INLINE V addProduct(V sum, V weight, V value) { return hn::Add(sum, hn::Mul(weight, value)); }

void correlateRow(const float* const* sources, const float* weights, int taps, float* out, int64_t count,
                  float& min, float& max) {
    const hn::ScalableTag<float> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    auto lo = hn::Set(d, min), hi = hn::Set(d, max);
    int64_t x = 0;
    // Four vectors of pixels stay in registers while every tap is added to
    // them (four sums side by side hide the latency of the additions), and
    // their range is taken there too.
    for (; x + 4 * n <= count; x += 4 * n) {
        auto sum0 = hn::Zero(d), sum1 = hn::Zero(d), sum2 = hn::Zero(d), sum3 = hn::Zero(d);
        for (int t = 0; t < taps; ++t) {
            const auto weight = hn::Set(d, weights[t]);
            const float* source = sources[t] + x;
            sum0 = addProduct(sum0, weight, hn::LoadU(d, source));
            sum1 = addProduct(sum1, weight, hn::LoadU(d, source + n));
            sum2 = addProduct(sum2, weight, hn::LoadU(d, source + 2 * n));
            sum3 = addProduct(sum3, weight, hn::LoadU(d, source + 3 * n));
        }
        widenLanes(lo, hi, sum0);
        widenLanes(lo, hi, sum1);
        widenLanes(lo, hi, sum2);
        widenLanes(lo, hi, sum3);
        hn::StoreU(sum0, d, out + x);
        hn::StoreU(sum1, d, out + x + n);
        hn::StoreU(sum2, d, out + x + 2 * n);
        hn::StoreU(sum3, d, out + x + 3 * n);
    }
    // The last vector may overlap the one before: its pixels are summed again
    // to the same bits, and a range is not changed by values seen twice.
    for (; x < count && count >= n; x += n) {
        x = std::min(x, count - n);
        auto sum = hn::Zero(d);
        for (int t = 0; t < taps; ++t) sum = addProduct(sum, hn::Set(d, weights[t]), hn::LoadU(d, sources[t] + x));
        widenLanes(lo, hi, sum);
        hn::StoreU(sum, d, out + x);
    }
    mergeLanes(d, lo, hi, min, max);
    for (; x < count; ++x) {
        float sum = 0.0f;
        for (int t = 0; t < taps; ++t) sum += weights[t] * sources[t][x];
        out[x] = sum;
        if (sum < min) min = sum;
        if (sum > max) max = sum;
    }
}

void widenRange(const float* values, int64_t count, float& min, float& max) {
    const hn::ScalableTag<float> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    auto lo = hn::Set(d, min), hi = hn::Set(d, max);
    int64_t x = 0;
    for (; x < count && count >= n; x += n) widenLanes(lo, hi, hn::LoadU(d, values + std::min(x, count - n)));
    mergeLanes(d, lo, hi, min, max);
    for (; x < count; ++x) {
        if (values[x] < min) min = values[x];
        if (values[x] > max) max = values[x];
    }
}

int64_t clampRow(float* values, int64_t count, float low, float high) {
    const hn::ScalableTag<float> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    const auto lowV = hn::Set(d, low), highV = hn::Set(d, high);
    int64_t clamped = 0, x = 0;
    for (; x + n <= count; x += n) {
        const auto v = hn::LoadU(d, values + x);
        const auto below = hn::Lt(v, lowV), above = hn::Gt(v, highV);
        clamped += static_cast<int64_t>(hn::CountTrue(d, below) + hn::CountTrue(d, above));
        hn::StoreU(hn::IfThenElse(below, lowV, hn::IfThenElse(above, highV, v)), d, values + x);
    }
    for (; x < count; ++x) {
        const float v = values[x];
        const bool below = v < low, above = v > high;
        clamped += below + above;
        values[x] = below ? low : above ? high : v;
    }
    return clamped;
}

template <typename T> void toFloatRowOf(const T* src, int64_t stride, float* dst, int64_t count) {
    int64_t x = 0;
    if (stride == 1) {
        const FloatTag<T> df;
        const ElementTag<T> dt;
        const int64_t n = static_cast<int64_t>(hn::Lanes(df));
        for (; x + n <= count; x += n) hn::StoreU(toFloatLanes<T>(df, hn::LoadU(dt, lanes(src) + x)), df, dst + x);
    }
    for (; x < count; ++x) dst[x] = toFloat(src[x * stride]);
}

template <typename T> void fromFloatRowsOf(const float* const* rows, int channels, T* dst, int64_t count) {
    const FloatTag<T> df;
    const ElementTag<T> dt;
    const int64_t n = static_cast<int64_t>(hn::Lanes(df));
    const auto element = [&](int c, int64_t x) { return fromFloatLanes<T>(dt, hn::LoadU(df, rows[c] + x)); };
    Lane<T>* to = lanes(dst);
    int64_t x = 0;
    switch (channels) {
    case 1:
        for (; x + n <= count; x += n) hn::StoreU(element(0, x), dt, to + x);
        break;
    case 2:
        for (; x + n <= count; x += n) hn::StoreInterleaved2(element(0, x), element(1, x), dt, to + 2 * x);
        break;
    case 3:
        for (; x + n <= count; x += n)
            hn::StoreInterleaved3(element(0, x), element(1, x), element(2, x), dt, to + 3 * x);
        break;
    case 4:
        for (; x + n <= count; x += n)
            hn::StoreInterleaved4(element(0, x), element(1, x), element(2, x), element(3, x), dt, to + 4 * x);
        break;
    default:
        break;  // all pixels below
    }
    for (; x < count; ++x) {
        for (int c = 0; c < channels; ++c) dst[x * channels + c] = fromFloat<T>(rows[c][x]);
    }
}

// One exported name per element type (named by its code).
#define IVORY_TARGET_ROW_CONVERSIONS(T, code)                                                   \
    void toFloatRow##code(const T* src, int64_t stride, float* dst, int64_t count) {            \
        toFloatRowOf(src, stride, dst, count);                                                  \
    }                                                                                           \
    void fromFloatRows##code(const float* const* rows, int channels, T* dst, int64_t count) {  \
        fromFloatRowsOf(rows, channels, dst, count);                                            \
    }
IVORY_ELEMENT_TYPES(IVORY_TARGET_ROW_CONVERSIONS)
#undef IVORY_TARGET_ROW_CONVERSIONS

}  // namespace Ivory::detail::rowkernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::rowkernels {

HWY_EXPORT(correlateRow);
HWY_EXPORT(widenRange);
HWY_EXPORT(clampRow);

void correlateRow(const float* const* sources, const float* weights, int taps, float* out, int64_t count,
                  float& min, float& max) {
    HWY_DYNAMIC_DISPATCH(correlateRow)(sources, weights, taps, out, count, min, max);
}

void widenRange(const float* values, int64_t count, float& min, float& max) {
    HWY_DYNAMIC_DISPATCH(widenRange)(values, count, min, max);
}

int64_t clampRow(float* values, int64_t count, float low, float high) {
    return HWY_DYNAMIC_DISPATCH(clampRow)(values, count, low, high);
}

#define IVORY_DEFINE_ROW_CONVERSIONS(T, code)                                                  \
    HWY_EXPORT(toFloatRow##code);                                                              \
    HWY_EXPORT(fromFloatRows##code);                                                           \
    void toFloatRow(const T* src, int64_t stride, float* dst, int64_t count) {                 \
        HWY_DYNAMIC_DISPATCH(toFloatRow##code)(src, stride, dst, count);                       \
    }                                                                                          \
    void fromFloatRows(const float* const* rows, int channels, T* dst, int64_t count) {       \
        HWY_DYNAMIC_DISPATCH(fromFloatRows##code)(rows, channels, dst, count);                 \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_ROW_CONVERSIONS)
#undef IVORY_DEFINE_ROW_CONVERSIONS

}  // namespace Ivory::detail::rowkernels
#endif
