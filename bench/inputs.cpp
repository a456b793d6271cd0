#include "inputs.h"

#include <cstdint>
#include <random>

namespace bench::inputs {

// Uniform in [low, high) from the top 24 bits of the generator: the same on
// every standard library, unlike std::uniform_real_distribution.
float uniform(std::mt19937& rng, float low, float high) {
    return low + (high - low) * static_cast<float>(rng() >> 8) * (1.0f / 16777216.0f);
}

template <typename T, typename Make>
Volume<T> volume(int width, int height, int depth, Make make) {
    Volume<T> v;
    v.width = width;
    v.height = height;
    v.depth = depth;
    v.data.resize(std::size_t(width) * height * depth);
    for (auto& element : v.data) element = make();
    return v;
}

std::vector<float> kernel(std::mt19937& rng, int n) {
    std::vector<float> k(std::size_t(n) * n);
    for (float& tap : k) tap = uniform(rng, 0.05f, 1.0f);  // never 0: every tap costs
    return k;
}

}  // namespace bench::inputs

namespace bench {

Inputs makeInputs() {
    using inputs::uniform;
    std::mt19937 rng(20240611u);
    Inputs in;
    in.floats = inputs::volume<float>(512, 512, 64, [&] { return uniform(rng, 0.0f, 1000.0f); });
    in.bytes = inputs::volume<unsigned char>(512, 512, 64, [&] {
        return static_cast<unsigned char>(rng() >> 24);
    });
    in.shorts = inputs::volume<short>(512, 512, 64, [&] {
        return static_cast<short>(static_cast<int>(rng() % 4096u) - 1024);
    });
    in.cube = inputs::volume<float>(256, 256, 128, [&] { return uniform(rng, 0.0f, 1000.0f); });

    // Cubic sampling needs 1 <= p < dim - 2; linear sampling accepts the same.
    const std::size_t points = 1000000;
    in.px.resize(points);
    in.py.resize(points);
    in.pz.resize(points);
    for (std::size_t i = 0; i < points; ++i) {
        in.px[i] = uniform(rng, 1.0f, in.cube.width - 2.0f - 1e-3f);
        in.py[i] = uniform(rng, 1.0f, in.cube.height - 2.0f - 1e-3f);
        in.pz[i] = uniform(rng, 1.0f, in.cube.depth - 2.0f - 1e-3f);
    }
    in.kernel3 = inputs::kernel(rng, 3);
    in.kernel7 = inputs::kernel(rng, 7);
    return in;
}

}  // namespace bench
