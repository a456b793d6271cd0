#ifndef IVORY_REFERENCE_REFIMAGE_H
#define IVORY_REFERENCE_REFIMAGE_H

#include <array>
#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "elementconversion.h"
#include "ivory/imagebase.h"

// Plain reference implementations of the image operations, sharing nothing with the library but its
// element conversions; RefImage offers the library's calls under their names, so one generic call runs on both.
namespace IvoryReference {

template <typename T> struct RefImage;

// What an operation left behind: the lines it printed and named runs of values (every element type
// converts to double exactly).
struct Outcome {
    std::string printed;
    std::vector<std::pair<std::string, std::vector<double>>> parts;

    template <typename U> Outcome& values(const std::string& name, const U* v, size_t n) {
        if (v == nullptr && n != 0) return missing(name);
        parts.emplace_back(name, std::vector<double>(v, v + n));
        return *this;
    }
    Outcome& missing(const std::string& name) {
        parts.emplace_back(name + " missing", std::vector<double>());
        return *this;
    }
    // sizes: stride, slice, frame and image size as the image holds them.
    template <typename U> Outcome& image(const std::string& name, const RefImage<U>& img, std::array<int, 4> sizes) {
        const int fields[] = {Ivory::ElementCode<U>::value, img.dim[0], img.dim[1], img.dim[2], img.dim[3], img.channels,
                              sizes[0], sizes[1], sizes[2], sizes[3], img.verbose, img.type, img.cursor};
        values(name + " type, extents, channels, sizes, verbose, type, cursor", fields, std::size(fields));
        values(name + " spacing", img.spacing.data(), 4).values(name + " window table", img.window.data(), img.window.size());
        return values(name + " elements", img.data.data(), img.data.size());
    }
    template <typename U> Outcome& image(const std::string& name, const RefImage<U>& img) {
        return image(name, img, {img.stride(), img.sliceSize(), img.frameSize(), img.imageSize()});
    }
    template <typename U> Outcome& image(const std::string& name, const RefImage<U>* img) { return image(name, *img); }
    Outcome& image(const std::string& name, const Ivory::Image* img);  // library_bridge.h
};

// An image as a plain value: the library's shape, window table and element layout (channel fastest,
// then x, y, z, t, no gaps), and nothing else.
template <typename T> struct RefImage {
    std::array<int, 4> dim{0, 0, 0, 0};
    std::array<float, 4> spacing{1.0f, 1.0f, 1.0f, 1.0f};
    int channels = 0, verbose = 1, type = 0, cursor = 0;
    std::vector<float> window;  // channels records of {window, level, low, high}
    std::vector<T> data;

    RefImage() = default;
    RefImage(int width, int height, int depth, int frames, int channelCount)
        : dim{width, height, depth, frames}, channels(channelCount), window(size_t(channelCount) * 4, 0.0f),
          data(size_t(width) * height * depth * frames * channelCount, T(0)) {}

    int stride() const { return dim[0] * channels; }
    int sliceSize() const { return stride() * dim[1]; }
    int frameSize() const { return sliceSize() * dim[2]; }
    int imageSize() const { return frameSize() * dim[3]; }
    size_t index(int x, int y, int z, int t, int c) const {
        return size_t(c) + size_t(x) * channels + size_t(y) * stride() + size_t(z) * sliceSize() + size_t(t) * frameSize();
    }
    T& at(int x, int y, int z, int t, int c) { return data[index(x, y, z, t, c)]; }
    const T& at(int x, int y, int z, int t, int c) const { return data[index(x, y, z, t, c)]; }
    // The filters read pixel (x, y, z) of the first frame at element (z*height + y)*width + x, whatever the channels.
    size_t pixelIndex(int x, int y, int z) const { return (size_t(z) * dim[1] + y) * dim[0] + x; }
    float pixel(int x, int y, int z) const { return Ivory::toFloat(data[pixelIndex(x, y, z)]); }
    float low(int c) const { return window[size_t(c) * 4 + 2]; }
    float high(int c) const { return window[size_t(c) * 4 + 3]; }
    void setWindow(float lowValue, float highValue, int c) {
        float* record = &window[size_t(c) * 4];
        record[0] = highValue - lowValue;
        record[1] = (highValue + lowValue) * 0.5f;
        record[2] = lowValue;
        record[3] = highValue;
    }
    void setNext(float v) {
        if (cursor < imageSize()) data[size_t(cursor++)] = Ivory::fromFloat<T>(v);
    }

    // reference_model.h
    void setWindowFromData();
    void swapBytes();
    void flip(bool fx, bool fy, bool fz, bool ft);
    Outcome downsample(int fx, int fy, int fz, int ft, bool intoNew);
    void rotate(int axis);
    void scaleToPowerOfTwo();
    // reference_intensity.h
    void invert();
    void applyWindowLevel(bool reversed);
    unsigned char* toBytes(unsigned char* out, bool powerOfTwo);
    unsigned short* toShorts(unsigned short* out, bool powerOfTwo);
    unsigned char* sliceToBytes(unsigned char* out, int slice, int channel, bool powerOfTwo);
    float* centroid(float* out);
    // reference_filter.h: null for out makes a new image, given as an Outcome
    Outcome filter(int code, const float* kernel, int n, std::nullptr_t);
    template <typename U> RefImage<U>* filter(int code, const float* kernel, int n, RefImage<U>* out);
    void fillBorder(int k);
    Outcome gradient(int code, const float* kernel, bool keepSize, std::nullptr_t);
    template <typename U> RefImage<U>* gradient(int code, const float* kernel, bool keepSize, RefImage<U>* out);
    Outcome hessian(int code, const float* kernel, std::nullptr_t);
    template <typename U> RefImage<U>* hessian(int code, const float* kernel, RefImage<U>* out);
    Outcome gradient3D(int code, const float* kernel, bool keepSize, bool withValue, std::nullptr_t);
    template <typename U>
    RefImage<U>* gradient3D(int code, const float* kernel, bool keepSize, bool withValue, RefImage<U>* out);
    // reference_interpolation.h; a batch samples each point as the one-value call does
    void getPixel(float* out, float x, float y, float z) const;
    void interpolateLinear(float* out, float x, float y, float z) const;
    void interpolateCubic(float* out, float x, float y, float z) const;
    float getPixelValue(float x, float y, float z) const;
    float interpolateLinearValue(float x, float y, float z) const;
    float interpolateCubicValue(float x, float y, float z) const;
#define IVORY_REFERENCE_BATCH(name, one)                                                      \
    void name(const float* x, const float* y, const float* z, int64_t count, float* out) const { \
        for (int64_t i = 0; i < count; ++i) out[i] = one(x[i], y[i], z[i]);                  \
    }
    IVORY_REFERENCE_BATCH(getPixelValues, getPixelValue)
    IVORY_REFERENCE_BATCH(interpolateLinearValues, interpolateLinearValue)
    IVORY_REFERENCE_BATCH(interpolateCubicValues, interpolateCubicValue)
#undef IVORY_REFERENCE_BATCH
    double neighbour(int x, int y, int z, int c, int pixelStride) const;
    float trilinear(int c, int pixelStride, float x, float y, float z) const;
};

// Calls f(U()) with a value of the element type of a code; false for codes outside the table.
template <typename F> bool withElementType(int code, F&& f) {
#define IVORY_REFERENCE_DISPATCH(T, value) \
    if (code == value) {                   \
        using U = T;                       \
        return f(U()), true;               \
    }
    IVORY_ELEMENT_TYPES(IVORY_REFERENCE_DISPATCH)
#undef IVORY_REFERENCE_DISPATCH
    return false;
}

}  // namespace IvoryReference

#endif
