// Window-based intensity operations, the exports and the centroid against the plain reference, bit for bit.

#include "library_bridge.h"
#include "reference_intensity.h"

namespace Ref = IvoryReference;

namespace {

template <typename T> class IntensityEquivalence : public ::testing::Test {};
TYPED_TEST_SUITE(IntensityEquivalence, IvoryTest::AllElementTypes);

// An export into a buffer of its own and into a caller's of `size` values, written that far and no further.
template <typename Out, typename Export> auto exporting(size_t size, Export exportInto) {
    return [=](auto& img) {
        std::vector<Out> callers(size + 16, Out(0xAB));
        const int returned = exportInto(img, callers.data()) == callers.data();
        Out* own = exportInto(img, static_cast<Out*>(nullptr));
        Ref::Outcome outcome;
        outcome.values("own buffer", own, size).values("caller's buffer", callers.data(), callers.size());
        delete[] own;
        return outcome.values("returned the caller's buffer", &returned, 1);
    };
}

// toBytes and toShorts, or with a slice sliceToBytes of it; a worked example gives the own buffer's values.
template <typename T>
void addExports(std::vector<Ref::Case<T>>& cases, const Ref::RefImage<T>& input, bool powerOfTwo, std::vector<double> bytes = {},
                std::vector<double> shorts = {}, int slice = -1, int channel = 0) {
    auto extent = [&](int n) { return size_t(powerOfTwo ? Ref::nextPowerOfTwo(n) : n); };
    const size_t plane = extent(input.dim[0]) * extent(input.dim[1]), size = plane * extent(input.dim[2]) * input.channels;
    const char* own = bytes.empty() ? " elements" : "own buffer";
    const std::string padded = powerOfTwo ? ", padded" : "";
    if (slice >= 0) {
        Ref::add(cases, "sliceToBytes " + std::to_string(slice) + ", channel " + std::to_string(channel) + padded, input,
                 exporting<unsigned char>(plane, [=](auto& img, unsigned char* out) { return img.sliceToBytes(out, slice, channel, powerOfTwo); }),
                 bytes, nullptr, own);
        return;
    }
    Ref::add(cases, "toBytes" + padded, input,
             exporting<unsigned char>(size, [=](auto& img, unsigned char* out) { return img.toBytes(out, powerOfTwo); }), bytes, nullptr, own);
    Ref::add(cases, "toShorts" + padded, input,
             exporting<unsigned short>(size, [=](auto& img, unsigned short* out) { return img.toShorts(out, powerOfTwo); }), shorts, nullptr, own);
}

template <typename T> Ref::RefImage<T> windowed(const Ref::Shape& s, std::vector<double> values, float low, float high) {
    auto img = Ref::imageOf<T>(s, values);
    for (int c = 0; c < s.c; ++c) img.setWindow(low, high, c);
    return img;
}

TYPED_TEST(IntensityEquivalence, InvertWindowLevelExportsAndCentroidMatch) {
    using T = TypeParam;
    std::vector<Ref::Case<T>> cases;
    // Windows 10..50 and 0..100: invert uses each channel's, applyWindowLevel channel 0's for every element.
    auto twoWindows = windowed<T>({3, 1, 1, 1, 2}, {20, 20, 50, 30, 10, 100}, 10, 50);
    twoWindows.setWindow(0, 100, 1);
    Ref::add(cases, "invert", twoWindows, [](auto& img) { img.invert(); }, {40, 80, 10, 70, 50, 0});
    twoWindows.data = {5, 30, 60, 10, 0, 0};
    Ref::add(cases, "applyWindowLevel", twoWindows, [](auto& img) { img.applyWindowLevel(false); }, {0, 20, 40, 0, 0, 0},
             "Window/Level setting applied\n");
    // The quotient is clamped to 0..top before truncation, also far beyond int (2.55e32 for 1 in a window of 1e-30).
    addExports(cases, windowed<T>({5, 1, 1, 1, 1}, {0, 25, 50, 100, 120}, 0, 100), false, {0, 63, 127, 255, 255},
               {0, 16383, 32767, 65535, 65535});
    addExports(cases, windowed<T>({3, 1, 1, 1, 1}, {0, 1, 100}, 0, 1e-30f), false, {0, 255, 255}, {0, 65535, 65535});
    addExports(cases, windowed<T>({3, 1, 1, 1, 1}, {0, 1, 100}, 0, 1e-30f), false, {0, 255, 255}, {}, 0);
    // 254.9999999 is 255.0f: a double is rounded to float for the exports, truncated directly for a slice.
    if (!std::is_same_v<T, char>) {
        const auto nearly = windowed<T>({1, 1, 1, 1, 1}, {254.9999999}, 0, 255);
        const bool floating = std::is_floating_point_v<T>;
        addExports(cases, nearly, false, {floating ? 255.0 : 254.0}, {floating ? 65535.0 : 65278.0});
        addExports(cases, nearly, false, {std::is_same_v<T, float> ? 255.0 : 254.0}, {}, 0);
    }
    if (std::is_floating_point_v<T>) {
        // A window wider than 2^125, whose reciprocal would be subnormal.
        std::mt19937 rng(77);
        std::vector<double> wide(61);
        for (double& e : wide) e = std::uniform_real_distribution<double>(-1e38, 1e38)(rng);
        addExports(cases, windowed<T>({61, 1, 1, 1, 1}, wide, -1e38f, 1e38f), false);
    }
    auto centroid = [](auto& img) {
        float centre[3];
        const int returned = img.centroid(centre) == centre;
        return Ref::Outcome().values("centroid", centre, 3).values("returned out", &returned, 1);
    };
    Ref::add(cases, "centroid", windowed<T>({4, 1, 1, 1, 1}, {0, 1, 0, 3}, 0, 10), centroid, {2.5, 0, 0}, nullptr, "centroid");

    std::vector<Ref::Shape> shapes = Ref::standardShapes();
    shapes.push_back(Ref::kSplitShape);
    unsigned seed = 1000;
    for (const Ref::Shape& shape : shapes) {
        auto input = Ref::randomInput<T>(shape, ++seed);
        input.verbose = int(seed % 3 != 0);
        Ref::add(cases, "invert, " + Ref::describe(shape), input, [](auto& img) { img.invert(); });
        for (const bool reversed : {false, true})
            Ref::add(cases, "applyWindowLevel, " + Ref::describe(shape), input, [=](auto& img) { img.applyWindowLevel(reversed); });
        // The last channel's window has zero width, at one of the image's values.
        input.setWindow(Ivory::toFloat(input.data[0]), Ivory::toFloat(input.data[0]), shape.c - 1);
        for (const bool powerOfTwo : {false, true}) {
            addExports(cases, input, powerOfTwo);
            for (const int slice : {0, shape.d - 1, shape.d, 2 * shape.d + 1})
                for (int channel = 0; channel < shape.c && shape.w != Ref::kSplitShape.w; ++channel)
                    addExports(cases, input, powerOfTwo, {}, {}, slice, channel);
        }
        Ref::add(cases, "centroid, " + Ref::describe(shape), input, centroid);
    }
    Ref::expectSame(cases);
}

// Every value of the 8- and 16-bit types; for wider ones whole numbers (and their neighbouring floats), where a mapping
// without a division per element must still truncate exactly, and the values around each power of two, where toFloat rounds.
template <typename T> std::vector<T> edgeValues() {
    using Limits = std::numeric_limits<T>;
    std::vector<T> values;
    if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
        for (long long v = Limits::min(); v <= Limits::max(); ++v) values.push_back(T(v));
        return values;
    }
    if constexpr (std::is_integral_v<T>) {
        for (long long v = std::is_signed_v<T> ? -400 : 0; v < 21600; ++v) values.push_back(T(v));
    } else {
        for (int v = -300; v < 7000; ++v)
            for (const T e : {T(v), std::nextafter(T(v), T(-1e9)), std::nextafter(T(v), T(1e9))}) values.push_back(e);
    }
    values.insert(values.end(), {Limits::lowest(), Limits::max()});
    for (int shift = 0; shift < int(sizeof(T) * 8); ++shift)
        for (int delta = -3; delta <= 3; ++delta)
            for (const double v : {std::ldexp(1.0, shift) + delta, -std::ldexp(1.0, shift) - delta})
                if (v >= double(Limits::lowest()) && v <= double(Limits::max())) values.push_back(T(v));
    return values;
}

// The exports at windows whose positions land on whole numbers; applyWindowLevel, which compares in the
// element domain, at windows on the edges of every type (where toFloat rounds) and beyond.
TYPED_TEST(IntensityEquivalence, ExportsAndWindowLevelAtEveryEdge) {
    using T = TypeParam;
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::pair<float, float> exportWindows[] = {{0, 255}, {0, 65535}, {-200, 800}, {3, 20}, {0.5f, 256.5f}};
    const std::pair<float, float> levelWindows[] = {
        {10.5f, 20.25f}, {-0.5f, 0.5f}, {-129.5f, 300.0f}, {300.0f, 400.0f}, {-1e9f, 1e9f}, {20.0f, 10.0f}, {nan, 5.0f}, {5.0f, nan},
        {-inf, inf}, {16777216.0f, 16777218.0f}, {2147483520.0f, 2147483648.0f}, {-2147483904.0f, -2147483648.0f},
        {4294967040.0f, 4294967296.0f}, {-3e9f, 100.0f},
        // above every value of a type but its largest, or below all but its smallest
        {126.5f, 300.0f}, {254.5f, 300.0f}, {32766.5f, 4e4f}, {65534.5f, 7e4f}, {-300.0f, -127.5f}, {-300.0f, 0.5f}, {-4e4f, -32767.5f}};
    const std::vector<T> values = edgeValues<T>();
    std::vector<Ref::Case<T>> cases;
    for (const int channels : {1, 3})
        for (int first = 0; first < 5; ++first) {
            Ref::RefImage<T> row(int(values.size()) / channels, 1, 1, 1, channels);
            std::copy_n(values.begin(), row.data.size(), row.data.begin());
            for (int c = 0; c < channels; ++c) row.setWindow(exportWindows[(first + c) % 5].first, exportWindows[(first + c) % 5].second, c);
            addExports(cases, row, false);
            addExports(cases, row, false, {}, {}, 0, channels - 1);
        }
    for (const auto& [low, high] : levelWindows) {
        Ref::RefImage<T> row(int(values.size()), 1, 1, 1, 1);
        row.data = values;
        row.setWindow(low, high, 0);
        for (const bool reversed : {false, true})
            Ref::add(cases, "applyWindowLevel " + std::to_string(low) + " " + std::to_string(high), row,
                     [=](auto& img) { img.applyWindowLevel(reversed); });
    }
    Ref::expectSame(cases);
}

}  // namespace
