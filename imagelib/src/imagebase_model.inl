// Construction, shape, block ownership, and the operations that belong to the
// model itself (window from data, byte swap, mirroring).

#include <algorithm>
#include <cstring>
#include <iostream>

#include "alignedblock.h"
#include "elementconversion.h"

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
    // The base part of init, which refuses shapes the 32-bit sizes cannot hold.
    const bool shapeFits = applyShape(width, height, depth, frames, channels);
    releaseData();
    if (!shapeFits) {
        std::cout << "Error while initializing!" << std::endl;
        return 0;
    }
    if (m_image_size == 0 || m_external) return 0;
    m_data = static_cast<T*>(allocateAligned(size_t(m_image_size) * sizeof(T)));
    if (m_data == nullptr) {
        std::cout << "Error while initializing!" << std::endl;
        return 0;
    }
    std::memset(m_data, 0, size_t(m_image_size) * sizeof(T));
    return 0;
}

template <typename T>
void ImageBase<T>::clear() {
    // An external image gets no block of its own here, as in init: nothing
    // would ever release it.
    if (m_data == nullptr && !m_external) {
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

template <typename T>
void ImageBase<T>::setWindowFromData() {
    if (m_data == nullptr || m_image_size == 0) return;  // nothing to scan
    T low = m_data[0];
    T high = m_data[0];
    for (int32_t i = 1; i < m_image_size; ++i) {
        if (m_data[i] < low) low = m_data[i];
        if (m_data[i] > high) high = m_data[i];
    }
    for (int32_t c = 0; c < m_channels; ++c) setWindow(toFloat(low), toFloat(high), c);
}

template <typename T>
void ImageBase<T>::swapBytes() {
    // 8-byte elements are left as they are, like the 1-byte ones.
    if constexpr (sizeof(T) == 2 || sizeof(T) == 4) {
        if (m_data == nullptr) return;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(m_data);
        for (int32_t i = 0; i < m_image_size; ++i, bytes += sizeof(T)) {
            std::reverse(bytes, bytes + sizeof(T));
        }
    }
}

template <typename T>
void ImageBase<T>::flip(bool fx, bool fy, bool fz, bool ft) {
    if (m_data == nullptr) return;
    const size_t bytes = size_t(m_image_size) * sizeof(T);
    T* flipped = static_cast<T*>(allocateAligned(bytes));
    if (flipped == nullptr) {
        std::cout << "Error: not enough memory to flip the image!" << std::endl;
        return;
    }
    const int32_t channels = m_channels;
    const T* source = m_data;
    for (int32_t t = 0; t < m_dim[3]; ++t) {
        const int32_t tt = ft ? m_dim[3] - 1 - t : t;
        for (int32_t z = 0; z < m_dim[2]; ++z) {
            const int32_t zz = fz ? m_dim[2] - 1 - z : z;
            for (int32_t y = 0; y < m_dim[1]; ++y) {
                const int32_t yy = fy ? m_dim[1] - 1 - y : y;
                T* row = flipped + yy * m_stride + zz * m_slice_size + tt * m_frame_size;
                for (int32_t x = 0; x < m_dim[0]; ++x) {
                    const int32_t xx = fx ? m_dim[0] - 1 - x : x;
                    for (int32_t c = 0; c < channels; ++c) row[c + xx * channels] = *source++;
                }
            }
        }
    }
    releaseData();
    if (m_data == nullptr) {
        m_data = flipped;
    } else {
        // The block was not ours to release (an external one): it receives the
        // flipped elements, so nothing we allocated is left without an owner.
        std::memcpy(m_data, flipped, bytes);
        releaseAligned(flipped);
    }
}

}  // namespace Ivory
