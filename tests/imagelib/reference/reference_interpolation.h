#ifndef IVORY_REFERENCE_INTERPOLATION_H
#define IVORY_REFERENCE_INTERPOLATION_H

#include <algorithm>
#include <array>
#include <cmath>

#include "refimage.h"

namespace IvoryReference {

// Outside the image the nearest edge: positions clamped into 0 .. extent-1 (NaN to 0), neighbour indices too.
inline float insidePosition(float v, int extent) {
    return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, float(extent - 1));
}

// Element c of pixel (x, y, z) of the first frame, clamped into the image; pixels are `pixelStride`
// elements apart (the channel count, or 1 where pixels are addressed as elements).
template <typename T> double RefImage<T>::neighbour(int x, int y, int z, int c, int pixelStride) const {
    const size_t pixel = pixelIndex(std::clamp(x, 0, dim[0] - 1), std::clamp(y, 0, dim[1] - 1), std::clamp(z, 0, dim[2] - 1));
    return double(data[pixel * pixelStride + c]);
}

// All channels at the truncated position.
template <typename T> void RefImage<T>::getPixel(float* out, float x, float y, float z) const {
    const int xx = int(insidePosition(x, dim[0])), yy = int(insidePosition(y, dim[1])), zz = int(insidePosition(z, dim[2]));
    for (int c = 0; c < channels; ++c) out[c] = Ivory::toFloat(at(xx, yy, zz, 0, c));
}

// Trilinear sample of channel c, the corners in the operation's order, summed in double and rounded once.
template <typename T> float RefImage<T>::trilinear(int c, int pixelStride, float x, float y, float z) const {
    x = insidePosition(x, dim[0]), y = insidePosition(y, dim[1]), z = insidePosition(z, dim[2]);
    const int xx = int(x), yy = int(y), zz = int(z);
    const float f[3] = {x - float(xx), y - float(yy), z - float(zz)};
    static const int corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 0}, {1, 1, 1}};
    double sum = 0.0;
    for (const auto& k : corners) {
        const double w = (k[0] ? f[0] : 1.0 - f[0]) * (k[1] ? f[1] : 1.0 - f[1]) * (k[2] ? f[2] : 1.0 - f[2]);
        sum += neighbour(xx + k[0], yy + k[1], zz + k[2], c, pixelStride) * w;
    }
    return float(sum);
}

template <typename T> void RefImage<T>::interpolateLinear(float* out, float x, float y, float z) const {
    for (int c = 0; c < channels; ++c) out[c] = trilinear(c, channels, x, y, z);
}

// The four cubic-convolution weights (a = -1) for fraction t, each rounded to float.
inline std::array<float, 4> cubicWeights(float tf) {
    const double t = tf;
    return {float(((2.0 - t) * t - 1.0) * t), float((t - 2.0) * t * t + 1.0), float(((1.0 - t) * t + 1.0) * t),
            float((t - 1.0) * t * t)};
}

// Tricubic sample of every channel over the 4 x 4 x 4 neighbourhood, z outermost, every product and sum rounded to float.
template <typename T> void RefImage<T>::interpolateCubic(float* out, float x, float y, float z) const {
    x = insidePosition(x, dim[0]), y = insidePosition(y, dim[1]), z = insidePosition(z, dim[2]);
    const int xx = int(x), yy = int(y), zz = int(z);
    const auto wx = cubicWeights(x - float(xx)), wy = cubicWeights(y - float(yy)), wz = cubicWeights(z - float(zz));
    std::fill(out, out + channels, 0.0f);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) {
                const float w = float(double(wx[i]) * wy[j] * wz[k]);
                for (int c = 0; c < channels; ++c) out[c] = float(out[c] + neighbour(xx - 1 + i, yy - 1 + j, zz - 1 + k, c, channels) * w);
            }
}

// Channel 0 of the pixel and of the tricubic sample, and the trilinear sample over pixels addressed as elements.
template <typename T> float RefImage<T>::getPixelValue(float x, float y, float z) const {
    std::vector<float> out(static_cast<size_t>(channels));
    getPixel(out.data(), x, y, z);
    return out[0];
}
template <typename T> float RefImage<T>::interpolateLinearValue(float x, float y, float z) const { return trilinear(0, 1, x, y, z); }
template <typename T> float RefImage<T>::interpolateCubicValue(float x, float y, float z) const {
    std::vector<float> out(static_cast<size_t>(channels));
    interpolateCubic(out.data(), x, y, z);
    return out[0];
}

}  // namespace IvoryReference

#endif
