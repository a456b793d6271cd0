// The image model (shapes, refused shapes, block ownership, images without a block) and element access.

#include <GL/gl.h>

#include <cmath>
#include <limits>

#include "test_support.h"

namespace {

using IvoryTest::captureStdout;

// The library's own type codes (it needs no GL header) must stay the GL enumerants callers pass.
static_assert(Ivory::kTypeByte == GL_BYTE && Ivory::kTypeUnsignedByte == GL_UNSIGNED_BYTE && Ivory::kTypeShort == GL_SHORT &&
              Ivory::kTypeUnsignedShort == GL_UNSIGNED_SHORT && Ivory::kTypeInt == GL_INT &&
              Ivory::kTypeUnsignedInt == GL_UNSIGNED_INT && Ivory::kTypeFloat == GL_FLOAT && Ivory::kTypeDouble == GL_DOUBLE);

// Counts releaseData calls, which the library must make through the virtual table.
template <typename T> class CountingImage : public Ivory::ImageBase<T> {
public:
    void releaseData() override {
        ++releases;
        Ivory::ImageBase<T>::releaseData();
    }
    int releases = 0;
};
template <typename T> std::vector<double> elements(const Ivory::ImageBase<T>& image) {
    return std::vector<double>(image.m_data, image.m_data + (image.m_data ? image.m_image_size : 0));
}

template <typename T> class ModelTest : public ::testing::Test {};
TYPED_TEST_SUITE(ModelTest, IvoryTest::AllElementTypes);

TYPED_TEST(ModelTest, InitAndClearGiveAZeroedBlockAndWindowTable) {
    const int shapes[][9] = {{4, 3, 1, 1, 3, 12, 36, 36, 36}, {3, 2, 4, 2, 2, 6, 12, 48, 96}, {0, 5, 1, 1, 2, 0, 0, 0, 0}};
    CountingImage<TypeParam> image;
    for (const auto& s : shapes) {
        EXPECT_EQ(captureStdout([&] { EXPECT_EQ(image.init(s[0], s[1], s[2], s[3], s[4]), 0); }), "");
        EXPECT_EQ((std::vector<int>{image.m_stride, image.m_slice_size, image.m_frame_size, image.m_image_size}), std::vector<int>(s + 5, s + 9));
        EXPECT_EQ(image.m_data == nullptr, s[8] == 0);  // no block for no elements
        for (int cleared = 0; cleared < 2; ++cleared) {
            EXPECT_EQ(std::vector<float>(image.m_window, image.m_window + 4 * s[4]), std::vector<float>(4 * s[4], 0.0f));
            EXPECT_EQ(reinterpret_cast<uintptr_t>(image.m_data) % 16, 0u);
            EXPECT_EQ(elements(image), std::vector<double>(s[8], 0.0));
            if (s[8] > 0) image.m_data[0] = TypeParam(5), image.m_window[0] = 5.0f;  // clear and the next init must not keep them
            if (!cleared) image.clear();
        }
    }
    EXPECT_EQ(image.releases, 3);
    // clear gives an owned image without a block a block, an external one none (nobody would release it).
    image.init(3, 2, 1, 1, 2);
    image.releaseData();
    image.clear();
    EXPECT_EQ(elements(image), std::vector<double>(12, 0.0));
    image.releaseData();
    image.m_external = true;
    image.clear();
    EXPECT_EQ(image.m_data, nullptr);
}

// Shapes whose sizes do not fit 32 bits, or with a negative extent, leave the image empty and safe to use.
TYPED_TEST(ModelTest, UnstorableShapesAreReportedAndLeaveAnEmptyImage) {
    const int shapes[][5] = {
        {65536, 65536, 1, 1, 1},      // 2^32 elements
        {46341, 46341, 1, 1, 1},      // just above 2^31
        {2147483647, 1, 1, 1, 2},     // overflows already in the stride
        {70000, 0, 1, 1, 70000},      // the stride overflows although the image holds nothing
        {1024, 1024, 1024, 1024, 1},  // a 64-bit product would overflow without stepwise checks
        {-1, 4, 1, 1, 1}, {4, 4, 1, 1, -3}, {-2, 4, 1, 1, -1},  // negative, even with a positive product
    };
    for (const auto& s : shapes) {
        Ivory::ImageBase<TypeParam> image;
        image.init(2, 2, 1, 1, 1);
        EXPECT_EQ(captureStdout([&] { image.init(s[0], s[1], s[2], s[3], s[4]); }), "Error while initializing!\n");
        image.flip(true, true, true, true), image.swapBytes(), image.setWindowFromData();
        EXPECT_TRUE(image.m_data == nullptr && image.m_window == nullptr && image.m_channels == 0) << s[0];
        EXPECT_EQ((std::vector<int>{image.m_dim[0], image.m_dim[1], image.m_dim[2], image.m_dim[3], image.m_stride, image.m_image_size}),
                  std::vector<int>(6, 0));
    }
}

// A shaped image without a block: nothing is read, written, allocated or printed; results are null, zero or NaN.
TYPED_TEST(ModelTest, ImagesWithoutABlockAreLeftAloneByEveryOperation) {
    CountingImage<TypeParam> image;
    image.init(6, 6, 3, 1, 2);
    image.setWindow(0.0f, 10.0f, 0);
    image.releaseData();
    const float kernel[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1}, position[3] = {2.5f, 2.5f, 2.5f};
    std::vector<unsigned short> shorts(216, 0xAAAA);
    unsigned char slice[36] = {1};
    float centre[3], value = -1.0f, samples[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    EXPECT_EQ(captureStdout([&] {
                  image.releaseData(), image.flip(true, true, false, false), image.swapBytes(), image.setWindowFromData();
                  image.rotate(1), image.scaleToPowerOfTwo(), image.invert(), image.applyWindowLevel(false), image.fillBorder(2);
                  EXPECT_EQ(image.downsample(2, 2, 1, 1, true), nullptr);
                  EXPECT_EQ(image.filter(Ivory::kTypeFloat, kernel, 3, nullptr), nullptr);
                  EXPECT_EQ(image.gradient(Ivory::kTypeFloat, nullptr, false, nullptr), nullptr);
                  EXPECT_EQ(image.hessian(Ivory::kTypeFloat, nullptr, nullptr), nullptr);
                  EXPECT_EQ(image.gradient3D(Ivory::kTypeFloat, nullptr, false, false, nullptr), nullptr);
                  EXPECT_EQ(image.toShorts(shorts.data(), false), shorts.data());
                  EXPECT_EQ(image.sliceToBytes(slice, 0, 1, false), slice);
                  EXPECT_FALSE(image.getNext(&value) || image.setNext(1.0f));
                  image.setCurrent(1.0f), image.setValue(1.0f, 1, 1, 0, 0, 1), image.centroid(centre);
                  image.getPixel(samples, 1.0f, 1.0f, 0.0f), image.interpolateCubic(samples + 2, 2.5f, 2.5f, 2.5f);
                  samples[4] = image.getValue(1, 1, 0, 0, 1) + image.getPixelValue(2.5f, 2.5f, 2.5f) +
                               image.interpolateLinearValue(2.5f, 2.5f, 2.5f) + image.interpolateCubicValue(2.5f, 2.5f, 2.5f);
                  image.getPixelValues(position, position + 1, position + 2, 1, samples + 5);
                  image.interpolateLinearValues(position, position + 1, position + 2, 1, samples + 6);
                  image.interpolateCubicValues(position, position + 1, position + 2, 1, samples + 7);
              }),
              "");
    EXPECT_TRUE(image.m_data == nullptr && image.m_dim[0] == 6 && image.m_dim[1] == 6 && image.releases == 3);
    EXPECT_EQ(std::vector<float>(image.m_window, image.m_window + 4), (std::vector<float>{10, 5, 0, 10}));
    EXPECT_EQ(shorts, std::vector<unsigned short>(216, 0));
    EXPECT_EQ(std::vector<float>(samples, samples + 8), std::vector<float>(8, 0.0f));
    EXPECT_TRUE(slice[0] == 1 && std::isnan(centre[0]) && value == -1.0f);
}

// An external block on the stack: releasing or writing it would show. Operations that replace the block
// leave it as it was and own the new one (m_external false; the sanitizer build reports a leak otherwise).
TYPED_TEST(ModelTest, ExternalBlocksAreNeitherReleasedNorWrittenAndNewBlocksAreOwned) {
    using Image = Ivory::ImageBase<TypeParam>;
    const struct {
        void (*replace)(Image&);
        std::vector<double> after;
    } operations[] = {{[](Image& i) { i.flip(true, false, false, false); }, {3, 2, 1, 7, 6, 5}},
                      {[](Image& i) { i.downsample(1, 2, 1, 1, false); }, {3, 4, 5}},
                      {[](Image& i) { i.rotate(2); }, {3, 7, 2, 6, 1, 5}},
                      {[](Image& i) { i.scaleToPowerOfTwo(); }, {1, 2, 3, 0, 5, 6, 7, 0}}};
    const TypeParam values[6] = {1, 2, 3, 5, 6, 7};
    for (const auto& op : operations) {
        alignas(16) TypeParam external[6];
        std::copy_n(values, 6, external);
        {
            CountingImage<TypeParam> image;
            image.m_verbose = 0;
            image.m_external = true;
            image.init(3, 2, 1, 1, 1);  // allocates nothing
            EXPECT_EQ(image.setData(external), 0);
            image.releaseData();
            image.init(3, 2, 1, 1, 1);  // neither releases nor replaces the block
            const int releases = image.releases;
            op.replace(image);
            EXPECT_EQ(image.releases, releases + 1);  // through the virtual table
            EXPECT_TRUE(image.m_data != external && !image.m_external);
            EXPECT_EQ(elements(image), op.after);
        }
        EXPECT_TRUE(std::equal(external, external + 6, values));
    }
}

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

// The cursor walks the block in storage order and stops at its end; setCurrent rewrites the element
// just visited (none before the first); the positional calls follow the index rule.
TYPED_TEST(ModelTest, CursorAndPositionalAccess) {
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
