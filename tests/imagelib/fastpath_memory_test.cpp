// The whole-block operations split over threads and in vectorised kernels:
// results must not depend on the thread count, and the shortcuts they take
// (integer block sums, window comparisons decided in the element domain) must
// give exactly what the plain per-element rules give, at the edges too.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "elementconversion.h"
#include "ivory/imagebase.h"
#include "test_support.h"
#include "ivory/threading.h"

namespace {

using Ivory::ImageBase;

template <typename T> T randomElement(std::mt19937& rng) {
    if constexpr (std::is_floating_point_v<T>) {
        return T(std::uniform_real_distribution<double>(-1000.0, 1000.0)(rng));
    } else {
        return static_cast<T>(rng());  // the whole range of T
    }
}

// A fresh windowed image of the given shape holding `elements`.
template <typename T>
std::unique_ptr<ImageBase<T>> imageOf(const std::vector<T>& elements, int w, int h, int d, int f, int ch) {
    auto image = std::make_unique<ImageBase<T>>();
    image->init(w, h, d, f, ch);
    image->m_verbose = 0;
    std::copy(elements.begin(), elements.end(), image->m_data);
    for (int c = 0; c < ch; ++c) image->setWindow(-300.0f + 100 * c, 200.5f + 50 * c, c);
    return image;
}

template <typename T> std::vector<unsigned char> bytesOf(const ImageBase<T>& image) {
    const auto* first = reinterpret_cast<const unsigned char*>(image.m_data);
    return {first, first + size_t(image.m_image_size) * sizeof(T)};
}

template <typename T> class MemoryFastPath : public ::testing::Test {
protected:
    void TearDown() override { Ivory::setThreadCount(0); }
};
TYPED_TEST_SUITE(MemoryFastPath, IvoryTest::AllElementTypes);

// Large enough (over a million elements) that every operation splits its work.
TYPED_TEST(MemoryFastPath, ResultsDoNotDependOnTheThreadCount) {
    using T = TypeParam;
    using Run = std::function<std::vector<unsigned char>(ImageBase<T>&)>;
    const auto inPlace = [](std::function<void(ImageBase<T>&)> op) {
        return Run([op](ImageBase<T>& image) {
            op(image);
            return bytesOf(image);
        });
    };
    const auto exported = [](auto op) {
        return Run([op](ImageBase<T>& image) {
            const auto out = op(image);
            return std::vector<unsigned char>(reinterpret_cast<const unsigned char*>(out.data()),
                                              reinterpret_cast<const unsigned char*>(out.data() + out.size()));
        });
    };
    const std::vector<std::pair<const char*, Run>> operations = {
        {"downsample into new", [](ImageBase<T>& image) {
             std::unique_ptr<Ivory::Image> made(image.downsample(2, 3, 2, 1, true));
             return bytesOf(static_cast<ImageBase<T>&>(*made));
         }},
        {"downsample in place", inPlace([](ImageBase<T>& i) { i.downsample(3, 1, 2, 2, false); })},
        {"rotate 0", inPlace([](ImageBase<T>& i) { i.rotate(0); })},
        {"rotate 1", inPlace([](ImageBase<T>& i) { i.rotate(1); })},
        {"rotate 2", inPlace([](ImageBase<T>& i) { i.rotate(2); })},
        {"flip", inPlace([](ImageBase<T>& i) { i.flip(true, false, true, true); })},
        {"swapBytes", inPlace([](ImageBase<T>& i) { i.swapBytes(); })},
        {"invert", inPlace([](ImageBase<T>& i) { i.invert(); })},
        {"applyWindowLevel", inPlace([](ImageBase<T>& i) { i.applyWindowLevel(false); })},
        {"applyWindowLevel reversed", inPlace([](ImageBase<T>& i) { i.applyWindowLevel(true); })},
        {"toBytes", exported([](ImageBase<T>& i) {
             std::vector<unsigned char> out(size_t(128) * 64 * 64 * 3, 7);
             i.toBytes(out.data(), true);
             return out;
         })},
        {"toShorts", exported([](ImageBase<T>& i) {
             std::vector<unsigned short> out(size_t(i.m_frame_size), 7);
             i.toShorts(out.data(), false);
             return out;
         })},
    };
    std::mt19937 rng(5);
    std::vector<T> elements(size_t(101) * 37 * 41 * 2 * 3);
    for (T& e : elements) e = randomElement<T>(rng);
    for (const auto& [name, run] : operations) {
        std::vector<unsigned char> expected;
        for (int threads : {1, 2, 3}) {
            Ivory::setThreadCount(threads);
            auto image = imageOf(elements, 101, 37, 41, 2, 3);
            const std::vector<unsigned char> result = run(*image);
            if (threads == 1) {
                expected = result;
            } else {
                EXPECT_TRUE(result == expected) << name << " with " << threads << " threads";
            }
        }
    }
}

// The mean of one row of n elements through downsample(n, 1, 1, 1) against
// the float sum taken element by element. Block sizes straddle the limits of
// the 16-bit sums of the byte types and the exact float sums of the 16-bit
// types (2^24 / 32768 = 512, 2^24 / 65535 = 256).
TYPED_TEST(MemoryFastPath, WideBlockMeansEqualFloatSums) {
    using T = TypeParam;
    for (int n : {255, 256, 257, 258, 512, 513, 600}) {
        for (const bool extreme : {false, true}) {
            ImageBase<T> image;
            image.init(n, 1, 1, 1, 1);
            std::mt19937 rng{static_cast<unsigned>(n)};
            for (int i = 0; i < n; ++i) {
                image.m_data[i] = extreme ? std::numeric_limits<T>::lowest() : randomElement<T>(rng);
            }
            float sum = 0.0f;
            for (int i = 0; i < n; ++i) sum += Ivory::toFloat(image.m_data[i]);
            const T expected = Ivory::fromFloat<T>(sum / float(n));
            std::unique_ptr<Ivory::Image> mean(image.downsample(n, 1, 1, 1, true));
            ASSERT_NE(mean, nullptr);
            EXPECT_EQ(IvoryTest::bitsOf(static_cast<ImageBase<T>&>(*mean).m_data[0]), IvoryTest::bitsOf(expected))
                << n << " elements" << (extreme ? " at the lowest value" : "");
        }
    }
}

// applyWindowLevel by its plain rule: two float comparisons, then the shift.
template <typename T> T windowLevelByRule(T e, float low, float high, bool reversed) {
    if constexpr (std::is_floating_point_v<T>) {
        if (low > e) e = low;
        if (e > high) e = high;
        return reversed ? T(high - e) : T(e - low);
    } else {
        using U = std::make_unsigned_t<T>;
        const T lowT = Ivory::fromFloat<T>(low), highT = Ivory::fromFloat<T>(high);
        if (low > Ivory::toFloat(e)) e = lowT;
        if (Ivory::toFloat(e) > high) e = highT;
        return reversed ? T(U(highT) - U(e)) : T(U(e) - U(lowT));
    }
}

// Every element value of the 8- and 16-bit types, and for the wider ones the
// values around each power of two where toFloat starts to round.
template <typename T> std::vector<T> probeValues() {
    std::vector<T> values;
    if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
        for (int64_t v = std::numeric_limits<T>::min(); v <= std::numeric_limits<T>::max(); ++v) values.push_back(T(v));
    } else {
        for (int shift = 0; shift < int(sizeof(T) * 8); ++shift) {
            for (int64_t delta = -3; delta <= 3; ++delta) {
                const double v = std::ldexp(1.0, shift) + double(delta);
                for (double s : {v, -v}) {
                    if (s >= double(std::numeric_limits<T>::lowest()) && s <= double(std::numeric_limits<T>::max()))
                        values.push_back(T(s));
                }
            }
        }
        values.push_back(std::numeric_limits<T>::lowest());
        values.push_back(std::numeric_limits<T>::max());
    }
    return values;
}

TYPED_TEST(MemoryFastPath, WindowLevelMatchesTheFloatComparisonsAtEveryEdge) {
    using T = TypeParam;
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, float>> windows = {
        {10.5f, 20.25f},         {-0.5f, 0.5f},          {-129.5f, 300.0f},     {300.0f, 400.0f},
        {-1e9f, 1e9f},           {20.0f, 10.0f},         {nan, 5.0f},           {5.0f, nan},
        {-inf, inf},             {16777216.0f, 16777218.0f}, {2147483520.0f, 2147483648.0f},
        {-2147483904.0f, -2147483648.0f}, {4294967040.0f, 4294967296.0f}};
    const std::vector<T> values = probeValues<T>();
    for (const auto& [low, high] : windows) {
        for (const bool reversed : {false, true}) {
            ImageBase<T> image;
            image.m_verbose = 0;
            image.init(int(values.size()), 1, 1, 1, 1);
            std::copy(values.begin(), values.end(), image.m_data);
            image.setWindow(low, high, 0);
            image.applyWindowLevel(reversed);
            for (size_t i = 0; i < values.size(); ++i) {
                const T expected = windowLevelByRule(values[i], low, high, reversed);
                if (std::is_floating_point_v<T> && expected != expected) {
                    EXPECT_NE(image.m_data[i], image.m_data[i]) << "NaN stays NaN";
                    continue;
                }
                ASSERT_EQ(IvoryTest::bitsOf(image.m_data[i]), IvoryTest::bitsOf(expected))
                    << "element " << +values[i] << ", window " << low << ".." << high
                    << (reversed ? " reversed" : "");
            }
        }
    }
}

}  // namespace
