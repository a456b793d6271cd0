// Window from data, byte swapping and mirroring against the plain reference.

#include "library_bridge.h"
#include "reference_model.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class ModelEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(ModelEquivalence, IvoryTest::AllElementTypes);

TYPED_TEST(ModelEquivalence, SetWindowFromDataMatches) {
    unsigned seed = 2000;
    for (const Ref::Shape& shape : Ref::standardShapes()) {
        SCOPED_TRACE(Ref::describe(shape));
        Ref::expectSameInPlace(
            Ref::randomImage<TypeParam>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed),
            [](Ivory::Image& img) { img.setWindowFromData(); },
            [](Ref::RefImage<TypeParam>& img, std::ostream&) { Ref::setWindowFromData(img); });
    }
}

TYPED_TEST(ModelEquivalence, SwapBytesMatches) {
    unsigned seed = 2100;
    for (const Ref::Shape& shape : Ref::standardShapes()) {
        SCOPED_TRACE(Ref::describe(shape));
        Ref::expectSameInPlace(
            Ref::randomImage<TypeParam>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed),
            [](Ivory::Image& img) { img.swapBytes(); },
            [](Ref::RefImage<TypeParam>& img, std::ostream&) { Ref::swapBytes(img); });
    }
}

TYPED_TEST(ModelEquivalence, FlipWithEveryFlagCombinationMatches) {
    unsigned seed = 2200;
    for (const Ref::Shape& shape : Ref::standardShapes())
        for (int flags = 0; flags < 16; ++flags) {
            const bool fx = flags & 1, fy = flags & 2, fz = flags & 4, ft = flags & 8;
            SCOPED_TRACE(Ref::describe(shape) + ", flags " + std::to_string(flags));
            auto src = Ref::randomImage<TypeParam>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
            Ref::giveRandomWindows(src, seed);
            Ref::expectSameInPlace(
                src, [&](Ivory::Image& img) { img.flip(fx, fy, fz, ft); },
                [&](Ref::RefImage<TypeParam>& img, std::ostream&) { Ref::flip(img, fx, fy, fz, ft); });
        }
}

}  // namespace
