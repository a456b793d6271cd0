#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "createimage.h"
#include "imagebase.h"
#include "test_support.h"
#include "volume_support.h"

namespace {

using Ivory::Image;
using Ivory::ImageBase;
using IvoryTest::captureStdout;
using IvoryTest::ImagePtr;
using IvoryTest::makeVolume;

const float kOnes3x3[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
const float kIdentity1x1[1] = {1};

// ---- refused calls -------------------------------------------------------

struct RefusedFilter {
    const char* what;
    int code;
    const float* kernel;
    int n;
    const char* message;
};

class FilterRefusal : public ::testing::TestWithParam<RefusedFilter> {};

TEST_P(FilterRefusal, PrintsOneLineReturnsNullAndLeavesTheOutputAlone) {
    const RefusedFilter& c = GetParam();
    auto source = makeVolume<float>(5, 5, 1, [](int x, int y, int) { return x + y; });
    ImageBase<float> out;
    out.init(5, 5, 1, 1, 1);
    out.setValue(7.0f, 2, 2, 0, 0, 0);
    Image* result = reinterpret_cast<Image*>(1);
    const std::string printed = captureStdout([&] { result = source->filter(c.code, c.kernel, c.n, &out); });
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(printed, std::string(c.message) + "\n");
    EXPECT_EQ(out.getValue(2, 2, 0, 0, 0), 7.0f);
    EXPECT_EQ(out.m_cursor, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Filter, FilterRefusal,
    ::testing::Values(
        RefusedFilter{"UnsignedShort", 0x1403, kOnes3x3, 3,
                      "Error: unsigned data type, cannot compute filtered image!"},
        RefusedFilter{"UnsignedByte", 0x1401, kOnes3x3, 3,
                      "Error: unsigned data type, cannot compute filtered image!"},
        RefusedFilter{"UnsignedCheckedFirst", 0x1405, nullptr, 4,
                      "Error: unsigned data type, cannot compute filtered image!"},
        RefusedFilter{"NoKernel", 0x1406, nullptr, 3,
                      "Error: Cannot compute filtered image without filter!"},
        RefusedFilter{"KernelCheckedBeforeSize", 0x1406, nullptr, 4,
                      "Error: Cannot compute filtered image without filter!"},
        RefusedFilter{"EvenWindow", 0x1406, kOnes3x3, 4, "Error: Window size must be an odd number!"},
        RefusedFilter{"WindowWiderThanImage", 0x1406, kOnes3x3, 7,
                      "Error: Window size exceeds the image!"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(Filter, UnsignedCodeIsRefusedWithoutOutputToo) {
    auto source = makeVolume<short>(3, 3, 1, [](int, int, int) { return 1; });
    Image* result = nullptr;
    EXPECT_EQ(captureStdout([&] { result = source->filter(0x1403, kOnes3x3, 3, nullptr); }),
              "Error: unsigned data type, cannot compute filtered image!\n");
    EXPECT_EQ(result, nullptr);
}

TEST(Filter, CodeZeroStandsForTheOwnTypeAlsoInTheSignCheck) {
    auto source = makeVolume<float>(3, 3, 1, [](int, int, int) { return 1; });
    source->m_type = Ivory::kTypeUnsignedShort;
    Image* result = nullptr;
    EXPECT_EQ(captureStdout([&] { result = source->filter(0, kOnes3x3, 3, nullptr); }),
              "Error: unsigned data type, cannot compute filtered image!\n");
    EXPECT_EQ(result, nullptr);
}

TEST(Filter, WindowTallerThanImageIsRefused) {
    auto source = makeVolume<float>(9, 2, 1, [](int, int, int) { return 1; });
    Image* result = nullptr;
    EXPECT_EQ(captureStdout([&] { result = source->filter(0x1406, kOnes3x3, 3, nullptr); }),
              "Error: Window size exceeds the image!\n");
    EXPECT_EQ(result, nullptr);
}

TEST(Filter, CodeUnknownToTheFactoryWithoutOutputIsRefused) {
    auto source = makeVolume<float>(3, 3, 1, [](int, int, int) { return 1; });
    for (int code : {0x1408, 0}) {  // 0 stands for m_type, which is 0 here
        Image* result = nullptr;
        EXPECT_EQ(captureStdout([&] { result = source->filter(code, kOnes3x3, 3, nullptr); }),
                  "Error: unknown data type, cannot create output image!\n");
        EXPECT_EQ(result, nullptr);
    }
}

TEST(Filter, OutputTooSmallIsRefusedWithoutWriting) {
    auto source = makeVolume<float>(4, 3, 2, [](int, int, int) { return 1; });
    ImageBase<float> small;
    small.init(23, 1, 1, 1, 1);  // one element short of 4 * 3 * 2
    small.setValue(5.0f, 0, 0, 0, 0, 0);
    ImageBase<float> blockless;
    blockless.init(4, 3, 2, 1, 1);
    blockless.releaseData();
    for (Image* out : {static_cast<Image*>(&small), static_cast<Image*>(&blockless)}) {
        Image* result = reinterpret_cast<Image*>(1);
        EXPECT_EQ(captureStdout([&] { result = source->filter(0x1406, kIdentity1x1, 1, out); }),
                  "Error: output image too small!\n");
        EXPECT_EQ(result, nullptr);
    }
    EXPECT_EQ(small.getValue(0, 0, 0, 0, 0), 5.0f);
    EXPECT_EQ(small.m_window[3], 0.0f);
}

TEST(Filter, SourceWithoutBlockGivesNothing) {
    auto source = makeVolume<int>(4, 4, 1, [](int, int, int) { return 1; });
    source->releaseData();
    Image* result = reinterpret_cast<Image*>(1);
    EXPECT_EQ(captureStdout([&] { result = source->filter(0x1406, kOnes3x3, 3, nullptr); }), "");
    EXPECT_EQ(result, nullptr);
}

// ---- results over the eight source types ---------------------------------

template <typename T> class FilterSource : public ::testing::Test {};
TYPED_TEST_SUITE(FilterSource, IvoryTest::AllElementTypes);

TYPED_TEST(FilterSource, OneByOneIdentityCopiesTheFirstFrame) {
    auto source = std::make_unique<ImageBase<TypeParam>>();
    source->init(3, 2, 2, 2, 1);
    for (int i = 0; i < source->m_image_size; ++i) source->setNext(float(i * 5));  // 0 .. 115
    source->setSpacing(0.5f, 2.0f, 3.0f, 4.0f);
    ImagePtr out(source->filter(0x1406, kIdentity1x1, 1, nullptr));
    ASSERT_NE(out, nullptr);
    auto* typed = dynamic_cast<ImageBase<float>*>(out.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(out->m_channels, 1);
    EXPECT_EQ(out->m_dim[0], 3);
    EXPECT_EQ(out->m_dim[1], 2);
    EXPECT_EQ(out->m_dim[2], 2);
    EXPECT_EQ(out->m_dim[3], 2);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(typed->m_data[i], float(i * 5)) << i;
    for (int i = 12; i < 24; ++i) EXPECT_EQ(typed->m_data[i], 0.0f) << i;  // only frame 0
    EXPECT_EQ(out->m_window[2], 0.0f);
    EXPECT_EQ(out->m_window[3], 55.0f);
    EXPECT_EQ(out->m_window[0], 55.0f);
    EXPECT_EQ(out->m_window[1], 27.5f);
    EXPECT_EQ(out->m_spacing[0], 0.5f);
    EXPECT_EQ(out->m_spacing[1], 2.0f);
    EXPECT_EQ(out->m_spacing[2], 3.0f);
    EXPECT_EQ(out->m_spacing[3], 4.0f);
}

TYPED_TEST(FilterSource, MultiChannelSourceIsReadAsOneChannel) {
    auto source = std::make_unique<ImageBase<TypeParam>>();
    source->init(2, 2, 1, 1, 3);
    for (int i = 0; i < source->m_image_size; ++i) source->setNext(float(i + 1));
    ImagePtr out(source->filter(0x1406, kIdentity1x1, 1, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->m_image_size, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out->getValue(i % 2, i / 2, 0, 0, 0), float(i + 1));
}

TYPED_TEST(FilterSource, OnesKernelOnConstantImageGivesInnerSumsAndZeroFrame) {
    auto source = makeVolume<TypeParam>(4, 4, 1, [](int, int, int) { return 2; });
    ImagePtr out(source->filter(0x1406, kOnes3x3, 3, nullptr));
    ASSERT_NE(out, nullptr);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inner = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(out->getValue(x, y, 0, 0, 0), inner ? 18.0f : 0.0f) << x << "," << y;
        }
    }
    EXPECT_EQ(out->m_window[2], 0.0f);
    EXPECT_EQ(out->m_window[3], 18.0f);
}

// ---- results over the output codes ----------------------------------------

class FilterOutputCode : public ::testing::TestWithParam<int> {};

TEST_P(FilterOutputCode, OnesKernelResultsConvertToTheOutputType) {
    auto source = makeVolume<unsigned char>(4, 4, 1, [](int, int, int) { return 2; });
    ImagePtr out(source->filter(GetParam(), kOnes3x3, 3, nullptr));
    ASSERT_NE(out, nullptr);
    ImagePtr sameType(Ivory::createImage(GetParam()));
    EXPECT_EQ(typeid(*out), typeid(*sameType));
    EXPECT_EQ(out->getValue(1, 2, 0, 0, 0), 18.0f);
    EXPECT_EQ(out->getValue(0, 2, 0, 0, 0), 0.0f);
    EXPECT_EQ(out->m_window[3], 18.0f);
}

INSTANTIATE_TEST_SUITE_P(Filter, FilterOutputCode,
                         ::testing::Values(0x1400, 0x1402, 0x1404, 0x1406, 0x140A));

TEST(Filter, CodeZeroMeansTheImagesOwnType) {
    auto source = makeVolume<float>(3, 3, 1, [](int, int, int) { return 1; });
    source->m_type = Ivory::kTypeShort;
    ImagePtr out(source->filter(0, kOnes3x3, 3, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_NE(dynamic_cast<ImageBase<short>*>(out.get()), nullptr);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 0), 9.0f);
}

TEST(Filter, ByteOutputKeepsTheLowBitsButTheWindowTheSum) {
    auto source = makeVolume<float>(3, 3, 1, [](int x, int y, int) { return x == 1 && y == 1 ? 100 : 0; });
    const float twice[1] = {2};
    ImagePtr out(source->filter(0x1400, twice, 1, nullptr));
    ASSERT_NE(out, nullptr);
    auto* bytes = dynamic_cast<ImageBase<char>*>(out.get());
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->m_data[4], char(-56));
    EXPECT_EQ(out->m_window[2], 0.0f);
    EXPECT_EQ(out->m_window[3], 200.0f);
}

TEST(Filter, CallerOutputOfAnotherTypeIsUsedAsItIs) {
    auto source = makeVolume<short>(3, 3, 1, [](int x, int y, int) { return x + 3 * y; });
    const float halves[9] = {0, 0.5f, 0, 0, 0, 0, 0, 0.25f, 0};
    ImageBase<double> out;
    out.init(3, 3, 1, 1, 1);
    out.setSpacing(7, 7, 7, 7);
    // The code is still checked for sign but does not change the caller's type.
    Image* result = source->filter(0x1400, halves, 3, &out);
    ASSERT_EQ(result, &out);
    EXPECT_EQ(out.m_data[4], 0.5 * 1 + 0.25 * 7);  // pixel (1,0) and pixel (1,2)
    EXPECT_EQ(out.m_data[0], 0.0);
    EXPECT_EQ(out.m_window[3], 2.25f);
    EXPECT_EQ(out.m_spacing[0], 7.0f);
}

TEST(Filter, FiveByFiveComputesInnerSixAndReplicatesTheNextRing) {
    auto source = makeVolume<int>(10, 10, 1, [](int x, int y, int) { return 1 + x + 10 * y; });
    std::vector<float> centre(25, 0.0f);
    centre[12] = 1.0f;
    ImagePtr out(source->filter(0x1404, centre.data(), 5, nullptr));
    ASSERT_NE(out, nullptr);
    auto nearestComputed = [](int v) { return v < 2 ? 2 : v > 7 ? 7 : v; };
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool ring = x == 0 || x == 9 || y == 0 || y == 9;
            const float expected = ring ? 0.0f : float(1 + nearestComputed(x) + 10 * nearestComputed(y));
            EXPECT_EQ(out->getValue(x, y, 0, 0, 0), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(out->m_window[2], 0.0f);  // the zero frame counts
    EXPECT_EQ(out->m_window[3], 78.0f);
}

TEST(Filter, ZeroKernelEntriesAreSkipped) {
    // 0 * inf would be NaN: a skipped tap leaves the sum finite.
    const float inf = std::numeric_limits<float>::infinity();
    auto source = makeVolume<float>(3, 3, 1, [&](int x, int y, int) { return x == 0 && y == 0 ? inf : 3.0f; });
    const float centreOnly[9] = {0, 0, 0, 0, 2, 0, 0, 0, 0};
    ImagePtr out(source->filter(0x1406, centreOnly, 3, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 0), 6.0f);
}

TEST(Filter, SumsAccumulateInSinglePrecisionInRowOrder) {
    // ((0 + 1e8) + 1) - 1e8 is 0 in float; in double it would be 1.
    auto source = makeVolume<float>(3, 3, 1, [](int x, int, int) { return x == 0 ? 1e8f : x == 1 ? 1.0f : -1e8f; });
    const float middleRow[9] = {0, 0, 0, 1, 1, 1, 0, 0, 0};
    ImagePtr out(source->filter(0x1406, middleRow, 3, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 0), 0.0f);
}

TEST(Filter, MatchesAPlainDoubleCorrelationOnInteriorPixels) {
    const int width = 23, height = 17, depth = 3, n = 5, h = 2;
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> value(-100.0f, 100.0f);
    std::vector<float> kernel(n * n);
    for (int k = 0; k < n * n; ++k) kernel[k] = k % 4 == 1 ? 0.0f : value(random) / 50.0f;
    auto source = makeVolume<float>(width, height, depth, [&](int, int, int) { return value(random); });
    ImagePtr out(source->filter(0x140A, kernel.data(), n, nullptr));
    ASSERT_NE(out, nullptr);
    for (int z = 0; z < depth; ++z) {
        for (int y = h; y < height - h; ++y) {
            for (int x = h; x < width - h; ++x) {
                double expected = 0.0;
                for (int j = -h; j <= h; ++j)
                    for (int i = -h; i <= h; ++i)
                        expected += double(kernel[(j + h) * n + i + h]) * source->getValue(x + i, y + j, z, 0, 0);
                EXPECT_NEAR(out->getValue(x, y, z, 0, 0), expected, 1e-3) << x << "," << y << "," << z;
            }
        }
    }
}

// ---- fillBorder -------------------------------------------------------------

template <typename T> class FillBorder : public ::testing::Test {};
TYPED_TEST_SUITE(FillBorder, IvoryTest::AllElementTypes);

TYPED_TEST(FillBorder, InnerRingsTakeTheNearestValuesColumnsFirst) {
    const int w = 8, h = 8, k = 3;
    auto value = [](int x, int y, int z) { return 1 + x + 8 * y + 50 * z; };
    auto image = makeVolume<TypeParam>(w, h, 2, value);
    image->fillBorder(k);
    // Columns 1..k-1 copy column k (in every row), then rows 1..k-1 copy row k
    // (in every column); the far side alike. Columns 0 and w-1 only take
    // values from their own column.
    auto columnSource = [&](int x) { return x >= 1 && x < k ? k : x >= w - k && x <= w - 2 ? w - k - 1 : x; };
    auto rowSource = [&](int y) { return y >= 1 && y < k ? k : y >= h - k && y <= h - 2 ? h - k - 1 : y; };
    for (int z = 0; z < 2; ++z) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool edgeColumn = x == 0 || x == w - 1;
                const int sx = edgeColumn ? x : columnSource(x);
                EXPECT_EQ(image->getValue(x, y, z, 0, 0), float(value(sx, rowSource(y), z)))
                    << x << "," << y << "," << z;
            }
        }
    }
}

TYPED_TEST(FillBorder, WidthsUpToOneChangeNothing) {
    auto value = [](int x, int y, int) { return x + 5 * y; };
    auto image = makeVolume<TypeParam>(5, 5, 1, value);
    for (int k : {-3, 0, 1}) {
        EXPECT_EQ(captureStdout([&] { image->fillBorder(k); }), "");
    }
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(image->getValue(x, y, 0, 0, 0), float(value(x, y, 0)));
}

TYPED_TEST(FillBorder, BorderWiderThanHalfTheSliceIsRefused) {
    auto value = [](int x, int y, int) { return x + 9 * y; };
    auto image = makeVolume<TypeParam>(5, 8, 1, value);  // 3 > 5 / 2
    EXPECT_EQ(captureStdout([&] { image->fillBorder(3); }), "Error: border too wide for the image!\n");
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(image->getValue(x, y, 0, 0, 0), float(value(x, y, 0)));
}

TEST(FillBorder, LeavesLaterFramesAlone) {
    ImageBase<short> image;
    image.init(4, 4, 1, 2, 1);
    for (int i = 0; i < image.m_image_size; ++i) image.setNext(float(i));
    image.fillBorder(2);
    EXPECT_EQ(image.getValue(1, 1, 0, 0, 0), 10.0f);  // from (2, 2)
    for (int i = 16; i < 32; ++i) EXPECT_EQ(image.m_data[i], short(i));
}

TEST(FillBorder, ImageWithoutBlockIsLeftAlone) {
    ImageBase<float> image;
    image.init(6, 6, 1, 1, 1);
    image.releaseData();
    EXPECT_EQ(captureStdout([&] { image.fillBorder(2); }), "");
    EXPECT_EQ(image.m_data, nullptr);
}

}  // namespace
