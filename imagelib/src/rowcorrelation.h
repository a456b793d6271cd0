#ifndef IVORY_ROWCORRELATION_H
#define IVORY_ROWCORRELATION_H

// A correlation computed a row at a time: every tap is applied to the whole
// row before the next, in the kernel's own order, so each pixel's sum sees
// exactly the additions (and roundings) of the pixel-by-pixel definition.

#include <cstdint>
#include <vector>

#include "floatrows.h"
#include "rowkernels.h"

namespace Ivory::detail::rowcorrelation {

// A non-zero kernel entry: the source unit (row or plane) it reads relative
// to the current one, the element offset within that unit, and its weight.
struct Tap {
    int unit;
    int64_t offset;
    float weight;
};

// Sums of taps over rows of one source; holds the per-row scratch of one thread.
template <typename T> class RowCorrelator {
public:
    explicit RowCorrelator(floatrows::FloatRows<T>& rows) : m_rows(rows) {}

    // out[x] for x < count: the sum of the taps in order over pixels whose
    // first reads element `offset` of unit `unit`.
    void correlate(const std::vector<Tap>& taps, int64_t unit, int64_t offset, float* out, int64_t count) {
        if (count <= 0) return;
        m_sources.clear();
        m_weights.clear();
        for (const Tap& tap : taps) {
            m_sources.push_back(m_rows.unit(unit + tap.unit) + offset + tap.offset);
            m_weights.push_back(tap.weight);
        }
        rowkernels::correlateRow(m_sources.data(), m_weights.data(), static_cast<int>(taps.size()), out, count);
    }

private:
    floatrows::FloatRows<T>& m_rows;
    std::vector<const float*> m_sources;
    std::vector<float> m_weights;
};

}  // namespace Ivory::detail::rowcorrelation

#endif
