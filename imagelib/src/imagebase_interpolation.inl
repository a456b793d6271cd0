// Trilinear and tricubic sampling of the first frame, one point per call or
// many: both run the point samplers' one definition of the arithmetic
// (kernels/pointsampling-inl.h), plain scalars for a single point and
// vectors for a batch, so a batch gives the bits of the calls one by one.
// A position outside the image is clamped onto its nearest edge, and so are
// neighbours beyond the edge: inside the valid range nothing changes, outside
// it nothing beyond the block is read and no weight extrapolates.

#include <cassert>
#include <cstdint>

#include "sampledchannel.h"

namespace Ivory::detail::interpolation {

// Integer part toward zero, saturated to the int32 range, NaN giving 0: the
// conversion the range assertion of interpolateLinear needs, defined for
// every float.
inline int32_t truncated(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0f) return INT32_MAX;
    if (v <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(v);
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
    [[maybe_unused]] const int32_t xx = truncated(x), yy = truncated(y), zz = truncated(z);
    assert((xx < m_dim[0]-1) && (yy < m_dim[1]-1) && (zz < m_dim[2]-1));
    if (m_data == nullptr || m_image_size == 0) return fillZero(out, m_channels);
    for (int32_t c = 0; c < m_channels; ++c)
        out[c] = detail::samplePoint<detail::PointKind::kLinear>(detail::sampledChannel(*this, c, m_channels), x, y, z);
}

// Meant for one-channel images: the pixel index is used as the element index.
template <typename T>
float ImageBase<T>::interpolateLinearValue(float x, float y, float z) {
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    return detail::samplePoint<detail::PointKind::kLinear>(detail::sampledChannel(*this, 0, 1), x, y, z);
}

template <typename T>
void ImageBase<T>::interpolateLinearValues(const float* x, const float* y, const float* z, int64_t count,
                                           float* out) const {
    detail::samplePointsOverPool(*this, 1, x, y, z, count, out, [](const auto&... run) {
        detail::pointsampling::sampleLinear(run...);
    });
}

template <typename T>
void ImageBase<T>::interpolateCubic(float* out, float x, float y, float z) {
    using namespace detail::interpolation;
    if (m_data == nullptr || m_image_size == 0) return fillZero(out, m_channels);
    for (int32_t c = 0; c < m_channels; ++c)
        out[c] = detail::samplePoint<detail::PointKind::kCubic>(detail::sampledChannel(*this, c, m_channels), x, y, z);
}

// Channel 0 of the tricubic sample, computed alone: each channel's sum is
// independent of the others.
template <typename T>
float ImageBase<T>::interpolateCubicValue(float x, float y, float z) {
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    return detail::samplePoint<detail::PointKind::kCubic>(detail::sampledChannel(*this, 0, m_channels), x, y, z);
}

template <typename T>
void ImageBase<T>::interpolateCubicValues(const float* x, const float* y, const float* z, int64_t count,
                                          float* out) const {
    detail::samplePointsOverPool(*this, m_channels, x, y, z, count, out, [](const auto&... run) {
        detail::pointsampling::sampleCubic(run...);
    });
}

}  // namespace Ivory
