#ifndef IVORY_REFERENCE_FILTER_H
#define IVORY_REFERENCE_FILTER_H

#include "refimage.h"

namespace IvoryReference {

// The lowest and highest float result seen, from the sentinels 1e16 and -1e16.
struct Range {
    float min = 1e16f, max = -1e16f;
    float operator()(float v) {
        if (v < min) min = v;
        if (v > max) max = v;
        return v;
    }
};

// The sum of K[k] * at(k) over the non-zero taps in entry order, a float rounded after every addition; 0 outside.
template <typename At> float correlate(const float* K, int taps, bool inside, At at) {
    float sum = 0.0f;
    for (int k = 0; k < taps && inside; ++k)
        if (K[k] != 0.0f) sum = sum + K[k] * at(k);
    return sum;
}

// The image an operation makes for `code` (0: the source's m_type), of shape s with the source's spacing,
// filled by fill(image); or the error of an unsigned or unknown type.
template <typename T, typename Fill>
Outcome madeOutput(const RefImage<T>& src, int code, const char* unsignedError, std::array<int, 5> s, Fill fill) {
    const int resolved = code == 0 ? src.type : code;
    Outcome outcome;
    if (Ivory::isUnsignedCode(resolved)) {
        std::printf("Error: unsigned data type, cannot compute %s!\n", unsignedError);
    } else if (!withElementType(resolved, [&](auto u) {
                   RefImage<decltype(u)> out(s[0], s[1], s[2], s[3], s[4]);
                   out.spacing = src.spacing;
                   fill(out);
                   outcome.image("made", out);
               })) {
        std::printf("Error: unknown data type, cannot create output image!\n");
    }
    return outcome.parts.empty() ? outcome.missing("made") : outcome;
}

// Replicates the values at distance k from the edges outward up to the outermost ring, which keeps its
// values: columns, then rows (corners included), on every slice of the first frame read as one channel.
template <typename T> void RefImage<T>::fillBorder(int k) {
    const int w = dim[0], h = dim[1];
    for (int z = 0; z < dim[2]; ++z) {
        auto p = [&](int x, int y) -> T& { return data[pixelIndex(x, y, z)]; };
        for (int i = k; i >= 2; --i)
            for (int y = 0; y < h; ++y) p(i - 1, y) = p(i, y), p(w - i, y) = p(w - i - 1, y);
        for (int i = k; i >= 2; --i)
            for (int x = 0; x < w; ++x) p(x, i - 1) = p(x, i), p(x, h - i) = p(x, h - i - 1);
    }
}

// n x n correlation of every slice of the first frame; pixels nearer than (n-1)/2 to an edge get 0 before
// the border is completed. The source is read as it was, even when out is the image itself.
template <typename T> template <typename U> RefImage<U>* RefImage<T>::filter(int, const float* kernel, int n, RefImage<U>* out) {
    const RefImage<T> src = *this;
    const int w = dim[0], h = dim[1], half = (n - 1) / 2;
    Range range;
    out->cursor = 0;
    for (int z = 0; z < dim[2]; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool inside = x >= half && x < w - half && y >= half && y < h - half;
                out->setNext(range(correlate(kernel, n * n, inside, [&](int k) { return src.pixel(x + k % n - half, y + k / n - half, z); })));
            }
    out->fillBorder(half);
    out->setWindow(range.min, range.max, 0);
    return out;
}
template <typename T> Outcome RefImage<T>::filter(int code, const float* kernel, int n, std::nullptr_t) {
    return madeOutput(*this, code, "filtered image", {dim[0], dim[1], dim[2], dim[3], 1},
                      [&](auto& out) { filter(code, kernel, n, &out); });
}

inline const float* kernelOrDefault(const float* kernel, int taps) {
    static const float sobel[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};
    static const float planes[27] = {1, 1, 1, 1, 2, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1, -1, -2, -1, -1, -1, -1};
    return kernel != nullptr ? kernel : taps == 9 ? sobel : planes;
}

// Slice-wise 2D gradient: channel 0 the kernel's response, channel 1 its transpose's; the frame left out or 0.
template <typename T>
template <typename U> RefImage<U>* RefImage<T>::gradient(int, const float* kernel, bool keepSize, RefImage<U>* out) {
    const float* K = kernelOrDefault(kernel, 9);
    const int w = dim[0], h = dim[1], s = keepSize ? 0 : 1;
    Range range;
    out->cursor = 0;
    for (int z = 0; z < dim[2]; ++z)
        for (int y = s; y < h - s; ++y)
            for (int x = s; x < w - s; ++x) {
                const bool inside = x > 0 && x < w - 1 && y > 0 && y < h - 1;
                out->setNext(range(correlate(K, 9, inside, [&](int k) { return pixel(x + k % 3 - 1, y + k / 3 - 1, z); })));
                out->setNext(range(correlate(K, 9, inside, [&](int k) { return pixel(x + k / 3 - 1, y + k % 3 - 1, z); })));
            }
    for (int c = 0; c < 2; ++c) out->setWindow(range.min, range.max, c);
    return out;
}
template <typename T> Outcome RefImage<T>::gradient(int code, const float* kernel, bool keepSize, std::nullptr_t) {
    const int s = keepSize ? 0 : 2;
    return madeOutput(*this, code, "gradient", {dim[0] - s, dim[1] - s, dim[2], 1, 2},
                      [&](auto& out) { gradient(code, kernel, keepSize, &out); });
}

// Second derivatives of a gradient image: kernel on channel 0, transpose on channels 0 and 1, each with its own range,
// the frame 0. A one-channel image goes through its full-size gradient in the resolved code's type.
template <typename T> template <typename U> RefImage<U>* RefImage<T>::hessian(int code, const float* kernel, RefImage<U>* out) {
    if (channels == 1) {
        withElementType(code == 0 ? type : code, [&](auto u) {
            RefImage<decltype(u)> g(dim[0], dim[1], dim[2], 1, 2);
            gradient(code, kernel, true, &g)->hessian(code, kernel, out);
        });
        return out;
    }
    const float* K = kernelOrDefault(kernel, 9);
    const int w = dim[0], h = dim[1];
    auto g = [&](int x, int y, int z, int c) { return Ivory::toFloat(data[pixelIndex(x, y, z) * channels + c]); };
    Range range[3];
    out->cursor = 0;
    for (int z = 0; z < dim[2]; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool inside = x > 0 && x < w - 1 && y > 0 && y < h - 1;
                out->setNext(range[0](correlate(K, 9, inside, [&](int k) { return g(x + k % 3 - 1, y + k / 3 - 1, z, 0); })));
                out->setNext(range[1](correlate(K, 9, inside, [&](int k) { return g(x + k / 3 - 1, y + k % 3 - 1, z, 0); })));
                out->setNext(range[2](correlate(K, 9, inside, [&](int k) { return g(x + k / 3 - 1, y + k % 3 - 1, z, 1); })));
            }
    for (int c = 0; c < 3; ++c) out->setWindow(range[c].min, range[c].max, c);
    return out;
}
template <typename T> Outcome RefImage<T>::hessian(int code, const float* kernel, std::nullptr_t) {
    return madeOutput(*this, code, "hessian", {dim[0], dim[1], dim[2], 1, 3}, [&](auto& out) { hessian(code, kernel, &out); });
}

// 3D gradient with the 27-entry kernel, whose slowest index runs along x, y and z for channels 0, 1 and
// 2; an optional fourth channel repeats the source. For char and short codes components are clamped and counted.
template <typename T>
template <typename U>
RefImage<U>* RefImage<T>::gradient3D(int code, const float* kernel, bool keepSize, bool withValue, RefImage<U>* out) {
    const float* K = kernelOrDefault(kernel, 27);
    const int resolved = code == 0 ? type : code;
    const bool clamps = resolved == 0x1400 || resolved == 0x1402;
    const float bottom = resolved == 0x1400 ? -128.0f : -32768.0f, top = resolved == 0x1400 ? 127.0f : 32767.0f;
    const int w = dim[0], h = dim[1], d = dim[2], s = keepSize ? 0 : 1;
    Range range;
    long exceeded = 0;
    out->cursor = 0;
    if (verbose != 0) std::printf("Computing 3D gradient...\n");
    for (int z = s; z < d - s; ++z)
        for (int y = s; y < h - s; ++y)
            for (int x = s; x < w - s; ++x) {
                const bool inside = x > 0 && x < w - 1 && y > 0 && y < h - 1 && z > 0 && z < d - 1;
                // Offsets a, b, c of entry k: k%3-1, (k%9)/3-1 and k/9-1; c runs along the component's axis.
                auto a = [](int k) { return k % 3 - 1; }, b = [](int k) { return (k % 9) / 3 - 1; }, c = [](int k) { return k / 9 - 1; };
                float g[3] = {correlate(K, 27, inside, [&](int k) { return pixel(x + c(k), y + b(k), z + a(k)); }),
                              correlate(K, 27, inside, [&](int k) { return pixel(x + a(k), y + c(k), z + b(k)); }),
                              correlate(K, 27, inside, [&](int k) { return pixel(x + a(k), y + b(k), z + c(k)); })};
                for (float& v : g) exceeded += clamps && v < bottom ? (v = bottom, 1) : 0;
                for (float& v : g) exceeded += clamps && v > top ? (v = top, 1) : 0;
                for (float v : g) out->setNext(range(v));
                if (withValue) out->setNext(pixel(x, y, z));
            }
    for (int c = 0; c < 3; ++c) out->setWindow(range.min, range.max, c);
    if (withValue) out->setWindow(low(0), high(0), 3);
    if (verbose != 0) std::printf("Done. Range = [%g..%g]\n", double(range.min), double(range.max));
    if (exceeded != 0) std::printf("Warning: %ld values exceeded.\n", exceeded);
    return out;
}
template <typename T> Outcome RefImage<T>::gradient3D(int code, const float* kernel, bool keepSize, bool withValue, std::nullptr_t) {
    const int s = keepSize ? 0 : 2;
    return madeOutput(*this, code, "gradient", {dim[0] - s, dim[1] - s, dim[2] - s, 1, withValue ? 4 : 3},
                      [&](auto& out) { gradient3D(code, kernel, keepSize, withValue, &out); });
}

}  // namespace IvoryReference

#endif
