// Operations through each channel's display window: mirroring, clamping and
// shifting, window-mapped 8- and 16-bit copies, and the intensity-weighted
// centre.
//
// Mapping rule shared by the exports: a position in the window that is NaN
// (NaN element, or 0/0 from a zero-width window at an element equal to low)
// maps to 0, and infinities clamp like any other value, so an element above a
// zero-width window gives the top value and one at or below it gives 0. No
// NaN or infinity ever reaches an integer conversion.

#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>

#include "elementconversion.h"
#include "nextpoweroftwo.h"
#include "parallel.h"
#include "windowmapping.h"
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

struct Window {
    float low;
    float high;
};

// Whether the block holds a first frame to read (a downsampled image can keep
// a block while having no frame left).
template <typename T> inline bool hasFirstFrame(const ImageBase<T>& image) {
    return image.m_data != nullptr && image.m_dim[3] > 0;
}

// A missing window table (no channels, or its allocation failed) reads as 0..0.
inline Window windowOf(const Image& image, int channel) {
    if (image.m_window == nullptr) return {0.0f, 0.0f};
    return {image.m_window[channel * 4 + 2], image.m_window[channel * 4 + 3]};
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

// Maps one row of `pixels` pixels with ch channels, each channel through its window.
template <typename V, typename Out, typename T>
void mapPixels(const Image& image, Out* out, int64_t outStep, const T* in, int64_t pixels, float top) {
    const int64_t ch = image.m_channels;
    for (int64_t c = 0; c < ch; ++c) {
        const Window window = windowOf(image, int(c));
        const float range = window.high - window.low;
        if (ch == 1 && outStep == 1) {
            windowmapping::mapRun<true, V>(out, 1, in, 1, pixels, window.low, range, top);
        } else {
            windowmapping::mapRun<false, V>(out + c, outStep, in + c, ch, pixels, window.low, range, top);
        }
    }
}

// The first frame mapped through each channel's window to 0..top, in a volume
// of w2 x h2 x d2 pixels whose padding is 0. Allocates out when it is null.
template <typename Out, typename T>
Out* exportVolume(const ImageBase<T>& image, Out* out, bool powerOfTwo, float top) {
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

    // Output rows (z, y) of the first d slices, padding included; every row
    // is written exactly once, so the rows may go to several threads.
    const int64_t rowLength = w2 * ch;
    parallelFor(0, d * h2, std::max<int64_t>(1, kMinChunkElements / std::max<int64_t>(1, rowLength)),
                [&](int64_t first, int64_t last) {
                    for (int64_t row = first; row < last; ++row) {
                        const int64_t z = row / h2, y = row % h2;
                        Out* target = out + row * rowLength;
                        int64_t written = 0;
                        if (y < h) {
                            mapPixels<float>(image, target, ch, image.m_data + (z * h + y) * w * ch, w, top);
                            written = w * ch;
                        }
                        std::memset(target + written, 0, size_t(rowLength - written) * sizeof(Out));
                    }
                });
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
                            for (int64_t c = 0; c < ch; ++c) {
                                const detail::intensity::Window window = detail::intensity::windowOf(*this, int(c));
                                T* run = m_data + first * ch + c;
                                if (ch == 1) {
                                    detail::windowmapping::invertRun<true>(run, 1, last - first, window.low + window.high);
                                } else {
                                    detail::windowmapping::invertRun<false>(run, ch, last - first, window.low + window.high);
                                }
                            }
                        });
}

template <typename T>
void ImageBase<T>::applyWindowLevel(bool reversed) {
    namespace wm = detail::windowmapping;
    if (m_data == nullptr) return;
    // Channel 0's window serves every element, whatever the channel count.
    const detail::intensity::Window window = detail::intensity::windowOf(*this, 0);
    const auto run = [&](T* e, int64_t count) {
        if constexpr (std::is_floating_point_v<T>) {
            const T low = window.low, high = window.high;
            reversed ? wm::windowLevelFloating<true>(e, count, low, high)
                     : wm::windowLevelFloating<false>(e, count, low, high);
        } else {
            const T low = fromFloat<T>(window.low), high = fromFloat<T>(window.high);
            const wm::ElementBounds<T> bounds = wm::elementBounds<T>(window.low, window.high);
            reversed ? wm::windowLevelInteger<true>(e, count, bounds, low, high)
                     : wm::windowLevelInteger<false>(e, count, bounds, low, high);
        }
    };
    detail::parallelFor(0, m_image_size, detail::intensity::kMinChunkElements,
                        [&](int64_t first, int64_t last) { run(m_data + first, last - first); });
    if (m_verbose) detail::report("Window/Level setting applied");
}

template <typename T>
unsigned char* ImageBase<T>::toBytes(unsigned char* out, bool powerOfTwo) {
    return detail::intensity::exportVolume(*this, out, powerOfTwo, 255.0f);
}

template <typename T>
unsigned short* ImageBase<T>::toShorts(unsigned short* out, bool powerOfTwo) {
    return detail::intensity::exportVolume(*this, out, powerOfTwo, 65535.0f);
}

template <typename T>
unsigned char* ImageBase<T>::sliceToBytes(unsigned char* out, int slice, int channel,
                                          bool powerOfTwo) {
    using detail::windowmapping::Arithmetic;
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

    // Truncated directly from the element's arithmetic type (no float rounding first).
    const detail::intensity::Window window = detail::intensity::windowOf(*this, channel);
    const float range = window.high - window.low;
    const T* source = m_data + long(slice % depth) * m_slice_size + channel;
    for (int64_t y = 0; y < h; ++y, source += m_stride) {
        if (m_channels == 1) {
            detail::windowmapping::mapRun<true, Arithmetic<T>>(out + y * w2, 1, source, 1, w, window.low, range, 255.0f);
        } else {
            detail::windowmapping::mapRun<false, Arithmetic<T>>(out + y * w2, 1, source, m_channels, w, window.low,
                                                                 range, 255.0f);
        }
    }
    return out;
}

template <typename T>
float* ImageBase<T>::centroid(float* out) {
    // Treated as one channel: the first width*height*depth elements are the
    // pixel values, weighted by their distance above channel 0's low.
    const double low = detail::intensity::windowOf(*this, 0).low;
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
