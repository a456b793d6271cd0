#include "rowkernels.h"

#include "elementconversion.h"
#include "vectorclones.h"

// Bodies shared by several kernels are inlined into each clone, so that
// each is compiled for that clone's instruction set.
#define IVORY_INLINED __attribute__((always_inline)) inline

namespace Ivory::detail::rowkernels {

namespace {

// Eight floats handled as one (two SSE registers or one AVX register). The
// range scan keeps eight running bounds side by side and merges them at the
// end, which the absence of -0.0f makes order-free.
typedef float Lanes __attribute__((vector_size(32)));
constexpr int kWidth = 8;
constexpr int kBlock = 8;  // vectors summed side by side, hiding the latency of the additions

// By reference: vectors passed by value would tie the baseline clone to an ABI question.
IVORY_INLINED void load(Lanes& v, const float* p) { __builtin_memcpy(&v, p, sizeof v); }
IVORY_INLINED void store(float* p, const Lanes& v) { __builtin_memcpy(p, &v, sizeof v); }

// Running bounds per lane, with the NaN-blind `<` and `>` of a scalar scan.
IVORY_INLINED void widen(Lanes& lo, Lanes& hi, const Lanes& v) {
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
}

IVORY_INLINED void merge(const Lanes& lo, const Lanes& hi, float& min, float& max) {
    for (int l = 0; l < kWidth; ++l) {
        if (lo[l] < min) min = lo[l];
        if (hi[l] > max) max = hi[l];
    }
}

template <typename T> IVORY_INLINED void toFloatBody(const T* src, int64_t stride, float* dst, int64_t count) {
    if (stride == 1) {
        for (int64_t x = 0; x < count; ++x) dst[x] = toFloat(src[x]);
    } else {
        for (int64_t x = 0; x < count; ++x) dst[x] = toFloat(src[x * stride]);
    }
}

// The channel count known at compile time lets the stores vectorise.
template <int channels, typename T> IVORY_INLINED void interleave(const float* const* rows, T* dst, int64_t count) {
    for (int64_t x = 0; x < count; ++x) {
        for (int c = 0; c < channels; ++c) dst[x * channels + c] = fromFloat<T>(rows[c][x]);
    }
}

template <typename T> IVORY_INLINED void fromFloatBody(const float* const* rows, int channels, T* dst, int64_t count) {
    switch (channels) {
    case 1: return interleave<1>(rows, dst, count);
    case 2: return interleave<2>(rows, dst, count);
    case 3: return interleave<3>(rows, dst, count);
    case 4: return interleave<4>(rows, dst, count);
    default:
        for (int64_t x = 0; x < count; ++x) {
            for (int c = 0; c < channels; ++c) dst[x * channels + c] = fromFloat<T>(rows[c][x]);
        }
    }
}

}  // namespace

IVORY_VECTOR_CLONES void correlateRow(const float* const* sources, const float* weights, int taps, float* out,
                                   int64_t count, float& min, float& max) {
    // A block of pixels stays in registers while all taps are added to it,
    // rather than one pass over the row per tap; its range is taken there too.
    Lanes lo = min - Lanes{}, hi = max - Lanes{};  // x - (+0) is x, -0.0f included
    int64_t x = 0;
    for (; x + kBlock * kWidth <= count; x += kBlock * kWidth) {
        Lanes sum[kBlock] = {};
        for (int t = 0; t < taps; ++t) {
            const float weight = weights[t];
            const float* source = sources[t] + x;
            Lanes value;
#pragma GCC unroll 8
            for (int b = 0; b < kBlock; ++b) {
                load(value, source + b * kWidth);
                sum[b] += weight * value;
            }
        }
#pragma GCC unroll 8
        for (int b = 0; b < kBlock; ++b) {
            widen(lo, hi, sum[b]);
            store(out + x + b * kWidth, sum[b]);
        }
    }
    for (; x + kWidth <= count; x += kWidth) {
        Lanes sum = {};
        for (int t = 0; t < taps; ++t) {
            Lanes value;
            load(value, sources[t] + x);
            sum += weights[t] * value;
        }
        widen(lo, hi, sum);
        store(out + x, sum);
    }
    merge(lo, hi, min, max);
    for (; x < count; ++x) {
        float sum = 0.0f;
        for (int t = 0; t < taps; ++t) sum += weights[t] * sources[t][x];
        out[x] = sum;
        if (sum < min) min = sum;
        if (sum > max) max = sum;
    }
}

IVORY_VECTOR_CLONES void widenRange(const float* values, int64_t count, float& min, float& max) {
    Lanes lo = min - Lanes{}, hi = max - Lanes{}, v;
    int64_t x = 0;
    for (; x + kWidth <= count; x += kWidth) {
        load(v, values + x);
        widen(lo, hi, v);
    }
    merge(lo, hi, min, max);
    for (; x < count; ++x) {
        if (values[x] < min) min = values[x];
        if (values[x] > max) max = values[x];
    }
}

IVORY_VECTOR_CLONES int64_t clampRow(float* values, int64_t count, float low, float high) {
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
    IVORY_VECTOR_CLONES void toFloatRow(const T* src, int64_t stride, float* dst, int64_t count) { \
        toFloatBody(src, stride, dst, count);                                                  \
    }                                                                                          \
    IVORY_VECTOR_CLONES void fromFloatRows(const float* const* rows, int channels, T* dst, int64_t count) { \
        fromFloatBody(rows, channels, dst, count);                                                      \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_ROW_CONVERSIONS)
#undef IVORY_DEFINE_ROW_CONVERSIONS

}  // namespace Ivory::detail::rowkernels
