#ifndef IVORY_REFERENCE_GRADIENT_H
#define IVORY_REFERENCE_GRADIENT_H

#include <ostream>

#include "reference_filter.h"

namespace IvoryReference {

inline const float* kernel2DOrDefault(const float* kernel) {
    static const float sobel[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};
    return kernel != nullptr ? kernel : sobel;
}

inline const float* kernel3DOrDefault(const float* kernel) {
    static const float planes[27] = {1, 1, 1, 1, 2, 1, 1, 1, 1, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, -1, -1, -1, -1, -2, -1, -1, -1, -1};
    return kernel != nullptr ? kernel : planes;
}

// Slice-wise 2D gradient: channel 0 the kernel's response, channel 1 its
// transpose's. Without keepSize the one-pixel frame is left out; with it the
// frame is visited and holds 0.
template <typename U, typename T>
void gradientInto(const RefImage<T>& src, const float* kernel, bool keepSize, RefImage<U>& out) {
    const float* K = kernel2DOrDefault(kernel);
    const int w = src.dim[0], h = src.dim[1];
    const int s = keepSize ? 0 : 1;
    Range range;
    out.cursor = 0;
    for (int z = 0; z < src.dim[2]; ++z)
        for (int y = s; y < h - s; ++y)
            for (int x = s; x < w - s; ++x) {
                float g0 = 0.0f, g1 = 0.0f;
                if (!keepSize || (x > 0 && x < w - 1 && y > 0 && y < h - 1))
                    for (int k = 0; k < 9; ++k) {
                        if (K[k] == 0.0f) continue;
                        const int c = k % 3 - 1, r = k / 3 - 1;
                        g0 = g0 + K[k] * src.pixel(x + c, y + r, z);
                        g1 = g1 + K[k] * src.pixel(x + r, y + c, z);
                    }
                range.update(g0);
                range.update(g1);
                out.setNext(g0);
                out.setNext(g1);
            }
    out.setWindow(range.min, range.max, 0);
    out.setWindow(range.min, range.max, 1);
}

// Second derivatives from a gradient image (channels 0 and 1 of each pixel):
// kernel on channel 0, transpose on channel 0, transpose on channel 1. The
// one-pixel frame holds 0.
template <typename U, typename G>
void hessianOfGradient(const RefImage<G>& grad, const float* kernel, RefImage<U>& out) {
    const float* K = kernel2DOrDefault(kernel);
    const int w = grad.dim[0], h = grad.dim[1];
    auto gradientAt = [&](int x, int y, int z, int ch) {
        return Ivory::toFloat(grad.data[grad.pixelIndex(x, y, z) * grad.channels + ch]);
    };
    Range range[3];
    out.cursor = 0;
    for (int z = 0; z < grad.dim[2]; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float h0 = 0.0f, h1 = 0.0f, h2 = 0.0f;
                if (x > 0 && x < w - 1 && y > 0 && y < h - 1)
                    for (int k = 0; k < 9; ++k) {
                        if (K[k] == 0.0f) continue;
                        const int c = k % 3 - 1, r = k / 3 - 1;
                        h0 = h0 + K[k] * gradientAt(x + c, y + r, z, 0);
                        h1 = h1 + K[k] * gradientAt(x + r, y + c, z, 0);
                        h2 = h2 + K[k] * gradientAt(x + r, y + c, z, 1);
                    }
                range[0].update(h0);
                range[1].update(h1);
                range[2].update(h2);
                out.setNext(h0);
                out.setNext(h1);
                out.setNext(h2);
            }
    for (int i = 0; i < 3; ++i) out.setWindow(range[i].min, range[i].max, i);
}

// The clamp range of gradient3D: the limits of the 8- and 16-bit signed
// codes, none for any other code.
struct ClampRange {
    bool active = false;
    float low = 0.0f, high = 0.0f;
};

inline ClampRange clampRangeFor(int resolvedCode) {
    if (resolvedCode == 0x1400) return {true, -128.0f, 127.0f};
    if (resolvedCode == 0x1402) return {true, -32768.0f, 32767.0f};
    return {};
}

// 3D gradient with the 27-entry kernel: the kernel's slowest index runs along
// x, y and z for channels 0, 1 and 2; optional fourth channel with the source
// value; clamped components are counted and reported.
template <typename U, typename T>
void gradient3DInto(const RefImage<T>& src, const float* kernel, bool keepSize, bool withValue,
                    int resolvedCode, RefImage<U>& out, std::ostream& log) {
    const float* K = kernel3DOrDefault(kernel);
    const ClampRange clamp = clampRangeFor(resolvedCode);
    const int w = src.dim[0], h = src.dim[1], d = src.dim[2];
    const int s = keepSize ? 0 : 1;
    Range range;
    long exceeded = 0;
    out.cursor = 0;
    if (src.verbose != 0) log << "Computing 3D gradient..." << std::endl;
    for (int z = s; z < d - s; ++z)
        for (int y = s; y < h - s; ++y)
            for (int x = s; x < w - s; ++x) {
                float g[3] = {0.0f, 0.0f, 0.0f};
                if (!keepSize ||
                    (x > 0 && x < w - 1 && y > 0 && y < h - 1 && z > 0 && z < d - 1))
                    for (int k = 0; k < 27; ++k) {
                        if (K[k] == 0.0f) continue;
                        const int a = k % 3 - 1, b = (k % 9) / 3 - 1, c = k / 9 - 1;
                        g[0] = g[0] + K[k] * src.pixel(x + c, y + b, z + a);
                        g[1] = g[1] + K[k] * src.pixel(x + a, y + c, z + b);
                        g[2] = g[2] + K[k] * src.pixel(x + a, y + b, z + c);
                    }
                if (clamp.active) {
                    for (float& v : g)
                        if (v < clamp.low) {
                            v = clamp.low;
                            ++exceeded;
                        }
                    for (float& v : g)
                        if (v > clamp.high) {
                            v = clamp.high;
                            ++exceeded;
                        }
                }
                for (float v : g) out.setNext(v);
                if (withValue) out.setNext(src.pixel(x, y, z));
                for (float v : g) range.update(v);
            }
    for (int c = 0; c < 3; ++c) out.setWindow(range.min, range.max, c);
    if (withValue) out.setWindow(src.low(0), src.high(0), 3);
    if (src.verbose != 0) log << "Done. Range = [" << range.min << ".." << range.max << "]" << std::endl;
    if (exceeded != 0) log << "Warning: " << exceeded << " values exceeded." << std::endl;
}

}  // namespace IvoryReference

#endif
