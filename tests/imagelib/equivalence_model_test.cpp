// The model's own operations against the plain reference, bit for bit, and worked examples that pin the rules.

#include "library_bridge.h"
#include "reference_model.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class ModelEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(ModelEquivalence, IvoryTest::AllElementTypes);

TYPED_TEST(ModelEquivalence, WindowFromDataSwapAndFlipMatch) {
    using T = TypeParam;
    std::vector<Ref::Case<T>> cases;
    auto windowFromData = [](auto& img) { img.setWindowFromData(); };
    // All channels pooled; the record is {window, level, low, high}.
    Ref::add(cases, "window of 5 2 9 / 3 4 8", Ref::imageOf<T>({3, 1, 1, 1, 2}, {5, 2, 9, 3, 4, 8}), windowFromData,
             {7, 5.5, 2, 9, 7, 5.5, 2, 9}, "", " window");
    std::vector<Ref::Shape> shapes = Ref::standardShapes();
    shapes.push_back(Ref::kSplitShape);
    unsigned seed = 2000;
    for (const Ref::Shape& shape : shapes) {
        const auto input = Ref::randomInput<T>(shape, ++seed);
        std::vector<Ref::RefImage<T>> windowInputs = {input, Ref::randomInput<T>(shape, ++seed)};
        // A NaN first, and zeros of both signs as extremes in either order: the scan keeps the first of equal values.
        if (std::is_floating_point_v<T> && input.data.size() > 2) {
            windowInputs.push_back(input);
            windowInputs.back().data[0] = std::numeric_limits<T>::quiet_NaN();
            for (const T side : {T(1), T(-1)})
                for (const T firstZero : {T(-0.0), T(0.0)}) {
                    windowInputs.push_back(input);
                    std::vector<T>& zeros = windowInputs.back().data;
                    for (T& e : zeros) e = side * T(std::fabs(e) + 1);
                    zeros[zeros.size() / 3] = firstZero;
                    zeros[2 * zeros.size() / 3] = -firstZero;
                }
        }
        for (const auto& windowInput : windowInputs) Ref::add(cases, "setWindowFromData, " + Ref::describe(shape), windowInput, windowFromData);
        Ref::add(cases, "swapBytes, " + Ref::describe(shape), input, [](auto& img) { img.swapBytes(); });
        for (int flags = 0; flags < 16; flags += shape.w == Ref::kSplitShape.w ? 5 : 1)
            Ref::add(cases, "flip " + std::to_string(flags) + ", " + Ref::describe(shape), input,
                     [=](auto& img) { img.flip(flags & 1, flags & 2, flags & 4, flags & 8); });
    }
    Ref::expectSame(cases);
}

auto downsampling(std::array<int, 4> f, bool intoNew) {
    return [=](auto& img) { return img.downsample(f[0], f[1], f[2], f[3], intoNew); };
}

TYPED_TEST(ModelEquivalence, DownsampleRotateAndScaleMatch) {
    using T = TypeParam;
    constexpr bool kFloating = std::is_floating_point_v<T>;
    std::vector<Ref::Case<T>> cases;
    // 5 x 4 in 2 x 2 blocks: column 4 dropped, (1+2+2+2)/4 = 1.75 and -11/3 truncated for integer types.
    const auto blocks = Ref::imageOf<T>({5, 4, 1, 1, 1}, {1, 2, 2, 3, 4, 2, 2, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
    Ref::add(cases, "downsample 2 2", blocks, downsampling({2, 2, 1, 1}, false), {kFloating ? 1.75 : 1, 5, 13, 15},
             "Image downsampled, new size 2 x 2 x 1\n");
    if (std::is_signed_v<T>)
        Ref::add(cases, "downsample -4 -4 -3", Ref::imageOf<T>({3, 1, 1, 1, 1}, {-4, -4, -3}), downsampling({3, 1, 1, 1}, true),
                 {kFloating ? double(-11.0f / 3.0f) : -3});
    // 2^24 + 1 + 1 + 1 stays 2^24 at every step in single precision, even for double.
    if (sizeof(T) >= 4)
        Ref::add(cases, "downsample 2^24 1 1 1", Ref::imageOf<T>({4, 1, 1, 1, 1}, {16777216, 1, 1, 1}),
                 downsampling({4, 1, 1, 1}, true), {4194304});
    // Element (x, y, z) holds x + 10y + 100z; about x the new z runs against the old y, about y the new
    // x against the old z, about z the new y against the old x.
    const auto volume = Ref::imageOf<T>({3, 2, 2, 1, 1}, {0, 1, 2, 10, 11, 12, 100, 101, 102, 110, 111, 112});
    const std::vector<double> turned[] = {{10, 11, 12, 110, 111, 112, 0, 1, 2, 100, 101, 102},
                                          {100, 0, 110, 10, 101, 1, 111, 11, 102, 2, 112, 12},
                                          {2, 12, 1, 11, 0, 10, 102, 112, 101, 111, 100, 110}};
    for (int axis = 0; axis < 3; ++axis)
        Ref::add(cases, "rotate " + std::to_string(axis), volume, [=](auto& img) { img.rotate(axis); }, turned[axis],
                 axis == 1 ? "Rotated image around axis 1\n" : nullptr);
    Ref::add(cases, "scaleToPowerOfTwo 5 x 3", Ref::imageOf<T>({5, 3, 2, 2, 2}, {7}), [](auto& img) { img.scaleToPowerOfTwo(); },
             {}, "Scaled to power of two, new width = 8, height = 4\n");
    // Just above a power of two single-precision logarithms gave 2^21 for 2^21 + 1.
    if (sizeof(T) == 1)
        for (const Ref::Shape& s : {Ref::Shape{(1 << 21) + 1, 1, 1, 1, 1}, Ref::Shape{1, (1 << 21) + 1, 1, 1, 1}})
            Ref::add(cases, "scaleToPowerOfTwo " + Ref::describe(s), Ref::randomInput<T>(s, 7), [](auto& img) { img.scaleToPowerOfTwo(); });

    // Factors along every axis, dividing or not, some larger than the extents (empty results).
    const std::array<int, 4> factorSets[] = {{1, 1, 1, 1}, {2, 2, 1, 1}, {2, 3, 2, 1}, {3, 2, 1, 2}, {4, 1, 3, 1}, {1, 1, 1, 3}, {5, 5, 2, 2}};
    unsigned seed = 100;
    for (const Ref::Shape& shape : Ref::standardShapes()) {
        for (const auto& f : factorSets)
            for (const bool intoNew : {false, true}) {
                auto input = Ref::randomInput<T>(shape, ++seed);
                input.verbose = int(seed % 3 != 0);
                Ref::add(cases, "downsample, " + Ref::describe(shape), input, downsampling(f, intoNew));
            }
        Ref::add(cases, "scaleToPowerOfTwo, " + Ref::describe(shape), Ref::randomInput<T>(shape, ++seed),
                 [](auto& img) { img.scaleToPowerOfTwo(); });
    }
    // Whole rows of n extreme or random elements: around the limits of the byte types' 16-bit sums and
    // of the 16-bit types' exact float sums (2^24 / 32768 = 512, 2^24 / 65535 = 256).
    for (const int n : {255, 256, 257, 258, 512, 513, 600})
        for (const bool extreme : {false, true}) {
            auto row = Ref::randomInput<T>({n, 1, 1, 1, 1}, ++seed);
            if (extreme) row.data.assign(size_t(n), std::numeric_limits<T>::lowest());
            Ref::add(cases, "downsample a row of " + std::to_string(n), row, downsampling({n, 1, 1, 1}, true));
        }
    // More channels than the block means accumulate at once (1024), rows split over three threads.
    Ref::add(cases, "downsample 1030 channels", Ref::randomInput<T>({6, 130, 1, 1, 1030}, ++seed), downsampling({2, 1, 1, 1}, true));
    // Planes of more than one tile along both axes, ragged or not, and a volume split over three threads.
    std::vector<Ref::Shape> turnedShapes = Ref::standardShapes();
    turnedShapes.insert(turnedShapes.end(), {{35, 21, 18, 1, 1}, {19, 17, 17, 1, 2}, {16, 16, 32, 2, 1}, Ref::kSplitShape});
    for (const Ref::Shape& shape : turnedShapes)
        for (int axis = 0; axis < 3; ++axis)
            for (int turns = 1; turns <= (shape.w == Ref::kSplitShape.w ? 1 : 3); ++turns) {
                auto input = Ref::randomInput<T>(shape, ++seed);
                input.verbose = turns % 2;
                Ref::add(cases, std::to_string(turns) + " turns about " + std::to_string(axis) + ", " + Ref::describe(shape), input,
                         [=](auto& img) {
                             for (int i = 0; i < turns; ++i) img.rotate(axis);
                         });
            }
    const auto large = Ref::randomInput<T>(Ref::kSplitShape, ++seed);
    for (const auto& f : {std::array<int, 4>{2, 2, 1, 1}, std::array<int, 4>{1, 2, 1, 1}})
        for (const bool intoNew : {false, true}) Ref::add(cases, "downsample, " + Ref::describe(Ref::kSplitShape), large, downsampling(f, intoNew));
    Ref::expectSame(cases);
}

}  // namespace
