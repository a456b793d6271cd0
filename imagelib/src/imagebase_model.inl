// Construction, shape, block ownership, and the operations that belong to the
// model itself (window from data, byte swap, mirroring).

#include <cstring>
#include <iostream>

#include "alignedblock.h"

namespace Ivory {

template <typename T>
ImageBase<T>::ImageBase() : m_external(false), m_data(nullptr) {}

template <typename T>
ImageBase<T>::~ImageBase() {
    if (!m_external) releaseAligned(m_data);
}

template <typename T>
int ImageBase<T>::setData(void* block) {
    m_data = static_cast<T*>(block);
    return 0;
}

template <typename T>
int ImageBase<T>::init(int width, int height, int depth, int frames, int channels) {
    Image::init(width, height, depth, frames, channels);
    releaseData();
    const bool shapeRejected = m_image_size == 0 && m_dim[0] == 0 &&
                               int64_t(width) * height * depth * frames * channels != 0;
    if (shapeRejected) {
        std::cout << "Error while initializing!\n" << std::flush;
        return 0;
    }
    if (m_image_size == 0 || m_external) return 0;
    m_data = static_cast<T*>(allocateAligned(size_t(m_image_size) * sizeof(T)));
    if (m_data == nullptr) {
        std::cout << "Error while initializing!\n" << std::flush;
        return 0;
    }
    std::memset(m_data, 0, size_t(m_image_size) * sizeof(T));
    return 0;
}

template <typename T>
void ImageBase<T>::clear() {
    if (m_data == nullptr) {
        m_data = static_cast<T*>(allocateAligned(size_t(m_image_size) * sizeof(T)));
    }
    if (m_data != nullptr) std::memset(m_data, 0, size_t(m_image_size) * sizeof(T));
    if (m_window != nullptr) std::memset(m_window, 0, size_t(m_channels) * 4 * sizeof(float));
}

template <typename T>
void ImageBase<T>::releaseData() {
    if (!m_external && m_data != nullptr) {
        releaseAligned(m_data);
        m_data = nullptr;
    }
}

// STUB below: replaced by the image-model implementation.
template <typename T> void ImageBase<T>::setWindowFromData() {}
template <typename T> void ImageBase<T>::swapBytes() {}
template <typename T> void ImageBase<T>::flip(bool, bool, bool, bool) {}

}  // namespace Ivory
