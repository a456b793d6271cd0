// downsample, rotate and scaleToPowerOfTwo against the plain reference, bit for bit.

#include <array>

#include "library_bridge.h"
#include "reference_resample.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class ResampleEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(ResampleEquivalence, IvoryTest::AllElementTypes);

// Factor sets: identity, dividing and non-dividing, along every axis, and
// larger than some extents (empty results).
const std::array<int, 4> kFactorSets[] = {{1, 1, 1, 1}, {2, 2, 1, 1}, {2, 3, 2, 1}, {3, 2, 1, 2},
                                          {4, 1, 3, 1}, {1, 1, 1, 3}, {5, 5, 2, 2}};

TYPED_TEST(ResampleEquivalence, DownsampleIntoNewLeavesSourceAndMatches) {
    using T = TypeParam;
    unsigned seed = 100;
    for (const Ref::Shape& shape : Ref::standardShapes())
        for (const auto& f : kFactorSets) {
            SCOPED_TRACE(Ref::describe(shape) + ", factors " + std::to_string(f[0]) + " " +
                         std::to_string(f[1]) + " " + std::to_string(f[2]) + " " + std::to_string(f[3]));
            auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
            if (seed % 2 == 0) Ref::addNonFinite(src);
            Ref::giveRandomWindows(src, seed);
            const auto want = Ref::downsampleIntoNew(src, f[0], f[1], f[2], f[3]);
            for (const Ref::RunSetting& setting : Ref::runSettings()) {
                Ref::RunScope scope(setting);
                auto library = Ref::toLibrary(src);
                Ivory::Image* made = nullptr;
                const std::string printed = IvoryTest::captureStdout(
                    [&] { made = library->downsample(f[0], f[1], f[2], f[3], true); });
                std::unique_ptr<Ivory::Image> owned(made);
                EXPECT_EQ(printed, "");
                EXPECT_TRUE(Ref::sameImage(made, want));
                EXPECT_TRUE(Ref::sameImage(library.get(), src));
            }
        }
}

TYPED_TEST(ResampleEquivalence, DownsampleInPlaceMatches) {
    using T = TypeParam;
    unsigned seed = 200;
    for (const int verbose : {1, 0})
        for (const Ref::Shape& shape : Ref::standardShapes())
            for (const auto& f : kFactorSets) {
                SCOPED_TRACE(Ref::describe(shape) + ", factors " + std::to_string(f[0]) + " " +
                             std::to_string(f[1]) + " " + std::to_string(f[2]) + " " +
                             std::to_string(f[3]) + ", verbose " + std::to_string(verbose));
                auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                if (seed % 2 == 0) Ref::addNonFinite(src);
                Ref::giveRandomWindows(src, seed);
                src.verbose = verbose;
                Ref::expectSameInPlace(
                    src,
                    [&](Ivory::Image& img) {
                        EXPECT_EQ(img.downsample(f[0], f[1], f[2], f[3], false), nullptr);
                    },
                    [&](Ref::RefImage<T>& img, std::ostream& log) {
                        Ref::downsampleInPlace(img, f[0], f[1], f[2], f[3], log);
                    });
            }
}

TYPED_TEST(ResampleEquivalence, RotateAboutEveryAxisMatches) {
    using T = TypeParam;
    unsigned seed = 300;
    // Planes of more than one whole tile along both of their axes, with ragged edges.
    std::vector<Ref::Shape> shapes = Ref::standardShapes();
    shapes.push_back({35, 21, 18, 1, 1});
    shapes.push_back({19, 17, 17, 1, 2});
    for (const Ref::Shape& shape : shapes)
        for (int axis = 0; axis < 3; ++axis)
            for (const int turns : {1, 2, 3}) {
                SCOPED_TRACE(Ref::describe(shape) + ", axis " + std::to_string(axis) + ", turns " +
                             std::to_string(turns));
                auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                if (seed % 2 == 0) Ref::addNonFinite(src);
                Ref::giveRandomWindows(src, seed);
                src.verbose = turns % 2;
                Ref::expectSameInPlace(
                    src,
                    [&](Ivory::Image& img) {
                        for (int i = 0; i < turns; ++i) img.rotate(axis);
                    },
                    [&](Ref::RefImage<T>& img, std::ostream& log) {
                        for (int i = 0; i < turns; ++i) Ref::rotate(img, axis, log);
                    });
            }
}

TEST(ResampleReference, PowerOfTwoExtentIsTheSmallestPowerNotBelow) {
    for (int n = 1; n <= 70; ++n) {
        int p = 1;
        while (p < n) p *= 2;
        EXPECT_EQ(Ref::powerOfTwoExtent(n), p) << n;
    }
}

TYPED_TEST(ResampleEquivalence, ScaleToPowerOfTwoMatches) {
    using T = TypeParam;
    unsigned seed = 400;
    std::vector<Ref::Shape> shapes = Ref::standardShapes();
    shapes.push_back({8, 8, 2, 1, 2});
    shapes.push_back({16, 3, 1, 2, 1});
    for (const Ref::Shape& shape : shapes) {
        SCOPED_TRACE(Ref::describe(shape));
        auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
        if (seed % 2 == 0) Ref::addNonFinite(src);
        Ref::giveRandomWindows(src, seed);
        Ref::expectSameInPlace(
            src, [](Ivory::Image& img) { img.scaleToPowerOfTwo(); },
            [](Ref::RefImage<T>& img, std::ostream& log) { Ref::scaleToPowerOfTwo(img, log); });
    }
}

}  // namespace
