#ifndef IVORY_REFERENCE_MODEL_H
#define IVORY_REFERENCE_MODEL_H

#include <algorithm>
#include <utility>

#include "refimage.h"

namespace IvoryReference {

// Every channel's window: the smallest and largest element of the block, compared in T from the first on.
template <typename T> void RefImage<T>::setWindowFromData() {
    if (data.empty()) return;
    T lowest = data[0], highest = data[0];
    for (T e : data) {
        if (e < lowest) lowest = e;
        if (e > highest) highest = e;
    }
    for (int c = 0; c < channels; ++c) setWindow(Ivory::toFloat(lowest), Ivory::toFloat(highest), c);
}

// Reverses the bytes of 2- and 4-byte elements; 1- and 8-byte ones stay.
template <typename T> void RefImage<T>::swapBytes() {
    for (T& e : data) {
        auto* bytes = reinterpret_cast<unsigned char*>(&e);
        if (sizeof(T) == 2 || sizeof(T) == 4) std::reverse(bytes, bytes + sizeof(T));
    }
}

// Mirrors along each flagged axis; channels keep their order.
template <typename T> void RefImage<T>::flip(bool fx, bool fy, bool fz, bool ft) {
    const RefImage<T> old = *this;
    for (int t = 0; t < dim[3]; ++t)
        for (int z = 0; z < dim[2]; ++z)
            for (int y = 0; y < dim[1]; ++y)
                for (int x = 0; x < dim[0]; ++x)
                    for (int c = 0; c < channels; ++c)
                        at(fx ? dim[0] - 1 - x : x, fy ? dim[1] - 1 - y : y, fz ? dim[2] - 1 - z : z,
                           ft ? dim[3] - 1 - t : t, c) = old.at(x, y, z, t, c);
}

// Block means by integer factors, incomplete blocks dropped, summed in float for every type. In place the
// image keeps its window table, verbosity, type and cursor; a new image has a zeroed window table.
template <typename T> Outcome RefImage<T>::downsample(int fx, int fy, int fz, int ft, bool intoNew) {
    RefImage<T> small(dim[0] / fx, dim[1] / fy, dim[2] / fz, dim[3] / ft, channels);
    const int f[4] = {fx, fy, fz, ft};
    for (int i = 0; i < 4; ++i) small.spacing[i] = spacing[i] * float(f[i]);
    for (size_t i = 0; i < small.data.size(); ++i) {
        const int c = int(i % channels), x = int(i / channels % small.dim[0]), y = int(i / small.stride() % small.dim[1]);
        const int z = int(i / small.sliceSize() % small.dim[2]), t = int(i / small.frameSize());
        float sum = 0.0f;
        for (int l = 0; l < ft; ++l)
            for (int k = 0; k < fz; ++k)
                for (int j = 0; j < fy; ++j)
                    for (int m = 0; m < fx; ++m) sum = sum + Ivory::toFloat(at(x * fx + m, y * fy + j, z * fz + k, t * ft + l, c));
        small.data[i] = Ivory::fromFloat<T>(sum / float(fx * fy * fz * ft));
    }
    if (intoNew) return Outcome().image("made", small);
    dim = small.dim;
    spacing = small.spacing;
    data = std::move(small.data);
    if (verbose != 0) std::printf("Image downsampled, new size %d x %d x %d\n", dim[0], dim[1], dim[2]);
    return Outcome().missing("made");
}

// A quarter turn of every frame about one axis, to ((h-1-y)*d + z)*w + x about x, (x*h + y)*d + (d-1-z)
// about y, (z*w + (w-1-x))*h + y about z; the other two axes trade extents and spacings.
template <typename T> void RefImage<T>::rotate(int axis) {
    const int w = dim[0], h = dim[1], d = dim[2];
    std::vector<T> turned(data.size());
    for (int t = 0; t < dim[3]; ++t)
        for (int z = 0; z < d; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const size_t target = axis == 0   ? (size_t(h - 1 - y) * d + z) * w + x
                                          : axis == 1 ? (size_t(x) * h + y) * d + (d - 1 - z)
                                                      : (size_t(z) * w + (w - 1 - x)) * h + y;
                    for (int c = 0; c < channels; ++c) turned[t * size_t(frameSize()) + target * channels + c] = at(x, y, z, t, c);
                }
    data = std::move(turned);
    const int a = axis == 0 ? 1 : 0, b = axis == 2 ? 1 : 2;
    std::swap(dim[a], dim[b]);
    std::swap(spacing[a], spacing[b]);
    if (verbose != 0) std::printf("Rotated image around axis %d\n", axis);
}

// The smallest power of two not below n; 0 stays 0.
inline int nextPowerOfTwo(int n) {
    int power = 1;
    while (power < n) power *= 2;
    return n == 0 ? 0 : power;
}

// Pads width and height to powers of two with zeros; every frame keeps its elements.
template <typename T> void RefImage<T>::scaleToPowerOfTwo() {
    RefImage<T> padded(nextPowerOfTwo(dim[0]), nextPowerOfTwo(dim[1]), dim[2], dim[3], channels);
    for (size_t i = 0; i < data.size(); ++i) {
        const int c = int(i % channels), x = int(i / channels % dim[0]), y = int(i / stride() % dim[1]);
        padded.at(x, y, int(i / sliceSize() % dim[2]), int(i / frameSize()), c) = data[i];
    }
    dim = padded.dim;
    data = std::move(padded.data);
    if (verbose != 0) std::printf("Scaled to power of two, new width = %d, height = %d\n", dim[0], dim[1]);
}

}  // namespace IvoryReference

#endif
