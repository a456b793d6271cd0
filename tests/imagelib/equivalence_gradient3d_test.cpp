// gradient3D against the plain reference, bit for bit, for every output code
// and caller-supplied outputs of every type, with its clamp and warning count.

#include "derived_output.h"
#include "reference_gradient.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class Gradient3DEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(Gradient3DEquivalence, IvoryTest::AllElementTypes);

const std::string kUnsignedGradient = "Error: unsigned data type, cannot compute gradient!";

const std::vector<Ref::Shape> kVolumeShapes = {
    {7, 5, 3, 1, 1}, {6, 5, 4, 1, 2}, {5, 4, 5, 2, 1}, {3, 3, 3, 1, 1}, {37, 7, 4, 1, 1}};

TYPED_TEST(Gradient3DEquivalence, Gradient3DMatchesForEveryCode) {
    using T = TypeParam;
    unsigned seed = 4400;
    for (const Ref::Shape& shape : kVolumeShapes)
        for (const bool keepSize : {false, true})
            for (const bool withValue : {false, true})
                for (const auto& kernel : Ref::kernelChoices(27, seed += 5)) {
                    SCOPED_TRACE(Ref::describe(shape) + (keepSize ? ", keep size" : "") +
                                 (withValue ? ", with value" : "") +
                                 (kernel.empty() ? ", default kernel" : ", own kernel"));
                    auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                    if (seed % 2 == 0) Ref::addNonFinite(src);
                    Ref::giveRandomWindows(src, seed);
                    src.verbose = static_cast<int>(seed % 2);
                    const int s = keepSize ? 0 : 1;
                    for (const Ref::CodeCase& c : Ref::codeCases()) {
                        src.type = c.type;
                        const int resolved = c.code == 0 ? c.type : c.code;
                        Ref::expectSameMadeOutput(
                            src, c.code, kUnsignedGradient,
                            [&](Ivory::Image& img, int code) {
                                return img.gradient3D(code, Ref::orNull(kernel), keepSize, withValue, nullptr);
                            },
                            [&](auto tag, std::ostream& log) {
                                using U = typename decltype(tag)::type;
                                auto out = Ref::freshOutput<U>(src, shape.w - 2 * s, shape.h - 2 * s,
                                                               shape.d - 2 * s, 1, withValue ? 4 : 3);
                                Ref::gradient3DInto(src, Ref::orNull(kernel), keepSize, withValue, resolved, out, log);
                                return out;
                            });
                    }
                }
}

// The clamp follows the code, not the output's type: a float output with
// GL_BYTE holds clamped values.
TYPED_TEST(Gradient3DEquivalence, Gradient3DIntoCallerOutputsMatches) {
    using T = TypeParam;
    unsigned seed = 4500;
    for (const Ref::Shape& shape : kVolumeShapes)
        for (const int code : {0x1400, 0x1402, 0x1406})
            for (const bool keepSize : {false, true})
                for (const bool withValue : {false, true}) {
                    SCOPED_TRACE(Ref::describe(shape) + ", " + Ref::hexCode(code) +
                                 (keepSize ? ", keep size" : "") + (withValue ? ", with value" : ""));
                    auto src = Ref::randomImage<T>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
                    if (seed % 2 == 0) Ref::addNonFinite(src);
                    Ref::giveRandomWindows(src, seed);
                    const auto kernel = Ref::kernelChoices(27, seed)[1];
                    const int s = keepSize ? 0 : 1;
                    Ref::expectSameCallerOutputs(
                        src, {shape.w - 2 * s, shape.h - 2 * s, shape.d - 2 * s, 1, withValue ? 4 : 3}, seed,
                        [&](Ivory::Image& img, Ivory::Image* out) {
                            return img.gradient3D(code, kernel.data(), keepSize, withValue, out);
                        },
                        [&](auto& out, std::ostream& log) {
                            Ref::gradient3DInto(src, kernel.data(), keepSize, withValue, code, out, log);
                        });
                }
}

}  // namespace
