// getPixel and the trilinear and tricubic samples against the plain
// reference, bit for bit, at many positions inside the valid ranges and at
// positions outside the image, which sample its nearest edge; one point per
// call and many (the batch samplers, over runs of every length that leaves a
// partial vector and long enough to be split over the pool).

#include "library_bridge.h"
#include "reference_interpolation.h"

namespace Ref = IvoryReference;

namespace {

template <typename T>
class InterpolationEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(InterpolationEquivalence, IvoryTest::AllElementTypes);

struct Position {
    float x, y, z;
};

// Positions with lo <= p < hi on every axis (hi given per axis): random ones,
// eighths, and whole numbers.
std::vector<Position> positionsIn(float lo, float hx, float hy, float hz, unsigned seed) {
    std::mt19937 rng(seed);
    auto uniform = [&](float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    auto eighth = [&](float hi) {
        const int steps = static_cast<int>((hi - lo) * 8.0f);
        return lo + static_cast<float>(static_cast<int>(rng() % steps)) / 8.0f;
    };
    std::vector<Position> positions;
    for (int i = 0; i < 150; ++i) positions.push_back({uniform(hx), uniform(hy), uniform(hz)});
    for (int i = 0; i < 40; ++i) positions.push_back({eighth(hx), eighth(hy), eighth(hz)});
    for (int i = 0; i < 10; ++i)
        positions.push_back(
            {std::floor(uniform(hx)), std::floor(uniform(hy)), std::floor(uniform(hz))});
    return positions;
}

// Positions with at least one coordinate outside 0 .. extent-1 (below, above,
// far off, infinite or NaN), the others inside.
std::vector<Position> positionsOutside(const Ref::Shape& shape, unsigned seed) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::mt19937 rng(seed);
    const float extents[3] = {float(shape.w), float(shape.h), float(shape.d)};
    std::vector<Position> positions;
    for (int i = 0; i < 40; ++i) {
        float p[3];
        for (int axis = 0; axis < 3; ++axis) {
            const float e = extents[axis];
            const float outside[] = {-0.5f, -3.25f, e - 0.75f, e + 0.5f, 1e30f, -1e30f, inf, -inf, nan};
            p[axis] = rng() % 3 == 0 ? outside[rng() % 9]
                                     : std::uniform_real_distribution<float>(0.0f, e - 1.0f)(rng);
        }
        positions.push_back({p[0], p[1], p[2]});
    }
    return positions;
}

std::string describe(const Position& p) {
    std::ostringstream text;
    text << std::setprecision(9) << "at (" << p.x << ", " << p.y << ", " << p.z << ")";
    return text.str();
}

// Calls an all-channel sampler into an array with guard entries after the
// channels and checks those stay untouched.
template <typename Sample>
std::vector<float> sampled(int channels, Sample&& sample) {
    std::vector<float> out(static_cast<size_t>(channels) + 2, -7.0f);
    sample(out.data());
    EXPECT_EQ(out[channels], -7.0f);
    EXPECT_EQ(out[channels + 1], -7.0f);
    out.resize(channels);
    return out;
}

// A batch sampler of ImageBase<T> and the reference of its per-point call.
template <typename T> struct BatchSampler {
    const char* name;
    void (Ivory::ImageBase<T>::*batch)(const float*, const float*, const float*, int64_t, float*) const;
    float (*reference)(const Ref::RefImage<T>&, float, float, float);
};

// The positions over and over, as many as a run over the pool splits into
// chunks, and the reference samples there.
struct BatchRun {
    std::vector<float> x, y, z, want;
};
template <typename T>
BatchRun batchRun(const Ref::RefImage<T>& src, const BatchSampler<T>& sampler,
                  const std::vector<Position>& positions) {
    BatchRun run;
    for (size_t i = 0; i < 5003; ++i) {
        const Position& p = positions[i % positions.size()];
        run.x.push_back(p.x);
        run.y.push_back(p.y);
        run.z.push_back(p.z);
        run.want.push_back(sampler.reference(src, p.x, p.y, p.z));
    }
    return run;
}

// Runs check(src, library, shape, position) for random images of every shape
// (some with NaN and infinities), every thread count, positions from lo up to
// each extent less inset, and positions outside the image; and each batch
// sampler over the same positions (0, 1 and 7 of them and the long run). The
// sampling must leave the image unchanged.
template <typename T, typename Check>
void forEachSample(unsigned seed, const std::vector<Ref::Shape>& shapes, float lo, int inset,
                   const std::vector<BatchSampler<T>>& batchSamplers, Check check) {
    for (const Ref::Shape& shape : shapes) {
        auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
        if (seed % 2 == 0) Ref::addNonFinite(src);
        std::vector<Position> positions =
            positionsIn(lo, shape.w - inset, shape.h - inset, shape.d - inset, seed);
        const std::vector<Position> outside = positionsOutside(shape, seed);
        positions.insert(positions.end(), outside.begin(), outside.end());
        std::vector<BatchRun> runs;
        for (const BatchSampler<T>& sampler : batchSamplers) runs.push_back(batchRun(src, sampler, positions));
        for (const Ref::RunSetting& setting : Ref::runSettings()) {
            Ref::RunScope scope(setting);
            auto library = Ref::toLibrary(src);
            for (const Position& p : positions) {
                SCOPED_TRACE(Ref::describe(shape) + " " + describe(p));
                check(src, *library, shape, p);
            }
            for (size_t b = 0; b < batchSamplers.size(); ++b) {
                const BatchRun& run = runs[b];
                for (const size_t count : {size_t(0), size_t(1), size_t(7), run.want.size()}) {
                    SCOPED_TRACE(Ref::describe(shape) + ", " + std::to_string(count) + " points");
                    std::vector<float> out(count + 1, -7.0f);  // one guard entry
                    ((*library).*batchSamplers[b].batch)(run.x.data(), run.y.data(), run.z.data(),
                                                         static_cast<int64_t>(count), out.data());
                    EXPECT_TRUE(Ref::sameElements(out.data(), run.want.data(), count, batchSamplers[b].name));
                    EXPECT_EQ(out[count], -7.0f);
                }
            }
            EXPECT_TRUE(Ref::sameImage(library.get(), src));
        }
    }
}

TYPED_TEST(InterpolationEquivalence, GetPixelMatches) {
    const std::vector<BatchSampler<TypeParam>> batch = {
        {"getPixelValues", &Ivory::ImageBase<TypeParam>::getPixelValues,
         [](const auto& src, float x, float y, float z) { return Ref::getPixel(src, x, y, z)[0]; }}};
    forEachSample<TypeParam>(5000, Ref::standardShapes(), 0.0f, 0, batch,
                             [](const auto& src, auto& library, const Ref::Shape& shape,
                                const Position& p) {
        const auto got =
            sampled(shape.c, [&](float* out) { library.getPixel(out, p.x, p.y, p.z); });
        const auto want = Ref::getPixel(src, p.x, p.y, p.z);
        EXPECT_TRUE(Ref::sameElements(got.data(), want, "getPixel"));
        const float value = library.getPixelValue(p.x, p.y, p.z);
        EXPECT_TRUE(Ref::sameElements(&value, want.data(), 1, "getPixelValue"));
    });
}

// Debug builds assert when interpolateLinear is called at or beyond the last
// valid position (NaN and negative positions pass the assertion).
bool linearAsserts([[maybe_unused]] const Position& p, [[maybe_unused]] const Ref::Shape& shape) {
#ifdef NDEBUG
    return false;
#else
    return p.x >= shape.w - 1 || p.y >= shape.h - 1 || p.z >= shape.d - 1;
#endif
}

TYPED_TEST(InterpolationEquivalence, LinearMatches) {
    const std::vector<Ref::Shape> shapes = {
        {7, 5, 3, 1, 1}, {13, 11, 4, 1, 2}, {6, 4, 2, 2, 3}, {5, 7, 3, 3, 1}, {2, 2, 2, 1, 1}};
    const std::vector<BatchSampler<TypeParam>> batch = {
        {"interpolateLinearValues", &Ivory::ImageBase<TypeParam>::interpolateLinearValues,
         &Ref::interpolateLinearValue<TypeParam>}};
    forEachSample<TypeParam>(5100, shapes, 0.0f, 1, batch,
                             [](const auto& src, auto& library, const Ref::Shape& shape,
                                const Position& p) {
        if (!linearAsserts(p, shape)) {
            const auto got =
                sampled(shape.c, [&](float* out) { library.interpolateLinear(out, p.x, p.y, p.z); });
            EXPECT_TRUE(Ref::sameElements(got.data(), Ref::interpolateLinear(src, p.x, p.y, p.z),
                                          "interpolateLinear"));
        }
        const float value = library.interpolateLinearValue(p.x, p.y, p.z);
        const float want = Ref::interpolateLinearValue(src, p.x, p.y, p.z);
        EXPECT_TRUE(Ref::sameElements(&value, &want, 1, "interpolateLinearValue"));
    });
}

TYPED_TEST(InterpolationEquivalence, CubicMatches) {
    const std::vector<Ref::Shape> shapes = {
        {7, 5, 4, 1, 1}, {13, 11, 5, 1, 2}, {6, 6, 4, 2, 3}, {4, 4, 4, 1, 1}};
    const std::vector<BatchSampler<TypeParam>> batch = {
        {"interpolateCubicValues", &Ivory::ImageBase<TypeParam>::interpolateCubicValues,
         [](const auto& src, float x, float y, float z) { return Ref::interpolateCubic(src, x, y, z)[0]; }}};
    forEachSample<TypeParam>(5200, shapes, 1.0f, 2, batch,
                             [](const auto& src, auto& library, const Ref::Shape& shape,
                                const Position& p) {
        const auto got =
            sampled(shape.c, [&](float* out) { library.interpolateCubic(out, p.x, p.y, p.z); });
        const auto want = Ref::interpolateCubic(src, p.x, p.y, p.z);
        EXPECT_TRUE(Ref::sameElements(got.data(), want, "interpolateCubic"));
        const float value = library.interpolateCubicValue(p.x, p.y, p.z);
        EXPECT_TRUE(Ref::sameElements(&value, want.data(), 1, "interpolateCubicValue"));
    });
}

}  // namespace
