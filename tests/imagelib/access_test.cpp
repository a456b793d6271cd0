// Element access: the conversions between float and every element type, the cursor, positional
// access, and sampling at the end of a row longer than floats count.

#include <cmath>
#include <limits>

#include "test_support.h"

namespace {

// The element setNext stores for v, as a double, and the float getNext reads from e.
template <typename T> double stored(float v) {
    Ivory::ImageBase<T> image;
    image.init(1, 1, 1, 1, 1);
    EXPECT_TRUE(image.setNext(v));
    return double(image.m_data[0]);
}
template <typename T> double read(T e) {
    Ivory::ImageBase<T> image;
    image.init(1, 1, 1, 1, 1);
    image.m_data[0] = e;
    float out = -12345.0f;
    EXPECT_TRUE(image.getNext(&out));
    return out;
}

// Truncation keeping the low bits; out of range and NaN give the indefinite integer (INT32_MIN, or
// the low bits of INT64_MIN for unsigned int).
TEST(AccessTest, ConversionsBetweenFloatAndEveryElementType) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::pair<double, double> rows[] = {
        {stored<unsigned char>(300.7f), 44}, {stored<unsigned char>(-1.0f), 255}, {stored<char>(200.0f), -56},
        {stored<short>(-1.5f), -1}, {stored<short>(40000.0f), -25536}, {stored<short>(nan), 0},
        {stored<unsigned short>(70000.9f), 4464}, {stored<int>(-7.99f), -7}, {stored<int>(2147483520.0f), 2147483520},
        {stored<int>(3e9f), INT32_MIN}, {stored<int>(-3e9f), INT32_MIN}, {stored<int>(nan), INT32_MIN}, {stored<int>(inf), INT32_MIN},
        {stored<int>(2147483648.0f), INT32_MIN}, {stored<unsigned int>(3e9f), 3e9}, {stored<unsigned int>(-1.0f), 4294967295.0},
        {stored<unsigned int>(4294967296.0f), 0}, {stored<unsigned int>(nan), 0}, {stored<double>(0.1f), double(0.1f)},
        {read<int>(16777217), 16777216}, {read<unsigned int>(4294967295u), 4294967296.0}, {read<char>(-128), -128},
        {read<unsigned short>(65535), 65535}, {read<double>(0.1), double(0.1f)}};
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].first, rows[i].second) << "row " << i;
    EXPECT_EQ(IvoryTest::bitsOf(float(stored<float>(-0.0f))), IvoryTest::bitsOf(-0.0f));
    EXPECT_TRUE(std::isnan(stored<double>(nan)));
}

template <typename T> class AccessTypedTest : public ::testing::Test {};
TYPED_TEST_SUITE(AccessTypedTest, IvoryTest::AllElementTypes);

// The cursor walks the block in storage order and stops at its end; setCurrent rewrites the element
// just visited (none before the first); the positional calls follow the index rule.
TYPED_TEST(AccessTypedTest, CursorAndPositionalAccess) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 2, 2, 2);
    image.resetCursor();
    image.setCurrent(50.0f);
    for (int32_t i = 0; i < image.m_image_size; ++i) EXPECT_TRUE(image.setNext(float(i % 50 + 1)));
    EXPECT_FALSE(image.setNext(99.0f));
    image.setCurrent(60.0f);  // at the end: the last element
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
    // Debug builds assert here; release builds stay inside the block.
    EXPECT_EQ(image.getValue(0, 0, 0, 2, 0) + image.getValue(-1, 0, 0, 0, 0), 0.0f);
    const std::vector<TypeParam> before(image.m_data, image.m_data + image.m_image_size);
    image.setValue(7.0f, 0, 0, 0, 2, 0);
    image.setValue(7.0f, 0, 0, 0, 0, -1);
    EXPECT_EQ(std::vector<TypeParam>(image.m_data, image.m_data + image.m_image_size), before);
#endif
}

// Beyond 2^24 the last position need not be a float (2^25 + 3 rounds to 2^25 + 4, the extent): a far
// position must still sample the last element, not one past it nor the float below it.
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
