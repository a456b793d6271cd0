// Slice-wise n x n correlation of the first frame, and the border completion
// it leaves to fillBorder. The source is read as one channel: pixel (x, y, z)
// is element (z*height + y)*width + x.

#include <algorithm>
#include <vector>

#include "derivedoutput.h"
#include "floatrows.h"
#include "outputrows.h"
#include "rowcorrelation.h"
#include "rowkernels.h"
#include "report.h"

namespace Ivory::detail::filter {

// The non-zero entries of an n x n kernel, row offset j outer and column
// offset i inner, as the sum takes them.
inline rowcorrelation::Taps tapsOf(const float* kernel, int n) {
    const int h = (n - 1) / 2;
    rowcorrelation::Taps taps;
    for (int j = -h; j <= h; ++j) {
        for (int i = -h; i <= h; ++i) {
            const float weight = kernel[int64_t(j + h) * n + i + h];
            if (weight != 0.0f) taps.add(j, i, weight);
        }
    }
    return taps;
}

}  // namespace Ivory::detail::filter

namespace Ivory {

template <typename T>
Image* ImageBase<T>::filter(int code, const float* kernel, int n, Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
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
    const int64_t pixels = output::pixelsPerFrame(*this);
    if (!output::canRead(*this, pixels)) return nullptr;
    bool created = false;
    out = output::prepare(*this, resolved, out, {width, height, depth, m_dim[3], 1}, pixels,
                          created);
    if (out == nullptr) return nullptr;

    const int h = (n - 1) / 2;
    std::vector<T> copy;
    const T* source = output::apartFromOutput(out, m_data, pixels, copy);
    const detail::rowcorrelation::Taps taps = detail::filter::tapsOf(kernel, n);
    const detail::outputrows::OutputRows rowsOut(out, width, 1);
    detail::outputrows::SharedRange range;
    out->resetCursor();
    // Output row r is row r % height of slice r / height, and so is source unit r.
    rowsOut.forRows(int64_t(depth) * height, [&](int64_t first, int64_t last) {
        detail::floatrows::FloatRows<T> rows(source, 1, 0, width, n);
        detail::rowcorrelation::RowCorrelator<T> correlator(rows);
        std::vector<float> scratch(static_cast<size_t>(width));
        output::Range part;
        for (int64_t r = first; r < last; ++r) {
            float* sums = rowsOut.rowTarget(r, scratch.data());
            const int y = static_cast<int>(r % height);
            // Nearer than h to an edge the sum stays 0.
            const int64_t count = h <= y && y < height - h ? width - 2 * h : 0;
            detail::rowcorrelation::zeroOutside(sums, width, h, count, part);
            correlator.correlate(taps, r, h, sums + h, count, part);
            const float* channels[1] = {sums};
            rowsOut.write(r, channels);
        }
        range.merge(part);
    });
    rowsOut.finish(int64_t(depth) * height);
    out->fillBorder(h);
    out->setWindow(range.result().min, range.result().max, 0);
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
