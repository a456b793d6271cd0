#ifndef IVORY_SAMPLEDCHANNEL_H
#define IVORY_SAMPLEDCHANNEL_H

// The image side of the point samplers (kernels/pointsampling.h): the
// channel they read, single points sampled here with the static target's
// plain scalar arithmetic (inlined into the per-point operations), and runs
// of points split over the worker pool.

#include <algorithm>
#include <cstdint>

#include <hwy/highway.h>

#include "ivory/imagebase.h"
#include "kernels/pointsampling-inl.h"
#include "kernels/pointsampling.h"
#include "parallel.h"

namespace Ivory::detail {

// Channel `channel` of the first frame, pixels pixelStride elements apart and
// packed: pixel (x, y, z) is pixel number (z*height + y)*width + x. The image
// must have elements.
template <typename T>
pointsampling::Volume<T> sampledChannel(const ImageBase<T>& image, int32_t channel, int32_t pixelStride) {
    using pointsampling::makeAxis;
    const int32_t width = image.m_dim[0], height = image.m_dim[1], depth = image.m_dim[2];
    return {image.m_data + channel,
            {makeAxis(width, pixelStride), makeAxis(height, pixelStride * width),
             makeAxis(depth, pixelStride * width * height)}};
}

using PointKind = pointsampling::HWY_NAMESPACE::Kind;

// The sample of one point, as the batch kernels sample each of theirs.
template <PointKind kKind, typename T>
float samplePoint(const pointsampling::Volume<T>& volume, float x, float y, float z) {
    return pointsampling::HWY_NAMESPACE::samplePoint<kKind>(volume, x, y, z);
}

// Points per chunk of the pool: a few microseconds of sampling at the least.
constexpr int64_t kPointsPerChunk = 2048;

// out[i] = sample at (x[i], y[i], z[i]) for i < count, in chunks over the
// pool; each chunk writes only its own points, so the results are the same
// for every thread count. An image without elements samples 0 everywhere.
template <typename T, typename Sample>
void samplePointsOverPool(const ImageBase<T>& image, int32_t pixelStride, const float* x, const float* y,
                          const float* z, int64_t count, float* out, Sample sample) {
    if (count <= 0) return;
    if (image.m_data == nullptr || image.m_image_size == 0) {
        std::fill(out, out + count, 0.0f);
        return;
    }
    const pointsampling::Volume<T> volume = sampledChannel(image, 0, pixelStride);
    parallelFor(0, count, kPointsPerChunk, [&](int64_t begin, int64_t end) {
        sample(volume, x + begin, y + begin, z + begin, end - begin, out + begin);
    });
}

}  // namespace Ivory::detail

#endif
