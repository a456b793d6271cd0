#include "terrain/heightfield.h"

#include <cmath>

#include "terrain/random.h"

namespace {

// Offset in -amplitude/2 .. +amplitude/2 from the next random value.
float randomOffset(RandomSource& random, float amplitude)
{
    const float r = static_cast<float>(random.next());
    return r * amplitude / static_cast<float>(RandomSource::kMax) - amplitude / 2.0f;
}

float mean(float a, float b, float c, float d)
{
    return (a + b + c + d) / 4.0f;
}

// Grid position u (in cells) folded into 0 <= u < n; NaN and infinities land on 0.
float wrapIntoGrid(float u, int n)
{
    const float size = static_cast<float>(n);
    if (u >= 0.0f && u < size) {
        return u;
    }
    u = std::fmod(u, size);
    if (u < 0.0f) {
        u += size;
    }
    if (!(u >= 0.0f && u < size)) {
        return 0.0f;  // NaN, or a tiny negative that rounded up to size
    }
    return u;
}

}  // namespace

void generateHeights(float* heights, int n, float roughness, RandomSource& random)
{
    auto at = [heights, n](int row, int column) -> float& { return heights[row * n + column]; };

    float amplitude = static_cast<float>(n) * 0.5f;
    const float decay = std::pow(2.0f, -roughness);
    heights[0] = 0.0f;

    for (int s = n; s > 0; s /= 2) {
        const int h = s / 2;
        for (int a = 0; a < n; a += s) {
            for (int b = 0; b < n; b += s) {
                at(b + h, a + h) = mean(at(b, a), at(b, (a + s) % n), at((b + s) % n, a),
                                        at((b + s) % n, (a + s) % n)) +
                                   randomOffset(random, amplitude);
            }
        }
        for (int a = 0; a < n; a += s) {
            for (int b = 0; b < n; b += s) {
                at(b, a + h) = mean(at((b + n - h) % n, a + h), at(b, a), at(b, (a + s) % n),
                                    at(b + h, a + h)) +
                               randomOffset(random, amplitude);
                at(b + h, a) = mean(at((b + s) % n, a), at(b, a), at(b + h, (a + n - h) % n),
                                    at(b + h, a + h)) +
                               randomOffset(random, amplitude);
            }
        }
        amplitude *= decay;
    }
    normalizeHeights(heights, n);
}

void generateHeights(float* heights, int n, float roughness)
{
    RandomSource random;
    generateHeights(heights, n, roughness, random);
}

void normalizeHeights(float* heights, int n)
{
    const int count = n * n;
    float lowest = heights[0];
    float highest = heights[0];
    for (int k = 0; k < count; ++k) {
        if (heights[k] < lowest) lowest = heights[k];
        if (heights[k] > highest) highest = heights[k];
    }
    if (!(lowest < highest)) {
        return;
    }
    for (int k = 0; k < count; ++k) {
        heights[k] = (heights[k] - lowest) / (highest - lowest);
    }
}

float interpolateHeight(const float* heights, int n, float cellSize, float heightScale,
                        double x, double z)
{
    const float u = wrapIntoGrid(static_cast<float>(x / cellSize), n);
    const float v = wrapIntoGrid(static_cast<float>(z / cellSize), n);
    const int i = static_cast<int>(u);
    const int j = static_cast<int>(v);
    const int i1 = (i + 1 == n) ? 0 : i + 1;
    const int j1 = (j + 1 == n) ? 0 : j + 1;
    const float fu = u - static_cast<float>(i);
    const float fv = v - static_cast<float>(j);

    const float h00 = heights[j * n + i] * heightScale;
    const float h10 = heights[j * n + i1] * heightScale;
    const float h01 = heights[j1 * n + i] * heightScale;
    const float h11 = heights[j1 * n + i1] * heightScale;

    const float fufv = fu * fv;
    return h00 * (1.0f - fu - fv + fufv) + h10 * (fu - fufv) + h11 * fufv + h01 * (fv - fufv);
}
