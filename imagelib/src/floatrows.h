#ifndef IVORY_FLOATROWS_H
#define IVORY_FLOATROWS_H

// One channel of a source, handed out as float rows (or planes) for the row
// kernels: read in place when the source already is one-channel float,
// otherwise converted once into a small ring of slots.

#include <cstdint>
#include <type_traits>
#include <vector>

#include "kernels/rowkernels.h"

namespace Ivory::detail::floatrows {

template <typename T> class FloatRows {
public:
    // Unit u is pixels u*length .. (u+1)*length-1 of `data`, whose pixels
    // hold `channels` elements; channel `channel` is read. `slots` units can
    // be held at once: units whose indices differ by less than `slots`.
    FloatRows(const T* data, int channels, int channel, int64_t length, int slots)
        : m_data(data), m_channels(channels), m_channel(channel), m_length(length) {
        if (!inPlace()) {
            m_scratch.resize(static_cast<size_t>(length * slots));
            m_held.assign(static_cast<size_t>(slots), -1);
        }
    }

    const float* unit(int64_t index) {
        if (inPlace()) return reinterpret_cast<const float*>(m_data) + index * m_length;
        const int64_t slot = index % static_cast<int64_t>(m_held.size());
        float* held = m_scratch.data() + slot * m_length;
        if (m_held[static_cast<size_t>(slot)] != index) {
            rowkernels::toFloatRow(m_data + index * m_length * m_channels + m_channel, m_channels, held,
                                   m_length);
            m_held[static_cast<size_t>(slot)] = index;
        }
        return held;
    }

private:
    bool inPlace() const { return std::is_same_v<T, float> && m_channels == 1; }

    const T* m_data;
    int m_channels, m_channel;
    int64_t m_length;
    std::vector<float> m_scratch;
    std::vector<int64_t> m_held;  // the unit each slot holds, -1 for none
};

}  // namespace Ivory::detail::floatrows

#endif
