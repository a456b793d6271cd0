// Window from data, byte swapping and mirroring against the plain reference.

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
    Ref::add(cases, "window of sevens", Ref::imageOf<T>({2, 1, 1, 1, 1}, {7, 7}), windowFromData, {0, 7, 7, 7}, "", " window");
    Ref::add(cases, "flip along x", Ref::imageOf<T>({3, 1, 1, 1, 2}, {1, 2, 3, 4, 5, 6}),
             [](auto& img) { img.flip(true, false, false, false); }, {5, 6, 3, 4, 1, 2});
    // Bytes 1 2 3 4 become 4 3 2 1 in a 4-byte element, 1 2 become 2 1 in a
    // 2-byte one; 1- and 8-byte elements stay.
    Ref::RefImage<T> bytes(1, 1, 1, 1, 1);
    const unsigned char order[8] = {1, 2, 3, 4, 5, 6, 7, 8}, four[4] = {4, 3, 2, 1}, two[2] = {2, 1};
    T swapped;
    std::memcpy(bytes.data.data(), order, sizeof(T));
    std::memcpy(&swapped, sizeof(T) == 4 ? four : sizeof(T) == 2 ? two : order, sizeof(T));
    Ref::add(cases, "swapBytes of 1 2 3 4", bytes, [](auto& img) { img.swapBytes(); }, {double(swapped)});
    std::vector<Ref::Shape> shapes = Ref::standardShapes();
    shapes.push_back(Ref::kSplitShape);
    unsigned seed = 2000;
    for (const Ref::Shape& shape : shapes) {
        const auto input = Ref::randomInput<T>(shape, ++seed);
        std::vector<Ref::RefImage<T>> windowInputs = {input, Ref::randomInput<T>(shape, ++seed)};
        // A NaN first (no comparison with it holds), and zeros of both signs as
        // the smallest or largest value, in either order (the scan keeps the
        // first of equal values).
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

}  // namespace
