#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ivory/imagebase.h"
#include "test_support.h"

namespace {

using IvoryTest::bitsOf;

// The element that setNext stores for v in a one-element image.
template <typename T> T storedBySetNext(float v) {
    Ivory::ImageBase<T> image;
    image.init(1, 1, 1, 1, 1);
    EXPECT_TRUE(image.setNext(v));
    return image.m_data[0];
}

// The float that getNext delivers for element e.
template <typename T> float readByGetNext(T e) {
    Ivory::ImageBase<T> image;
    image.init(1, 1, 1, 1, 1);
    image.m_data[0] = e;
    float out = -12345.0f;
    EXPECT_TRUE(image.getNext(&out));
    return out;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(AccessConversionTest, FloatToElementTruncatesAndKeepsLowBits) {
    EXPECT_EQ(storedBySetNext<unsigned char>(300.7f), 44);
    EXPECT_EQ(storedBySetNext<unsigned char>(-1.0f), 255);
    EXPECT_EQ(storedBySetNext<char>(200.0f), -56);
    EXPECT_EQ(storedBySetNext<short>(-1.5f), -1);
    EXPECT_EQ(storedBySetNext<short>(40000.0f), -25536);
    EXPECT_EQ(storedBySetNext<unsigned short>(70000.9f), 4464);
    EXPECT_EQ(storedBySetNext<int>(-7.99f), -7);
    EXPECT_EQ(storedBySetNext<unsigned int>(3e9f), 3000000000u);
    EXPECT_EQ(storedBySetNext<unsigned int>(-1.0f), 4294967295u);
    EXPECT_EQ(storedBySetNext<unsigned int>(4294967296.0f), 0u);
    EXPECT_EQ(bitsOf(storedBySetNext<double>(0.1f)), bitsOf(double(0.1f)));
    EXPECT_EQ(bitsOf(storedBySetNext<float>(-0.0f)), bitsOf(-0.0f));
}

TEST(AccessConversionTest, OutOfRangeAndNaNGiveTheDefinedIndefiniteValue) {
    EXPECT_EQ(storedBySetNext<int>(3e9f), INT32_MIN);
    EXPECT_EQ(storedBySetNext<int>(-3e9f), INT32_MIN);
    EXPECT_EQ(storedBySetNext<int>(kNaN), INT32_MIN);
    EXPECT_EQ(storedBySetNext<int>(std::numeric_limits<float>::infinity()), INT32_MIN);
    EXPECT_EQ(storedBySetNext<int>(2147483520.0f), 2147483520);  // largest float below 2^31
    EXPECT_EQ(storedBySetNext<short>(kNaN), 0);                  // low bits of INT32_MIN
    EXPECT_EQ(storedBySetNext<unsigned int>(kNaN), 0u);          // low bits of INT64_MIN
    EXPECT_TRUE(std::isnan(storedBySetNext<double>(kNaN)));
}

TEST(AccessConversionTest, ElementToFloat) {
    EXPECT_EQ(readByGetNext<int>(16777217), 16777216.0f);
    EXPECT_EQ(readByGetNext<unsigned int>(4294967295u), 4294967296.0f);
    EXPECT_EQ(readByGetNext<unsigned int>(3000000000u), 3e9f);
    EXPECT_EQ(readByGetNext<char>(-128), -128.0f);
    EXPECT_EQ(readByGetNext<unsigned char>(255), 255.0f);
    EXPECT_EQ(readByGetNext<unsigned short>(65535), 65535.0f);
    EXPECT_EQ(bitsOf(readByGetNext<double>(0.1)), bitsOf(0.1f));
}

template <typename T> class AccessTest : public ::testing::Test {};
TYPED_TEST_SUITE(AccessTest, IvoryTest::AllElementTypes);

TYPED_TEST(AccessTest, CursorWalksInStorageOrderAndStopsAtTheEnd) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 2, 1, 2);
    image.resetCursor();
    for (int32_t i = 0; i < image.m_image_size; ++i) EXPECT_TRUE(image.setNext(float(2 * i + 1)));
    EXPECT_FALSE(image.setNext(99.0f));
    EXPECT_EQ(image.m_cursor, image.m_image_size);
    EXPECT_EQ(image.getValue(2, 1, 1, 0, 1), float(2 * image.m_image_size - 1));  // last: c=1, x=2, y=1, z=1

    image.resetCursor();
    float value = 0.0f;
    for (int32_t i = 0; i < image.m_image_size; ++i) {
        EXPECT_TRUE(image.getNext(&value));
        EXPECT_EQ(value, float(2 * i + 1));
    }
    value = -5.0f;
    EXPECT_FALSE(image.getNext(&value));
    EXPECT_EQ(value, -5.0f);
}

TYPED_TEST(AccessTest, SetCurrentRewritesTheElementJustVisited) {
    Ivory::ImageBase<TypeParam> image;
    image.init(4, 1, 1, 1, 1);
    for (int32_t i = 0; i < 4; ++i) image.m_data[i] = TypeParam(i + 1);
    image.resetCursor();
    image.setCurrent(50.0f);  // nothing visited yet: nothing changes
    float value = 0.0f;
    image.getNext(&value);
    image.getNext(&value);
    image.setCurrent(value * 10.0f);
    const TypeParam expected[4] = {1, 20, 3, 4};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(image.m_data[i], expected[i]) << i;
    // At the end of the block the last element is the one just visited.
    while (image.getNext(&value)) {
    }
    image.setCurrent(7.0f);
    EXPECT_EQ(image.m_data[3], TypeParam(7));
}

TYPED_TEST(AccessTest, PositionalAccessFollowsTheIndexRule) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 2, 2, 2);
    image.setValue(9.0f, 2, 1, 0, 1, 1);  // 1 + 2*2 + 1*6 + 0*12 + 1*24 = 35
    EXPECT_EQ(image.m_data[35], TypeParam(9));
    EXPECT_EQ(image.getValue(2, 1, 0, 1, 1), 9.0f);
    EXPECT_EQ(image.at(2, 1, 0, 1, 1), TypeParam(9));
    int nonZero = 0;
    for (int32_t i = 0; i < image.m_image_size; ++i) nonZero += image.m_data[i] != TypeParam(0);
    EXPECT_EQ(nonZero, 1);
}

TYPED_TEST(AccessTest, ImageWithoutBlockReadsZeroAndWritesNothing) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 2);
    image.releaseData();
    float value = -1.0f;
    EXPECT_FALSE(image.getNext(&value));
    EXPECT_FALSE(image.setNext(1.0f));
    image.setCurrent(1.0f);
    image.setValue(1.0f, 1, 1, 0, 0, 1);
    EXPECT_EQ(image.getValue(1, 1, 0, 0, 1), 0.0f);
    EXPECT_EQ(image.getPixelValue(1.0f, 1.0f, 0.0f), 0.0f);
    float pixel[2] = {-1.0f, -1.0f};
    image.getPixel(pixel, 1.0f, 1.0f, 0.0f);
    EXPECT_EQ(pixel[0], 0.0f);
    EXPECT_EQ(pixel[1], 0.0f);
    EXPECT_EQ(image.m_data, nullptr);
}

#ifdef NDEBUG
// Debug builds assert here (assertion_death_test.cpp); release builds stay inside the block.
TYPED_TEST(AccessTest, ReleaseBuildIgnoresIndicesOutsideTheBlock) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    for (int32_t i = 0; i < 4; ++i) image.m_data[i] = TypeParam(i + 1);
    EXPECT_EQ(image.getValue(0, 2, 0, 0, 0), 0.0f);
    EXPECT_EQ(image.getValue(-1, 0, 0, 0, 0), 0.0f);
    EXPECT_EQ(image.at(0, 0, 0, 1, 0), TypeParam(0));
    image.setValue(9.0f, 2, 1, 0, 0, 0);
    image.setValue(9.0f, 0, 0, 0, 0, -1);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(image.m_data[i], TypeParam(i + 1));
}
#endif

struct ClampCase {
    float position;
    int index;  // in an extent of 4
};

const ClampCase kClampCases[] = {
    {-0.5f, 0},     {-0.9f, 0},    {-3.7f, 0},    {3.999f, 3},
    {4.0f, 3},      {100.0f, 3},   {1e30f, 3},    {-1e30f, 0},
    {std::numeric_limits<float>::infinity(), 3},  {-std::numeric_limits<float>::infinity(), 0},
    {kNaN, 0},
};

// Positions inside are compared with the reference in the equivalence suite;
// every sampler takes a position outside as the nearest edge (NaN as 0), so
// at integral other coordinates it returns that edge element exactly.
TYPED_TEST(AccessTest, PositionsOutsideTheImageSampleTheNearestEdge) {
    Ivory::ImageBase<TypeParam> image, gray;  // gray: channel 0 alone, for interpolateLinearValue
    image.init(4, 4, 4, 1, 2);
    gray.init(4, 4, 4, 1, 1);
    for (int32_t i = 0; i < image.m_image_size; ++i) image.m_data[i] = TypeParam(i % 101);
    for (int32_t i = 0; i < gray.m_image_size; ++i) gray.m_data[i] = image.m_data[2 * i];
    using Sample = std::function<std::vector<float>(float, float, float)>;
    const auto allChannels = [&](void (Ivory::Image::*sampler)(float*, float, float, float)) {
        return Sample([&image, sampler](float x, float y, float z) {
            std::vector<float> out(2);
            (image.*sampler)(out.data(), x, y, z);
            return out;
        });
    };
    const auto channelZero = [](Ivory::Image& source, float (Ivory::Image::*sampler)(float, float, float)) {
        return Sample([&source, sampler](float x, float y, float z) {
            return std::vector<float>{(source.*sampler)(x, y, z)};
        });
    };
    const std::pair<const char*, Sample> samplers[] = {
        {"getPixel", allChannels(&Ivory::Image::getPixel)},
        {"getPixelValue", channelZero(image, &Ivory::Image::getPixelValue)},
        {"interpolateLinear", allChannels(&Ivory::Image::interpolateLinear)},
        {"interpolateLinearValue", channelZero(gray, &Ivory::Image::interpolateLinearValue)},
        {"interpolateCubic", allChannels(&Ivory::Image::interpolateCubic)},
        {"interpolateCubicValue", channelZero(image, &Ivory::Image::interpolateCubicValue)},
    };
    for (const auto& [name, sample] : samplers) {
        for (const ClampCase& k : kClampCases) {
            SCOPED_TRACE(::testing::Message() << name << " at " << k.position);
#ifndef NDEBUG
            // interpolateLinear asserts on these in debug builds (assertion_death_test.cpp).
            if (std::string(name) == "interpolateLinear" && k.index == 3) continue;
#endif
            const auto& sampler = sample;  // a structured binding cannot be captured before C++20
            const auto expectEdge = [&](float x, float y, float z, int ix, int iy, int iz) {
                const std::vector<float> got = sampler(x, y, z);
                for (size_t c = 0; c < got.size(); ++c)
                    EXPECT_EQ(got[c], image.getValue(ix, iy, iz, 0, int(c))) << "channel " << c;
            };
            expectEdge(k.position, 1.0f, 2.0f, k.index, 1, 2);
            expectEdge(1.0f, k.position, 2.0f, 1, k.index, 2);
            expectEdge(2.0f, 1.0f, k.position, 2, 1, k.index);
            expectEdge(k.position, k.position, k.position, k.index, k.index, k.index);
        }
    }
}

// Beyond 2^24 the last position need not be a float (2^25 + 3 rounds to
// 2^25 + 4, the extent itself): a position far off must still sample the last
// element, not one past it nor the float below it.
TEST(AccessEdgeTest, FarPositionsOnARowLongerThanFloatsCountSampleTheLastElement) {
    const int width = (1 << 25) + 4;
    Ivory::ImageBase<unsigned char> row;
    row.init(width, 1, 1, 1, 1);
    ASSERT_NE(row.m_data, nullptr);
    for (int x = width - 4; x < width; ++x) row.m_data[x] = static_cast<unsigned char>(x - width + 10);
    EXPECT_EQ(row.getPixelValue(1e30f, 0.0f, 0.0f), 9.0f);
    EXPECT_EQ(row.interpolateLinearValue(1e30f, 0.0f, 0.0f), 9.0f);
    EXPECT_EQ(row.interpolateCubicValue(1e30f, 0.0f, 0.0f), 9.0f);
}

}  // namespace
