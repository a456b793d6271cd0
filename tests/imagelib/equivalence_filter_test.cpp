// filter and fillBorder against the plain reference, bit for bit, for every
// output code and caller-supplied outputs of every type.

#include "derived_output.h"
#include "reference_filter.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class FilterEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(FilterEquivalence, IvoryTest::AllElementTypes);

const char* const kUnsignedFilter = "Error: unsigned data type, cannot compute filtered image!";

// Slices at least 7 x 7 so that every kernel size fits; a two-channel source
// is read as one channel, as the filters do.
const std::vector<Ref::Shape> kFilterShapes = {
    {7, 7, 2, 1, 1}, {13, 11, 3, 1, 1}, {9, 8, 2, 2, 2}, {8, 13, 1, 1, 1}, {149, 9, 3, 1, 1}};

// Kernels of each size: random with zero taps, and one with a single tap.
std::vector<std::vector<float>> kernelsOfSize(int n, unsigned seed) {
    std::vector<float> single(static_cast<size_t>(n) * n, 0.0f);
    single[static_cast<size_t>(n) * n / 2 + 1] = -1.5f;
    return {Ref::randomKernel(n, seed), Ref::randomKernel(n, seed + 1), single};
}

TYPED_TEST(FilterEquivalence, EveryOutputCodeMatches) {
    using T = TypeParam;
    unsigned seed = 3000;
    for (const Ref::Shape& shape : kFilterShapes)
        for (const int n : {3, 5, 7})
            for (const auto& kernel : kernelsOfSize(n, seed += 7)) {
                SCOPED_TRACE(Ref::describe(shape) + ", " + std::to_string(n) + " x " + std::to_string(n));
                auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                if (seed % 2 == 0) Ref::addNonFinite(src);
                std::vector<int> codes = Ref::everyCode();
                codes.push_back(0);
                for (const int code : codes) {
                    src.type = code == 0 ? 0x1402 + 4 * static_cast<int>(seed % 2) : 0;
                    Ref::expectSameMadeOutput(
                        src, code, kUnsignedFilter,
                        [&](Ivory::Image& img, int c) { return img.filter(c, kernel.data(), n, nullptr); },
                        [&](auto tag, std::ostream&) {
                            using U = typename decltype(tag)::type;
                            auto out = Ref::freshOutput<U>(src, shape.w, shape.h, shape.d, shape.f, 1);
                            Ref::filterInto(src, kernel.data(), n, out);
                            return out;
                        });
                }
            }
}

TYPED_TEST(FilterEquivalence, CallerOutputsOfEveryTypeMatch) {
    using T = TypeParam;
    unsigned seed = 3100;
    for (const Ref::Shape& shape : kFilterShapes)
        for (const int n : {3, 7})
            for (const int code : {0x1406, 0x1400}) {
                SCOPED_TRACE(Ref::describe(shape) + ", " + std::to_string(n) + " x " +
                             std::to_string(n) + ", " + Ref::hexCode(code));
                auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                if (seed % 2 == 0) Ref::addNonFinite(src);
                const auto kernel = Ref::randomKernel(n, seed);
                // one frame more than needed: the second frame must stay as it was
                const Ref::Shape outShape{shape.w, shape.h, shape.d, 2, 1};
                Ref::expectSameCallerOutputs(
                    src, outShape, seed,
                    [&](Ivory::Image& img, Ivory::Image* out) { return img.filter(code, kernel.data(), n, out); },
                    [&](auto& out, std::ostream&) { Ref::filterInto(src, kernel.data(), n, out); });
            }
}

TYPED_TEST(FilterEquivalence, FillBorderMatches) {
    using T = TypeParam;
    unsigned seed = 3200;
    const std::vector<Ref::Shape> shapes = {{7, 5, 3, 1, 1}, {13, 11, 4, 2, 1}, {6, 4, 2, 2, 3}, {4, 4, 1, 1, 1}};
    for (const Ref::Shape& shape : shapes)
        for (int k = 0; k <= std::min(shape.w, shape.h) / 2; ++k) {
            SCOPED_TRACE(Ref::describe(shape) + ", border " + std::to_string(k));
            Ref::expectSameInPlace(
                Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed),
                [&](Ivory::Image& img) { img.fillBorder(k); },
                [&](Ref::RefImage<T>& img, std::ostream&) { Ref::fillBorder(img, k); });
        }
}

}  // namespace
