// Element access through the float interface: the sequential cursor and
// positional reads and writes. Values convert as elementconversion.h says.
// The pixel reads take float positions, clamped into the image and truncated
// toward zero.

#include "elementconversion.h"
#include "samplingposition.h"

namespace Ivory::detail::access {

// Index of channel 0 of the pixel under (x, y, z) in the first frame, the
// position clamped into the image (which must have elements) and truncated.
template <typename T>
int32_t pixelIndex(const ImageBase<T>& image, float x, float y, float z) {
    using samplingposition::insidePosition;
    return insidePosition(x, image.m_dim[0]).whole * image.m_channels +
           insidePosition(y, image.m_dim[1]).whole * image.m_stride +
           insidePosition(z, image.m_dim[2]).whole * image.m_slice_size;
}

}  // namespace Ivory::detail::access

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
    const T* pixel = m_data + detail::access::pixelIndex(*this, x, y, z);
    for (int32_t c = 0; c < m_channels; ++c) out[c] = toFloat(pixel[c]);
}

template <typename T>
float ImageBase<T>::getPixelValue(float x, float y, float z) {
    if (m_data == nullptr || m_image_size == 0) return 0.0f;
    return toFloat(m_data[detail::access::pixelIndex(*this, x, y, z)]);
}

}  // namespace Ivory
