#ifndef IVORY_REFERENCE_INTENSITY_H
#define IVORY_REFERENCE_INTENSITY_H

#include <algorithm>
#include <cstdint>

#include "reference_model.h"

namespace IvoryReference {

// An element meets the float window values as its float value, a double as itself; storeAs converts back.
template <typename T> using Arithmetic = std::conditional_t<std::is_same_v<T, double>, double, float>;
template <typename T> Arithmetic<T> valueOf(T e) { return Arithmetic<T>(Ivory::toFloat(e)); }
template <> inline double valueOf(double e) { return e; }
template <typename T> T storeAs(Arithmetic<T> v) { return std::is_same_v<T, double> ? T(v) : Ivory::fromFloat<T>(float(v)); }

// Mirrors every element about its channel's level: (low + high) - e.
template <typename T> void RefImage<T>::invert() {
    for (size_t i = 0; i < data.size(); ++i) {
        const int c = int(i % size_t(channels));
        data[i] = storeAs<T>((low(c) + high(c)) - valueOf(data[i]));
    }
}

// Clamps to channel 0's window, then shifts by low (or mirrors from high); integer types subtract in T, keeping the low bits.
template <typename T> void RefImage<T>::applyWindowLevel(bool reversed) {
    for (T& e : data) {
        if (low(0) > valueOf(e)) e = storeAs<T>(low(0));
        if (valueOf(e) > high(0)) e = storeAs<T>(high(0));
        if constexpr (std::is_floating_point_v<T>) {
            e = reversed ? T(high(0) - e) : T(e - low(0));
        } else {
            const int64_t lowT = Ivory::fromFloat<T>(low(0)), highT = Ivory::fromFloat<T>(high(0));
            e = T(uint32_t(reversed ? highT - int64_t(e) : int64_t(e) - lowT));
        }
    }
    if (verbose != 0) std::printf("Window/Level setting applied\n");
}

// (e - low) * top / (high - low) in the element's precision, clamped to 0..top; NaN gives 0.
template <typename A> A mapThroughWindow(A e, float low, float high, float top) {
    const A v = (e - low) * top / (high - low);
    return v > 0 ? std::min<A>(v, top) : 0;
}

// toBytes / toShorts: the first frame through each channel's window into a zeroed buffer of (optionally
// power-of-two) extents, new[] when out is null; the value is rounded to float before it is truncated.
template <typename Out, typename T> Out* exported(const RefImage<T>& img, Out* out, bool powerOfTwo, float top) {
    const int w2 = powerOfTwo ? nextPowerOfTwo(img.dim[0]) : img.dim[0];
    const int h2 = powerOfTwo ? nextPowerOfTwo(img.dim[1]) : img.dim[1];
    const size_t size = size_t(w2) * h2 * (powerOfTwo ? nextPowerOfTwo(img.dim[2]) : img.dim[2]) * img.channels;
    if (out == nullptr) out = new Out[size];
    std::fill(out, out + size, Out(0));
    for (int z = 0; z < img.dim[2] && img.dim[3] > 0; ++z)
        for (int y = 0; y < img.dim[1]; ++y)
            for (int x = 0; x < img.dim[0]; ++x)
                for (int c = 0; c < img.channels; ++c)
                    out[((size_t(z) * h2 + y) * w2 + x) * img.channels + c] =
                        Out(float(mapThroughWindow(valueOf(img.at(x, y, z, 0, c)), img.low(c), img.high(c), top)));
    return out;
}
template <typename T> unsigned char* RefImage<T>::toBytes(unsigned char* out, bool powerOfTwo) {
    return exported(*this, out, powerOfTwo, 255.0f);
}
template <typename T> unsigned short* RefImage<T>::toShorts(unsigned short* out, bool powerOfTwo) {
    return exported(*this, out, powerOfTwo, 65535.0f);
}

// One channel of one slice (wrapping at the depth), truncated straight from the element's precision; a
// new buffer starts zeroed, a caller's is written only within the slice's extent.
template <typename T>
unsigned char* RefImage<T>::sliceToBytes(unsigned char* out, int slice, int channel, bool powerOfTwo) {
    const int w2 = powerOfTwo ? nextPowerOfTwo(dim[0]) : dim[0];
    if (out == nullptr) out = new unsigned char[size_t(w2) * (powerOfTwo ? nextPowerOfTwo(dim[1]) : dim[1])]();
    for (int y = 0; y < dim[1]; ++y)
        for (int x = 0; x < dim[0]; ++x)
            out[size_t(y) * w2 + x] = (unsigned char)(mapThroughWindow(valueOf(at(x, y, slice % dim[2], 0, channel)),
                                                                       low(channel), high(channel), 255.0f));
    return out;
}

// Intensity-weighted centre of the first frame read as one channel, weights e - low of channel 0, sums in double.
template <typename T> float* RefImage<T>::centroid(float* out) {
    double sum = 0.0, s[3] = {0.0, 0.0, 0.0};
    for (int z = 0; z < dim[2]; ++z)
        for (int y = 0; y < dim[1]; ++y)
            for (int x = 0; x < dim[0]; ++x) {
                const double w = double(data[pixelIndex(x, y, z)]) - low(0);
                sum += w;
                s[0] += x * w;
                s[1] += y * w;
                s[2] += z * w;
            }
    for (int i = 0; i < 3; ++i) out[i] = float(s[i] / sum);
    return out;
}

}  // namespace IvoryReference

#endif
