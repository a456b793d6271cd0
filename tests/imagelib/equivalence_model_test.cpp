// Window from data, byte swapping and mirroring against the plain reference.

#include <cmath>
#include <limits>
#include <vector>

#include "library_bridge.h"
#include "reference_model.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class ModelEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(ModelEquivalence, IvoryTest::AllElementTypes);

// Random elements; for the floating types also NaN and infinities, a NaN as
// the first element (no comparison with it holds), and zeros of both signs
// as the smallest or largest value, in either order (the scan keeps the
// first of equal values).
template <typename T> std::vector<Ref::RefImage<T>> windowFromDataInputs(const Ref::Shape& shape, unsigned seed) {
    const auto random = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, seed);
    std::vector<Ref::RefImage<T>> inputs = {random};
    if constexpr (std::is_floating_point_v<T>) {
        const size_t size = random.data.size();
        if (size < 3) return inputs;
        inputs.push_back(random);
        Ref::addNonFinite(inputs.back());
        inputs.push_back(random);
        inputs.back().data[0] = std::numeric_limits<T>::quiet_NaN();
        for (const T side : {T(1), T(-1)})
            for (const T firstZero : {T(-0.0), T(0.0)}) {
                auto zeros = random;
                for (T& e : zeros.data) e = side * (std::fabs(e) + 1);
                zeros.data[size / 3] = firstZero;
                zeros.data[2 * size / 3] = -firstZero;
                inputs.push_back(zeros);
            }
    }
    return inputs;
}

TYPED_TEST(ModelEquivalence, SetWindowFromDataMatches) {
    unsigned seed = 2000;
    for (const Ref::Shape& shape : Ref::standardShapes()) {
        const auto inputs = windowFromDataInputs<TypeParam>(shape, ++seed);
        for (size_t i = 0; i < inputs.size(); ++i) {
            SCOPED_TRACE(Ref::describe(shape) + ", input " + std::to_string(i));
            Ref::expectSameInPlace(
                inputs[i], [](Ivory::Image& img) { img.setWindowFromData(); },
                [](Ref::RefImage<TypeParam>& img, std::ostream&) { Ref::setWindowFromData(img); });
        }
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
