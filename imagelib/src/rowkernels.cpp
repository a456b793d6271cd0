#include "rowkernels.h"

#include "elementconversion.h"

// Machines without AVX2 run the baseline clone.
#define IVORY_ROW_KERNEL __attribute__((target_clones("avx2", "default")))

namespace Ivory::detail::rowkernels {

namespace {

// Lanes scanned side by side so that the comparisons vectorise; the lanes
// are merged at the end, which the absence of -0.0f makes order-free.
constexpr int kLanes = 16;

template <typename T> void toFloatBody(const T* src, int64_t stride, float* dst, int64_t count) {
    if (stride == 1) {
        for (int64_t x = 0; x < count; ++x) dst[x] = toFloat(src[x]);
    } else {
        for (int64_t x = 0; x < count; ++x) dst[x] = toFloat(src[x * stride]);
    }
}

template <typename T> void fromFloatBody(const float* src, T* dst, int64_t stride, int64_t count) {
    if (stride == 1) {
        for (int64_t x = 0; x < count; ++x) dst[x] = fromFloat<T>(src[x]);
    } else {
        for (int64_t x = 0; x < count; ++x) dst[x * stride] = fromFloat<T>(src[x]);
    }
}

}  // namespace

IVORY_ROW_KERNEL void addWeightedRow(float* __restrict acc, const float* __restrict src, float weight,
                                     int64_t count) {
    for (int64_t x = 0; x < count; ++x) acc[x] += weight * src[x];
}

IVORY_ROW_KERNEL void widenRange(const float* values, int64_t count, float& min, float& max) {
    float lo[kLanes], hi[kLanes];
    for (int l = 0; l < kLanes; ++l) lo[l] = min, hi[l] = max;
    int64_t x = 0;
    for (; x + kLanes <= count; x += kLanes) {
        for (int l = 0; l < kLanes; ++l) {
            const float v = values[x + l];
            lo[l] = v < lo[l] ? v : lo[l];
            hi[l] = v > hi[l] ? v : hi[l];
        }
    }
    for (; x < count; ++x) {
        const float v = values[x];
        lo[0] = v < lo[0] ? v : lo[0];
        hi[0] = v > hi[0] ? v : hi[0];
    }
    for (int l = 0; l < kLanes; ++l) {
        if (lo[l] < min) min = lo[l];
        if (hi[l] > max) max = hi[l];
    }
}

IVORY_ROW_KERNEL int64_t clampRow(float* values, int64_t count, float low, float high) {
    int64_t clamped = 0;
    for (int64_t x = 0; x < count; ++x) {
        const float v = values[x];
        const bool below = v < low, above = v > high;
        clamped += below + above;
        values[x] = below ? low : above ? high : v;
    }
    return clamped;
}

#define IVORY_DEFINE_ROW_CONVERSIONS(T, code)                                                \
    IVORY_ROW_KERNEL void toFloatRow(const T* src, int64_t stride, float* dst, int64_t count) { \
        toFloatBody(src, stride, dst, count);                                                  \
    }                                                                                          \
    IVORY_ROW_KERNEL void fromFloatRow(const float* src, T* dst, int64_t stride, int64_t count) { \
        fromFloatBody(src, dst, stride, count);                                                \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_ROW_CONVERSIONS)
#undef IVORY_DEFINE_ROW_CONVERSIONS

}  // namespace Ivory::detail::rowkernels
