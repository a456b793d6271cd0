// getPixel and the trilinear and tricubic samples against the plain
// reference, bit for bit, at many positions inside the valid ranges and at
// positions outside the image, which sample its nearest edge.

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

// Runs check(src, library, shape, position) for random images of every shape
// (some with NaN and infinities), every thread count, positions from lo up to
// each extent less inset, and positions outside the image; the sampling must
// leave the image unchanged.
template <typename T, typename Check>
void forEachSample(unsigned seed, const std::vector<Ref::Shape>& shapes, float lo, int inset,
                   Check check) {
    for (const Ref::Shape& shape : shapes) {
        auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
        if (seed % 2 == 0) Ref::addNonFinite(src);
        for (const Ref::RunSetting& setting : Ref::runSettings()) {
            Ref::RunScope scope(setting);
            auto library = Ref::toLibrary(src);
            std::vector<Position> positions =
                positionsIn(lo, shape.w - inset, shape.h - inset, shape.d - inset, seed);
            const std::vector<Position> outside = positionsOutside(shape, seed);
            positions.insert(positions.end(), outside.begin(), outside.end());
            for (const Position& p : positions) {
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
    forEachSample<TypeParam>(5100, shapes, 0.0f, 1,
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
