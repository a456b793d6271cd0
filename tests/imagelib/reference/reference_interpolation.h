#ifndef IVORY_REFERENCE_INTERPOLATION_H
#define IVORY_REFERENCE_INTERPOLATION_H

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "refimage.h"

namespace IvoryReference {

// A position outside the image samples its nearest edge: the position is
// clamped into 0 .. extent-1 (NaN to 0), and so is every neighbour index.
inline float insidePosition(float v, int extent) {
    return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, static_cast<float>(extent - 1));
}
inline int insideIndex(int i, int extent) { return std::clamp(i, 0, extent - 1); }

// Packed pixel number of neighbour (x, y, z) of the first frame, clamped into the image.
template <typename T> size_t neighbourPixel(const RefImage<T>& img, int x, int y, int z) {
    return img.pixelIndex(insideIndex(x, img.dim[0]), insideIndex(y, img.dim[1]),
                          insideIndex(z, img.dim[2]));
}

// Element c of the packed pixel (x, y, z) of the first frame. The sums run
// in double, so the element enters with its exact value.
template <typename T> double sample(const RefImage<T>& img, int x, int y, int z, int c) {
    return static_cast<double>(img.data[neighbourPixel(img, x, y, z) * img.channels + c]);
}

// All channels at the truncated position.
template <typename T> std::vector<float> getPixel(const RefImage<T>& img, float x, float y, float z) {
    std::vector<float> out(img.channels);
    const int xx = static_cast<int>(insidePosition(x, img.dim[0]));
    const int yy = static_cast<int>(insidePosition(y, img.dim[1]));
    const int zz = static_cast<int>(insidePosition(z, img.dim[2]));
    for (int c = 0; c < img.channels; ++c) out[c] = Ivory::toFloat(img.at(xx, yy, zz, 0, c));
    return out;
}

// Trilinear sample of channel c with the corners in the operation's order,
// summed in double and rounded to float once. 'channels' is the stride between
// pixels: the image's channel count, or 1 when pixels are addressed as
// elements (interpolateLinearValue).
template <typename T>
float trilinear(const RefImage<T>& img, int channels, int c, float x, float y, float z) {
    x = insidePosition(x, img.dim[0]);
    y = insidePosition(y, img.dim[1]);
    z = insidePosition(z, img.dim[2]);
    const int xx = static_cast<int>(x), yy = static_cast<int>(y), zz = static_cast<int>(z);
    const float fx = x - static_cast<float>(xx), fy = y - static_cast<float>(yy),
                fz = z - static_cast<float>(zz);
    static const int corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                      {1, 0, 1}, {0, 1, 1}, {1, 1, 0}, {1, 1, 1}};
    double sum = 0.0;
    for (const auto& corner : corners) {
        const double wx = corner[0] ? fx : 1.0 - fx;
        const double wy = corner[1] ? fy : 1.0 - fy;
        const double wz = corner[2] ? fz : 1.0 - fz;
        const size_t pixel = neighbourPixel(img, xx + corner[0], yy + corner[1], zz + corner[2]);
        const double e = static_cast<double>(img.data[pixel * channels + c]);
        sum += e * wx * wy * wz;
    }
    return static_cast<float>(sum);
}

template <typename T>
std::vector<float> interpolateLinear(const RefImage<T>& img, float x, float y, float z) {
    std::vector<float> out(img.channels);
    for (int c = 0; c < img.channels; ++c) out[c] = trilinear(img, img.channels, c, x, y, z);
    return out;
}

template <typename T> float interpolateLinearValue(const RefImage<T>& img, float x, float y, float z) {
    return trilinear(img, 1, 0, x, y, z);
}

// The four cubic-convolution weights (a = -1) for fraction t, each rounded to float.
inline std::array<float, 4> cubicWeights(float tf) {
    const double t = tf;
    return {static_cast<float>(((2.0 - t) * t - 1.0) * t), static_cast<float>((t - 2.0) * t * t + 1.0),
            static_cast<float>(((1.0 - t) * t + 1.0) * t), static_cast<float>((t - 1.0) * t * t)};
}

// Tricubic sample of every channel over the 4 x 4 x 4 neighbourhood, z
// outermost; each weight product is rounded to float and each running sum is
// rounded to float after every addition.
template <typename T>
std::vector<float> interpolateCubic(const RefImage<T>& img, float x, float y, float z) {
    x = insidePosition(x, img.dim[0]);
    y = insidePosition(y, img.dim[1]);
    z = insidePosition(z, img.dim[2]);
    const int xx = static_cast<int>(x), yy = static_cast<int>(y), zz = static_cast<int>(z);
    const auto wx = cubicWeights(x - static_cast<float>(xx));
    const auto wy = cubicWeights(y - static_cast<float>(yy));
    const auto wz = cubicWeights(z - static_cast<float>(zz));
    std::vector<float> out(img.channels, 0.0f);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                const float w = static_cast<float>(static_cast<double>(wx[i]) * wy[j] * wz[k]);
                for (int c = 0; c < img.channels; ++c)
                    out[c] = static_cast<float>(
                        out[c] + sample(img, xx - 1 + i, yy - 1 + j, zz - 1 + k, c) * w);
            }
    return out;
}

}  // namespace IvoryReference

#endif
