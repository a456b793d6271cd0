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
#include <iostream>
#include <new>
#include <type_traits>

#include "elementconversion.h"
#include "nextpoweroftwo.h"

namespace Ivory {

int64_t nextPowerOfTwo(int32_t n) {
    if (n <= 0) return 0;
    int64_t power = int64_t(n) & -int64_t(n);
    while (power < n) power *= 2;
    return power;
}

}  // namespace Ivory

namespace Ivory::detail::intensity {

// Double elements are computed in double; every other type in single precision.
template <typename T> using Arithmetic = std::conditional_t<std::is_same_v<T, double>, double, float>;

template <typename T> inline Arithmetic<T> widen(T e) {
    if constexpr (std::is_floating_point_v<T>) {
        return e;
    } else {
        return toFloat(e);
    }
}

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

// Clamps a window position to 0..top and truncates it; NaN gives 0.
template <typename Out, typename V> inline Out clampToOutput(V v, V top) {
    if (!(v > 0)) return 0;
    if (v > top) return static_cast<Out>(top);
    return static_cast<Out>(v);
}

// e - b for integer elements, wrapping to the low bits of T (no signed overflow).
template <typename T> inline T wrappingDifference(T a, T b) {
    using U = std::make_unsigned_t<T>;
    return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b)));
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

// The first frame mapped through each channel's window to 0..top, in a volume
// of w2 x h2 x d2 pixels whose padding is 0. Allocates out when it is null.
template <typename Out, typename T>
Out* exportVolume(const ImageBase<T>& image, Out* out, bool powerOfTwo, float top) {
    const int w = image.m_dim[0], h = image.m_dim[1], d = image.m_dim[2];
    const long ch = image.m_channels;
    const int64_t w2 = powerOfTwo ? nextPowerOfTwo(w) : w;
    const int64_t h2 = powerOfTwo ? nextPowerOfTwo(h) : h;
    const int64_t d2 = powerOfTwo ? nextPowerOfTwo(d) : d;
    size_t count = 0;
    if (!exportCount(w2, h2, d2, ch, sizeof(Out), &count)) return nullptr;
    if (out == nullptr) out = new (std::nothrow) Out[count];
    if (out == nullptr) return nullptr;
    std::memset(out, 0, count * sizeof(Out));
    if (!hasFirstFrame(image)) return out;

    // Channel by channel: each element maps on its own, so the order is free.
    for (long c = 0; c < ch; ++c) {
        const Window window = windowOf(image, int(c));
        const float range = window.high - window.low;
        const T* source = image.m_data + c;
        for (int64_t z = 0; z < d; ++z)
            for (int64_t y = 0; y < h; ++y) {
                Out* target = out + (z * h2 + y) * w2 * ch + c;
                for (int x = 0; x < w; ++x, source += ch, target += ch) {
                    const float v =
                        static_cast<float>((widen(*source) - window.low) * top / range);
                    *target = clampToOutput<Out>(v, top);
                }
            }
    }
    return out;
}

}  // namespace Ivory::detail::intensity

namespace Ivory {

template <typename T>
void ImageBase<T>::invert() {
    if (m_data == nullptr || m_channels <= 0) return;
    const long pixels = m_image_size / m_channels;
    for (int c = 0; c < m_channels; ++c) {
        const detail::intensity::Window window = detail::intensity::windowOf(*this, c);
        const float sum = window.low + window.high;
        T* e = m_data + c;
        for (long p = 0; p < pixels; ++p, e += m_channels) {
            if constexpr (std::is_floating_point_v<T>) {
                *e = sum - *e;
            } else {
                *e = fromFloat<T>(sum - toFloat(*e));
            }
        }
    }
}

template <typename T>
void ImageBase<T>::applyWindowLevel(bool reversed) {
    if (m_data == nullptr) return;
    // Channel 0's window serves every element, whatever the channel count.
    const detail::intensity::Window window = detail::intensity::windowOf(*this, 0);
    T* const end = m_data + m_image_size;
    if constexpr (std::is_floating_point_v<T>) {
        const T low = window.low, high = window.high;
        for (T* e = m_data; e != end; ++e) {
            T v = *e;
            if (low > v) v = low;
            if (v > high) v = high;
            *e = reversed ? high - v : v - low;
        }
    } else {
        const T low = fromFloat<T>(window.low), high = fromFloat<T>(window.high);
        for (T* e = m_data; e != end; ++e) {
            T v = *e;
            if (window.low > toFloat(v)) v = low;
            if (toFloat(v) > window.high) v = high;
            *e = reversed ? detail::intensity::wrappingDifference(high, v)
                          : detail::intensity::wrappingDifference(v, low);
        }
    }
    if (m_verbose) std::cout << "Window/Level setting applied" << std::endl;
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
    using detail::intensity::Arithmetic;
    const int w = m_dim[0], h = m_dim[1], depth = m_dim[2];
    if (slice < 0 || channel < 0 || channel >= m_channels || depth <= 0) {
        std::cout << "Error: no such slice or channel!" << std::endl;
        return nullptr;
    }
    const int64_t w2 = powerOfTwo ? nextPowerOfTwo(w) : w;
    const int64_t h2 = powerOfTwo ? nextPowerOfTwo(h) : h;
    size_t count = 0;
    if (!detail::intensity::exportCount(w2, h2, 1, 1, 1, &count)) return nullptr;
    // A fresh buffer starts zeroed so that its padding is never indeterminate.
    if (out == nullptr) out = new (std::nothrow) unsigned char[count]();
    if (out == nullptr || !detail::intensity::hasFirstFrame(*this)) return out;

    const detail::intensity::Window window = detail::intensity::windowOf(*this, channel);
    const float range = window.high - window.low;
    const T* source = m_data + long(slice % depth) * m_slice_size + channel;
    for (int64_t y = 0; y < h; ++y) {
        unsigned char* row = out + y * w2;
        for (int x = 0; x < w; ++x, source += m_channels) {
            // Truncated directly from the element's arithmetic type (no float rounding first).
            const Arithmetic<T> q = (detail::intensity::widen(*source) - window.low) * 255 / range;
            row[x] = detail::intensity::clampToOutput<unsigned char>(q, Arithmetic<T>(255));
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
