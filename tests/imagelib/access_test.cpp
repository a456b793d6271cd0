// Element access: the conversions between float and every element type, the
// cursor, positional access, an image without a block, and sampling at the
// end of a row longer than floats count. Sampling itself is compared with the
// reference in equivalence_interpolation_test.cpp.

#include <cmath>
#include <limits>

#include "test_support.h"

namespace {

using IvoryTest::bitsOf;

// The element setNext stores for v, and the float getNext reads from e.
template <typename T> T stored(float v) {
    Ivory::ImageBase<T> image;
    image.init(1, 1, 1, 1, 1);
    EXPECT_TRUE(image.setNext(v));
    return image.m_data[0];
}
template <typename T> float read(T e) {
    Ivory::ImageBase<T> image;
    image.init(1, 1, 1, 1, 1);
    image.m_data[0] = e;
    float out = -12345.0f;
    EXPECT_TRUE(image.getNext(&out));
    return out;
}

// Truncation keeping the low bits; out of range and NaN give the indefinite
// integer (INT32_MIN, or the low bits of INT64_MIN for unsigned int).
TEST(AccessTest, ConversionsBetweenFloatAndEveryElementType) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(stored<unsigned char>(300.7f), 44);
    EXPECT_EQ(stored<unsigned char>(-1.0f), 255);
    EXPECT_EQ(stored<char>(200.0f), -56);
    EXPECT_EQ(stored<short>(-1.5f), -1);
    EXPECT_EQ(stored<short>(40000.0f), -25536);
    EXPECT_EQ(stored<short>(nan), 0);
    EXPECT_EQ(stored<unsigned short>(70000.9f), 4464);
    EXPECT_EQ(stored<int>(-7.99f), -7);
    EXPECT_EQ(stored<int>(2147483520.0f), 2147483520);  // the largest float below 2^31
    for (const float v : {3e9f, -3e9f, nan, inf, 2147483648.0f}) EXPECT_EQ(stored<int>(v), INT32_MIN) << v;
    EXPECT_EQ(stored<unsigned int>(3e9f), 3000000000u);
    EXPECT_EQ(stored<unsigned int>(-1.0f), 4294967295u);
    EXPECT_EQ(stored<unsigned int>(4294967296.0f), 0u);
    EXPECT_EQ(stored<unsigned int>(nan), 0u);
    EXPECT_EQ(bitsOf(stored<double>(0.1f)), bitsOf(double(0.1f)));
    EXPECT_EQ(bitsOf(stored<float>(-0.0f)), bitsOf(-0.0f));
    EXPECT_TRUE(std::isnan(stored<double>(nan)));
    EXPECT_EQ(read<int>(16777217), 16777216.0f);
    EXPECT_EQ(read<unsigned int>(4294967295u), 4294967296.0f);
    EXPECT_EQ(read<char>(-128), -128.0f);
    EXPECT_EQ(read<unsigned short>(65535), 65535.0f);
    EXPECT_EQ(bitsOf(read<double>(0.1)), bitsOf(0.1f));
}

template <typename T> class AccessTypedTest : public ::testing::Test {};
TYPED_TEST_SUITE(AccessTypedTest, IvoryTest::AllElementTypes);

// The cursor walks the block in storage order and stops at its end; setCurrent
// rewrites the element just visited (none before the first); the positional
// calls follow the index rule.
TYPED_TEST(AccessTypedTest, CursorAndPositionalAccess) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 2, 2, 2);
    image.resetCursor();
    image.setCurrent(50.0f);
    for (int32_t i = 0; i < image.m_image_size; ++i) EXPECT_TRUE(image.setNext(float(i % 50 + 1)));
    EXPECT_FALSE(image.setNext(99.0f));
    EXPECT_EQ(image.m_cursor, image.m_image_size);
    image.setCurrent(60.0f);  // at the end: the last element
    EXPECT_EQ(image.getValue(2, 1, 1, 1, 1), 60.0f);
    image.resetCursor();
    float value = 0.0f;
    EXPECT_TRUE(image.getNext(&value) && image.getNext(&value));
    image.setCurrent(value * 10.0f);  // element 1 held 2
    image.resetCursor();
    for (int32_t i = 0; i < image.m_image_size; ++i) {
        EXPECT_TRUE(image.getNext(&value));
        EXPECT_EQ(value, float(i == 1 ? 20 : i == 47 ? 60 : i % 50 + 1)) << i;
    }
    value = -5.0f;
    EXPECT_FALSE(image.getNext(&value));
    EXPECT_EQ(value, -5.0f);
    image.setValue(9.0f, 2, 1, 0, 1, 1);  // 1 + 2*2 + 1*6 + 0*12 + 1*24 = 35
    EXPECT_EQ(image.m_data[35], TypeParam(9));
    EXPECT_EQ(image.getValue(2, 1, 0, 1, 1), 9.0f);
    EXPECT_EQ(image.at(1, 1, 1, 1, 0), TypeParam(image.m_data[44]));
#ifdef NDEBUG
    // Debug builds assert here (assertion_death_test.cpp); release builds stay inside the block.
    EXPECT_EQ(image.getValue(0, 0, 0, 2, 0), 0.0f);
    EXPECT_EQ(image.getValue(-1, 0, 0, 0, 0), 0.0f);
    EXPECT_EQ(image.at(0, 0, 0, 2, 0), TypeParam(0));
    const std::vector<TypeParam> before(image.m_data, image.m_data + image.m_image_size);
    image.setValue(7.0f, 0, 0, 0, 2, 0);
    image.setValue(7.0f, 0, 0, 0, 0, -1);
    EXPECT_EQ(std::vector<TypeParam>(image.m_data, image.m_data + image.m_image_size), before);
#endif
}

TYPED_TEST(AccessTypedTest, ImageWithoutBlockReadsAndSamplesZeroAndWritesNothing) {
    Ivory::ImageBase<TypeParam> image;
    image.init(6, 6, 6, 1, 2);
    image.releaseData();
    float value = -1.0f, pixel[2] = {-1.0f, -1.0f}, position[3] = {2.5f, 2.5f, 2.5f}, batch[3] = {-1.0f, -1.0f, -1.0f};
    EXPECT_FALSE(image.getNext(&value));
    EXPECT_FALSE(image.setNext(1.0f));
    image.setCurrent(1.0f);
    image.setValue(1.0f, 1, 1, 0, 0, 1);
    EXPECT_EQ(image.getValue(1, 1, 0, 0, 1), 0.0f);
    for (auto sample : {&Ivory::Image::getPixel, &Ivory::Image::interpolateCubic}) {
        (image.*sample)(pixel, 2.5f, 2.5f, 2.5f);
        EXPECT_EQ(pixel[0] + pixel[1], 0.0f);
    }
    for (auto sample : {&Ivory::Image::getPixelValue, &Ivory::Image::interpolateLinearValue, &Ivory::Image::interpolateCubicValue})
        EXPECT_EQ((image.*sample)(2.5f, 2.5f, 2.5f), 0.0f);
    image.getPixelValues(position, position + 1, position + 2, 1, batch);
    image.interpolateLinearValues(position, position + 1, position + 2, 1, batch + 1);
    image.interpolateCubicValues(position, position + 1, position + 2, 1, batch + 2);
    EXPECT_EQ(batch[0] + batch[1] + batch[2], 0.0f);
    EXPECT_EQ(image.m_data, nullptr);
}

// Beyond 2^24 the last position need not be a float (2^25 + 3 rounds to
// 2^25 + 4, the extent itself): a position far off must still sample the last
// element, not one past it nor the float below it.
TEST(AccessTest, FarPositionsOnARowLongerThanFloatsCountSampleTheLastElement) {
    const int width = (1 << 25) + 4;
    Ivory::ImageBase<unsigned char> row;
    row.init(width, 1, 1, 1, 1);
    ASSERT_NE(row.m_data, nullptr);
    for (int x = width - 4; x < width; ++x) row.m_data[x] = static_cast<unsigned char>(x - width + 10);
    const float far[1] = {1e30f}, zero[1] = {0.0f};
    float batch[3];
    row.getPixelValues(far, zero, zero, 1, batch);
    row.interpolateLinearValues(far, zero, zero, 1, batch + 1);
    row.interpolateCubicValues(far, zero, zero, 1, batch + 2);
    for (const float v : {row.getPixelValue(1e30f, 0.0f, 0.0f), row.interpolateLinearValue(1e30f, 0.0f, 0.0f),
                          row.interpolateCubicValue(1e30f, 0.0f, 0.0f), batch[0], batch[1], batch[2]})
        EXPECT_EQ(v, 9.0f);
}

}  // namespace
