// Slice-wise n x n correlation of the first frame, and the border completion
// it leaves to fillBorder. The source is read as one channel: pixel (x, y, z)
// is element (z*height + y)*width + x.

#include <iostream>

#include "derivedoutput.h"
#include "elementconversion.h"

namespace Ivory {

template <typename T>
Image* ImageBase<T>::filter(int code, const float* kernel, int n, Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {  // tested even when out is given
        std::cout << "Error: unsigned data type, cannot compute filtered image!" << std::endl;
        return nullptr;
    }
    if (kernel == nullptr) {
        std::cout << "Error: Cannot compute filtered image without filter!" << std::endl;
        return nullptr;
    }
    if (n % 2 == 0) {
        std::cout << "Error: Window size must be an odd number!" << std::endl;
        return nullptr;
    }
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    if (n > width || n > height) {  // fillBorder could not complete the border
        std::cout << "Error: Window size exceeds the image!" << std::endl;
        return nullptr;
    }
    const int64_t pixels = output::pixelsPerFrame(*this);
    if (!output::canRead(*this, pixels)) return nullptr;
    bool created = false;
    out = output::prepare(*this, resolved, out, {width, height, depth, m_dim[3], 1}, pixels,
                          created);
    if (out == nullptr) return nullptr;

    const int h = (n - 1) / 2;
    out->resetCursor();
    output::Range range;
    for (int z = 0; z < depth; ++z) {
        for (int y = 0; y < height; ++y) {
            const bool rowInside = h <= y && y < height - h;
            for (int x = 0; x < width; ++x) {
                float sum = 0.0f;
                if (rowInside && h <= x && x < width - h) {
                    for (int j = -h; j <= h; ++j) {
                        const float* weights = kernel + int64_t(j + h) * n + h;
                        const T* row = m_data + (int64_t(z) * height + y + j) * width + x;
                        for (int i = -h; i <= h; ++i) {
                            if (weights[i] != 0.0f) sum += toFloat(row[i]) * weights[i];
                        }
                    }
                }
                range.add(sum);
                out->setNext(sum);
            }
        }
    }
    out->fillBorder(h);
    out->setWindow(range.min, range.max, 0);
    return out;
}

template <typename T>
void ImageBase<T>::fillBorder(int k) {
    if (k <= 1) return;  // the outermost ring is never touched: nothing to copy
    const int w = m_dim[0], h = m_dim[1], depth = m_dim[2];
    if (k > w / 2 || k > h / 2) {  // the copies would run past the slice
        std::cout << "Error: border too wide for the image!" << std::endl;
        return;
    }
    if (!detail::derivedoutput::canRead(*this, detail::derivedoutput::pixelsPerFrame(*this))) return;
    for (int z = 0; z < depth; ++z) {
        const int64_t slice = int64_t(z) * h * w;
        for (int y = 0; y < h; ++y) {
            const int64_t row = slice + int64_t(y) * w;
            for (int i = k; i >= 2; --i) {
                m_data[row + i - 1] = m_data[row + i];
                m_data[row + w - i] = m_data[row + w - i - 1];
            }
        }
        for (int x = 0; x < w; ++x) {
            const int64_t column = slice + x;
            for (int i = k; i >= 2; --i) {
                m_data[column + int64_t(i - 1) * w] = m_data[column + int64_t(i) * w];
                m_data[column + int64_t(h - i) * w] = m_data[column + int64_t(h - i - 1) * w];
            }
        }
    }
}

}  // namespace Ivory
