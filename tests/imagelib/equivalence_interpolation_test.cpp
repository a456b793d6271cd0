// getPixel and the trilinear and tricubic samples against the plain
// reference, bit for bit, at many positions inside the valid ranges.

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

// Runs check(src, library, shape, position) for random images of every shape
// (some with NaN and infinities), every thread count, and positions from lo
// up to each extent less inset; the sampling must leave the image unchanged.
template <typename T, typename Check>
void forEachSample(unsigned seed, const std::vector<Ref::Shape>& shapes, float lo, int inset,
                   Check check) {
    for (const Ref::Shape& shape : shapes) {
        auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
        if (seed % 2 == 0) Ref::addNonFinite(src);
        for (const Ref::RunSetting& setting : Ref::runSettings()) {
            Ref::RunScope scope(setting);
            auto library = Ref::toLibrary(src);
            for (const Position& p : positionsIn(lo, shape.w - inset, shape.h - inset,
                                                 shape.d - inset, seed)) {
                SCOPED_TRACE(Ref::describe(shape) + " " + describe(p));
                check(src, *library, shape, p);
            }
            EXPECT_TRUE(Ref::sameImage(library.get(), src));
        }
    }
}

TYPED_TEST(InterpolationEquivalence, GetPixelMatches) {
    forEachSample<TypeParam>(5000, Ref::standardShapes(), 0.0f, 0,
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

TYPED_TEST(InterpolationEquivalence, LinearMatches) {
    const std::vector<Ref::Shape> shapes = {
        {7, 5, 3, 1, 1}, {13, 11, 4, 1, 2}, {6, 4, 2, 2, 3}, {5, 7, 3, 3, 1}, {2, 2, 2, 1, 1}};
    forEachSample<TypeParam>(5100, shapes, 0.0f, 1,
                             [](const auto& src, auto& library, const Ref::Shape& shape,
                                const Position& p) {
        const auto got =
            sampled(shape.c, [&](float* out) { library.interpolateLinear(out, p.x, p.y, p.z); });
        EXPECT_TRUE(Ref::sameElements(got.data(), Ref::interpolateLinear(src, p.x, p.y, p.z),
                                      "interpolateLinear"));
        const float value = library.interpolateLinearValue(p.x, p.y, p.z);
        const float want = Ref::interpolateLinearValue(src, p.x, p.y, p.z);
        EXPECT_TRUE(Ref::sameElements(&value, &want, 1, "interpolateLinearValue"));
    });
}

TYPED_TEST(InterpolationEquivalence, CubicMatches) {
    const std::vector<Ref::Shape> shapes = {
        {7, 5, 4, 1, 1}, {13, 11, 5, 1, 2}, {6, 6, 4, 2, 3}, {4, 4, 4, 1, 1}};
    forEachSample<TypeParam>(5200, shapes, 1.0f, 2,
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
