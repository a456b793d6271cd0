// Element access through the float interface: the sequential cursor and
// positional reads and writes. Values convert as elementconversion.h says.

#include "elementconversion.h"

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

// STUB below: replaced by the element-access implementation.
template <typename T> void ImageBase<T>::getPixel(float*, float, float, float) {}
template <typename T> float ImageBase<T>::getPixelValue(float, float, float) { return 0; }

}  // namespace Ivory
