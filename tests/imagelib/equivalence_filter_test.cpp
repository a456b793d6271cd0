// The filters and derivatives against the plain reference, bit for bit, into every kind of output, and worked examples.

#include "library_bridge.h"
#include "reference_filter.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class FilterEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(FilterEquivalence, IvoryTest::AllElementTypes);

// Case i makes its output for code i % 14: GL_BYTE to GL_DOUBLE (three unknown too), or 0 for the source's m_type.
struct Code { int code, type; };
Code codeFor(size_t i) {
    const Code zeros[] = {{0, 0x1402}, {0, 0x1405}, {0, 0}};
    return i % 14 < 11 ? Code{0x1400 + int(i % 14), 0} : zeros[i % 14 - 11];
}
const int kOutputCodes[] = {0x1400, 0x1401, 0x1402, 0x1403, 0x1404, 0x1405, 0x1406, 0x140A};

// `taps` random weights, about a third of them 0.
std::vector<float> randomKernel(size_t taps, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<float> kernel(taps);
    for (float& tap : kernel) tap = rng() % 3 == 0 ? 0.0f : std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
    return kernel;
}
const float* orNull(const std::vector<float>& kernel) { return kernel.empty() ? nullptr : kernel.data(); }

// op(image, code) making its own output, with input.m_type from the code.
template <typename T, typename Op> void addMade(std::vector<Ref::Case<T>>& cases, const std::string& what, Ref::RefImage<T> input, Code c, Op op) {
    input.type = c.type;
    Ref::add(cases, what + ", code " + std::to_string(c.code) + " for type " + std::to_string(c.type), input,
             [=](auto& img) { return op(img, c.code); });
}
// op(image, out) into a caller's output of the code's type and shape s, random at first.
template <typename T, typename Op>
void addInto(std::vector<Ref::Case<T>>& cases, const std::string& what, const Ref::RefImage<T>& input, int code, Ref::Shape s, unsigned seed, Op op) {
    Ref::withElementType(code, [&](auto u) {
        const auto start = Ref::randomInput<decltype(u)>(s, seed);
        Ref::add(cases, what + ", into type " + std::to_string(code) + (seed % 2 ? " through setNext" : ""), input,
                 [=](auto& img) { return Ref::intoOutput(img, start, seed % 2, [&](auto* out) { return op(img, out); }); });
    });
}

TYPED_TEST(FilterEquivalence, FilterFillBorderGradientHessianAndGradient3DMatch) {
    using T = TypeParam;
    std::vector<Ref::Case<T>> cases;
    const float ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1}, middleRow[9] = {0, 0, 0, 1, 1, 1, 0, 0, 0};
    auto filtering = [](int code, const float* kernel, int n) { return [=](auto& img) { return img.filter(code, kernel, n, nullptr); }; };
    // Inner sums; the ring nearer than (n-1)/2 to an edge 0.
    Ref::add(cases, "filter of twos", Ref::imageOf<T>({4, 4, 1, 1, 1}, std::vector<double>(16, 2)), filtering(0x1406, ones, 3),
             {0, 0, 0, 0, 0, 18, 18, 0, 0, 18, 18, 0, 0, 0, 0, 0});
    // Sums are floats: ((0 + 1e8) + 1) - 1e8 is 0 (in double 1).
    if (std::is_floating_point_v<T>)
        Ref::add(cases, "filter sums in float", Ref::imageOf<T>({3, 3, 1, 1, 1}, {1e8, 1, -1e8, 1e8, 1, -1e8, 1e8, 1, -1e8}),
                 filtering(0x1406, middleRow, 3), std::vector<double>(9, 0));

    unsigned seed = 3000;
    size_t code = 0;
    // Slices of at least 7 x 7, so that every kernel size fits; a two-channel source is read as one channel.
    for (const Ref::Shape& s : {Ref::Shape{7, 7, 2, 1, 1}, Ref::Shape{13, 11, 3, 1, 1}, Ref::Shape{9, 8, 2, 2, 2},
                                Ref::Shape{8, 13, 1, 1, 1}, Ref::Shape{149, 9, 3, 1, 1}})
        for (const int n : {1, 3, 5, 7}) {
            std::vector<float> kernel = randomKernel(size_t(n) * n, ++seed);
            if (n == 7) kernel.assign(49, 0.0f), kernel[25] = -1.5f;  // a single tap
            const auto input = Ref::randomInput<T>(s, seed);
            const std::string what = "filter " + std::to_string(n) + ", " + Ref::describe(s);
            addMade(cases, what, input, codeFor(code++), [=](auto& img, int c) { return img.filter(c, kernel.data(), n, nullptr); });
            // One frame more than needed: the second frame must stay as it was.
            addInto(cases, what, input, kOutputCodes[code % 8], {s.w, s.h, s.d, 2, 1}, seed,
                    [=](auto& img, auto* out) { return img.filter(0x1406, kernel.data(), n, out); });
            Ref::add(cases, what + ", into its own block", input, [=](auto& img) {
                const int returned = img.filter(0x1402, kernel.data(), n, &img) == &img;
                return Ref::Outcome().values("returned the image", &returned, 1);
            });
        }
    for (const Ref::Shape& s : {Ref::Shape{7, 5, 3, 1, 1}, Ref::Shape{13, 11, 4, 2, 1}, Ref::Shape{6, 4, 2, 2, 3}})
        for (int k = 0; k <= std::min(s.w, s.h) / 2; ++k)
            Ref::add(cases, "fillBorder " + std::to_string(k) + ", " + Ref::describe(s), Ref::randomInput<T>(s, ++seed),
                     [=](auto& img) { img.fillBorder(k); });
    // Rows 0 0 0 / 1 1 1 / 2 2 2: -8 across (0 + 0 + 0) - (2 + 4 + 2), 0 along.
    const auto rows = Ref::imageOf<T>({3, 3, 1, 1, 1}, {0, 0, 0, 1, 1, 1, 2, 2, 2});
    Ref::add(cases, "gradient of rows", rows, [](auto& img) { return img.gradient(0x1402, nullptr, false, nullptr); }, {-8, 0});
    Ref::add(cases, "window of the gradient of rows", rows, [](auto& img) { return img.gradient(0x1402, nullptr, false, nullptr); },
             {8, -4, -8, 0, 8, -4, -8, 0}, "", "made window");
    // A step of 100 along x: each plane of the default kernel weighs 10, so the voxels next to the step
    // see -1000, which a char output clamps to -128 and counts.
    std::vector<double> step(36), clamped(108, 0.0);
    for (int i = 0; i < 36; ++i) step[i] = i % 4 < 2 ? 0 : 100;
    clamped[51] = clamped[54] = -128;
    Ref::add(cases, "gradient3D of a step", Ref::imageOf<T>({4, 3, 3, 1, 1}, step),
             [](auto& img) { return img.gradient3D(0x1400, nullptr, true, false, nullptr); }, clamped,
             "Computing 3D gradient...\nDone. Range = [-128..0]\nWarning: 2 values exceeded.\n");

    for (const Ref::Shape& s : {Ref::Shape{7, 5, 3, 1, 1}, Ref::Shape{13, 11, 4, 1, 1}, Ref::Shape{6, 4, 2, 2, 3},
                                Ref::Shape{3, 3, 1, 1, 1}, Ref::Shape{149, 9, 3, 1, 1}})
        for (const bool keepSize : {false, true})
            for (const bool ownKernel : {false, true}) {
                const auto kernel = ownKernel ? randomKernel(9, ++seed) : std::vector<float>();
                const auto input = Ref::randomInput<T>(s, ++seed);
                const int w = s.w - (keepSize ? 0 : 2), h = s.h - (keepSize ? 0 : 2);
                const std::string what = "gradient, " + Ref::describe(s) + (keepSize ? ", keep size" : "");
                addMade(cases, what, input, codeFor(code++), [=](auto& img, int c) { return img.gradient(c, orNull(kernel), keepSize, nullptr); });
                addInto(cases, what, input, kOutputCodes[code % 8], {w, h, s.d, 2, 2}, seed,
                        [=](auto& img, auto* out) { return img.gradient(0x1400, orNull(kernel), keepSize, out); });
                // A one-channel image or channels 0 and 1 of a gradient image.
                const auto gradients = Ref::randomInput<T>({s.w, s.h, s.d, s.f, keepSize ? 1 : s.c + 1}, ++seed);
                addMade(cases, "hessian, " + Ref::describe(s), gradients, codeFor(code++),
                        [=](auto& img, int c) { return img.hessian(c, orNull(kernel), nullptr); });
                addInto(cases, "hessian, " + Ref::describe(s), gradients, kOutputCodes[code % 8], {s.w, s.h, s.d, 1, 3}, seed,
                        [=](auto& img, auto* out) { return img.hessian(0x1406, orNull(kernel), out); });
            }
    for (const Ref::Shape& s : {Ref::Shape{7, 5, 3, 1, 1}, Ref::Shape{6, 5, 4, 1, 2}, Ref::Shape{5, 4, 5, 2, 1}, Ref::Shape{3, 3, 3, 1, 1},
                                Ref::Shape{37, 7, 4, 1, 1}})
        for (int variant = 0; variant < 8; ++variant) {
            const bool keepSize = variant & 1, withValue = variant & 2;
            const auto kernel = variant & 4 ? randomKernel(27, ++seed) : std::vector<float>();
            auto input = Ref::randomInput<T>(s, ++seed);
            input.verbose = int(seed % 4 < 2);
            const int k = keepSize ? 0 : 2;
            const std::string what = "gradient3D " + std::to_string(variant) + ", " + Ref::describe(s);
            addMade(cases, what, input, codeFor(code++),
                    [=](auto& img, int c) { return img.gradient3D(c, orNull(kernel), keepSize, withValue, nullptr); });
            // The clamp follows the code, not the output's type.
            const int clampCode = std::array<int, 3>{0x1400, 0x1402, 0x1406}[seed % 3];
            addInto(cases, what + ", clamped for " + std::to_string(clampCode), input, kOutputCodes[code % 8],
                    {s.w - k, s.h - k, s.d - k, 1, withValue ? 4 : 3}, seed,
                    [=](auto& img, auto* out) { return img.gradient3D(clampCode, orNull(kernel), keepSize, withValue, out); });
        }
    // Rows enough to be split over three threads; clamped values are counted once whatever the split.
    const Ref::Shape big{131, 50, 15, 1, 1};
    const auto kernel = randomKernel(49, ++seed);
    const auto input = Ref::randomInput<T>(big, seed);
    addMade(cases, "filter 7, " + Ref::describe(big), input, {0x1406, 0}, [=](auto& img, int c) { return img.filter(c, kernel.data(), 7, nullptr); });
    addInto(cases, "filter 3, " + Ref::describe(big), input, 0x1402, big, 2 * seed,
            [=](auto& img, auto* out) { return img.filter(0x1406, kernel.data(), 3, out); });
    addMade(cases, "gradient, " + Ref::describe(big), input, {0x1406, 0}, [](auto& img, int c) { return img.gradient(c, nullptr, false, nullptr); });
    addMade(cases, "hessian, " + Ref::describe(big), input, {0x1406, 0}, [](auto& img, int c) { return img.hessian(c, nullptr, nullptr); });
    addMade(cases, "gradient3D, " + Ref::describe(big), input, {0x1400, 0},
            [](auto& img, int c) { return img.gradient3D(c, nullptr, true, true, nullptr); });
    addInto(cases, "gradient3D, " + Ref::describe(big), input, 0x1406, {129, 48, 13, 1, 4}, 2 * seed + 1,
            [](auto& img, auto* out) { return img.gradient3D(0x1402, nullptr, false, false, out); });
    Ref::expectSame(cases);
}

}  // namespace
