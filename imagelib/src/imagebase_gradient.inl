// Derivative images of the first frame: the slice-wise 2D gradient, the
// slice-wise Hessian built on it, and the 3D gradient with clamping to the
// output type. The source is read as one channel (see derivedoutput.h).

#include "derivedoutput.h"
#include "report.h"
#include "kernels/rowkernels.h"
#include "rowpipeline.h"

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
inline void addTaps2D(Taps& along, Taps& across, const float* K) {
    for (int k = 0; k < 9; ++k) {
        if (K[k] == 0.0f) continue;
        const int c = k % 3 - 1, r = k / 3 - 1;
        along.add(r, c, K[k]);
        across.add(c, r, K[k]);
    }
}

// The non-zero taps of a 3 x 3 x 3 kernel in entry order for one of the
// three responses, as planes of the source (unit = slice offset) with the
// element offset within the plane.
inline void addTaps3D(Taps& taps, const float* K, int component, int64_t width) {
    for (int k = 0; k < 27; ++k) {
        if (K[k] == 0.0f) continue;
        const int a = k % 3 - 1, b = (k % 9) / 3 - 1, c = k / 9 - 1;
        const int dx = component == 0 ? c : a;
        const int dy = component == 1 ? c : b;
        const int dz = component == 0 ? a : component == 1 ? b : c;
        taps.add(dz, dy * width + dx, K[k]);
    }
}

constexpr const char* kGradientMemoryError = "Error: not enough memory to compute the gradient!";
constexpr const char* kHessianMemoryError = "Error: not enough memory to compute the hessian!";

// The 2D gradient; `memoryError` names the operation that asked for it.
template <typename T>
Image* gradientOf(const ImageBase<T>& image, int code, const float* kernel, bool keepSize, Image* out,
                  const char* memoryError) {
    namespace pipeline = rowpipeline;
    const int resolved = derivedoutput::resolvedCode(image, code);
    if (isUnsignedCode(resolved)) {
        report("Error: unsigned data type, cannot compute gradient!");
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : kDefaultKernel2D;
    const int width = image.m_dim[0], height = image.m_dim[1], depth = image.m_dim[2];
    if (!keepSize && (width < 3 || height < 3)) {  // the output would shrink below nothing
        report("Error: image too small, cannot compute gradient!");
        return nullptr;
    }
    if (!derivedoutput::canRead(image, derivedoutput::pixelsPerFrame(image))) return nullptr;

    const int s = keepSize ? 0 : 1;
    const int outHeight = height - 2 * s;
    // Output row r is row y of slice z.
    pipeline::RowPipeline<T> rows(image, {memoryError,
                                          {width - 2 * s, outHeight, depth, 1, 2},
                                          2,                  // both channels computed
                                          {1, 1, width, 3},   // one channel by rows, three at a time
                                          {2, 9}});           // the kernel and its transpose
    out = rows.prepare(resolved, out);
    if (out == nullptr) return nullptr;
    Taps& along = rows.taps(0);
    Taps& across = rows.taps(1);
    addTaps2D(along, across, K);
    const pipeline::Tally tally = rows.run([&](pipeline::RowWork<T>& work, int64_t r) {
        const int64_t z = r / outHeight;
        const int y = static_cast<int>(r % outHeight) + s;
        // Only pixels with a whole neighbourhood are computed; with keepSize
        // the frame around them stays 0.
        const int64_t count = 0 < y && y < height - 1 ? width - 2 : 0;
        const int64_t unit = z * height + y;
        pipeline::Range& range = work.tally.ranges[0];
        for (int c = 0; c < 2; ++c) work.zeroOutside(c, 1 - s, count, range);
        work.correlate(0, along, unit, 1, 0, 1 - s, count, range);
        work.correlate(0, across, unit, 1, 1, 1 - s, count, range);
    });
    const pipeline::Range& range = tally.ranges[0];
    out->setWindow(range.min, range.max, 0);
    out->setWindow(range.min, range.max, 1);
    return out;
}

}  // namespace Ivory::detail::gradient

namespace Ivory {

template <typename T>
Image* ImageBase<T>::gradient(int code, const float* kernel, bool keepSize, Image* out) {
    return detail::gradient::gradientOf(*this, code, kernel, keepSize, out, detail::gradient::kGradientMemoryError);
}

template <typename T>
Image* ImageBase<T>::hessian(int code, const float* kernel, Image* out) {
    namespace pipeline = detail::rowpipeline;
    const char* const memoryError = detail::gradient::kHessianMemoryError;
    const int resolved = detail::derivedoutput::resolvedCode(*this, code);
    if (isUnsignedCode(resolved)) {
        detail::report("Error: unsigned data type, cannot compute hessian!");
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : detail::gradient::kDefaultKernel2D;
    if (m_channels == 1) {
        // The hessian of a plain image is that of its gradient, kept at full size.
        Image* g = detail::gradient::gradientOf(*this, resolved, K, true, nullptr, memoryError);
        Image* result = g != nullptr ? g->hessian(resolved, K, out) : nullptr;
        delete g;  // served only this step
        return result;
    }

    // A gradient image: channels 0 and 1 of every pixel are read.
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    const int64_t pixels = detail::derivedoutput::pixelsPerFrame(*this);
    if (pixels != 0 && (m_channels < 2 || !detail::derivedoutput::canRead(*this, pixels * m_channels))) return nullptr;
    pipeline::RowPipeline<T> rows(*this, {memoryError,
                                          {width, height, depth, 1, 3},
                                          3,                           // all three channels computed
                                          {m_channels, 2, width, 3},   // channels 0 and 1 by rows
                                          {2, 9}});                    // the kernel and its transpose
    out = rows.prepare(resolved, out);
    if (out == nullptr) return nullptr;
    detail::rowcorrelation::Taps& along = rows.taps(0);
    detail::rowcorrelation::Taps& across = rows.taps(1);
    detail::gradient::addTaps2D(along, across, K);
    const pipeline::Tally tally = rows.run([&](pipeline::RowWork<T>& work, int64_t r) {
        const int y = static_cast<int>(r % height);
        const int64_t count = 0 < y && y < height - 1 ? width - 2 : 0;  // the frame stays 0
        pipeline::Range* ranges = work.tally.ranges;
        for (int c = 0; c < 3; ++c) work.zeroOutside(c, 1, count, ranges[c]);
        work.correlate(0, along, r, 1, 0, 1, count, ranges[0]);
        work.correlate(0, across, r, 1, 1, 1, count, ranges[1]);
        work.correlate(1, across, r, 1, 2, 1, count, ranges[2]);
    });
    for (int c = 0; c < 3; ++c) out->setWindow(tally.ranges[c].min, tally.ranges[c].max, c);
    return out;
}

template <typename T>
Image* ImageBase<T>::gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                                Image* out) {
    namespace pipeline = detail::rowpipeline;
    const int resolved = detail::derivedoutput::resolvedCode(*this, code);
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
    if (!detail::derivedoutput::canRead(*this, detail::derivedoutput::pixelsPerFrame(*this))) return nullptr;

    const int s = keepSize ? 0 : 1;
    const detail::derivedoutput::Shape shape{width - 2 * s, height - 2 * s, depth - 2 * s, 1, withValue ? 4 : 3};
    // Output row r is row y of slice z.
    pipeline::RowPipeline<T> rows(*this, {detail::gradient::kGradientMemoryError,
                                          shape,
                                          3,                                     // the value channel is copied
                                          {1, 1, int64_t(width) * height, 3},    // one channel by planes
                                          {3, 27}});                             // a kernel per component
    out = rows.prepare(resolved, out);
    if (out == nullptr) return nullptr;
    for (int c = 0; c < 3; ++c) detail::gradient::addTaps3D(rows.taps(c), K, c, width);
    if (m_verbose != 0) detail::report("Computing 3D gradient...");
    const pipeline::Tally tally = rows.run([&](pipeline::RowWork<T>& work, int64_t r) {
        const int z = static_cast<int>(r / shape.height) + s;
        const int y = static_cast<int>(r % shape.height) + s;
        // Only voxels with a whole neighbourhood are computed; with keepSize
        // the faces of the volume stay 0.
        const int64_t count = 0 < z && z < depth - 1 && 0 < y && y < height - 1 ? width - 2 : 0;
        // Clamping changes the values, so then the range is taken afterwards.
        pipeline::Range unclamped;
        pipeline::Range& range = work.tally.ranges[0];
        pipeline::Range& sums = clamp.applies ? unclamped : range;
        for (int c = 0; c < 3; ++c) {
            work.zeroOutside(c, 1 - s, count, sums);
            work.correlate(0, rows.taps(c), z, int64_t(y) * width + 1, c, 1 - s, count, sums);
        }
        if (clamp.applies) {
            for (int c = 0; c < 3; ++c) {
                // The bounds are not zero, so clamping brings in no -0.0f.
                work.tally.clamped += detail::rowkernels::clampRow(work.row(c), shape.width, clamp.low, clamp.high);
                detail::rowkernels::widenRange(work.row(c), shape.width, range.min, range.max);
            }
        }
        if (withValue) work.take(3, work.unit(0, z) + int64_t(y) * width + s);
    });
    const pipeline::Range& range = tally.ranges[0];
    for (int c = 0; c < 3; ++c) out->setWindow(range.min, range.max, c);
    if (withValue && m_window != nullptr) out->setWindow(m_window[2], m_window[3], 3);
    if (m_verbose != 0) {
        detail::report("Done. Range = [%g..%g]", double(range.min), double(range.max));
    }
    if (tally.clamped != 0) detail::report("Warning: %lld values exceeded.", static_cast<long long>(tally.clamped));
    return out;
}

}  // namespace Ivory
