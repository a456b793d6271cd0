#ifndef IVORY_REFERENCE_REFIMAGE_H
#define IVORY_REFERENCE_REFIMAGE_H

#include <array>
#include <type_traits>
#include <vector>

#include "elementconversion.h"

// Plain reference implementations of the image operations, kept apart from
// the library so that its fast paths can be checked against them bit for bit.
// They share nothing with the library but the element conversions, which are
// its definition of how an element becomes a float and back.
namespace IvoryReference {

// The precision in which an element meets float operands (window values,
// weights) in the intensity operations: a double element stays double, as
// the usual arithmetic conversions have it; every other type enters as its
// float value.
template <typename T>
using Arithmetic = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <typename T> Arithmetic<T> valueOf(T e) {
    if constexpr (std::is_same_v<T, double>) {
        return e;
    } else {
        return Ivory::toFloat(e);
    }
}

// A result of that precision stored as T (truncation for the integer types).
template <typename T> T storeAs(Arithmetic<T> v) {
    if constexpr (std::is_same_v<T, double>) {
        return v;
    } else {
        return Ivory::fromFloat<T>(v);
    }
}

// An image as a plain value: the library's shape, window table and element
// layout (channel fastest, then x, y, z, t, no gaps), and nothing else.
template <typename T> struct RefImage {
    std::array<int, 4> dim{0, 0, 0, 0};
    std::array<float, 4> spacing{1.0f, 1.0f, 1.0f, 1.0f};
    int channels = 0;
    std::vector<float> window;  // channels records of {window, level, low, high}
    int verbose = 1;
    int type = 0;
    int cursor = 0;
    std::vector<T> data;

    RefImage() = default;
    RefImage(int width, int height, int depth, int frames, int channelCount)
        : dim{width, height, depth, frames},
          channels(channelCount),
          window(static_cast<size_t>(channelCount) * 4, 0.0f),
          data(static_cast<size_t>(width) * height * depth * frames * channelCount, T(0)) {}

    int stride() const { return dim[0] * channels; }
    int sliceSize() const { return stride() * dim[1]; }
    int frameSize() const { return sliceSize() * dim[2]; }
    int imageSize() const { return frameSize() * dim[3]; }

    size_t index(int x, int y, int z, int t, int c) const {
        return static_cast<size_t>(c) + static_cast<size_t>(x) * channels +
               static_cast<size_t>(y) * stride() + static_cast<size_t>(z) * sliceSize() +
               static_cast<size_t>(t) * frameSize();
    }
    T& at(int x, int y, int z, int t, int c) { return data[index(x, y, z, t, c)]; }
    const T& at(int x, int y, int z, int t, int c) const { return data[index(x, y, z, t, c)]; }

    // The one-channel reading of the filters: pixel (x, y, z) of the first
    // frame is the element at (z*height + y)*width + x, whatever the channels.
    size_t pixelIndex(int x, int y, int z) const {
        return (static_cast<size_t>(z) * dim[1] + y) * dim[0] + x;
    }
    float pixel(int x, int y, int z) const { return Ivory::toFloat(data[pixelIndex(x, y, z)]); }

    float low(int c) const { return window[static_cast<size_t>(c) * 4 + 2]; }
    float high(int c) const { return window[static_cast<size_t>(c) * 4 + 3]; }
    void setWindow(float lowValue, float highValue, int c) {
        float* record = &window[static_cast<size_t>(c) * 4];
        record[0] = highValue - lowValue;
        record[1] = (highValue + lowValue) * 0.5f;
        record[2] = lowValue;
        record[3] = highValue;
    }

    // The sequential writer: stores at the cursor and advances, or refuses at the end.
    bool setNext(float v) {
        if (cursor >= imageSize()) return false;
        data[static_cast<size_t>(cursor++)] = Ivory::fromFloat<T>(v);
        return true;
    }
};

}  // namespace IvoryReference

#endif
