// Derivative images of the first frame: the slice-wise 2D gradient, the
// slice-wise Hessian built on it, and the 3D gradient with clamping to the
// output type. The source is read as one channel (see derivedoutput.h).

#include <algorithm>
#include <atomic>
#include <vector>

#include "derivedoutput.h"
#include "floatrows.h"
#include "outputrows.h"
#include "rowcorrelation.h"
#include "kernels/rowkernels.h"
#include "report.h"

namespace Ivory::detail::gradient {

// Entry k weighs column offset k%3-1 and row offset k/3-1.
constexpr float kDefaultKernel2D[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};

// Entry k weighs offsets k%3-1, (k%9)/3-1 and k/9-1 (the slowest runs along
// the derivative's own axis).
constexpr float kDefaultKernel3D[27] = {1,  1,  1,  1,  2,  1,  1,  1,  1,  //
                                        0,  0,  0,  0,  0,  0,  0,  0,  0,  //
                                        -1, -1, -1, -1, -2, -1, -1, -1, -1};

// Bounds the 3D gradient clamps its results to, so that they fit the output
// type instead of wrapping.
struct ClampRange {
    bool applies;
    float low, high;
};

inline ClampRange clampRangeFor(int code) {
    if (code == kTypeByte) return {true, -128.0f, 127.0f};
    if (code == kTypeShort) return {true, -32768.0f, 32767.0f};
    return {false, 0.0f, 0.0f};
}

using rowcorrelation::Taps;

// The non-zero taps of a 3 x 3 kernel in entry order, as rows of the source
// (unit = row offset): along the kernel for the response to it, across for
// the response to its transpose.
struct Taps2D {
    Taps along, across;
};

inline Taps2D taps2D(const float* K) {
    Taps2D taps;
    for (int k = 0; k < 9; ++k) {
        if (K[k] == 0.0f) continue;
        const int c = k % 3 - 1, r = k / 3 - 1;
        taps.along.add(r, c, K[k]);
        taps.across.add(c, r, K[k]);
    }
    return taps;
}

// The non-zero taps of a 3 x 3 x 3 kernel in entry order for each of the
// three responses, as planes of the source (unit = slice offset) with the
// element offset within the plane.
inline Taps taps3D(const float* K, int component, int64_t width) {
    Taps taps;
    for (int k = 0; k < 27; ++k) {
        if (K[k] == 0.0f) continue;
        const int a = k % 3 - 1, b = (k % 9) / 3 - 1, c = k / 9 - 1;
        const int dx = component == 0 ? c : a;
        const int dy = component == 1 ? c : b;
        const int dz = component == 0 ? a : component == 1 ? b : c;
        taps.add(dz, dy * width + dx, K[k]);
    }
    return taps;
}

}  // namespace Ivory::detail::gradient

namespace Ivory {

template <typename T>
Image* ImageBase<T>::gradient(int code, const float* kernel, bool keepSize, Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {
        detail::report("Error: unsigned data type, cannot compute gradient!");
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : detail::gradient::kDefaultKernel2D;
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    if (!keepSize && (width < 3 || height < 3)) {  // the output would shrink below nothing
        detail::report("Error: image too small, cannot compute gradient!");
        return nullptr;
    }
    if (!output::canRead(*this, output::pixelsPerFrame(*this))) return nullptr;
    const int s = keepSize ? 0 : 1;
    const int64_t visited = int64_t(width - 2 * s) * (height - 2 * s) * depth;
    bool created = false;
    out = output::prepare(*this, resolved, out, {width - 2 * s, height - 2 * s, depth, 1, 2},
                          visited * 2, created);
    if (out == nullptr) return nullptr;

    std::vector<T> copy;
    const T* source = output::apartFromOutput(out, m_data, output::pixelsPerFrame(*this), copy);
    const detail::gradient::Taps2D taps = detail::gradient::taps2D(K);
    const int outWidth = width - 2 * s, outHeight = height - 2 * s;
    const detail::outputrows::OutputRows rowsOut(out, outWidth, 2);
    detail::outputrows::SharedRange shared;
    out->resetCursor();
    rowsOut.forRows(int64_t(depth) * outHeight, [&](int64_t first, int64_t last) {
        detail::floatrows::FloatRows<T> rows(source, 1, 0, width, 3);
        detail::rowcorrelation::RowCorrelator<T> correlator(rows);
        std::vector<float> g0(static_cast<size_t>(outWidth)), g1(g0.size());
        const float* channels[2] = {g0.data(), g1.data()};
        output::Range part;
        for (int64_t r = first; r < last; ++r) {
            const int64_t z = r / outHeight;
            const int y = static_cast<int>(r % outHeight) + s;
            // Only pixels with a whole neighbourhood are computed; with
            // keepSize the frame around them stays 0.
            const int64_t count = 0 < y && y < height - 1 ? width - 2 : 0;
            const int64_t unit = z * height + y;
            for (std::vector<float>* row : {&g0, &g1}) {
                detail::rowcorrelation::zeroOutside(row->data(), outWidth, 1 - s, count, part);
            }
            correlator.correlate(taps.along, unit, 1, g0.data() + 1 - s, count, part);
            correlator.correlate(taps.across, unit, 1, g1.data() + 1 - s, count, part);
            rowsOut.write(r, channels);
        }
        shared.merge(part);
    });
    rowsOut.finish(int64_t(depth) * outHeight);
    const output::Range range = shared.result();
    out->setWindow(range.min, range.max, 0);
    out->setWindow(range.min, range.max, 1);
    return out;
}

template <typename T>
Image* ImageBase<T>::hessian(int code, const float* kernel, Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {
        detail::report("Error: unsigned data type, cannot compute hessian!");
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : detail::gradient::kDefaultKernel2D;
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    const int64_t pixels = output::pixelsPerFrame(*this);
    const bool gradientImage = m_channels != 1;
    // A gradient image holds channels 0 and 1 of every pixel.
    const bool readable = gradientImage
                              ? pixels == 0 || (m_channels >= 2 && output::canRead(*this, pixels * m_channels))
                              : output::canRead(*this, pixels);
    if (!readable) return nullptr;
    bool created = false;
    out = output::prepare(*this, resolved, out, {width, height, depth, 1, 3}, pixels * 3, created);
    if (out == nullptr) return nullptr;

    if (!gradientImage) {
        Image* g = gradient(resolved, K, true, nullptr);
        Image* result = g != nullptr ? g->hessian(resolved, K, out) : nullptr;
        delete g;  // served only this step
        if (result == nullptr && created) delete out;
        return result;
    }

    const int channels = m_channels;
    std::vector<T> copy;
    const T* source = output::apartFromOutput(out, m_data, pixels * channels, copy);
    const detail::gradient::Taps2D taps = detail::gradient::taps2D(K);
    const detail::outputrows::OutputRows rowsOut(out, width, 3);
    detail::outputrows::SharedRange shared[3];
    out->resetCursor();
    rowsOut.forRows(int64_t(depth) * height, [&](int64_t first, int64_t last) {
        detail::floatrows::FloatRows<T> rows0(source, channels, 0, width, 3), rows1(source, channels, 1, width, 3);
        detail::rowcorrelation::RowCorrelator<T> correlator0(rows0), correlator1(rows1);
        std::vector<float> h[3];
        for (std::vector<float>& row : h) row.resize(static_cast<size_t>(width));
        const float* rowsOfChannels[3] = {h[0].data(), h[1].data(), h[2].data()};
        output::Range part[3];
        for (int64_t r = first; r < last; ++r) {
            const int y = static_cast<int>(r % height);
            const int64_t count = 0 < y && y < height - 1 ? width - 2 : 0;  // the frame stays 0
            for (int i = 0; i < 3; ++i) detail::rowcorrelation::zeroOutside(h[i].data(), width, 1, count, part[i]);
            correlator0.correlate(taps.along, r, 1, h[0].data() + 1, count, part[0]);
            correlator0.correlate(taps.across, r, 1, h[1].data() + 1, count, part[1]);
            correlator1.correlate(taps.across, r, 1, h[2].data() + 1, count, part[2]);
            rowsOut.write(r, rowsOfChannels);
        }
        for (int i = 0; i < 3; ++i) shared[i].merge(part[i]);
    });
    rowsOut.finish(int64_t(depth) * height);
    output::Range range[3];
    for (int i = 0; i < 3; ++i) range[i] = shared[i].result();
    for (int i = 0; i < 3; ++i) out->setWindow(range[i].min, range[i].max, i);
    return out;
}

template <typename T>
Image* ImageBase<T>::gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                                Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {
        detail::report("Error: unsigned data type, cannot compute gradient!");
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : detail::gradient::kDefaultKernel3D;
    const detail::gradient::ClampRange clamp = detail::gradient::clampRangeFor(resolved);
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    if (!keepSize && (width < 3 || height < 3 || depth < 3)) {  // the output would shrink below nothing
        detail::report("Error: image too small, cannot compute gradient!");
        return nullptr;
    }
    if (!output::canRead(*this, output::pixelsPerFrame(*this))) return nullptr;
    const int s = keepSize ? 0 : 1;
    const int channels = withValue ? 4 : 3;
    const output::Shape shape{width - 2 * s, height - 2 * s, depth - 2 * s, 1, channels};
    const int64_t visited = int64_t(shape.width) * shape.height * shape.depth;
    bool created = false;
    out = output::prepare(*this, resolved, out, shape, visited * channels, created);
    if (out == nullptr) return nullptr;

    std::vector<T> copy;
    const T* source = output::apartFromOutput(out, m_data, output::pixelsPerFrame(*this), copy);
    detail::gradient::Taps taps[3];
    for (int c = 0; c < 3; ++c) taps[c] = detail::gradient::taps3D(K, c, width);
    const int64_t plane = int64_t(width) * height;
    const detail::outputrows::OutputRows rowsOut(out, shape.width, channels);
    detail::outputrows::SharedRange shared;
    std::atomic<int64_t> exceededTotal{0};
    out->resetCursor();
    if (m_verbose != 0) detail::report("Computing 3D gradient...");
    rowsOut.forRows(int64_t(shape.depth) * shape.height, [&](int64_t first, int64_t last) {
        detail::floatrows::FloatRows<T> planes(source, 1, 0, plane, 3);
        detail::rowcorrelation::RowCorrelator<T> correlator(planes);
        std::vector<float> g[3];
        for (std::vector<float>& row : g) row.resize(static_cast<size_t>(shape.width));
        const float* rowsOfChannels[4] = {g[0].data(), g[1].data(), g[2].data(), nullptr};
        output::Range part;
        int64_t exceeded = 0;
        for (int64_t r = first; r < last; ++r) {
            const int z = static_cast<int>(r / shape.height) + s;
            const int y = static_cast<int>(r % shape.height) + s;
            // Only voxels with a whole neighbourhood are computed; with
            // keepSize the faces of the volume stay 0.
            const int64_t count = 0 < z && z < depth - 1 && 0 < y && y < height - 1 ? width - 2 : 0;
            // Clamping changes the values, so then the range is taken afterwards.
            output::Range unclamped;
            output::Range& sums = clamp.applies ? unclamped : part;
            for (int c = 0; c < 3; ++c) {
                detail::rowcorrelation::zeroOutside(g[c].data(), shape.width, 1 - s, count, sums);
                correlator.correlate(taps[c], z, int64_t(y) * width + 1, g[c].data() + 1 - s, count, sums);
            }
            if (clamp.applies) {
                for (std::vector<float>& row : g) {
                    // The bounds are not zero, so clamping brings in no -0.0f.
                    exceeded += detail::rowkernels::clampRow(row.data(), shape.width, clamp.low, clamp.high);
                    detail::rowkernels::widenRange(row.data(), shape.width, part.min, part.max);
                }
            }
            if (withValue) rowsOfChannels[3] = planes.unit(z) + int64_t(y) * width + s;
            rowsOut.write(r, rowsOfChannels);
        }
        shared.merge(part);
        exceededTotal += exceeded;
    });
    rowsOut.finish(int64_t(shape.depth) * shape.height);
    const output::Range range = shared.result();
    const int64_t exceeded = exceededTotal;
    for (int c = 0; c < 3; ++c) out->setWindow(range.min, range.max, c);
    if (withValue && m_window != nullptr) out->setWindow(m_window[2], m_window[3], 3);
    if (m_verbose != 0) {
        detail::report("Done. Range = [%g..%g]", double(range.min), double(range.max));
    }
    if (exceeded != 0) detail::report("Warning: %lld values exceeded.", static_cast<long long>(exceeded));
    return out;
}

}  // namespace Ivory
