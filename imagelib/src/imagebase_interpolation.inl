// Trilinear and tricubic sampling of the first frame. The arithmetic runs in
// double; where single-precision rounding is part of the result (fractions,
// cubic weights, the cubic running sums) it is rounded to float explicitly,
// so results are the same at every optimisation level. A position outside
// the image is clamped onto its nearest edge, and so are neighbours beyond
// the edge: inside the valid range nothing changes, outside it nothing beyond
// the block is read and no weight extrapolates.
//
// Each call samples one point, so the speed lies in the body: one range check
// picks the unclamped addressing when every neighbour is inside (the common
// case), and the summing kernels are shared by both addressings.

#include <cassert>
#include <initializer_list>

#include "samplingposition.h"

namespace Ivory::detail::interpolation {

// A sampling position split into its integer part (toward zero) and the
// fraction position - whole, rounded to float, along x, y and z.
struct GridPosition {
    int32_t whole[3];
    float fraction[3];
};

// The position clamped into the image, so that a position outside it
// samples the nearest edge.
template <typename T>
GridPosition splitPosition(const ImageBase<T>& image, float x, float y, float z) {
    const float position[3] = {x, y, z};
    GridPosition split;
    for (int axis = 0; axis < 3; ++axis) {
        const samplingposition::AxisPosition p =
            samplingposition::insidePosition(position[axis], image.m_dim[axis]);
        split.whole[axis] = p.whole;
        split.fraction[axis] = p.fraction;
    }
    return split;
}

// Whether first .. first + count - 1 all lie in 0 .. extent - 1.
inline bool spanInside(int64_t first, int32_t count, int32_t extent) {
    return first >= 0 && first + count <= extent;
}

// Pixel offsets of the two neighbours along each axis of a trilinear sample:
// pixel (x, y, z) of the first frame is pixel number (z*height + y)*width + x.
struct LinearNeighbours {
    int64_t x0, x1, y0, y1, z0, z1;
};

// The neighbours clamped into the image, for positions outside the valid range.
template <typename T>
LinearNeighbours clampedLinearNeighbours(const ImageBase<T>& image, const GridPosition& p) {
    using samplingposition::clamped;
    const int32_t width = image.m_dim[0], height = image.m_dim[1], depth = image.m_dim[2];
    const int64_t x = p.whole[0], y = p.whole[1], z = p.whole[2];
    return {clamped(x, width),
            clamped(x + 1, width),
            int64_t(clamped(y, height)) * width,
            int64_t(clamped(y + 1, height)) * width,
            int64_t(clamped(z, depth)) * height * width,
            int64_t(clamped(z + 1, depth)) * height * width};
}

// Trilinear sample of `channels` channels, elements pixelStride apart from
// pixel to pixel: the products and their sum in double, corners in the order
// (0,0,0), (1,0,0), (0,1,0), (0,0,1), (1,0,1), (0,1,1), (1,1,0), (1,1,1),
// rounded to float once.
template <typename T>
void sampleLinear(const ImageBase<T>& image, const GridPosition& p, int32_t pixelStride,
                  int32_t channels, float* out) {
    const int32_t width = image.m_dim[0], height = image.m_dim[1];
    const int64_t x = p.whole[0], y = p.whole[1], z = p.whole[2];
    LinearNeighbours n;
    // 0 <= whole <= extent - 2 on every axis, as one unsigned comparison each
    // (the image has elements, so every extent is at least 1).
    if (uint32_t(x) < uint32_t(width - 1) && uint32_t(y) < uint32_t(height - 1) &&
        uint32_t(z) < uint32_t(image.m_dim[2] - 1)) {
        n = {x, x + 1, y * width, (y + 1) * width, z * height * width, (z + 1) * height * width};
    } else {
        n = clampedLinearNeighbours(image, p);
    }
    const int64_t corner[8] = {n.z0 + n.y0 + n.x0, n.z0 + n.y0 + n.x1, n.z0 + n.y1 + n.x0,
                               n.z1 + n.y0 + n.x0, n.z1 + n.y0 + n.x1, n.z1 + n.y1 + n.x0,
                               n.z0 + n.y1 + n.x1, n.z1 + n.y1 + n.x1};
    // The four rows (corners (0,j,k)) are requested before the weights are
    // formed, as in cubicNeighbourhood.
    for (int m : {0, 2, 3, 5}) __builtin_prefetch(image.m_data + corner[m] * pixelStride);
    const double wx1 = p.fraction[0], wy1 = p.fraction[1], wz1 = p.fraction[2];
    const double wx0 = 1.0 - wx1, wy0 = 1.0 - wy1, wz0 = 1.0 - wz1;
    const double weight[8] = {wx0 * wy0 * wz0, wx1 * wy0 * wz0, wx0 * wy1 * wz0, wx0 * wy0 * wz1,
                              wx1 * wy0 * wz1, wx0 * wy1 * wz1, wx1 * wy1 * wz0, wx1 * wy1 * wz1};
    for (int32_t c = 0; c < channels; ++c) {
        const T* e = image.m_data + c;
        double sum = double(e[corner[0] * pixelStride]) * weight[0];
        for (int m = 1; m < 8; ++m) sum += double(e[corner[m] * pixelStride]) * weight[m];
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

// The 4 x 4 x 4 neighbourhood as 16 rows of four x-neighbours: row[k][j]
// points at neighbour (whole - 1, whole - 1 + j, whole - 1 + k) and column[i]
// is the element offset of neighbour whole - 1 + i within a row. Each row is
// prefetched at once: at random positions the sample waits on memory, and the
// requests should be under way before the arithmetic of the sample starts.
template <typename T>
struct CubicNeighbourhood {
    const T* row[4][4];
    int64_t column[4];
};

template <typename T>
inline CubicNeighbourhood<T> cubicNeighbourhood(const ImageBase<T>& image, const GridPosition& p) {
    using samplingposition::clamped;
    const int64_t x = int64_t(p.whole[0]) - 1, y = int64_t(p.whole[1]) - 1, z = int64_t(p.whole[2]) - 1;
    int64_t row[4], slice[4];
    CubicNeighbourhood<T> n;
    if (spanInside(x, 4, image.m_dim[0]) && spanInside(y, 4, image.m_dim[1]) &&
        spanInside(z, 4, image.m_dim[2])) {
        for (int i = 0; i < 4; ++i) {
            n.column[i] = (x + i) * image.m_channels;
            row[i] = (y + i) * image.m_stride;
            slice[i] = (z + i) * image.m_slice_size;
        }
    } else {
        for (int i = 0; i < 4; ++i) {
            n.column[i] = int64_t(clamped(x + i, image.m_dim[0])) * image.m_channels;
            row[i] = int64_t(clamped(y + i, image.m_dim[1])) * image.m_stride;
            slice[i] = int64_t(clamped(z + i, image.m_dim[2])) * image.m_slice_size;
        }
    }
    for (int k = 0; k < 4; ++k) {
        for (int j = 0; j < 4; ++j) {
            n.row[k][j] = image.m_data + slice[k] + row[j];
            __builtin_prefetch(n.row[k][j] + n.column[0]);
            __builtin_prefetch(n.row[k][j] + n.column[3]);
        }
    }
    return n;
}

// Tricubic sample of the first `channels` channels (each channel's sum is
// independent of the others, so fewer channels give the same values). Visit
// order z, y, x; each weight product wx*wy*wz is formed in double and rounded
// to float, each running sum rounded to float after every addition. The
// terms are all formed before the running sum starts, so that its serial
// chain of additions (the cost of a sample) is not held up by them.
template <typename T>
void sampleCubic(const ImageBase<T>& image, const GridPosition& p, int32_t channels, float* out) {
    const CubicNeighbourhood<T> n = cubicNeighbourhood(image, p);
    float wx[4], wy[4], wz[4];
    cubicWeights(p.fraction[0], wx);
    cubicWeights(p.fraction[1], wy);
    cubicWeights(p.fraction[2], wz);
    double wxy[4][4];
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) wxy[j][i] = double(wx[i]) * wy[j];
    for (int32_t c = 0; c < channels; ++c) {
        double term[4][4][4];
        for (int k = 0; k < 4; ++k) {
            for (int j = 0; j < 4; ++j) {
                const T* e = n.row[k][j] + c;
                for (int i = 0; i < 4; ++i) {
                    const float w = static_cast<float>(wxy[j][i] * wz[k]);
                    term[k][j][i] = double(e[n.column[i]]) * w;
                }
            }
        }
        const double* t = &term[0][0][0];
        float sum = 0.0f;
        // Unrolled: without loop bookkeeping the chain takes fewer slots of
        // the reorder window, so the next sample's loads get in sooner.
#pragma GCC unroll 64
        for (int m = 0; m < 64; ++m) sum = static_cast<float>(double(sum) + t[m]);
        out[c] = sum;
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
    // The caller's range, checked on the position as given, before clamping.
    [[maybe_unused]] const int32_t xx = detail::samplingposition::truncated(x),
                                   yy = detail::samplingposition::truncated(y),
                                   zz = detail::samplingposition::truncated(z);
    assert((xx < m_dim[0]-1) && (yy < m_dim[1]-1) && (zz < m_dim[2]-1));
    if (m_data == nullptr || m_image_size == 0) return fillZero(out, m_channels);
    sampleLinear(*this, splitPosition(*this, x, y, z), m_channels, m_channels, out);
}

// Meant for one-channel images: the pixel index is used as the element index.
template <typename T>
float ImageBase<T>::interpolateLinearValue(float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    float value;
    sampleLinear(*this, splitPosition(*this, x, y, z), 1, 1, &value);
    return value;
}

template <typename T>
void ImageBase<T>::interpolateCubic(float* out, float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return fillZero(out, m_channels);
    sampleCubic(*this, splitPosition(*this, x, y, z), m_channels, out);
}

// Channel 0 of the tricubic sample, computed alone: no scratch array needed.
template <typename T>
float ImageBase<T>::interpolateCubicValue(float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    float value;
    sampleCubic(*this, splitPosition(*this, x, y, z), 1, &value);
    return value;
}

}  // namespace Ivory
