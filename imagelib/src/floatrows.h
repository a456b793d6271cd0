#ifndef IVORY_FLOATROWS_H
#define IVORY_FLOATROWS_H

// One channel of a source, handed out as float rows (or planes) for the row
// kernels: read in place when the source already is one-channel float,
// otherwise converted once into a small ring of slots.

#include <cstdint>
#include <type_traits>

#include "kernels/rowkernels.h"

namespace Ivory::detail::floatrows {

template <typename T> class FloatRows {
public:
    // Whether units of a source with `channels` elements per pixel are read
    // in place, needing no slots.
    static constexpr bool readsInPlace(int channels) { return std::is_same_v<T, float> && channels == 1; }

    FloatRows() = default;

    // Unit u is pixels u*length .. (u+1)*length-1 of `data`, whose pixels
    // hold `channels` elements; channel `channel` is read. Unless read in
    // place, `slots` units can be held at once (units whose indices differ by
    // less than `slots`), in `slotMemory` (slots * length floats) and `held`
    // (slots entries), which the caller provides.
    FloatRows(const T* data, int channels, int channel, int64_t length, int slots, float* slotMemory,
              int64_t* held)
        : m_data(data), m_channels(channels), m_channel(channel), m_length(length), m_slots(slots),
          m_slotMemory(slotMemory), m_held(held) {
        if (!readsInPlace(channels)) {
            for (int i = 0; i < slots; ++i) m_held[i] = -1;
        }
    }

    const float* unit(int64_t index) {
        if (readsInPlace(m_channels)) return reinterpret_cast<const float*>(m_data) + index * m_length;
        const int64_t slot = index % m_slots;
        float* held = m_slotMemory + slot * m_length;
        if (m_held[slot] != index) {
            rowkernels::toFloatRow(m_data + index * m_length * m_channels + m_channel, m_channels, held,
                                   m_length);
            m_held[slot] = index;
        }
        return held;
    }

private:
    const T* m_data = nullptr;
    int m_channels = 1, m_channel = 0;
    int64_t m_length = 0;
    int m_slots = 0;
    float* m_slotMemory = nullptr;
    int64_t* m_held = nullptr;  // the unit each slot holds, -1 for none
};

}  // namespace Ivory::detail::floatrows

#endif
