// The three samplers against the plain reference, bit for bit, inside and outside the image, point by point and in batches.

#include "library_bridge.h"
#include "reference_interpolation.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class InterpolationEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(InterpolationEquivalence, IvoryTest::AllElementTypes);

struct Positions {
    std::vector<float> x, y, z;
    void add(float px, float py, float pz) { x.push_back(px), y.push_back(py), z.push_back(pz); }
};

// Random positions, eighths and whole numbers inside, and coordinates below, above, far off, infinite or NaN.
Positions positionsFor(const Ref::Shape& s, unsigned seed) {
    std::mt19937 rng(seed);
    const float extents[3] = {float(s.w), float(s.h), float(s.d)}, inf = std::numeric_limits<float>::infinity();
    Positions p;
    for (int i = 0; i < 240; ++i) {
        float v[3];
        for (int axis = 0; axis < 3; ++axis) {
            const float e = extents[axis], inside = std::uniform_real_distribution<float>(0.0f, e - 1.0f)(rng);
            const float outside[] = {-0.5f, -3.25f, e - 0.75f, e + 0.5f, 1e30f, -1e30f, inf, -inf, std::nanf("")};
            v[axis] = i < 150 ? inside : i < 190 ? std::floor(inside * 8.0f) / 8.0f : i < 200 ? std::floor(inside) : rng() % 3 ? inside : outside[rng() % 9];
        }
        p.add(v[0], v[1], v[2]);
    }
    return p;
}

// Debug builds assert where interpolateLinear's truncated position is not below the last, so it is not called there.
bool linearAsserts([[maybe_unused]] const Ref::Shape& s, [[maybe_unused]] float x, [[maybe_unused]] float y, [[maybe_unused]] float z) {
#ifdef NDEBUG
    return false;
#else
    auto truncated = [](float v) { return std::isnan(v) ? 0.0 : std::trunc(double(v)); };
    return truncated(x) >= s.w - 1 || truncated(y) >= s.h - 1 || truncated(z) >= s.d - 1;
#endif
}

// Every sampler at every position of p one by one, and each batch sampler over the first 0, 1, 7, 37
// and `count` of them (repeated to that count); a guard entry after each output must stay.
auto sampleEverything(const Ref::Shape& s, const Positions& p, size_t count) {
    return [s, p, count](auto& img) {
        Ref::Outcome outcome;
        std::vector<float> guards;
        auto allChannels = [&](const std::string& name, auto sample) {
            std::vector<float> values, out(size_t(s.c) + 1);
            for (size_t i = 0; i < p.x.size(); ++i) {
                if (name == "interpolateLinear" && linearAsserts(s, p.x[i], p.y[i], p.z[i])) continue;
                out.back() = -7.0f;
                sample(out.data(), p.x[i], p.y[i], p.z[i]);
                values.insert(values.end(), out.begin(), out.end() - 1);
                guards.push_back(out.back());
            }
            outcome.values(name, values.data(), values.size());
        };
        allChannels("getPixel", [&](float* out, float x, float y, float z) { img.getPixel(out, x, y, z); });
        allChannels("interpolateLinear", [&](float* out, float x, float y, float z) { img.interpolateLinear(out, x, y, z); });
        allChannels("interpolateCubic", [&](float* out, float x, float y, float z) { img.interpolateCubic(out, x, y, z); });
        Positions batch;
        for (size_t i = 0; i < count; ++i) batch.add(p.x[i % p.x.size()], p.y[i % p.x.size()], p.z[i % p.x.size()]);
        auto oneValue = [&](const std::string& name, auto sample, auto sampleBatch) {
            std::vector<float> values;
            for (size_t i = 0; i < p.x.size(); ++i) values.push_back(sample(p.x[i], p.y[i], p.z[i]));
            outcome.values(name, values.data(), values.size());
            for (const size_t n : {size_t(0), size_t(1), size_t(7), size_t(37), count}) {
                std::vector<float> out(std::min(n, count) + 1, -7.0f);
                sampleBatch(batch.x.data(), batch.y.data(), batch.z.data(), int64_t(out.size() - 1), out.data());
                outcome.values(name + "s of " + std::to_string(out.size() - 1), out.data(), out.size());
            }
        };
        oneValue("getPixelValue", [&](float x, float y, float z) { return img.getPixelValue(x, y, z); },
                 [&](auto... a) { img.getPixelValues(a...); });
        oneValue("interpolateLinearValue", [&](float x, float y, float z) { return img.interpolateLinearValue(x, y, z); },
                 [&](auto... a) { img.interpolateLinearValues(a...); });
        oneValue("interpolateCubicValue", [&](float x, float y, float z) { return img.interpolateCubicValue(x, y, z); },
                 [&](auto... a) { img.interpolateCubicValues(a...); });
        return outcome.values("guard entries", guards.data(), guards.size());
    };
}

// A worked example: the first sample named `part` at the given positions.
template <typename T>
void addExample(std::vector<Ref::Case<T>>& cases, const std::string& what, const Ref::RefImage<T>& input, const Positions& p,
                const char* part, std::vector<double> want) {
    const Ref::Shape s{input.dim[0], input.dim[1], input.dim[2], input.dim[3], input.channels};
    Ref::add(cases, what, input, sampleEverything(s, p, p.x.size()), std::move(want), "", part);
}
template <typename T, typename F> Ref::RefImage<T> filled(const Ref::Shape& s, F f) {
    Ref::RefImage<T> img(s.w, s.h, s.d, s.f, s.c);
    for (int z = 0; z < s.d; ++z)
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                for (int c = 0; c < s.c; ++c) img.at(x, y, z, 0, c) = T(f(x, y, z, c));
    return img;
}

TYPED_TEST(InterpolationEquivalence, PointAndBatchSamplersMatch) {
    using T = TypeParam;
    std::vector<Ref::Case<T>> cases;
    auto at = [](std::initializer_list<std::array<float, 3>> points) {
        Positions p;
        for (const auto& q : points) p.add(q[0], q[1], q[2]);
        return p;
    };
    addExample(cases, "linear in every channel", filled<T>({4, 4, 4, 1, 3}, [](int x, int y, int z, int c) { return x + 2 * y + 3 * z + 20 * c; }),
               at({{1.25f, 0.5f, 1.75f}}), "interpolateLinear", {7.5, 27.5, 47.5});
    // The weights for 0.25 are -0.140625, 0.890625, 0.296875, -0.046875.
    addExample(cases, "cubic of a ramp", filled<T>({6, 4, 4, 1, 1}, [](int x, int, int, int) { return x; }), at({{2.25f, 1.0f, 1.0f}}),
               "interpolateCubicValue", {2.34375});
    // Outside the image the nearest edge element, whatever the sampler.
    const Positions outside = at({{-0.5f, 1, 1}, {1e30f, 0, 1}, {std::nanf(""), 1, 0}, {INFINITY, INFINITY, INFINITY}, {-INFINITY, 0, 0}, {4, 1, 0}});
    for (const char* sampler : {"getPixelValue", "interpolateLinearValue", "interpolateCubicValue"})
        addExample(cases, std::string("edges, ") + sampler, filled<T>({4, 2, 2, 1, 1}, [](int x, int y, int z, int) { return x + 4 * y + 8 * z; }),
                   outside, sampler, {12, 11, 4, 15, 0, 7});
    if (sizeof(T) >= 4) {
        // The linear sum is rounded once: 2^24 + 0.5 + 0.5 + 0.5 gives 2^24 + 2, a float sum 2^24.
        addExample(cases, "linear sum rounded once", Ref::imageOf<T>({2, 2, 2, 1, 1}, {67108864, 2, 2, 2, 0, 0, 0, 0}),
                   at({{0.5f, 0.5f, 0.0f}}), "interpolateLinearValue", {16777218});
        // The cubic sum is rounded at every addition (weights -0.125, 0.625, 0.625, -0.125): at 2^25 floats
        // are 4 apart, so 1.25 twice adds nothing.
        if (std::is_signed_v<T>)
            addExample(cases, "cubic sum rounded at every step",
                       filled<T>({4, 4, 4, 1, 1}, [](int x, int y, int z, int) { return y == 1 && z == 1 ? (x == 1 ? 67108864 : x == 2 ? 2 : x == 3 ? -10 : 0) : 0; }),
                       at({{1.5f, 1.0f, 1.0f}}), "interpolateCubicValue", {41943040});
    }
    // 6151 points split into three chunks of the pool (2048 points at least each).
    const std::vector<Ref::Shape> shapes = {{7, 5, 3, 1, 1}, {13, 11, 4, 1, 2}, {6, 4, 2, 2, 3}, {5, 7, 3, 3, 1},
                                            {2, 2, 2, 1, 1}, {9, 6, 1, 1, 1}, {1, 1, 1, 1, 1}, {6, 5, 5, 1, 37}};
    unsigned seed = 5000;
    for (const Ref::Shape& s : shapes) {
        ++seed;
        Ref::add(cases, "samples of " + Ref::describe(s), Ref::randomInput<T>(s, seed), sampleEverything(s, positionsFor(s, seed), 6151));
    }
    Ref::expectSame(cases);
}

}  // namespace
