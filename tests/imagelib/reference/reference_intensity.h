#ifndef IVORY_REFERENCE_INTENSITY_H
#define IVORY_REFERENCE_INTENSITY_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <type_traits>
#include <vector>

#include "refimage.h"

namespace IvoryReference {

// Mirrors every element about its channel's level: (low + high) - e.
template <typename T> void invert(RefImage<T>& img) {
    if (img.channels <= 0) return;
    for (size_t i = 0; i < img.data.size(); ++i) {
        const int c = static_cast<int>(i % static_cast<size_t>(img.channels));
        img.data[i] = storeAs<T>((img.low(c) + img.high(c)) - valueOf(img.data[i]));
    }
}

// a - b stored in T, keeping the low bits (the wrap-around of the integer types).
template <typename T> T wrappedDifference(T a, T b) {
    return static_cast<T>(static_cast<uint32_t>(static_cast<int64_t>(a) - static_cast<int64_t>(b)));
}

// Clamps every element to channel 0's window, then shifts by low (or mirrors
// from high when reversed); the integer types subtract in integer arithmetic.
template <typename T> void applyWindowLevel(RefImage<T>& img, bool reversed, std::ostream& log) {
    const float low = img.low(0), high = img.high(0);
    for (T& e : img.data) {
        if constexpr (std::is_floating_point_v<T>) {
            if (low > valueOf(e)) e = low;
            if (valueOf(e) > high) e = high;
            e = storeAs<T>(reversed ? high - valueOf(e) : valueOf(e) - low);
        } else {
            if (low > valueOf(e)) e = Ivory::fromFloat<T>(low);
            if (valueOf(e) > high) e = Ivory::fromFloat<T>(high);
            const T lowT = Ivory::fromFloat<T>(low), highT = Ivory::fromFloat<T>(high);
            e = reversed ? wrappedDifference(highT, e) : wrappedDifference(e, lowT);
        }
    }
    if (img.verbose != 0) log << "Window/Level setting applied" << std::endl;
}

// Smallest power of two not below n.
inline int nextPowerOfTwo(int n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

// (e - low) * top / (high - low) in the element's arithmetic precision,
// clamped to 0..top. A window of zero width sends everything above low to the
// top and the rest to 0; NaN gives 0.
template <typename A> A mapThroughWindow(A e, float low, float high, float top) {
    if (std::isnan(e)) return 0;
    if (high == low) return e > low ? top : 0;
    A v = (e - low) * top / (high - low);
    if (std::isnan(v)) return 0;
    if (v < 0) v = 0;
    if (v > top) v = top;
    return v;
}

// toBytes/toShorts: the first frame mapped per channel window into a cleared
// buffer of (optionally power-of-two) extents; the volume sits in its corner.
template <typename Out, typename T>
void mapToBuffer(const RefImage<T>& img, std::vector<Out>& out, bool powerOfTwo, float top) {
    const int w2 = powerOfTwo ? nextPowerOfTwo(img.dim[0]) : img.dim[0];
    const int h2 = powerOfTwo ? nextPowerOfTwo(img.dim[1]) : img.dim[1];
    const int d2 = powerOfTwo ? nextPowerOfTwo(img.dim[2]) : img.dim[2];
    const size_t count = static_cast<size_t>(w2) * h2 * d2 * img.channels;
    if (out.size() < count) out.resize(count);
    std::fill(out.begin(), out.begin() + static_cast<long>(count), Out(0));
    for (int z = 0; z < img.dim[2]; ++z)
        for (int y = 0; y < img.dim[1]; ++y)
            for (int x = 0; x < img.dim[0]; ++x)
                for (int c = 0; c < img.channels; ++c) {
                    // the mapped value is kept as a float before it is truncated
                    const float v = static_cast<float>(mapThroughWindow(
                        valueOf(img.at(x, y, z, 0, c)), img.low(c), img.high(c), top));
                    out[((static_cast<size_t>(z) * h2 + y) * w2 + x) * img.channels + c] =
                        static_cast<Out>(v);
                }
}

// sliceToBytes: one channel of one slice (wrapping at the depth); q is the
// mapping clamped to 0..255, then truncated. Bytes outside the slice's extent
// are not written.
template <typename T>
void sliceToBuffer(const RefImage<T>& img, std::vector<unsigned char>& out, int slice, int channel,
                   bool powerOfTwo) {
    const int w = img.dim[0], h = img.dim[1];
    const int w2 = powerOfTwo ? nextPowerOfTwo(w) : w;
    const int h2 = powerOfTwo ? nextPowerOfTwo(h) : h;
    if (out.size() < static_cast<size_t>(w2) * h2) out.resize(static_cast<size_t>(w2) * h2);
    const int z = slice % img.dim[2];
    for (int i = 0; i < w * h; ++i) {
        const T e = img.data[static_cast<size_t>(z) * img.sliceSize() +
                             static_cast<size_t>(i) * img.channels + channel];
        // truncated straight from the element's precision
        const auto v = mapThroughWindow(valueOf(e), img.low(channel), img.high(channel), 255.0f);
        const size_t at = w2 == w ? static_cast<size_t>(i)
                                  : static_cast<size_t>(i / w) * w2 + static_cast<size_t>(i % w);
        out[at] = static_cast<unsigned char>(v);
    }
}

// Intensity-weighted centre of the first frame read as one channel, weights
// e - low of channel 0 with the element's exact value, sums in double.
template <typename T> std::array<float, 3> centroid(const RefImage<T>& img) {
    double sw = 0.0, sx = 0.0, sy = 0.0, sz = 0.0;
    for (int z = 0; z < img.dim[2]; ++z)
        for (int y = 0; y < img.dim[1]; ++y)
            for (int x = 0; x < img.dim[0]; ++x) {
                const double w = static_cast<double>(img.data[img.pixelIndex(x, y, z)]) - img.low(0);
                sw += w;
                sx += x * w;
                sy += y * w;
                sz += z * w;
            }
    return {static_cast<float>(sx / sw), static_cast<float>(sy / sw), static_cast<float>(sz / sw)};
}

}  // namespace IvoryReference

#endif
