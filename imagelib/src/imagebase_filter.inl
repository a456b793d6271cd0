// Slice-wise n x n correlation of the first frame, and the border completion
// it leaves to fillBorder. The source is read as one channel: pixel (x, y, z)
// is element (z*height + y)*width + x.

#include <algorithm>

#include "derivedoutput.h"
#include "report.h"
#include "rowpipeline.h"

namespace Ivory::detail::filter {

inline int64_t nonZeroEntries(const float* kernel, int n) {
    return std::count_if(kernel, kernel + int64_t(n) * n, [](float weight) { return weight != 0.0f; });
}

// The non-zero entries of an n x n kernel, row offset j outer and column
// offset i inner, as the sum takes them.
inline void addTaps(rowcorrelation::Taps& taps, const float* kernel, int n) {
    const int h = (n - 1) / 2;
    for (int j = -h; j <= h; ++j) {
        for (int i = -h; i <= h; ++i) {
            const float weight = kernel[int64_t(j + h) * n + i + h];
            if (weight != 0.0f) taps.add(j, i, weight);
        }
    }
}

}  // namespace Ivory::detail::filter

namespace Ivory {

template <typename T>
Image* ImageBase<T>::filter(int code, const float* kernel, int n, Image* out) {
    namespace pipeline = detail::rowpipeline;
    const int resolved = detail::derivedoutput::resolvedCode(*this, code);
    if (isUnsignedCode(resolved)) {  // tested even when out is given
        detail::report("Error: unsigned data type, cannot compute filtered image!");
        return nullptr;
    }
    if (kernel == nullptr) {
        detail::report("Error: Cannot compute filtered image without filter!");
        return nullptr;
    }
    if (n < 1) {  // a negative half-width would run the border zeroing off the rows
        detail::report("Error: Window size must be positive!");
        return nullptr;
    }
    if (n % 2 == 0) {
        detail::report("Error: Window size must be an odd number!");
        return nullptr;
    }
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    if (n > width || n > height) {  // fillBorder could not complete the border
        detail::report("Error: Window size exceeds the image!");
        return nullptr;
    }
    if (!detail::derivedoutput::canRead(*this, detail::derivedoutput::pixelsPerFrame(*this))) return nullptr;

    // Output row r is row r % height of slice r / height, and so is source row r.
    pipeline::RowPipeline<T> rows(*this, {"Error: not enough memory to filter the image!",
                                          {width, height, depth, m_dim[3], 1},
                                          1,                  // the one channel computed
                                          {1, 1, width, n},   // one channel by rows, n at a time
                                          {1, detail::filter::nonZeroEntries(kernel, n)}});
    out = rows.prepare(resolved, out);
    if (out == nullptr) return nullptr;
    detail::filter::addTaps(rows.taps(0), kernel, n);
    const int h = (n - 1) / 2;
    const pipeline::Tally tally = rows.run([&](pipeline::RowWork<T>& work, int64_t r) {
        const int y = static_cast<int>(r % height);
        // Nearer than h to an edge the sum stays 0.
        const int64_t count = h <= y && y < height - h ? width - 2 * h : 0;
        work.zeroOutside(0, h, count, work.tally.ranges[0]);
        work.correlate(0, rows.taps(0), r, h, 0, h, count, work.tally.ranges[0]);
    });
    out->fillBorder(h);
    out->setWindow(tally.ranges[0].min, tally.ranges[0].max, 0);
    return out;
}

template <typename T>
void ImageBase<T>::fillBorder(int k) {
    if (k <= 1) return;  // the outermost ring is never touched: nothing to copy
    const int w = m_dim[0], h = m_dim[1], depth = m_dim[2];
    if (k > w / 2 || k > h / 2) {  // the copies would run past the slice
        detail::report("Error: border too wide for the image!");
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
        // Whole rows at once: each column still sees its copies in the same order.
        for (int i = k; i >= 2; --i) {
            std::copy_n(m_data + slice + int64_t(i) * w, w, m_data + slice + int64_t(i - 1) * w);
            std::copy_n(m_data + slice + int64_t(h - i - 1) * w, w, m_data + slice + int64_t(h - i) * w);
        }
    }
}

}  // namespace Ivory
