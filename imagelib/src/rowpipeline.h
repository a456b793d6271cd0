#ifndef IVORY_ROWPIPELINE_H
#define IVORY_ROWPIPELINE_H

// The one path of filter, gradient, hessian and gradient3D. An operation
// states the shape of its work in a Plan; the pipeline makes or checks the
// output and allocates everything the rows need (a copy of the source when
// the output shares its block, the tap lists, every chunk's float rows and
// result slot) before anything is written, so that an operation that cannot
// have its memory changes nothing. Then the rows run over the worker pool:
// each is computed into float rows by the operation's row body and stored
// into the output, and what the chunks found (value ranges, clamp counts) is
// merged in chunk order.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "derivedoutput.h"
#include "floatrows.h"
#include "ivory/imagebase.h"
#include "outputrows.h"
#include "parallel.h"
#include "report.h"
#include "rowcorrelation.h"
#include "kernels/rowkernels.h"
#include "scratchbuffer.h"

namespace Ivory::detail::rowpipeline {

using derivedoutput::Range;
using rowcorrelation::TapPlace;
using rowcorrelation::Taps;

constexpr int kMaxChannels = 4;  // elements per output pixel: gradient3D with its value
constexpr int kMaxSources = 2;   // channels read from the source: a gradient image's two
constexpr int kMaxRanges = 3;    // the hessian keeps one range per channel
constexpr int kMaxTapSets = 3;   // kernels applied per row: one per gradient3D component

// How the rows read the source: channels 0 .. read-1 of pixels holding
// `channels` elements, as float units (rows or planes) of `length` pixels,
// of which one output row needs `span` at once.
struct SourceUnits {
    int channels;
    int read;
    int64_t length;
    int span;
};

// Room for the kernels: `sets` of at most `taps` entries each.
struct KernelRoom {
    int sets;
    int64_t taps;
};

// The shape of an operation's work. The output has output.depth *
// output.height rows of output.width pixels.
struct Plan {
    const char* memoryError;      // reported when the memory cannot be had
    derivedoutput::Shape output;  // of a new output image
    int computedChannels;         // the first channels of a pixel, computed into float rows
    SourceUnits source;
    KernelRoom kernels;
};

// What the rows of one chunk found.
struct Tally {
    Range ranges[kMaxRanges];
    int64_t clamped = 0;
};

template <typename T> class RowPipeline;

// One chunk's view of the work: the float rows of the current output row
// and the source units they are computed from.
template <typename T> class RowWork {
public:
    // Computed channel c of the current row.
    float* row(int channel) { return m_rows[channel]; }

    // Channel c of the current row taken as it is from `values` (a channel
    // that is not computed).
    void take(int channel, const float* values) { m_written[channel] = values; }

    // Unit `index` of source channel `source`, as floats.
    const float* unit(int source, int64_t index) { return m_units[source].unit(index); }

    // Zeroes computed channel c outside the `count` pixels from `first`.
    void zeroOutside(int channel, int64_t first, int64_t count, Range& range) {
        rowcorrelation::zeroOutside(m_rows[channel], m_width, first, count, range);
    }

    // row(channel)[first + x] for x < count: the sum of the taps in order
    // over source channel `source`, pixel x's first tap reading element
    // `offset` + x of unit `unit`. range is widened to the sums.
    void correlate(int source, const Taps& taps, int64_t unit, int64_t offset, int channel, int64_t first,
                   int64_t count, Range& range) {
        if (count <= 0) return;
        for (int i = 0; i < taps.size(); ++i) {
            const TapPlace& place = taps.place(i);
            m_pointers[i] = m_units[source].unit(unit + place.unit) + offset + place.offset;
        }
        rowkernels::correlateRow(m_pointers, taps.weights(), taps.size(), m_rows[channel] + first, count,
                                 range.min, range.max);
    }

    Tally tally;

private:
    friend class RowPipeline<T>;

    float* m_scratch[kMaxChannels] = {};  // the chunk's own rows
    float* m_rows[kMaxChannels] = {};     // where the current row's channels are computed
    const float* m_written[kMaxChannels] = {};
    floatrows::FloatRows<T> m_units[kMaxSources];
    const float** m_pointers = nullptr;
    int64_t m_width = 0;
};

template <typename T> class RowPipeline {
public:
    RowPipeline(const ImageBase<T>& source, const Plan& plan) : m_source(source), m_plan(plan) {}

    // The image the rows go into (out, or a new image) with all the memory
    // the run needs; null after an error, which is reported, with nothing
    // changed (a new image is deleted again).
    Image* prepare(int code, Image* out) {
        const derivedoutput::Shape& shape = m_plan.output;
        const int64_t written = rows() * shape.width * shape.channels;
        bool created = false;
        out = derivedoutput::prepare(m_source, code, out, shape, written, created, m_plan.memoryError);
        if (out == nullptr) return nullptr;
        m_rowsOut = outputrows::OutputRows(out, shape.width, shape.channels);
        m_chunks = m_rowsOut.chunksFor(rows());
        if (!allocate(out)) {
            detail::report("%s", m_plan.memoryError);
            if (created) delete out;
            return nullptr;
        }
        m_out = out;
        return out;
    }

    // Kernel `set`, to be filled (at most kernels.taps entries) before run.
    Taps& taps(int set) { return m_taps[set]; }

    // Runs body(work, row) for every output row after the output's cursor
    // is reset, stores the rows, and returns what the chunks found, merged.
    template <typename Body> Tally run(Body body) {
        m_out->resetCursor();
        auto chunkBody = [&](int chunk, int64_t first, int64_t last) {
            RowWork<T> work = workFor(chunk);
            for (int64_t r = first; r < last; ++r) {
                startRow(work, r);
                body(work, r);
                m_rowsOut.write(r, work.m_written);
            }
            m_tallies[size_t(chunk)] = work.tally;
        };
        runChunks(0, rows(), m_chunks, chunkBody);
        m_rowsOut.finish(rows());
        // With no NaN and no -0.0f among the values kept, merging in chunk
        // order gives the range a scan over all rows gives. (A chunk that
        // ran no rows left its slot at the start values.)
        Tally merged;
        for (int chunk = 0; chunk < m_chunks; ++chunk) {
            const Tally& part = m_tallies[size_t(chunk)];
            for (int i = 0; i < kMaxRanges; ++i) {
                if (part.ranges[i].min < merged.ranges[i].min) merged.ranges[i].min = part.ranges[i].min;
                if (part.ranges[i].max > merged.ranges[i].max) merged.ranges[i].max = part.ranges[i].max;
            }
            merged.clamped += part.clamped;
        }
        return merged;
    }

private:
    int64_t rows() const { return int64_t(m_plan.output.depth) * m_plan.output.height; }

    // Floats and slot indices of one source channel's units: none when the
    // source is read in place.
    bool inPlace() const { return floatrows::FloatRows<T>::readsInPlace(m_plan.source.channels); }
    int64_t slotFloats() const { return inPlace() ? 0 : m_plan.source.span * m_plan.source.length; }
    int64_t heldSlots() const { return inPlace() ? 0 : m_plan.source.span; }

    // A chunk's share of a buffer of U that holds `count` per chunk: whole
    // cache lines and one more, so that no two chunks ever write to one line.
    template <typename U> static int64_t chunkStride(int64_t count) {
        constexpr int64_t kLine = 64 / sizeof(U);
        return (count + kLine - 1) / kLine * kLine + kLine;
    }

    // Floats of one chunk: its source units, then its computed rows.
    int64_t chunkFloats() const {
        const int64_t rowFloats = m_plan.computedChannels * int64_t(m_plan.output.width);
        return chunkStride<float>(m_plan.source.read * slotFloats() + rowFloats);
    }
    int64_t chunkHeld() const { return chunkStride<int64_t>(m_plan.source.read * heldSlots()); }
    int64_t chunkPointers() const { return chunkStride<const float*>(m_plan.kernels.taps); }

    bool allocate(const Image* out) {
        const size_t chunks = size_t(m_chunks);
        const int64_t sourceElements = derivedoutput::pixelsPerFrame(m_source) * m_plan.source.channels;
        m_data = m_source.m_data;
        if (derivedoutput::overlaps(out, m_data, sourceElements)) {
            // The rows read the source as it was, whatever order they are written in.
            if (!m_copy.allocate(size_t(sourceElements))) return false;
            std::copy_n(m_data, sourceElements, m_copy.data());
            m_data = m_copy.data();
        }
        const size_t taps = size_t(m_plan.kernels.taps), kernelEntries = taps * size_t(m_plan.kernels.sets);
        if (!m_places.allocate(kernelEntries) || !m_weights.allocate(kernelEntries) ||
            !m_pointers.allocate(size_t(chunkPointers()) * chunks) ||
            !m_floats.allocate(size_t(chunkFloats()) * chunks) || !m_held.allocate(size_t(chunkHeld()) * chunks) ||
            !m_tallies.allocate(chunks)) {
            return false;
        }
        for (int set = 0; set < m_plan.kernels.sets; ++set) {
            m_taps[set] = Taps(m_places.data() + taps * size_t(set), m_weights.data() + taps * size_t(set));
        }
        return true;
    }

    RowWork<T> workFor(int chunk) {
        RowWork<T> work;
        const SourceUnits& source = m_plan.source;
        float* floats = m_floats.data() + chunkFloats() * chunk;
        int64_t* held = m_held.data() + chunkHeld() * chunk;
        for (int s = 0; s < source.read; ++s) {
            work.m_units[s] =
                floatrows::FloatRows<T>(m_data, source.channels, s, source.length, source.span, floats, held);
            floats += slotFloats();
            held += heldSlots();
        }
        for (int c = 0; c < m_plan.computedChannels; ++c) {
            work.m_scratch[c] = floats + int64_t(c) * m_plan.output.width;
        }
        work.m_pointers = m_pointers.data() + chunkPointers() * chunk;
        work.m_width = m_plan.output.width;
        return work;
    }

    // A one-channel row is computed where rowTarget says: in the output
    // itself when that holds one-channel floats.
    void startRow(RowWork<T>& work, int64_t row) const {
        for (int c = 0; c < m_plan.computedChannels; ++c) work.m_rows[c] = work.m_scratch[c];
        if (m_plan.output.channels == 1) work.m_rows[0] = m_rowsOut.rowTarget(row, work.m_scratch[0]);
        for (int c = 0; c < m_plan.computedChannels; ++c) work.m_written[c] = work.m_rows[c];
    }

    const ImageBase<T>& m_source;
    const Plan m_plan;
    const T* m_data = nullptr;  // the source elements the rows read
    Image* m_out = nullptr;
    outputrows::OutputRows m_rowsOut;
    int m_chunks = 1;
    ScratchBuffer<T> m_copy;
    ScratchBuffer<TapPlace> m_places;
    ScratchBuffer<float> m_weights;
    ScratchBuffer<const float*> m_pointers;
    ScratchBuffer<float> m_floats;
    ScratchBuffer<int64_t> m_held;
    ScratchBuffer<Tally> m_tallies;
    Taps m_taps[kMaxTapSets];
};

}  // namespace Ivory::detail::rowpipeline

#endif
