// gradient and hessian against the plain reference, bit for bit, for every
// output code and caller-supplied outputs of every type.

#include "derived_output.h"
#include "reference_gradient.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class GradientEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(GradientEquivalence, IvoryTest::AllElementTypes);

const std::string kUnsignedGradient = "Error: unsigned data type, cannot compute gradient!";
const std::string kUnsignedHessian = "Error: unsigned data type, cannot compute hessian!";

const std::vector<Ref::Shape> kGradientShapes = {
    {7, 5, 3, 1, 1}, {13, 11, 4, 1, 1}, {6, 4, 2, 2, 3}, {3, 3, 1, 1, 1}, {149, 9, 3, 1, 1}};

TYPED_TEST(GradientEquivalence, GradientMatchesForEveryCode) {
    using T = TypeParam;
    unsigned seed = 4000;
    for (const Ref::Shape& shape : kGradientShapes)
        for (const bool keepSize : {false, true})
            for (const auto& kernel : Ref::kernelChoices(9, seed += 5)) {
                SCOPED_TRACE(Ref::describe(shape) + (keepSize ? ", keep size" : "") +
                             (kernel.empty() ? ", default kernel" : ", own kernel"));
                auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                if (seed % 2 == 0) Ref::addNonFinite(src);
                const int s = keepSize ? 0 : 1;
                for (const Ref::CodeCase& c : Ref::codeCases()) {
                    src.type = c.type;
                    Ref::expectSameMadeOutput(
                        src, c.code, kUnsignedGradient,
                        [&](Ivory::Image& img, int code) { return img.gradient(code, Ref::orNull(kernel), keepSize, nullptr); },
                        [&](auto tag, std::ostream&) {
                            using U = typename decltype(tag)::type;
                            auto out = Ref::freshOutput<U>(src, shape.w - 2 * s, shape.h - 2 * s, shape.d, 1, 2);
                            Ref::gradientInto(src, Ref::orNull(kernel), keepSize, out);
                            return out;
                        });
                }
            }
}

TYPED_TEST(GradientEquivalence, GradientIntoCallerOutputsMatches) {
    using T = TypeParam;
    unsigned seed = 4100;
    for (const Ref::Shape& shape : kGradientShapes)
        for (const bool keepSize : {false, true}) {
            SCOPED_TRACE(Ref::describe(shape) + (keepSize ? ", keep size" : ""));
            auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
            if (seed % 2 == 0) Ref::addNonFinite(src);
            const auto kernel = Ref::randomKernel(3, seed);
            const int s = keepSize ? 0 : 1;
            Ref::expectSameCallerOutputs(
                src, {shape.w - 2 * s, shape.h - 2 * s, shape.d, 2, 2}, seed,
                [&](Ivory::Image& img, Ivory::Image* out) { return img.gradient(0x1400, kernel.data(), keepSize, out); },
                [&](auto& out, std::ostream&) { Ref::gradientInto(src, kernel.data(), keepSize, out); });
        }
}

// hessian of a one-channel image goes through an intermediate gradient image
// of the resolved code's type; of any other image it reads channels 0 and 1.
template <typename T, typename U>
void hessianReference(const Ref::RefImage<T>& src, const float* kernel, int resolved,
                      Ref::RefImage<U>& out) {
    if (src.channels != 1) {
        Ref::hessianOfGradient(src, kernel, out);
        return;
    }
    Ref::withElementType(resolved, [&](auto tag) {
        using G = typename decltype(tag)::type;
        auto grad = Ref::freshOutput<G>(src, src.dim[0], src.dim[1], src.dim[2], 1, 2);
        Ref::gradientInto(src, kernel, true, grad);
        Ref::hessianOfGradient(grad, kernel, out);
    });
}

const std::vector<Ref::Shape> kHessianShapes = {
    {7, 5, 3, 1, 1}, {13, 11, 2, 1, 1}, {7, 5, 3, 1, 2}, {6, 5, 2, 2, 3}, {3, 4, 1, 1, 2}};

TYPED_TEST(GradientEquivalence, HessianMatchesForEveryCode) {
    using T = TypeParam;
    unsigned seed = 4200;
    for (const Ref::Shape& shape : kHessianShapes)
        for (const auto& kernel : Ref::kernelChoices(9, seed += 5)) {
            SCOPED_TRACE(Ref::describe(shape) + (kernel.empty() ? ", default kernel" : ", own kernel"));
            auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
            if (seed % 2 == 0) Ref::addNonFinite(src);
            for (const Ref::CodeCase& c : Ref::codeCases()) {
                src.type = c.type;
                const int resolved = c.code == 0 ? c.type : c.code;
                Ref::expectSameMadeOutput(
                    src, c.code, kUnsignedHessian,
                    [&](Ivory::Image& img, int code) { return img.hessian(code, Ref::orNull(kernel), nullptr); },
                    [&](auto tag, std::ostream&) {
                        using U = typename decltype(tag)::type;
                        auto out = Ref::freshOutput<U>(src, shape.w, shape.h, shape.d, 1, 3);
                        hessianReference(src, Ref::orNull(kernel), resolved, out);
                        return out;
                    });
            }
        }
}

TYPED_TEST(GradientEquivalence, HessianIntoCallerOutputsMatches) {
    using T = TypeParam;
    unsigned seed = 4300;
    for (const Ref::Shape& shape : kHessianShapes)
        for (const int code : {0x1402, 0x1406}) {
            SCOPED_TRACE(Ref::describe(shape) + ", " + Ref::hexCode(code));
            auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
            if (seed % 2 == 0) Ref::addNonFinite(src);
            const auto kernel = Ref::randomKernel(3, seed);
            Ref::expectSameCallerOutputs(
                src, {shape.w, shape.h, shape.d, 1, 3}, seed,
                [&](Ivory::Image& img, Ivory::Image* out) { return img.hessian(code, kernel.data(), out); },
                [&](auto& out, std::ostream&) { hessianReference(src, kernel.data(), code, out); });
        }
}

}  // namespace
