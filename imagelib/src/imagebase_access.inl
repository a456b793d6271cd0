// Element access through the float interface: the sequential cursor and
// positional reads and writes. Values convert as elementconversion.h says.
// The pixel reads take float positions, clamped into the image and truncated
// toward zero, and read through the point samplers (kernels/pointsampling.h),
// one point at a time or many.

#include "elementconversion.h"
#include "sampledchannel.h"

namespace Ivory {

template <typename T>
bool ImageBase<T>::getNext(float* out) {
    if (m_cursor >= m_image_size || m_data == nullptr) return false;
    *out = toFloat(m_data[m_cursor++]);
    return true;
}

template <typename T>
bool ImageBase<T>::setNext(float value) {
    if (m_cursor >= m_image_size || m_data == nullptr) return false;
    m_data[m_cursor++] = fromFloat<T>(value);
    return true;
}

template <typename T>
void ImageBase<T>::setCurrent(float value) {
    // The element last visited; before the first visit there is none.
    if (m_cursor < 1 || m_cursor > m_image_size || m_data == nullptr) return;
    m_data[m_cursor - 1] = fromFloat<T>(value);
}

template <typename T>
void ImageBase<T>::setValue(float value, int x, int y, int z, int t, int c) {
    const long index = checkedIndex(x, y, z, t, c);
    if (index >= 0) m_data[index] = fromFloat<T>(value);
}

template <typename T>
float ImageBase<T>::getValue(int x, int y, int z, int t, int c) {
    const long index = checkedIndex(x, y, z, t, c);
    return index < 0 ? 0.0f : toFloat(m_data[index]);
}

template <typename T>
void ImageBase<T>::getPixel(float* out, float x, float y, float z) {
    if (m_data == nullptr || m_image_size == 0) {
        for (int32_t c = 0; c < m_channels; ++c) out[c] = 0.0f;
        return;
    }
    for (int32_t c = 0; c < m_channels; ++c)
        out[c] = detail::samplePoint<detail::PointKind::kNearest>(detail::sampledChannel(*this, c, m_channels), x, y, z);
}

template <typename T>
float ImageBase<T>::getPixelValue(float x, float y, float z) {
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    return detail::samplePoint<detail::PointKind::kNearest>(detail::sampledChannel(*this, 0, m_channels), x, y, z);
}

template <typename T>
void ImageBase<T>::getPixelValues(const float* x, const float* y, const float* z, int64_t count,
                                  float* out) const {
    detail::samplePointsOverPool(*this, m_channels, x, y, z, count, out, [](const auto&... run) {
        detail::pointsampling::sampleNearest(run...);
    });
}

}  // namespace Ivory
