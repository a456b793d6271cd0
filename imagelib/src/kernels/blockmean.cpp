#include "kernels/blockmean.h"

#include <algorithm>
#include <limits>
#include <type_traits>

#include "elementconversion.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/blockmean.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

#include "kernels/elementvectors-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::blockmean::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace Ivory::detail::kernels::HWY_NAMESPACE;

// Integer sums for the 8- and 16-bit types: while every partial sum of a
// block is an integer of magnitude at most 2^24, which a float holds exactly,
// each float addition is exact, so the float sum equals the integer sum (and,
// starting at 0, is never -0). An integer accumulator that holds the largest
// sum then gives the same bits; the narrowest one gives the widest vectors.
template <typename T> constexpr bool kSmallInteger = std::is_integral_v<T> && sizeof(T) <= 2;

// The largest magnitude a sum of blockSize elements of T can reach.
template <typename T> inline int64_t largestSum(int64_t blockSize) {
    const int64_t largest = std::is_signed_v<T> ? -int64_t(std::numeric_limits<T>::min())
                                                : int64_t(std::numeric_limits<T>::max());
    return blockSize > (int64_t(1) << 40) ? INT64_MAX : largest * blockSize;
}

// An accumulator of type Acc holds every partial sum of such a block.
template <typename Acc, typename T> inline bool holdsSums(int64_t blockSize) {
    return largestSum<T>(blockSize) <= std::min<int64_t>(int64_t(1) << 24, std::numeric_limits<Acc>::max());
}

// 16-bit sums for the 8-bit types (unsigned for unsigned char).
template <typename T>
using NarrowSum = std::conditional_t<std::is_same_v<T, unsigned char>, uint16_t, int16_t>;

template <typename Acc, typename T> inline Acc accumulated(T e) {
    if constexpr (std::is_same_v<Acc, float>) {
        return toFloat(e);
    } else {
        return static_cast<Acc>(e);
    }
}

// The mean of a float sum over the block, as a division by the block size
// rounds it; by a power of two the reciprocal's product is the same.
struct Divisor {
    float size;
    bool powerOfTwo;
    float reciprocal;
};

inline Divisor divisorOf(int64_t blockSize) {
    const float size = static_cast<float>(blockSize);
    return {size, (blockSize & (blockSize - 1)) == 0, 1.0f / size};
}

// acc[p*cn + c] += element c of source pixels p*fx + 0 .. p*fx + fx-1, in
// that order, for `pixels` target pixels and cn channels; `step` is the
// source's pixel step in elements. kFx and kCh fix fx and cn = step when
// non-zero, so that the compiler can vectorise a one-channel halving.
template <int kFx, int kCh, typename Acc, typename T>
void addSourceRow(Acc* acc, const T* source, int64_t pixels, int64_t fx, int64_t step, int64_t cn) {
    const int64_t f = kFx != 0 ? kFx : fx;
    const int64_t s = kCh != 0 ? kCh : step;
    const int64_t n = kCh != 0 ? kCh : cn;
    for (int64_t p = 0; p < pixels; ++p) {
        Acc* target = acc + p * n;
        const T* block = source + p * f * s;
        for (int64_t i = 0; i < f; ++i)
            for (int64_t c = 0; c < n; ++c) target[c] += accumulated<Acc>(block[i * s + c]);
    }
}

// out[i] = the mean of acc[i], converted to T as setNext would.
template <typename Acc, typename T> void storeMeans(T* out, const Acc* acc, int64_t count, const Divisor& divisor) {
    for (int64_t i = 0; i < count; ++i) out[i] = fromFloat<T>(static_cast<float>(acc[i]) / divisor.size);
}

// Whether the halving of one-channel rows runs in vectors for this pair of
// accumulator and element types: pairs of 8- and 16-bit elements are added
// as the two halves of a wider lane, pairs of 4-byte elements are split into
// even and odd lanes.
template <typename Acc, typename T>
constexpr bool kHalvesInVectors = HWY_TARGET != HWY_SCALAR &&
                                  ((sizeof(T) <= 2 && std::is_integral_v<Acc> && sizeof(Acc) == 2 * sizeof(T)) ||
                                   (sizeof(T) == 4 && std::is_same_v<Acc, float>));

#if HWY_TARGET != HWY_SCALAR
// sum + (element 2x + element 2x+1) for the lanes x of da, from `pair`.
template <typename T, class DA>
HWY_INLINE hn::Vec<DA> addPairs(DA da, hn::Vec<DA> sum, const T* pair) {
    using Acc = hn::TFromD<DA>;
    if constexpr (std::is_integral_v<Acc>) {
        // The halves are widened with T's signedness (the shifts right copy
        // the sign bit or not); the sum is held in Acc.
        constexpr int kBits = 8 * sizeof(T);
        using Wide = std::conditional_t<std::is_signed_v<T>, std::make_signed_t<Acc>, std::make_unsigned_t<Acc>>;
        const hn::Rebind<Wide, DA> dw;
        const hn::Repartition<Lane<T>, DA> dt;  // two elements per lane of da
        const auto both = hn::BitCast(dw, hn::LoadU(dt, lanes(pair)));
        const auto first = hn::ShiftRight<kBits>(hn::ShiftLeft<kBits>(both));
        const auto second = hn::ShiftRight<kBits>(both);
        return hn::Add(sum, hn::BitCast(da, hn::Add(first, second)));
    } else {
        const hn::Rebind<Lane<T>, DA> dt;
        const size_t n = hn::Lanes(dt);
        const auto a = hn::LoadU(dt, lanes(pair)), b = hn::LoadU(dt, lanes(pair) + n);
        const auto even = toFloatLanes<T>(da, hn::ConcatEven(dt, b, a));
        const auto odd = toFloatLanes<T>(da, hn::ConcatOdd(dt, b, a));
        return hn::Add(hn::Add(sum, even), odd);  // in the order of the sum
    }
}

// The means of the sums, converted to T.
template <typename T, class DA> HWY_INLINE void storeMeanLanes(DA, hn::Vec<DA> sum, const Divisor& divisor, T* out) {
    using Acc = hn::TFromD<DA>;
    const hn::Rebind<float, DA> df;
    hn::Vec<decltype(df)> value;
    if constexpr (std::is_same_v<Acc, float>) {
        value = sum;
    } else if constexpr (sizeof(Acc) == 4) {
        value = hn::ConvertTo(df, sum);
    } else {
        value = hn::ConvertTo(df, hn::PromoteTo(hn::Rebind<int32_t, DA>(), sum));
    }
    const auto mean = divisor.powerOfTwo ? hn::Mul(value, hn::Set(df, divisor.reciprocal))
                                         : hn::Div(value, hn::Set(df, divisor.size));
    const hn::Rebind<Lane<T>, DA> dt;
    hn::StoreU(fromFloatLanes<T>(dt, mean), dt, lanes(out));
}

// acc[p] += source[2p] + source[2p + 1] for p < pixels (in that order), in
// vectors as far as they go; returns how many pixels.
template <typename Acc, typename T> int64_t addPairRow(Acc* acc, const T* source, int64_t pixels) {
    const hn::Rebind<Acc, hn::ScalableTag<float>> da;
    const int64_t n = static_cast<int64_t>(hn::Lanes(da));
    int64_t x = 0;
    for (; x + n <= pixels; x += n) hn::StoreU(addPairs(da, hn::LoadU(da, acc + x), source + 2 * x), da, acc + x);
    return x;
}

// out[i] = the mean of acc[i], converted to T, in vectors as far as they go;
// returns how many.
template <typename Acc, typename T> int64_t storeMeanRow(T* out, const Acc* acc, int64_t count, const Divisor& divisor) {
    const hn::Rebind<Acc, hn::ScalableTag<float>> da;
    const int64_t n = static_cast<int64_t>(hn::Lanes(da));
    int64_t x = 0;
    for (; x + n <= count; x += n) storeMeanLanes(da, hn::LoadU(da, acc + x), divisor, out + x);
    return x;
}
#endif

// Target rows [first, last), summed with an Acc accumulator in pieces small
// enough to stay in the first-level cache, one source row after the other
// (long runs through each row keep the reads streaming); one-channel
// halvings in explicit vectors where kHalvesInVectors.
template <typename Acc, typename T> void meanRowsWith(const Geometry<T>& g, int64_t first, int64_t last) {
    constexpr int64_t kAccElements = 1024;
    Acc acc[kAccElements];
    const Divisor divisor = divisorOf(g.fx * g.fy * g.fz * g.ft);
    const int64_t ch = g.channels;
    const bool halving = g.fx == 2 && ch == 1;
    const auto addRow = halving ? &addSourceRow<2, 1, Acc, T> : &addSourceRow<0, 0, Acc, T>;
    for (int64_t row = first; row < last; ++row) {
        const int64_t yy = row % g.height, zz = row / g.height % g.depth, tt = row / g.height / g.depth;
        const T* corner = g.source + tt * g.ft * g.frameSize + zz * g.fz * g.sliceSize + yy * g.fy * g.stride;
        T* out = g.target + row * g.width * ch;
        for (int64_t c0 = 0; c0 < ch; c0 += kAccElements) {
            const int64_t cn = std::min(kAccElements, ch - c0);
            const int64_t piece = kAccElements / cn;
            for (int64_t x0 = 0; x0 < g.width; x0 += piece) {
                const int64_t pixels = std::min(piece, g.width - x0);
                std::fill_n(acc, pixels * cn, Acc(0));
                for (int64_t l = 0; l < g.ft; ++l)
                    for (int64_t k = 0; k < g.fz; ++k)
                        for (int64_t j = 0; j < g.fy; ++j) {
                            const T* source = corner + l * g.frameSize + k * g.sliceSize + j * g.stride + x0 * g.fx * ch + c0;
                            int64_t done = 0;
#if HWY_TARGET != HWY_SCALAR
                            if constexpr (kHalvesInVectors<Acc, T>) {
                                if (halving) done = addPairRow(acc, source, pixels);
                            }
#endif
                            addRow(acc + done * cn, source + done * g.fx * ch, pixels - done, g.fx, ch, cn);
                        }
                if (cn == ch) {
                    int64_t done = 0;
#if HWY_TARGET != HWY_SCALAR
                    if constexpr (kHalvesInVectors<Acc, T>) {
                        if (halving) done = storeMeanRow(out + x0, acc, pixels, divisor);
                    }
#endif
                    storeMeans(out + x0 * ch + done, acc + done, pixels * ch - done, divisor);
                } else {
                    for (int64_t p = 0; p < pixels; ++p)
                        storeMeans(out + (x0 + p) * ch + c0, acc + p * cn, cn, divisor);
                }
            }
        }
    }
}

template <typename T> void meanRowsOf(const Geometry<T>& g, int64_t first, int64_t last) {
    if constexpr (kSmallInteger<T>) {
        const int64_t blockSize = g.fx * g.fy * g.fz * g.ft;
        if constexpr (sizeof(T) == 1) {
            if (holdsSums<NarrowSum<T>, T>(blockSize)) {
                meanRowsWith<NarrowSum<T>>(g, first, last);
                return;
            }
        }
        if (holdsSums<int32_t, T>(blockSize)) {
            meanRowsWith<int32_t>(g, first, last);
            return;
        }
    }
    meanRowsWith<float>(g, first, last);
}

// One exported name per element type (named by its code).
#define IVORY_TARGET_BLOCK_MEAN(T, code) \
    void meanRows##code(const Geometry<T>& g, int64_t first, int64_t last) { meanRowsOf(g, first, last); }
IVORY_ELEMENT_TYPES(IVORY_TARGET_BLOCK_MEAN)
#undef IVORY_TARGET_BLOCK_MEAN

}  // namespace Ivory::detail::blockmean::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::blockmean {

#define IVORY_DEFINE_BLOCK_MEAN(T, code)                                         \
    HWY_EXPORT(meanRows##code);                                                 \
    void meanRows(const Geometry<T>& geometry, int64_t first, int64_t last) {  \
        HWY_DYNAMIC_DISPATCH(meanRows##code)(geometry, first, last);            \
    }
IVORY_ELEMENT_TYPES(IVORY_DEFINE_BLOCK_MEAN)
#undef IVORY_DEFINE_BLOCK_MEAN

}  // namespace Ivory::detail::blockmean
#endif
