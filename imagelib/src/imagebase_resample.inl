// Whole-image geometry: block-average downsampling, quarter turns about an
// axis, and padding width and height to powers of two. Operations that replace
// the block fill the new one completely before the old one is given back.

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>

#include "ivory/alignedblock.h"
#include "elementconversion.h"
#include "freshblock.h"
#include "kernels/blockmean.h"
#include "kernels/quarterturn.h"
#include "nextpoweroftwo.h"
#include "parallel.h"
#include "report.h"

namespace Ivory::detail::resample {

// Source elements a thread should have to itself before it is worth starting.
constexpr int64_t kMinChunkElements = int64_t(1) << 18;

// Whether the extents and derived sizes of a shape fit the 32-bit fields. Each
// product is checked before it is multiplied further, so none overflows.
inline bool sizesFit(int64_t channels, int64_t w, int64_t h, int64_t d, int64_t f) {
    int64_t size = channels;
    for (int64_t extent : {w, h, d, f}) {
        size *= extent;
        if (size > INT32_MAX || extent > INT32_MAX) return false;
    }
    return true;
}

// The derived sizes after a change of extents that sizesFit accepted (or that
// only shrank them).
inline void recomputeSizes(Image& image) {
    image.m_stride = image.m_dim[0] * image.m_channels;
    image.m_slice_size = image.m_stride * image.m_dim[1];
    image.m_frame_size = image.m_slice_size * image.m_dim[2];
    image.m_image_size = image.m_frame_size * image.m_dim[3];
}

// A quarter turn of every frame into dest, split over the threads.
template <typename T> void turnFrames(const ImageBase<T>& image, int axis, T* dest) {
    const int64_t w = image.m_dim[0], h = image.m_dim[1], d = image.m_dim[2], ch = image.m_channels;
    const int64_t frames = image.m_dim[3], frameSize = image.m_frame_size;
    const quarterturn::TurnStrides turn = quarterturn::turnStrides(axis, w, h, d);
    if (axis == 0) {  // rows stay whole: row (y, z) of frame t is row (h-1-y, z)
        const int64_t rowLength = w * ch;
        parallelFor(0, frames * d * h, std::max<int64_t>(1, kMinChunkElements / std::max<int64_t>(1, rowLength)),
                    [&](int64_t first, int64_t last) {
                        for (int64_t row = first; row < last; ++row) {
                            const int64_t y = row % h, z = row / h % d, t = row / h / d;
                            std::copy_n(image.m_data + row * rowLength, rowLength,
                                        dest + t * frameSize + (turn.base + y * turn.dy + z * turn.dz) * ch);
                        }
                    });
        return;
    }
    // About y the planes are the rows y (pixels (x, z)); about z the slices z
    // (pixels (x, y)). Either way the destination runs along the second axis.
    const bool aboutY = axis == 1;
    const quarterturn::Planes planes{reinterpret_cast<const unsigned char*>(image.m_data),
                                     reinterpret_cast<unsigned char*>(dest),
                                     ch * int64_t(sizeof(T)),
                                     w,
                                     aboutY ? d : h,
                                     aboutY ? h : d,
                                     w * h * d,
                                     aboutY ? w * h : w,
                                     aboutY ? w : w * h,
                                     turn.dx,
                                     aboutY ? turn.dz : turn.dy,
                                     aboutY ? turn.dy : turn.dz,
                                     turn.base};
    const int64_t planeElements = std::max<int64_t>(1, w * planes.extentA * ch);
    parallelFor(0, frames * planes.extentO, std::max<int64_t>(1, kMinChunkElements / planeElements),
                [&](int64_t first, int64_t last) { quarterturn::turnPlanes(planes, first, last); });
}

}  // namespace Ivory::detail::resample

namespace Ivory {

template <typename T>
Image* ImageBase<T>::downsample(int fx, int fy, int fz, int ft, bool intoNew) {
    if (m_data == nullptr) return nullptr;
    if (fx < 1 || fy < 1 || fz < 1 || ft < 1) {
        detail::report("Error: downsampling factors must be at least 1!");
        return nullptr;
    }
    const int w = m_dim[0] / fx, h = m_dim[1] / fy, d = m_dim[2] / fz, f = m_dim[3] / ft;
    const long count = long(w) * h * d * f * m_channels;  // at most m_image_size

    ImageBase<T>* target = nullptr;
    T* block = nullptr;
    if (intoNew) {
        target = new (std::nothrow) ImageBase<T>;
        if (target == nullptr) {
            detail::report("Error: not enough memory to downsample the image!");
            return nullptr;
        }
        // The shape and a zeroed window table, as init gives them, but a block
        // that is not zeroed first: every element of it is written below.
        target->Image::init(w, h, d, f, m_channels);
        if (count > 0) target->m_data = detail::freshblock::allocateBlock<T>(size_t(count));
        if ((target->m_data == nullptr && count > 0) || (target->m_window == nullptr && m_channels != 0)) {
            detail::report("Error while initializing!");  // as init reports it
            delete target;
            return nullptr;
        }
        block = target->m_data;
    } else {
        block = detail::freshblock::allocateBlock<T>(size_t(count));
        if (block == nullptr) {
            detail::report("Error: not enough memory to downsample the image!");
            return nullptr;
        }
    }

    // With a non-empty target every factor is at most its extent, so the
    // factors' product fits; an empty one is not summed at all.
    if (count > 0) {
        const detail::blockmean::Geometry<T> geometry{
            m_data, m_stride, m_slice_size, m_frame_size, m_channels, fx, fy, fz, ft, block, w, h, d};
        const int64_t rowElements = int64_t(w) * m_channels * fx * fy * fz * ft;
        detail::parallelFor(0, long(f) * d * h, std::max<int64_t>(1, detail::resample::kMinChunkElements / rowElements),
                            [&](long first, long last) { detail::blockmean::meanRows(geometry, first, last); });
    }

    if (intoNew) {
        target->setSpacing(m_spacing[0] * fx, m_spacing[1] * fy, m_spacing[2] * fz,
                           m_spacing[3] * ft);
        return target;
    }
    detail::freshblock::adoptBlock(*this, block);
    m_spacing[0] *= fx;
    m_spacing[1] *= fy;
    m_spacing[2] *= fz;
    m_spacing[3] *= ft;
    m_dim[0] = w;
    m_dim[1] = h;
    m_dim[2] = d;
    m_dim[3] = f;
    detail::resample::recomputeSizes(*this);
    if (m_verbose) {
        detail::report("Image downsampled, new size %d x %d x %d", w, h, d);
    }
    return nullptr;
}

template <typename T>
void ImageBase<T>::rotate(int axis) {
    if (axis < 0 || axis > 2) {
        detail::report("Error: rotation axis must be 0, 1 or 2!");
        return;
    }
    if (m_data == nullptr) return;
    const int first = axis == 0 ? 1 : 0;  // the two axes that trade places
    const int second = axis == 2 ? 1 : 2;
    int32_t turned[4] = {m_dim[0], m_dim[1], m_dim[2], m_dim[3]};
    std::swap(turned[first], turned[second]);
    // Only an image without elements (an extent 0) can have turned partial
    // sizes that overflow; it is left as it is, like a failed allocation.
    if (!detail::resample::sizesFit(m_channels, turned[0], turned[1], turned[2], turned[3]))
        return;
    T* block = detail::freshblock::allocateBlock<T>(size_t(m_image_size));
    if (block == nullptr) {
        detail::report("Error: not enough memory to rotate the image!");
        return;
    }

    // Every frame turns alike, so the volume stays one consistent 4D image.
    detail::resample::turnFrames(*this, axis, block);
    detail::freshblock::adoptBlock(*this, block);

    std::swap(m_dim[first], m_dim[second]);
    std::swap(m_spacing[first], m_spacing[second]);
    detail::resample::recomputeSizes(*this);
    if (m_verbose) detail::report("Rotated image around axis %d", axis);
}

template <typename T>
void ImageBase<T>::scaleToPowerOfTwo() {
    if (m_data == nullptr) return;
    // An integer computation: logarithms in single precision put the padded
    // extent below the old one just above large powers of two (2^21 + 1).
    const int64_t w2 = nextPowerOfTwo(m_dim[0]);
    const int64_t h2 = nextPowerOfTwo(m_dim[1]);
    // A padded shape the size fields cannot describe is left alone, as if allocation failed.
    if (!detail::resample::sizesFit(m_channels, w2, h2, m_dim[2], m_dim[3])) return;
    const int64_t count = int64_t(m_channels) * w2 * h2 * m_dim[2] * m_dim[3];
    T* block = static_cast<T*>(allocateAligned(size_t(count) * sizeof(T)));
    if (block == nullptr) {
        detail::report("Error: not enough memory to scale the image!");
        return;
    }
    std::memset(block, 0, size_t(count) * sizeof(T));

    // Every frame is copied (not only the first) so that padding loses no data.
    const long rowLength = long(m_channels) * m_dim[0];
    const long newStride = long(m_channels) * w2;
    const long slices = long(m_dim[2]) * m_dim[3];
    for (long s = 0; s < slices; ++s)
        for (long y = 0; y < m_dim[1]; ++y) {
            std::memcpy(block + s * newStride * h2 + y * newStride,
                        m_data + (m_dim[1] * s + y) * rowLength, size_t(rowLength) * sizeof(T));
        }

    m_dim[0] = int32_t(w2);
    m_dim[1] = int32_t(h2);
    detail::resample::recomputeSizes(*this);
    detail::freshblock::adoptBlock(*this, block);
    if (m_verbose) {
        detail::report("Scaled to power of two, new width = %lld, height = %lld", static_cast<long long>(w2),
                       static_cast<long long>(h2));
    }
}

}  // namespace Ivory
