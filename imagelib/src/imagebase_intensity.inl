// Operations through each channel's display window: mirroring, clamping and
// shifting, window-mapped 8- and 16-bit copies, and the intensity-weighted
// centre.
//
// Mapping rule shared by the exports: a position in the window that is NaN
// (NaN element, or 0/0 from a zero-width window at an element equal to low)
// maps to 0, and infinities clamp like any other value, so an element above a
// zero-width window gives the top value and one at or below it gives 0. No
// NaN or infinity ever reaches an integer conversion.

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <new>

#include "kernels/intensityedits.h"
#include "kernels/windowmapping.h"
#include "nextpoweroftwo.h"
#include "parallel.h"
#include "report.h"

namespace Ivory {

int64_t nextPowerOfTwo(int32_t n) {
    if (n <= 0) return 0;
    int64_t power = int64_t(n) & -int64_t(n);
    while (power < n) power *= 2;
    return power;
}

}  // namespace Ivory

namespace Ivory::detail::intensity {

// Whether the block holds a first frame to read (a downsampled image can keep
// a block while having no frame left).
template <typename T> inline bool hasFirstFrame(const ImageBase<T>& image) {
    return image.m_data != nullptr && image.m_dim[3] > 0;
}

// Every channel's window, as the image's window table holds them.
inline windowmapping::ChannelWindows windowsOf(const Image& image) { return {image.m_window, image.m_channels}; }

// One channel's window; a missing table (no channels, or its allocation
// failed) reads as 0..0.
inline windowmapping::ChannelWindows windowOf(const Image& image, int channel) {
    return {image.m_window == nullptr ? nullptr : image.m_window + channel * 4, 1};
}

// Element count of an export of extents w, h, d with ch channels; false when it
// cannot be represented (negative or overflowing).
inline bool exportCount(int64_t w, int64_t h, int64_t d, int64_t ch, size_t elementSize,
                        size_t* count) {
    int64_t n = 1;
    for (int64_t extent : {w, h, d, ch}) {
        if (extent < 0 || __builtin_mul_overflow(n, extent, &n)) return false;
    }
    size_t bytes = 0;
    if (__builtin_mul_overflow(size_t(n), elementSize, &bytes)) return false;
    *count = size_t(n);
    return true;
}

// Elements a thread should have to itself before it is worth starting.
constexpr int64_t kMinChunkElements = int64_t(1) << 18;

// Maps a run of whole pixels, each channel through its window.
template <typename T> void mapRun(const T* in, unsigned char* out, int64_t count, const Image& image) {
    windowmapping::mapToBytes(in, out, count, windowsOf(image));
}
template <typename T> void mapRun(const T* in, unsigned short* out, int64_t count, const Image& image) {
    windowmapping::mapToShorts(in, out, count, windowsOf(image));
}

// The first frame mapped through each channel's window to 0..top, in a volume
// of w2 x h2 x d2 pixels whose padding is 0. Allocates out when it is null.
template <typename Out, typename T>
Out* exportVolume(const ImageBase<T>& image, Out* out, bool powerOfTwo) {
    const int64_t w = image.m_dim[0], h = image.m_dim[1], d = image.m_dim[2];
    const int64_t ch = image.m_channels;
    const int64_t w2 = powerOfTwo ? nextPowerOfTwo(int32_t(w)) : w;
    const int64_t h2 = powerOfTwo ? nextPowerOfTwo(int32_t(h)) : h;
    const int64_t d2 = powerOfTwo ? nextPowerOfTwo(int32_t(d)) : d;
    size_t count = 0;
    if (!exportCount(w2, h2, d2, ch, sizeof(Out), &count)) return nullptr;
    if (out == nullptr) out = new (std::nothrow) Out[count];
    if (out == nullptr) {
        report("Error: not enough memory to export the image!");
        return nullptr;
    }
    if (!hasFirstFrame(image)) {
        std::memset(out, 0, count * sizeof(Out));
        return out;
    }

    const int64_t rowLength = w2 * ch;
    if (w2 == w && h2 == h) {
        // No padding within the slices: the first d slices map as one run,
        // split at pixel boundaries over the threads.
        parallelFor(0, w * h * d, std::max<int64_t>(1, kMinChunkElements / std::max<int64_t>(1, ch)),
                    [&](int64_t first, int64_t last) {
                        mapRun(image.m_data + first * ch, out + first * ch, (last - first) * ch, image);
                    });
    } else {
        // Output rows (z, y) of the first d slices, padding included; every
        // row is written exactly once, so the rows may go to several threads.
        parallelFor(0, d * h2, std::max<int64_t>(1, kMinChunkElements / std::max<int64_t>(1, rowLength)),
                    [&](int64_t first, int64_t last) {
                        for (int64_t row = first; row < last; ++row) {
                            const int64_t z = row / h2, y = row % h2;
                            Out* target = out + row * rowLength;
                            int64_t written = 0;
                            if (y < h) {
                                mapRun(image.m_data + (z * h + y) * w * ch, target, w * ch, image);
                                written = w * ch;
                            }
                            std::memset(target + written, 0, size_t(rowLength - written) * sizeof(Out));
                        }
                    });
    }
    std::memset(out + d * h2 * rowLength, 0, size_t((d2 - d) * h2 * rowLength) * sizeof(Out));
    return out;
}

}  // namespace Ivory::detail::intensity

namespace Ivory {

template <typename T>
void ImageBase<T>::invert() {
    if (m_data == nullptr || m_channels <= 0) return;
    const int64_t ch = m_channels, pixels = m_image_size / m_channels;
    detail::parallelFor(0, pixels, std::max<int64_t>(1, detail::intensity::kMinChunkElements / ch),
                        [&](int64_t first, int64_t last) {
                            detail::intensityedits::invertPixels(m_data + first * ch, (last - first) * ch,
                                                                 detail::intensity::windowsOf(*this));
                        });
}

template <typename T>
void ImageBase<T>::applyWindowLevel(bool reversed) {
    if (m_data == nullptr) return;
    // Channel 0's window serves every element, whatever the channel count.
    const detail::windowmapping::ChannelWindows window = detail::intensity::windowOf(*this, 0);
    detail::parallelFor(0, m_image_size, detail::intensity::kMinChunkElements, [&](int64_t first, int64_t last) {
        detail::intensityedits::windowLevel(m_data + first, last - first, window.low(0), window.high(0), reversed);
    });
    if (m_verbose) detail::report("Window/Level setting applied");
}

template <typename T>
unsigned char* ImageBase<T>::toBytes(unsigned char* out, bool powerOfTwo) {
    return detail::intensity::exportVolume(*this, out, powerOfTwo);
}

template <typename T>
unsigned short* ImageBase<T>::toShorts(unsigned short* out, bool powerOfTwo) {
    return detail::intensity::exportVolume(*this, out, powerOfTwo);
}

template <typename T>
unsigned char* ImageBase<T>::sliceToBytes(unsigned char* out, int slice, int channel,
                                          bool powerOfTwo) {
    const int w = m_dim[0], h = m_dim[1], depth = m_dim[2];
    if (slice < 0 || channel < 0 || channel >= m_channels || depth <= 0) {
        detail::report("Error: no such slice or channel!");
        return nullptr;
    }
    const int64_t w2 = powerOfTwo ? nextPowerOfTwo(w) : w;
    const int64_t h2 = powerOfTwo ? nextPowerOfTwo(h) : h;
    size_t count = 0;
    if (!detail::intensity::exportCount(w2, h2, 1, 1, 1, &count)) return nullptr;
    // A fresh buffer starts zeroed so that its padding is never indeterminate.
    if (out == nullptr) out = new (std::nothrow) unsigned char[count]();
    if (out == nullptr) {
        detail::report("Error: not enough memory to export the image!");
        return nullptr;
    }
    if (!detail::intensity::hasFirstFrame(*this)) return out;

    const T* source = m_data + long(slice % depth) * m_slice_size + channel;
    for (int64_t y = 0; y < h; ++y, source += m_stride) {
        detail::windowmapping::mapChannelToBytes(source, m_channels, out + y * w2, w,
                                                 detail::intensity::windowOf(*this, channel));
    }
    return out;
}

template <typename T>
float* ImageBase<T>::centroid(float* out) {
    // Treated as one channel: the first width*height*depth elements are the
    // pixel values, weighted by their distance above channel 0's low.
    const double low = detail::intensity::windowOf(*this, 0).low(0);
    double sum = 0.0, sumX = 0.0, sumY = 0.0, sumZ = 0.0;
    if (detail::intensity::hasFirstFrame(*this) && m_channels > 0) {
        const T* e = m_data;
        for (int z = 0; z < m_dim[2]; ++z)
            for (int y = 0; y < m_dim[1]; ++y)
                for (int x = 0; x < m_dim[0]; ++x, ++e) {
                    const double weight = static_cast<double>(*e) - low;
                    sum += weight;
                    sumX += x * weight;
                    sumY += y * weight;
                    sumZ += z * weight;
                }
    }
    out[0] = static_cast<float>(sumX / sum);  // 0/0 = NaN when nothing weighs
    out[1] = static_cast<float>(sumY / sum);
    out[2] = static_cast<float>(sumZ / sum);
    return out;
}

}  // namespace Ivory
