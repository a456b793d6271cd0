// Downsampling, quarter turns and padding to powers of two.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imagebase.h"
#include "test_support.h"

namespace {

using IvoryTest::captureStdout;

template <typename T>
std::unique_ptr<Ivory::ImageBase<T>> makeImage(int w, int h, int d, int f, int ch) {
    auto image = std::make_unique<Ivory::ImageBase<T>>();
    image->init(w, h, d, f, ch);
    return image;
}

// Element i holds i modulo 100, small enough for every element type.
template <typename T> void fillWithIndex(Ivory::ImageBase<T>& image) {
    for (int i = 0; i < image.m_image_size; ++i) image.m_data[i] = T(i % 100);
}

template <typename T> std::vector<T> elements(const Ivory::ImageBase<T>& image) {
    return std::vector<T>(image.m_data, image.m_data + image.m_image_size);
}

template <typename T> class Resample : public ::testing::Test {};
TYPED_TEST_SUITE(Resample, IvoryTest::AllElementTypes);

TYPED_TEST(Resample, DownsampleInPlaceDropsIncompleteBlocksAndTruncatesTheMean) {
    auto image = makeImage<TypeParam>(5, 4, 1, 1, 1);
    fillWithIndex(*image);
    image->m_data[0] = 1;  // first block: 1, 2, 2, 2
    image->m_data[1] = 2;
    image->m_data[5] = 2;
    image->m_data[6] = 2;
    image->setSpacing(0.5f, 2.0f, 3.0f, 4.0f);
    Ivory::Image* result = nullptr;
    const std::string printed = captureStdout([&] { result = image->downsample(2, 2, 1, 1, false); });

    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(printed, "Image downsampled, new size 2 x 2 x 1\n");
    EXPECT_EQ(image->m_dim[0], 2);
    EXPECT_EQ(image->m_dim[1], 2);
    EXPECT_EQ(image->m_stride, 2);
    EXPECT_EQ(image->m_image_size, 4);
    const float spacing[4] = {1.0f, 4.0f, 3.0f, 4.0f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(image->m_spacing[i], spacing[i]);
    // Block means of the 5 x 4 ramp (column 4 dropped): (2+3+7+8)/4 = 5, (10+11+15+16)/4 = 13, ...
    const bool integral = !std::is_floating_point_v<TypeParam>;
    const std::vector<TypeParam> expected = {TypeParam(integral ? 1 : 1.75), 5, 13, 15};
    EXPECT_EQ(elements(*image), expected);
}

TYPED_TEST(Resample, DownsampleIntoNewWithUnitFactorsCopiesAndLeavesTheSourceAlone) {
    auto image = makeImage<TypeParam>(3, 2, 2, 1, 2);
    fillWithIndex(*image);
    image->setWindow(1.0f, 9.0f, 0);
    image->setSpacing(0.5f, 0.25f, 2.0f, 1.0f);
    image->m_verbose = 0;
    const std::vector<TypeParam> before = elements(*image);
    TypeParam* block = image->m_data;
    Ivory::Image* result = nullptr;
    const std::string printed = captureStdout([&] { result = image->downsample(1, 1, 1, 1, true); });
    std::unique_ptr<Ivory::Image> owned(result);

    EXPECT_EQ(printed, "");
    auto* copy = dynamic_cast<Ivory::ImageBase<TypeParam>*>(result);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(elements(*copy), before);
    EXPECT_EQ(copy->m_channels, 2);
    EXPECT_EQ(copy->m_verbose, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(copy->m_dim[i], image->m_dim[i]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(copy->m_spacing[i], image->m_spacing[i]);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(copy->m_window[i], 0.0f);
    EXPECT_EQ(image->m_data, block);
    EXPECT_EQ(elements(*image), before);
    EXPECT_EQ(image->m_window[3], 9.0f);
}

TYPED_TEST(Resample, DownsampleRefusesFactorsBelowOneAndImagesWithoutBlock) {
    auto image = makeImage<TypeParam>(4, 4, 1, 1, 1);
    TypeParam* block = image->m_data;
    for (const auto& factors : std::vector<std::vector<int>>{{0, 1, 1, 1}, {1, -2, 1, 1},
                                                             {1, 1, 0, 1}, {1, 1, 1, -1}}) {
        for (bool intoNew : {false, true}) {
            Ivory::Image* result = image.get();
            const std::string printed = captureStdout([&] {
                result = image->downsample(factors[0], factors[1], factors[2], factors[3], intoNew);
            });
            EXPECT_EQ(printed, "Error: downsampling factors must be at least 1!\n");
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

TYPED_TEST(Resample, DownsampleAveragesEveryAxisAndKeepsChannelsApart) {
    auto image = makeImage<TypeParam>(4, 2, 2, 2, 2);
    for (int i = 0; i < image->m_image_size; ++i) {
        const int pixel = i / 2;
        image->m_data[i] = TypeParam(i % 2 == 0 ? 8 * (pixel % 2) : 40 + pixel / 8);
    }
    std::unique_ptr<Ivory::Image> result(image->downsample(2, 2, 2, 2, true));
    auto* small = dynamic_cast<Ivory::ImageBase<TypeParam>*>(result.get());
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->m_image_size, 4);  // 2 x 1 x 1 x 1, two channels
    // Channel 0 alternates 0, 8 along x: mean 4. Channel 1 is 40 + z + 2t: mean 41.5.
    const TypeParam mean1 = TypeParam(std::is_floating_point_v<TypeParam> ? 41.5 : 41);
    const std::vector<TypeParam> expected = {4, mean1, 4, mean1};
    EXPECT_EQ(elements(*small), expected);
    EXPECT_EQ(small->m_spacing[3], 2.0f);
}

TEST(ResampleSigned, BlockMeansTruncateTowardZero) {
    auto chars = makeImage<char>(2, 1, 1, 1, 1);
    chars->m_data[0] = -1;
    chars->m_data[1] = -2;
    chars->m_verbose = 0;
    chars->downsample(2, 1, 1, 1, false);
    EXPECT_EQ(chars->m_data[0], -1);

    auto ints = makeImage<int>(3, 1, 1, 1, 1);
    ints->m_data[0] = -4;
    ints->m_data[1] = -4;
    ints->m_data[2] = -3;  // -11/3 = -3.67
    ints->m_verbose = 0;
    EXPECT_EQ(captureStdout([&] { ints->downsample(3, 1, 1, 1, false); }), "");
    EXPECT_EQ(ints->m_data[0], -3);
}

TEST(ResampleSinglePrecision, SumIsRoundedAfterEveryAdditionEvenForDouble) {
    // 2^24 + 1 + 1 + 1 rounds back to 2^24 at every step in single precision.
    auto image = makeImage<double>(4, 1, 1, 1, 1);
    const double values[4] = {16777216.0, 1.0, 1.0, 1.0};
    std::copy(values, values + 4, image->m_data);
    std::unique_ptr<Ivory::Image> result(image->downsample(4, 1, 1, 1, true));
    EXPECT_EQ(static_cast<Ivory::ImageBase<double>*>(result.get())->m_data[0], 4194304.0);

    auto ints = makeImage<unsigned int>(4, 1, 1, 1, 1);
    std::copy(values, values + 4, ints->m_data);
    ints->m_verbose = 0;
    ints->downsample(4, 1, 1, 1, false);
    EXPECT_EQ(ints->m_data[0], 4194304u);
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

// Where (x, y, z) lands after a quarter turn, per axis.
struct Turned {
    int x, y, z;
};
Turned turnedPosition(int axis, int x, int y, int z, int w, int h, int d) {
    switch (axis) {
    case 0: return {x, z, h - 1 - y};
    case 1: return {d - 1 - z, y, x};
    default: return {y, w - 1 - x, z};
    }
}

TYPED_TEST(Resample, RotateMovesEveryPixelFrameAndChannelAndSwapsExtents) {
    const int w = 4, h = 3, d = 2, frames = 2, ch = 2;
    for (int axis = 0; axis < 3; ++axis) {
        auto image = makeImage<TypeParam>(w, h, d, frames, ch);
        fillWithIndex(*image);
        image->setSpacing(1.0f, 2.0f, 3.0f, 4.0f);
        auto original = makeImage<TypeParam>(w, h, d, frames, ch);
        fillWithIndex(*original);
        const std::string printed = captureStdout([&] { image->rotate(axis); });

        EXPECT_EQ(printed, "Rotated image around axis " + std::to_string(axis) + "\n");
        const int newDims[3][3] = {{w, d, h}, {d, h, w}, {h, w, d}};
        const float newSpacing[3][3] = {{1, 3, 2}, {3, 2, 1}, {2, 1, 3}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(image->m_dim[i], newDims[axis][i]) << "axis " << axis;
            EXPECT_EQ(image->m_spacing[i], newSpacing[axis][i]) << "axis " << axis;
        }
        EXPECT_EQ(image->m_stride, newDims[axis][0] * ch);
        EXPECT_EQ(image->m_slice_size, newDims[axis][0] * newDims[axis][1] * ch);
        EXPECT_EQ(image->m_frame_size, w * h * d * ch);
        for (int t = 0; t < frames; ++t)
            for (int z = 0; z < d; ++z)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        for (int c = 0; c < ch; ++c) {
                            const Turned p = turnedPosition(axis, x, y, z, w, h, d);
                            ASSERT_EQ(image->at(p.x, p.y, p.z, t, c), original->at(x, y, z, t, c))
                                << "axis " << axis << " at " << x << "," << y << "," << z << "," << t;
                        }
    }
}

TYPED_TEST(Resample, FourTurnsAboutOneAxisRestoreTheImage) {
    for (int axis = 0; axis < 3; ++axis) {
        auto image = makeImage<TypeParam>(4, 3, 2, 1, 1);
        fillWithIndex(*image);
        const std::vector<TypeParam> before = elements(*image);
        image->m_verbose = 0;
        EXPECT_EQ(captureStdout([&] { for (int i = 0; i < 4; ++i) image->rotate(axis); }), "");
        EXPECT_EQ(elements(*image), before);
        EXPECT_EQ(image->m_dim[0], 4);
        EXPECT_EQ(image->m_dim[1], 3);
        EXPECT_EQ(image->m_stride, 4);
    }
}

TEST(ResampleRotate, AboutZGivesTheTransposedShape) {
    auto image = makeImage<float>(4, 3, 2, 1, 3);
    image->m_verbose = 0;
    image->rotate(2);
    EXPECT_EQ(image->m_dim[0], 3);
    EXPECT_EQ(image->m_dim[1], 4);
    EXPECT_EQ(image->m_dim[2], 2);
    EXPECT_EQ(image->m_stride, 9);
}

TEST(ResampleRotate, RefusesAnAxisOutsideZeroToTwo) {
    auto image = makeImage<unsigned char>(4, 3, 2, 1, 1);
    fillWithIndex(*image);
    const std::vector<unsigned char> before = elements(*image);
    unsigned char* block = image->m_data;
    for (int axis : {-1, 3, 100}) {
        EXPECT_EQ(captureStdout([&] { image->rotate(axis); }),
                  "Error: rotation axis must be 0, 1 or 2!\n");
    }
    EXPECT_EQ(image->m_data, block);
    EXPECT_EQ(elements(*image), before);
    EXPECT_EQ(image->m_dim[0], 4);

    Ivory::ImageBase<unsigned char> empty;
    empty.Ivory::Image::init(4, 3, 2, 1, 1);  // shape without block: nothing to turn
    EXPECT_EQ(captureStdout([&] { empty.rotate(1); }), "");
    EXPECT_EQ(empty.m_dim[0], 4);
}

TYPED_TEST(Resample, ScaleToPowerOfTwoPadsWithZerosAndKeepsEveryFrame) {
    auto image = makeImage<TypeParam>(5, 3, 2, 2, 2);
    fillWithIndex(*image);
    auto original = makeImage<TypeParam>(5, 3, 2, 2, 2);
    fillWithIndex(*original);
    image->setSpacing(0.5f, 0.5f, 1.0f, 1.0f);
    EXPECT_EQ(captureStdout([&] { image->scaleToPowerOfTwo(); }),
              "Scaled to power of two, new width = 8, height = 4\n");
    EXPECT_EQ(image->m_dim[0], 8);
    EXPECT_EQ(image->m_dim[1], 4);
    EXPECT_EQ(image->m_dim[2], 2);
    EXPECT_EQ(image->m_stride, 16);
    EXPECT_EQ(image->m_image_size, 8 * 4 * 2 * 2 * 2);
    EXPECT_EQ(image->m_spacing[0], 0.5f);
    for (int t = 0; t < 2; ++t)
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 8; ++x)
                    for (int c = 0; c < 2; ++c) {
                        const TypeParam expected = x < 5 && y < 3 ? original->at(x, y, z, t, c) : TypeParam(0);
                        ASSERT_EQ(image->at(x, y, z, t, c), expected) << x << "," << y << "," << z << "," << t;
                    }
}

TEST(ResampleScale, PowersOfTwoStayAndOtherWidthsGrowToTheNextOne) {
    const int widths[][2] = {{1, 1}, {2, 2}, {3, 4}, {5, 8}, {8, 8}, {9, 16}, {127, 128},
                             {128, 128}, {129, 256}, {1000, 1024}, {1024, 1024}, {1025, 2048}};
    for (const auto& width : widths) {
        auto image = makeImage<unsigned char>(width[0], 1, 1, 1, 1);
        image->m_verbose = 0;
        unsigned char* block = image->m_data;
        EXPECT_EQ(captureStdout([&] { image->scaleToPowerOfTwo(); }), "");
        EXPECT_EQ(image->m_dim[0], width[1]) << "width " << width[0];
        EXPECT_EQ(image->m_dim[1], 1);
        EXPECT_NE(image->m_data, block);  // always a fresh copy
    }
}

TEST(ResampleScale, ImageWithoutBlockIsLeftAlone) {
    Ivory::ImageBase<short> empty;
    empty.Ivory::Image::init(5, 3, 1, 1, 1);
    EXPECT_EQ(captureStdout([&] { empty.scaleToPowerOfTwo(); }), "");
    EXPECT_EQ(empty.m_dim[0], 5);
    EXPECT_EQ(empty.m_data, nullptr);
}

}  // namespace
