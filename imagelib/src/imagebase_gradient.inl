// Derivative images of the first frame: the slice-wise 2D gradient, the
// slice-wise Hessian built on it, and the 3D gradient with clamping to the
// output type. The source is read as one channel (see derivedoutput.h).

#include <iostream>

#include "derivedoutput.h"
#include "elementconversion.h"

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

}  // namespace Ivory::detail::gradient

namespace Ivory {

template <typename T>
Image* ImageBase<T>::gradient(int code, const float* kernel, bool keepSize, Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {
        std::cout << "Error: unsigned data type, cannot compute gradient!" << std::endl;
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : detail::gradient::kDefaultKernel2D;
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    if (!keepSize && (width < 3 || height < 3)) {  // the output would shrink below nothing
        std::cout << "Error: image too small, cannot compute gradient!" << std::endl;
        return nullptr;
    }
    if (!output::canRead(*this, output::pixelsPerFrame(*this))) return nullptr;
    const int s = keepSize ? 0 : 1;
    const int64_t visited = int64_t(width - 2 * s) * (height - 2 * s) * depth;
    bool created = false;
    out = output::prepare(*this, resolved, out, {width - 2 * s, height - 2 * s, depth, 1, 2},
                          visited * 2, created);
    if (out == nullptr) return nullptr;

    const output::PixelReader<T> I{m_data, width, height};
    out->resetCursor();
    output::Range range;
    for (int z = 0; z < depth; ++z) {
        for (int y = s; y < height - s; ++y) {
            for (int x = s; x < width - s; ++x) {
                float g0 = 0.0f, g1 = 0.0f;
                if (!keepSize || (0 < x && x < width - 1 && 0 < y && y < height - 1)) {
                    for (int k = 0; k < 9; ++k) {
                        if (K[k] == 0.0f) continue;
                        const int c = k % 3 - 1, r = k / 3 - 1;
                        g0 += K[k] * I(x + c, y + r, z);
                        g1 += K[k] * I(x + r, y + c, z);
                    }
                }
                range.add(g0);
                range.add(g1);
                out->setNext(g0);
                out->setNext(g1);
            }
        }
    }
    out->setWindow(range.min, range.max, 0);
    out->setWindow(range.min, range.max, 1);
    return out;
}

template <typename T>
Image* ImageBase<T>::hessian(int code, const float* kernel, Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {
        std::cout << "Error: unsigned data type, cannot compute hessian!" << std::endl;
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
    auto G = [&](int x, int y, int z, int ch) {
        return toFloat(m_data[((int64_t(z) * height + y) * width + x) * channels + ch]);
    };
    out->resetCursor();
    output::Range range[3];
    for (int z = 0; z < depth; ++z) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                float h0 = 0.0f, h1 = 0.0f, h2 = 0.0f;
                if (0 < x && x < width - 1 && 0 < y && y < height - 1) {
                    for (int k = 0; k < 9; ++k) {
                        if (K[k] == 0.0f) continue;
                        const int c = k % 3 - 1, r = k / 3 - 1;
                        h0 += K[k] * G(x + c, y + r, z, 0);
                        h1 += K[k] * G(x + r, y + c, z, 0);
                        h2 += K[k] * G(x + r, y + c, z, 1);
                    }
                }
                range[0].add(h0);
                range[1].add(h1);
                range[2].add(h2);
                out->setNext(h0);
                out->setNext(h1);
                out->setNext(h2);
            }
        }
    }
    for (int i = 0; i < 3; ++i) out->setWindow(range[i].min, range[i].max, i);
    return out;
}

template <typename T>
Image* ImageBase<T>::gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                                Image* out) {
    namespace output = detail::derivedoutput;
    const int resolved = code == 0 ? m_type : code;
    if (isUnsignedCode(resolved)) {
        std::cout << "Error: unsigned data type, cannot compute gradient!" << std::endl;
        return nullptr;
    }
    const float* K = kernel != nullptr ? kernel : detail::gradient::kDefaultKernel3D;
    const detail::gradient::ClampRange clamp = detail::gradient::clampRangeFor(resolved);
    const int width = m_dim[0], height = m_dim[1], depth = m_dim[2];
    if (!keepSize && (width < 3 || height < 3 || depth < 3)) {  // the output would shrink below nothing
        std::cout << "Error: image too small, cannot compute gradient!" << std::endl;
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

    const output::PixelReader<T> I{m_data, width, height};
    out->resetCursor();
    output::Range range;
    int64_t exceeded = 0;
    if (m_verbose != 0) std::cout << "Computing 3D gradient..." << std::endl;
    for (int z = s; z < depth - s; ++z) {
        for (int y = s; y < height - s; ++y) {
            for (int x = s; x < width - s; ++x) {
                float g[3] = {0.0f, 0.0f, 0.0f};
                if (!keepSize || (0 < x && x < width - 1 && 0 < y && y < height - 1 && 0 < z &&
                                  z < depth - 1)) {
                    for (int k = 0; k < 27; ++k) {
                        if (K[k] == 0.0f) continue;
                        const int a = k % 3 - 1, b = (k % 9) / 3 - 1, c = k / 9 - 1;
                        g[0] += K[k] * I(x + c, y + b, z + a);
                        g[1] += K[k] * I(x + a, y + c, z + b);
                        g[2] += K[k] * I(x + a, y + b, z + c);
                    }
                }
                if (clamp.applies) {
                    for (float& v : g) {
                        if (v < clamp.low) v = clamp.low, ++exceeded;
                    }
                    for (float& v : g) {
                        if (v > clamp.high) v = clamp.high, ++exceeded;
                    }
                }
                out->setNext(g[0]);
                out->setNext(g[1]);
                out->setNext(g[2]);
                if (withValue) out->setNext(I(x, y, z));
                for (float v : g) range.add(v);
            }
        }
    }
    for (int c = 0; c < 3; ++c) out->setWindow(range.min, range.max, c);
    if (withValue && m_window != nullptr) out->setWindow(m_window[2], m_window[3], 3);
    if (m_verbose != 0) {
        std::cout << "Done. Range = [" << range.min << ".." << range.max << "]" << std::endl;
    }
    if (exceeded != 0) std::cout << "Warning: " << exceeded << " values exceeded." << std::endl;
    return out;
}

}  // namespace Ivory
