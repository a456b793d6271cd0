// Construction, shape, block ownership, and the operations that belong to the
// model itself (window from data, byte swap, mirroring).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "ivory/alignedblock.h"
#include "elementconversion.h"
#include "freshblock.h"
#include "kernels/byteorder.h"
#include "kernels/elementrange.h"
#include "kernels/mirroredrows.h"
#include "parallel.h"
#include "report.h"

namespace Ivory::detail::model {

// Elements a thread should have to itself before it is worth starting.
constexpr int64_t kMinChunkElements = int64_t(1) << 18;

}  // namespace Ivory::detail::model

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
        detail::report("Error while initializing!");
        return 0;
    }
    bool complete = m_window != nullptr || m_channels == 0;  // the table may have failed too
    if (m_image_size != 0 && !m_external) {
        m_data = static_cast<T*>(allocateAligned(size_t(m_image_size) * sizeof(T)));
        if (m_data != nullptr) {
            std::memset(m_data, 0, size_t(m_image_size) * sizeof(T));
        } else {
            complete = false;
        }
    }
    if (!complete) detail::report("Error while initializing!");
    return 0;
}

template <typename T>
void ImageBase<T>::clear() {
    // An external image gets no block of its own here, as in init: nothing
    // would ever release it.
    if (m_data == nullptr && !m_external) {
        m_data = static_cast<T*>(allocateAligned(size_t(m_image_size) * sizeof(T)));
        if (m_data == nullptr) detail::report("Error: not enough memory to clear the image!");
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
    // The scan starts from the first element: a NaN there stays (no
    // comparison with it ever holds); otherwise NaNs never count.
    T low = m_data[0];
    T high = m_data[0];
    bool scan = true;
    if constexpr (std::is_floating_point_v<T>) scan = !std::isnan(low);
    if (scan) {
        std::mutex merging;
        detail::parallelFor(0, m_image_size, detail::model::kMinChunkElements, [&](int64_t first, int64_t last) {
            T partLow = m_data[0], partHigh = m_data[0];
            detail::elementrange::widenRange(m_data + first, last - first, partLow, partHigh);
            const std::lock_guard<std::mutex> lock(merging);
            if (partLow < low) low = partLow;
            if (partHigh > high) high = partHigh;
        });
        // The scan keeps the first of equal values; only +0 and -0 are equal
        // but different, and the first zero of the block is that one.
        if constexpr (std::is_floating_point_v<T>) {
            if (low == T(0) || high == T(0)) {
                const T zero = m_data[detail::elementrange::firstZero(m_data, m_image_size)];
                if (low == T(0)) low = zero;
                if (high == T(0)) high = zero;
            }
        }
    }
    for (int32_t c = 0; c < m_channels; ++c) setWindow(toFloat(low), toFloat(high), c);
}

template <typename T>
void ImageBase<T>::swapBytes() {
    // 8-byte elements are left as they are, like the 1-byte ones.
    if constexpr (sizeof(T) == 2 || sizeof(T) == 4) {
        if (m_data == nullptr) return;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(m_data);
        detail::parallelFor(0, m_image_size, detail::model::kMinChunkElements, [&](int64_t first, int64_t last) {
            if constexpr (sizeof(T) == 2) {
                detail::byteorder::reverseEach16(bytes + first * sizeof(T), last - first);
            } else {
                detail::byteorder::reverseEach32(bytes + first * sizeof(T), last - first);
            }
        });
    }
}

template <typename T>
void ImageBase<T>::flip(bool fx, bool fy, bool fz, bool ft) {
    if (m_data == nullptr) return;
    T* flipped = detail::freshblock::allocateBlock<T>(size_t(m_image_size));
    if (flipped == nullptr) {
        detail::report("Error: not enough memory to flip the image!");
        return;
    }
    // Row by row: source row (y, z, t) lands whole at row (y', z', t'), its
    // pixels reversed when x flips. Every destination row is written once.
    const int64_t w = m_dim[0], h = m_dim[1], d = m_dim[2], frames = m_dim[3], ch = m_channels;
    const int64_t rowLength = w * ch;
    detail::parallelFor(
        0, frames * d * h, std::max<int64_t>(1, detail::model::kMinChunkElements / std::max<int64_t>(1, rowLength)),
        [&](int64_t first, int64_t last) {
            for (int64_t row = first; row < last; ++row) {
                const int64_t y = row % h, z = row / h % d, t = row / h / d;
                const int64_t yy = fy ? h - 1 - y : y, zz = fz ? d - 1 - z : z, tt = ft ? frames - 1 - t : t;
                T* target = flipped + yy * m_stride + zz * m_slice_size + tt * int64_t(m_frame_size);
                const T* source = m_data + row * rowLength;
                if (fx) {
                    detail::mirroredrows::copyMirrored(reinterpret_cast<unsigned char*>(target),
                                                       reinterpret_cast<const unsigned char*>(source), w,
                                                       ch * int64_t(sizeof(T)));
                } else {
                    std::copy_n(source, rowLength, target);
                }
            }
        });
    detail::freshblock::adoptBlock(*this, flipped);
}

}  // namespace Ivory
