// Window-based mapping: invert, window/level, 8- and 16-bit exports, one
// slice as bytes, and the intensity-weighted centre. Worked examples, messages
// and refusals; outputs over random data (NaN, infinities, every type, shape
// and thread count) are compared bit for bit in the equivalence suite.

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ivory/imagebase.h"
#include "nextpoweroftwo.h"
#include "test_support.h"

namespace {

using IvoryTest::captureStdout;

// A one-row image holding the given values, with the window low..high on every channel.
template <typename T>
std::unique_ptr<Ivory::ImageBase<T>> makeRow(const std::vector<double>& values, float low,
                                             float high, int channels = 1) {
    auto image = std::make_unique<Ivory::ImageBase<T>>();
    image->init(int(values.size()) / channels, 1, 1, 1, channels);
    for (size_t i = 0; i < values.size(); ++i) image->m_data[i] = T(values[i]);
    for (int c = 0; c < channels; ++c) image->setWindow(low, high, c);
    return image;
}

template <typename T> std::vector<T> elements(const Ivory::ImageBase<T>& image) {
    return std::vector<T>(image.m_data, image.m_data + image.m_image_size);
}

TEST(NextPowerOfTwo, SmallestPowerNotBelowAndZeroForNothing) {
    const int64_t cases[][2] = {{0, 0}, {-5, 0}, {1, 1}, {2, 2}, {3, 4}, {5, 8}, {8, 8}, {12, 16},
                                {1000, 1024}, {1 << 30, 1 << 30}, {(1 << 30) + 1, int64_t(1) << 31},
                                {INT32_MAX, int64_t(1) << 31}};
    for (const auto& c : cases) EXPECT_EQ(Ivory::nextPowerOfTwo(int32_t(c[0])), c[1]) << c[0];
}

template <typename T> class Intensity : public ::testing::Test {};
TYPED_TEST_SUITE(Intensity, IvoryTest::AllElementTypes);

TYPED_TEST(Intensity, InvertMirrorsEachChannelInsideItsOwnWindow) {
    // Channel 0 in 10..50, channel 1 in 0..100.
    auto image = makeRow<TypeParam>({20, 20, 50, 30, 10, 100}, 10.0f, 50.0f, 2);
    image->setWindow(0.0f, 100.0f, 1);
    image->m_verbose = 0;
    image->invert();
    EXPECT_EQ(elements(*image), (std::vector<TypeParam>{40, 80, 10, 70, 50, 0}));
}

TYPED_TEST(Intensity, WindowLevelClampsToChannelZerosWindowAndShifts) {
    // Channel 1 has its own window, yet channel 0's serves every element.
    auto image = makeRow<TypeParam>({5, 30, 60, 10}, 10.0f, 50.0f, 2);
    image->setWindow(0.0f, 100.0f, 1);
    EXPECT_EQ(captureStdout([&] { image->applyWindowLevel(false); }), "Window/Level setting applied\n");
    EXPECT_EQ(elements(*image), (std::vector<TypeParam>{0, 20, 40, 0}));

    auto reversed = makeRow<TypeParam>({5, 30, 60, 10}, 10.0f, 50.0f, 2);
    reversed->m_verbose = 0;
    EXPECT_EQ(captureStdout([&] { reversed->applyWindowLevel(true); }), "");
    EXPECT_EQ(elements(*reversed), (std::vector<TypeParam>{40, 20, 0, 40}));
}

// The three exports clamp the window quotient to 0..top before truncating it,
// also when it lies far beyond the integer range.
TYPED_TEST(Intensity, ExportsMapTheWindowClampAndTruncate) {
    const struct {
        const char* what;
        float low, high;
        std::vector<double> values;
        std::vector<int> bytes, shorts;
    } cases[] = {
        {"window 0..100", 0.0f, 100.0f, {0, 25, 50, 100, 120}, {0, 63, 127, 255, 255},
         {0, 16383, 32767, 65535, 65535}},
        {"zero width: top above low, 0 otherwise", 20.0f, 20.0f, {10, 20, 30}, {0, 0, 255}, {0, 0, 65535}},
        {"huge quotient (2.55e32 for 1)", 0.0f, 1e-30f, {0, 1, 100}, {0, 255, 255}, {0, 65535, 65535}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        auto image = makeRow<TypeParam>(k.values, k.low, k.high);
        const size_t n = k.values.size();
        std::unique_ptr<unsigned char[]> bytes(image->toBytes(nullptr, false));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::vector<int>(bytes.get(), bytes.get() + n), k.bytes);
        std::unique_ptr<unsigned short[]> shorts(image->toShorts(nullptr, false));
        ASSERT_NE(shorts, nullptr);
        EXPECT_EQ(std::vector<int>(shorts.get(), shorts.get() + n), k.shorts);
        std::vector<unsigned char> slice(n, 7);
        EXPECT_EQ(image->sliceToBytes(slice.data(), 0, 0, false), slice.data());
        EXPECT_EQ(std::vector<int>(slice.begin(), slice.end()), k.bytes);
    }
}

TEST(IntensityWindowLevel, ALowBeyondIntsRangeWrapsTheDifferenceWithoutTrapping) {
    // The low converts to INT32_MIN; the difference keeps its low bits.
    auto ints = makeRow<int>({5}, -3e9f, 100.0f);
    ints->m_verbose = 0;
    ints->applyWindowLevel(false);
    EXPECT_EQ(ints->m_data[0], INT32_MIN + 5);
}

TEST(IntensityExport, DoubleIsRoundedToFloatForExportsButTruncatedDirectlyForSlices) {
    // 254.9999999 rounds to 255.0f in single precision.
    auto image = makeRow<double>({254.9999999}, 0.0f, 255.0f);
    std::unique_ptr<unsigned char[]> bytes(image->toBytes(nullptr, false));
    EXPECT_EQ(bytes[0], 255);
    unsigned char slice = 0;
    image->sliceToBytes(&slice, 0, 0, false);
    EXPECT_EQ(slice, 254);
}

TEST(IntensitySlice, FreshPowerOfTwoBuffersStartZeroed) {
    auto image = makeRow<unsigned char>({51, 102, 153}, 0.0f, 255.0f);  // 3 x 1
    std::unique_ptr<unsigned char[]> fresh(image->sliceToBytes(nullptr, 0, 0, true));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::vector<int>(fresh.get(), fresh.get() + 4), (std::vector<int>{51, 102, 153, 0}));
}

TEST(IntensitySlice, RefusesMissingSlicesAndChannelsWithoutWriting) {
    auto image = makeRow<short>({1, 2, 3, 4}, 0.0f, 10.0f, 2);
    unsigned char out[2] = {0xAA, 0xAA};
    for (const auto& args : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {0, 2}}) {
        for (unsigned char* buffer : {out, static_cast<unsigned char*>(nullptr)}) {
            unsigned char* result = out;
            EXPECT_EQ(captureStdout([&] { result = image->sliceToBytes(buffer, args.first, args.second, false); }),
                      "Error: no such slice or channel!\n");
            EXPECT_EQ(result, nullptr);
        }
    }
    EXPECT_EQ(out[0], 0xAA);
    EXPECT_EQ(out[1], 0xAA);

    Ivory::ImageBase<short> flat;
    flat.init(2, 2, 0, 1, 1);  // no slices at all
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(flat.sliceToBytes(out, 0, 0, false), nullptr); }),
              "Error: no such slice or channel!\n");
}

TEST(IntensityCentroid, WeighsByDistanceAboveLowAndGivesNaNWithoutWeight) {
    auto image = makeRow<int>({0, 1, 0, 3}, 0.0f, 10.0f);  // x = 1 weighs 1, x = 3 weighs 3
    float out[3];
    image->centroid(out);
    EXPECT_EQ(out[0], 2.5f);
    EXPECT_EQ(out[1], 0.0f);

    auto flat = makeRow<int>({4, 4}, 4.0f, 10.0f);
    flat->centroid(out);
    EXPECT_TRUE(std::isnan(out[0]) && std::isnan(out[1]) && std::isnan(out[2]));
}

TEST(IntensityWithoutBlock, OperationsReadNothingAndExportsComeBackZeroed) {
    Ivory::ImageBase<unsigned short> image;
    image.Ivory::Image::init(2, 2, 1, 1, 1);  // shape, window table, but no block
    image.setWindow(0.0f, 10.0f, 0);
    EXPECT_EQ(captureStdout([&] {
                  image.invert();
                  image.applyWindowLevel(false);
              }),
              "");
    std::vector<unsigned short> shorts(4, 0xAAAA);
    EXPECT_EQ(image.toShorts(shorts.data(), false), shorts.data());
    EXPECT_EQ(shorts, std::vector<unsigned short>(4, 0));
    unsigned char slice[4] = {1, 2, 3, 4};
    EXPECT_EQ(image.sliceToBytes(slice, 0, 0, false), slice);
    EXPECT_EQ(slice[3], 4);
    float out[3];
    image.centroid(out);
    EXPECT_TRUE(std::isnan(out[0]));
}

}  // namespace
