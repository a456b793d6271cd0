// Downsampling, quarter turns and padding to powers of two: worked examples,
// messages and refusals. Outputs over random data of every type, shape and
// thread count are compared bit for bit in the equivalence suite.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ivory/imagebase.h"
#include "test_support.h"

namespace {

using IvoryTest::captureStdout;

// A one-channel image holding the given values in storage order.
template <typename T>
std::unique_ptr<Ivory::ImageBase<T>> makeImage(int w, int h, int d, int f, int ch,
                                               const std::vector<double>& values = {}) {
    auto image = std::make_unique<Ivory::ImageBase<T>>();
    image->init(w, h, d, f, ch);
    for (size_t i = 0; i < values.size(); ++i) image->m_data[i] = T(values[i]);
    return image;
}

template <typename T> std::vector<T> elements(const Ivory::ImageBase<T>& image) {
    return std::vector<T>(image.m_data, image.m_data + image.m_image_size);
}

template <typename T> class Resample : public ::testing::Test {};
TYPED_TEST_SUITE(Resample, IvoryTest::AllElementTypes);

TYPED_TEST(Resample, DownsampleInPlaceDropsIncompleteBlocksAndTruncatesTheMean) {
    // 5 x 4; column 4 is dropped. First block: 1, 2, 2, 2.
    auto image = makeImage<TypeParam>(5, 4, 1, 1, 1, {1, 2, 2, 3, 4,  2, 2, 7, 8, 9,
                                                      10, 11, 12, 13, 14,  15, 16, 17, 18, 19});
    image->setSpacing(0.5f, 2.0f, 3.0f, 4.0f);
    Ivory::Image* result = nullptr;
    const std::string printed = captureStdout([&] { result = image->downsample(2, 2, 1, 1, false); });

    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(printed, "Image downsampled, new size 2 x 2 x 1\n");
    EXPECT_EQ(image->m_dim[0], 2);
    EXPECT_EQ(image->m_dim[1], 2);
    EXPECT_EQ(image->m_stride, 2);
    const float spacing[4] = {1.0f, 4.0f, 3.0f, 4.0f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(image->m_spacing[i], spacing[i]);
    // (2+3+7+8)/4 = 5, (10+11+15+16)/4 = 13, (12+13+17+18)/4 = 15
    const bool integral = !std::is_floating_point_v<TypeParam>;
    EXPECT_EQ(elements(*image), (std::vector<TypeParam>{TypeParam(integral ? 1 : 1.75), 5, 13, 15}));
}

TYPED_TEST(Resample, DownsampleRefusesFactorsBelowOneAndImagesWithoutBlock) {
    auto image = makeImage<TypeParam>(4, 4, 1, 1, 1);
    TypeParam* block = image->m_data;
    const int factors[][4] = {{0, 1, 1, 1}, {1, -2, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, -1}};
    for (const auto& f : factors) {
        for (bool intoNew : {false, true}) {
            Ivory::Image* result = image.get();
            EXPECT_EQ(captureStdout([&] { result = image->downsample(f[0], f[1], f[2], f[3], intoNew); }),
                      "Error: downsampling factors must be at least 1!\n");
            EXPECT_EQ(result, nullptr);
        }
    }
    EXPECT_EQ(image->m_data, block);
    EXPECT_EQ(image->m_dim[0], 4);
    EXPECT_EQ(image->m_spacing[0], 1.0f);

    Ivory::ImageBase<TypeParam> empty;
    empty.Ivory::Image::init(4, 4, 1, 1, 1);  // shape without block
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(empty.downsample(2, 2, 1, 1, true), nullptr); }), "");
    EXPECT_EQ(empty.m_dim[0], 4);
}

TEST(ResampleMean, TruncatesTowardZeroAndSumsInSinglePrecisionEvenForDouble) {
    auto chars = makeImage<char>(2, 1, 1, 1, 1, {-1, -2});
    chars->m_verbose = 0;
    chars->downsample(2, 1, 1, 1, false);
    EXPECT_EQ(chars->m_data[0], -1);

    auto ints = makeImage<int>(3, 1, 1, 1, 1, {-4, -4, -3});  // -11/3 = -3.67
    ints->m_verbose = 0;
    EXPECT_EQ(captureStdout([&] { ints->downsample(3, 1, 1, 1, false); }), "");
    EXPECT_EQ(ints->m_data[0], -3);

    // 2^24 + 1 + 1 + 1 rounds back to 2^24 at every step in single precision.
    auto doubles = makeImage<double>(4, 1, 1, 1, 1, {16777216.0, 1.0, 1.0, 1.0});
    std::unique_ptr<Ivory::Image> result(doubles->downsample(4, 1, 1, 1, true));
    EXPECT_EQ(static_cast<Ivory::ImageBase<double>*>(result.get())->m_data[0], 4194304.0);
}

TEST(ResampleLimits, FactorLargerThanAnExtentGivesAnEmptyImage) {
    auto image = makeImage<short>(3, 3, 1, 1, 1);
    std::unique_ptr<Ivory::Image> result(image->downsample(4, 1, 1, 1, true));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->m_dim[0], 0);
    EXPECT_EQ(result->m_image_size, 0);
    EXPECT_EQ(captureStdout([&] { image->downsample(1, 1, 2, 1, false); }),
              "Image downsampled, new size 3 x 3 x 0\n");
    EXPECT_EQ(image->m_image_size, 0);
}

TEST(ResampleRotate, SwapsExtentsAndSpacingAndSaysSo) {
    const int newDims[3][3] = {{4, 2, 3}, {2, 3, 4}, {3, 4, 2}};
    const float newSpacing[3][3] = {{1, 3, 2}, {3, 2, 1}, {2, 1, 3}};
    for (int axis = 0; axis < 3; ++axis) {
        auto image = makeImage<float>(4, 3, 2, 1, 3);
        image->setSpacing(1.0f, 2.0f, 3.0f, 4.0f);
        EXPECT_EQ(captureStdout([&] { image->rotate(axis); }),
                  "Rotated image around axis " + std::to_string(axis) + "\n");
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(image->m_dim[i], newDims[axis][i]) << "axis " << axis;
            EXPECT_EQ(image->m_spacing[i], newSpacing[axis][i]) << "axis " << axis;
        }
        EXPECT_EQ(image->m_stride, newDims[axis][0] * 3);
    }
}

TEST(ResampleRotate, RefusesAnAxisOutsideZeroToTwo) {
    auto image = makeImage<unsigned char>(4, 3, 2, 1, 1, {1, 2, 3});
    const std::vector<unsigned char> before = elements(*image);
    unsigned char* block = image->m_data;
    for (int axis : {-1, 3, 100}) {
        EXPECT_EQ(captureStdout([&] { image->rotate(axis); }), "Error: rotation axis must be 0, 1 or 2!\n");
    }
    EXPECT_EQ(image->m_data, block);
    EXPECT_EQ(elements(*image), before);
    EXPECT_EQ(image->m_dim[0], 4);

    Ivory::ImageBase<unsigned char> empty;
    empty.Ivory::Image::init(4, 3, 2, 1, 1);  // shape without block: nothing to turn
    EXPECT_EQ(captureStdout([&] { empty.rotate(1); }), "");
    EXPECT_EQ(empty.m_dim[0], 4);
}

TEST(ResampleScale, PadsWidthAndHeightIntoAFreshBlockAndSaysSo) {
    auto image = makeImage<short>(5, 3, 2, 2, 2, {7});
    short* block = image->m_data;
    EXPECT_EQ(captureStdout([&] { image->scaleToPowerOfTwo(); }),
              "Scaled to power of two, new width = 8, height = 4\n");
    EXPECT_EQ(image->m_dim[0], 8);
    EXPECT_EQ(image->m_dim[1], 4);
    EXPECT_EQ(image->m_dim[2], 2);
    EXPECT_EQ(image->m_stride, 16);
    EXPECT_EQ(image->m_image_size, 8 * 4 * 2 * 2 * 2);
    EXPECT_EQ(image->m_data[0], 7);
    EXPECT_NE(image->m_data, block);

    auto square = makeImage<short>(8, 8, 1, 1, 1);
    square->m_verbose = 0;
    block = square->m_data;
    EXPECT_EQ(captureStdout([&] { square->scaleToPowerOfTwo(); }), "");
    EXPECT_EQ(square->m_dim[0], 8);
    EXPECT_NE(square->m_data, block);  // always a fresh copy

    Ivory::ImageBase<short> empty;
    empty.Ivory::Image::init(5, 3, 1, 1, 1);
    EXPECT_EQ(captureStdout([&] { empty.scaleToPowerOfTwo(); }), "");
    EXPECT_EQ(empty.m_dim[0], 5);
    EXPECT_EQ(empty.m_data, nullptr);
}

// Extents just above a power of two, where single-precision logarithms put
// the padded extent below the old one (2^21 + 1 gave 2^21): the padded extent
// is the true next power of two and every old element keeps its place.
TEST(ResampleScale, ExtentsJustAboveAPowerOfTwoPadToTheNextOne) {
    const struct {
        int width, height, paddedWidth, paddedHeight;
    } cases[] = {
        {(1 << 21) + 1, 1, 1 << 22, 1}, {(1 << 22) + 2, 1, 1 << 23, 1}, {(1 << 23) + 8, 1, 1 << 24, 1},
        {(1 << 24) + 1, 1, 1 << 25, 1}, {1, (1 << 21) + 1, 1, 1 << 22},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << k.width << " x " << k.height);
        auto image = makeImage<unsigned char>(k.width, k.height, 1, 1, 1);
        ASSERT_NE(image->m_data, nullptr);
        for (int32_t i = 0; i < image->m_image_size; ++i) image->m_data[i] = static_cast<unsigned char>(i % 251 + 1);
        EXPECT_EQ(captureStdout([&] { image->scaleToPowerOfTwo(); }),
                  "Scaled to power of two, new width = " + std::to_string(k.paddedWidth) +
                      ", height = " + std::to_string(k.paddedHeight) + "\n");
        ASSERT_EQ(image->m_dim[0], k.paddedWidth);
        ASSERT_EQ(image->m_dim[1], k.paddedHeight);
        for (int y = 0; y < k.paddedHeight; ++y)
            for (int x = 0; x < k.paddedWidth; ++x) {
                const int old = x < k.width && y < k.height ? (y * k.width + x) % 251 + 1 : 0;
                if (image->m_data[int64_t(y) * k.paddedWidth + x] != old) {
                    ADD_FAILURE() << "element (" << x << ", " << y << ")";
                    return;
                }
            }
    }
}

}  // namespace
