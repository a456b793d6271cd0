// Trilinear and tricubic sampling of the first frame. The arithmetic runs in
// double; where single-precision rounding is part of the result (fractions,
// cubic weights, the cubic running sums) it is rounded to float explicitly,
// so results are the same at every optimisation level. Neighbours outside
// the image are clamped onto its edge: inside the valid range nothing
// changes, outside it nothing beyond the block is read.

#include <cassert>

#include "samplingposition.h"

namespace Ivory::detail::interpolation {

// A sampling position split into its integer part (toward zero) and the
// fraction position - whole, rounded to float, along x, y and z.
struct GridPosition {
    int32_t whole[3];
    float fraction[3];
};

inline GridPosition splitPosition(float x, float y, float z) {
    const float position[3] = {x, y, z};
    GridPosition split;
    for (int axis = 0; axis < 3; ++axis) {
        split.whole[axis] = samplingposition::truncated(position[axis]);
        split.fraction[axis] = static_cast<float>(double(position[axis]) - split.whole[axis]);
    }
    return split;
}

// Trilinear sample of `channels` channels. Pixel (x, y, z) of the first frame
// starts at element ((z*height + y)*width + x) * pixelStride.
template <typename T>
void sampleLinear(const ImageBase<T>& image, const GridPosition& p, int32_t pixelStride,
                  int32_t channels, float* out) {
    using samplingposition::clamped;
    const int32_t width = image.m_dim[0], height = image.m_dim[1], depth = image.m_dim[2];
    const int32_t x0 = clamped(p.whole[0], width), x1 = clamped(int64_t(p.whole[0]) + 1, width);
    const int32_t y0 = clamped(p.whole[1], height), y1 = clamped(int64_t(p.whole[1]) + 1, height);
    const int32_t z0 = clamped(p.whole[2], depth), z1 = clamped(int64_t(p.whole[2]) + 1, depth);
    const auto pixel = [&](int32_t x, int32_t y, int32_t z) {
        return ((int64_t(z) * height + y) * width + x) * pixelStride;
    };
    const int64_t i000 = pixel(x0, y0, z0), i100 = pixel(x1, y0, z0), i010 = pixel(x0, y1, z0),
                  i001 = pixel(x0, y0, z1), i101 = pixel(x1, y0, z1), i011 = pixel(x0, y1, z1),
                  i110 = pixel(x1, y1, z0), i111 = pixel(x1, y1, z1);

    const double wx1 = p.fraction[0], wy1 = p.fraction[1], wz1 = p.fraction[2];
    const double wx0 = 1.0 - wx1, wy0 = 1.0 - wy1, wz0 = 1.0 - wz1;
    const double w000 = wx0 * wy0 * wz0, w100 = wx1 * wy0 * wz0, w010 = wx0 * wy1 * wz0,
                 w001 = wx0 * wy0 * wz1, w101 = wx1 * wy0 * wz1, w011 = wx0 * wy1 * wz1,
                 w110 = wx1 * wy1 * wz0, w111 = wx1 * wy1 * wz1;

    for (int32_t c = 0; c < channels; ++c) {
        const T* e = image.m_data + c;
        const double sum = double(e[i000]) * w000 + double(e[i100]) * w100 +
                           double(e[i010]) * w010 + double(e[i001]) * w001 +
                           double(e[i101]) * w101 + double(e[i011]) * w011 +
                           double(e[i110]) * w110 + double(e[i111]) * w111;
        out[c] = static_cast<float>(sum);
    }
}

// Cubic-convolution weights (a = -1) of the four neighbours at offsets
// -1, 0, 1, 2 for fraction t, each rounded to float.
inline void cubicWeights(float t, float w[4]) {
    const double d = t;
    w[0] = static_cast<float>(((2.0 - d) * d - 1.0) * d);
    w[1] = static_cast<float>((d - 2.0) * (d * d) + 1.0);
    w[2] = static_cast<float>(((1.0 - d) * d + 1.0) * d);
    w[3] = static_cast<float>((d - 1.0) * (d * d));
}

// Tricubic sample of the first `channels` channels (each channel's sum is
// independent of the others, so fewer channels give the same values).
template <typename T>
void sampleCubic(const ImageBase<T>& image, const GridPosition& p, int32_t channels, float* out) {
    using samplingposition::clamped;
    float wx[4], wy[4], wz[4];
    cubicWeights(p.fraction[0], wx);
    cubicWeights(p.fraction[1], wy);
    cubicWeights(p.fraction[2], wz);
    // Element offsets of the neighbours at whole - 1 + n along each axis.
    int64_t column[4], row[4], slice[4];
    for (int n = 0; n < 4; ++n) {
        column[n] = int64_t(clamped(int64_t(p.whole[0]) - 1 + n, image.m_dim[0])) * image.m_channels;
        row[n] = int64_t(clamped(int64_t(p.whole[1]) - 1 + n, image.m_dim[1])) * image.m_stride;
        slice[n] = int64_t(clamped(int64_t(p.whole[2]) - 1 + n, image.m_dim[2])) * image.m_slice_size;
    }
    for (int32_t c = 0; c < channels; ++c) out[c] = 0.0f;
    for (int k = 0; k < 4; ++k) {
        for (int j = 0; j < 4; ++j) {
            for (int i = 0; i < 4; ++i) {
                const float w = static_cast<float>(double(wx[i]) * wy[j] * wz[k]);
                const T* e = image.m_data + slice[k] + row[j] + column[i];
                for (int32_t c = 0; c < channels; ++c) {
                    out[c] = static_cast<float>(double(out[c]) + double(e[c]) * w);  // float running sum
                }
            }
        }
    }
}

inline void fillZero(float* out, int32_t count) {
    for (int32_t c = 0; c < count; ++c) out[c] = 0.0f;
}

}  // namespace Ivory::detail::interpolation

namespace Ivory {

template <typename T>
void ImageBase<T>::interpolateLinear(float* out, float x, float y, float z) {
    using namespace detail::interpolation;
    const GridPosition p = splitPosition(x, y, z);
    [[maybe_unused]] const int32_t xx = p.whole[0], yy = p.whole[1], zz = p.whole[2];
    assert((xx < m_dim[0]-1) && (yy < m_dim[1]-1) && (zz < m_dim[2]-1));
    if (m_data == nullptr || m_image_size == 0) return fillZero(out, m_channels);
    sampleLinear(*this, p, m_channels, m_channels, out);
}

// Meant for one-channel images: the pixel index is used as the element index.
template <typename T>
float ImageBase<T>::interpolateLinearValue(float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    float value;
    sampleLinear(*this, splitPosition(x, y, z), 1, 1, &value);
    return value;
}

template <typename T>
void ImageBase<T>::interpolateCubic(float* out, float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return fillZero(out, m_channels);
    sampleCubic(*this, splitPosition(x, y, z), m_channels, out);
}

// Channel 0 of the tricubic sample, computed alone: no scratch array needed.
template <typename T>
float ImageBase<T>::interpolateCubicValue(float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    float value;
    sampleCubic(*this, splitPosition(x, y, z), 1, &value);
    return value;
}

}  // namespace Ivory
