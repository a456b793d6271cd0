#ifndef IVORY_OUTPUTROWS_H
#define IVORY_OUTPUTROWS_H

// Writing the results of the filters and derivatives a whole row at a time.
// When the output is exactly one of the eight ImageBase<U> its elements are
// stored directly, with the conversion setNext uses, and rows may be written
// by several threads; any other Image gets every value through setNext, in
// storage order.

#include <algorithm>
#include <cstdint>
#include <typeinfo>

#include "ivory/imagebase.h"
#include "parallel.h"
#include "kernels/rowkernels.h"

namespace Ivory::detail::outputrows {

// Rows of fewer elements than this are not worth a thread of their own.
constexpr int64_t kMinElementsPerChunk = 1 << 15;

class OutputRows {
public:
    OutputRows() = default;
    OutputRows(Image* out, int64_t width, int channels) : m_out(out), m_width(width), m_channels(channels) {
#define IVORY_TYPED_OUTPUT(U, code)                                   \
    if (typeid(*out) == typeid(ImageBase<U>)) {                       \
        m_block = static_cast<ImageBase<U>*>(out)->m_data;            \
        m_store = &store<U>;                                          \
    }
        IVORY_ELEMENT_TYPES(IVORY_TYPED_OUTPUT)
#undef IVORY_TYPED_OUTPUT
        m_direct = channels == 1 && typeid(*out) == typeid(ImageBase<float>);
    }

    // Where a one-channel row is best computed: straight in the output's
    // block when that holds one-channel floats (write then has nothing left
    // to do), otherwise in `scratch`.
    float* rowTarget(int64_t row, float* scratch) const {
        return m_direct ? static_cast<float*>(m_block) + row * m_width : scratch;
    }

    // Whether rows may come in any order and from several threads.
    bool typed() const { return m_store != nullptr; }

    // Output row `row` (elements row*width*channels onwards) from one float
    // row per channel; a one-channel row must come from rowTarget. Without
    // typed() rows must come in storage order.
    void write(int64_t row, const float* const* channelRows) const {
        if (m_direct) return;  // computed in place through rowTarget
        if (typed()) {
            m_store(m_block, row * m_width * m_channels, channelRows, m_channels, m_width);
            return;
        }
        for (int64_t x = 0; x < m_width; ++x) {
            for (int c = 0; c < m_channels; ++c) m_out->setNext(channelRows[c][x]);
        }
    }

    // After `rows` rows the cursor stands where setNext would have left it.
    void finish(int64_t rows) const {
        if (typed()) m_out->m_cursor = static_cast<int32_t>(rows * m_width * m_channels);
    }

    // How many chunks `rows` rows go in: over the threads when the output is
    // typed, in one sequence otherwise.
    int chunksFor(int64_t rows) const {
        if (!typed()) return 1;
        const int64_t elements = std::max<int64_t>(1, m_width * m_channels);
        return chunkCount(rows, std::max<int64_t>(1, kMinElementsPerChunk / elements));
    }

private:
    using Store = void (*)(void* block, int64_t offset, const float* const* rows, int channels, int64_t width);

    template <typename U>
    static void store(void* block, int64_t offset, const float* const* rows, int channels, int64_t width) {
        rowkernels::fromFloatRows(rows, channels, static_cast<U*>(block) + offset, width);
    }

    Image* m_out = nullptr;
    int64_t m_width = 0;
    int m_channels = 0;
    void* m_block = nullptr;
    Store m_store = nullptr;
    bool m_direct = false;
};

}  // namespace Ivory::detail::outputrows

#endif
