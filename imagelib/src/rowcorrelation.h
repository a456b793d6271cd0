#ifndef IVORY_ROWCORRELATION_H
#define IVORY_ROWCORRELATION_H

// A correlation computed a row at a time: every tap is applied to the whole
// row before the next, in the kernel's own order, so each pixel's sum sees
// exactly the additions (and roundings) of the pixel-by-pixel definition.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "derivedoutput.h"
#include "floatrows.h"
#include "kernels/rowkernels.h"

namespace Ivory::detail::rowcorrelation {

// The non-zero entries of a kernel in the order they are summed: for each,
// the source unit (row or plane) it reads relative to the current one, the
// element offset within that unit, and its weight.
class Taps {
public:
    void add(int unit, int64_t offset, float weight) {
        m_units.push_back(unit);
        m_offsets.push_back(offset);
        m_weights.push_back(weight);
    }
    int size() const { return static_cast<int>(m_weights.size()); }
    int unit(int i) const { return m_units[static_cast<size_t>(i)]; }
    int64_t offset(int i) const { return m_offsets[static_cast<size_t>(i)]; }
    const float* weights() const { return m_weights.data(); }

private:
    std::vector<int> m_units;
    std::vector<int64_t> m_offsets;
    std::vector<float> m_weights;
};

// Zeroes row[0 .. width) except the `count` pixels from `first`, which a
// correlation fills (all of it when count <= 0), and widens range to the
// zeros written.
inline void zeroOutside(float* row, int64_t width, int64_t first, int64_t count, derivedoutput::Range& range) {
    if (count <= 0) {
        std::fill(row, row + width, 0.0f);
    } else {
        std::fill(row, row + first, 0.0f);
        std::fill(row + first + count, row + width, 0.0f);
    }
    if (std::max<int64_t>(count, 0) < width) {  // some zeros were written
        if (0.0f < range.min) range.min = 0.0f;
        if (0.0f > range.max) range.max = 0.0f;
    }
}

// Sums of taps over rows of one source; holds the per-row scratch of one thread.
template <typename T> class RowCorrelator {
public:
    explicit RowCorrelator(floatrows::FloatRows<T>& rows) : m_rows(rows) {}

    // out[x] for x < count: the sum of the taps in order over pixels whose
    // first reads element `offset` of unit `unit`.
    // range is widened to the sums.
    void correlate(const Taps& taps, int64_t unit, int64_t offset, float* out, int64_t count,
                   derivedoutput::Range& range) {
        if (count <= 0) return;
        m_sources.resize(static_cast<size_t>(taps.size()));
        for (int i = 0; i < taps.size(); ++i) {
            m_sources[static_cast<size_t>(i)] = m_rows.unit(unit + taps.unit(i)) + offset + taps.offset(i);
        }
        rowkernels::correlateRow(m_sources.data(), taps.weights(), taps.size(), out, count, range.min, range.max);
    }

private:
    floatrows::FloatRows<T>& m_rows;
    std::vector<const float*> m_sources;
};

}  // namespace Ivory::detail::rowcorrelation

#endif
