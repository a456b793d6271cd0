#ifndef IVORY_ROWCORRELATION_H
#define IVORY_ROWCORRELATION_H

// A correlation computed a row at a time: every tap is applied to the whole
// row before the next, in the kernel's own order, so each pixel's sum sees
// exactly the additions (and roundings) of the pixel-by-pixel definition.

#include <algorithm>
#include <cstdint>

#include "derivedoutput.h"

namespace Ivory::detail::rowcorrelation {

// Where a tap reads: the source unit (row or plane) relative to the current
// one, and the element offset within that unit.
struct TapPlace {
    int64_t unit;
    int64_t offset;
};

// The non-zero entries of a kernel in the order they are summed, kept in
// storage the row pipeline allocated for them (room for every entry).
class Taps {
public:
    Taps() = default;
    Taps(TapPlace* places, float* weights) : m_places(places), m_weights(weights) {}

    void add(int unit, int64_t offset, float weight) {
        m_places[m_size] = {unit, offset};
        m_weights[m_size] = weight;
        ++m_size;
    }
    int size() const { return m_size; }
    const TapPlace& place(int i) const { return m_places[i]; }
    const float* weights() const { return m_weights; }

private:
    TapPlace* m_places = nullptr;
    float* m_weights = nullptr;
    int m_size = 0;
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

}  // namespace Ivory::detail::rowcorrelation

#endif
