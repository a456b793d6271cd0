// filter and fillBorder: refusals with their messages, and the worked examples
// that define the results. Outputs over random data, every output code and
// caller outputs of every type are compared bit for bit in the equivalence suite.
#include <limits>
#include <string>
#include <typeinfo>
#include <vector>

#include "ivory/createimage.h"
#include "ivory/imagebase.h"
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
    int width, height;
    int type;  // m_type of the source
    int code;
    const float* kernel;
    int n;
    bool withOutput;
    const char* message;
};

const char* const kUnsigned = "Error: unsigned data type, cannot compute filtered image!";
const char* const kNoKernel = "Error: Cannot compute filtered image without filter!";
const char* const kTooWide = "Error: Window size exceeds the image!";
const char* const kNotPositive = "Error: Window size must be positive!";
const char* const kUnknown = "Error: unknown data type, cannot create output image!";

class FilterRefusal : public ::testing::TestWithParam<RefusedFilter> {};

TEST_P(FilterRefusal, PrintsOneLineReturnsNullAndLeavesTheOutputAlone) {
    const RefusedFilter& c = GetParam();
    auto source = makeVolume<float>(c.width, c.height, 1, [](int x, int y, int) { return x + y; });
    source->m_type = c.type;
    ImageBase<float> out;
    out.init(c.width, c.height, 1, 1, 1);
    out.setValue(7.0f, 1, 1, 0, 0, 0);
    Image* result = reinterpret_cast<Image*>(1);
    const std::string printed =
        captureStdout([&] { result = source->filter(c.code, c.kernel, c.n, c.withOutput ? &out : nullptr); });
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(printed, std::string(c.message) + "\n");
    EXPECT_EQ(out.getValue(1, 1, 0, 0, 0), 7.0f);
    EXPECT_EQ(out.m_cursor, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Filter, FilterRefusal,
    ::testing::Values(
        RefusedFilter{"UnsignedShort", 5, 5, 0, 0x1403, kOnes3x3, 3, true, kUnsigned},
        RefusedFilter{"UnsignedByte", 5, 5, 0, 0x1401, kOnes3x3, 3, true, kUnsigned},
        RefusedFilter{"UnsignedWithoutOutput", 5, 5, 0, 0x1403, kOnes3x3, 3, false, kUnsigned},
        RefusedFilter{"OwnTypeUnsigned", 5, 5, 0x1403, 0, kOnes3x3, 3, false, kUnsigned},
        RefusedFilter{"UnsignedCheckedFirst", 5, 5, 0, 0x1405, nullptr, 4, true, kUnsigned},
        RefusedFilter{"NoKernel", 5, 5, 0, 0x1406, nullptr, 3, true, kNoKernel},
        RefusedFilter{"KernelCheckedBeforeSize", 5, 5, 0, 0x1406, nullptr, 4, true, kNoKernel},
        RefusedFilter{"EvenWindow", 5, 5, 0, 0x1406, kOnes3x3, 4, true, "Error: Window size must be an odd number!"},
        RefusedFilter{"NegativeOddWindow", 5, 5, 0, 0x1406, kOnes3x3, -1, true, kNotPositive},
        RefusedFilter{"NegativeOddWindowWithoutOutput", 5, 5, 0, 0x1406, kOnes3x3, -3, false, kNotPositive},
        RefusedFilter{"ZeroWindowCheckedBeforeEven", 5, 5, 0, 0x1406, kOnes3x3, 0, true, kNotPositive},
        RefusedFilter{"WindowWiderThanImage", 5, 5, 0, 0x1406, kOnes3x3, 7, true, kTooWide},
        RefusedFilter{"WindowTallerThanImage", 9, 2, 0, 0x1406, kOnes3x3, 3, false, kTooWide},
        RefusedFilter{"CodeUnknownToTheFactory", 3, 3, 0, 0x1408, kOnes3x3, 3, false, kUnknown},
        RefusedFilter{"OwnTypeZero", 3, 3, 0, 0, kOnes3x3, 3, false, kUnknown}),
    [](const auto& info) { return std::string(info.param.what); });

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

// ---- worked examples -------------------------------------------------------

class FilterOutputCode : public ::testing::TestWithParam<int> {};

TEST_P(FilterOutputCode, OnesKernelGivesInnerSumsAZeroRingAndTheCodesType) {
    auto source = makeVolume<unsigned char>(4, 4, 1, [](int, int, int) { return 2; });
    ImagePtr out(source->filter(GetParam(), kOnes3x3, 3, nullptr));
    ASSERT_NE(out, nullptr);
    ImagePtr sameType(Ivory::createImage(GetParam()));
    const Ivory::Image &made = *out, &expected = *sameType;
    EXPECT_EQ(typeid(made), typeid(expected));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inner = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(out->getValue(x, y, 0, 0, 0), inner ? 18.0f : 0.0f) << x << "," << y;
        }
    EXPECT_EQ(out->m_window[2], 0.0f);
    EXPECT_EQ(out->m_window[3], 18.0f);
}

INSTANTIATE_TEST_SUITE_P(Filter, FilterOutputCode, ::testing::Values(0x1400, 0x1402, 0x1404, 0x1406, 0x140A));

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

TEST(Filter, ZeroTapsAreSkippedAndSumsStayInSinglePrecision) {
    // 0 * inf would be NaN: a skipped tap leaves the sum finite.
    const float inf = std::numeric_limits<float>::infinity();
    auto spiked = makeVolume<float>(3, 3, 1, [&](int x, int y, int) { return x == 0 && y == 0 ? inf : 3.0f; });
    const float centreOnly[9] = {0, 0, 0, 0, 2, 0, 0, 0, 0};
    ImagePtr out(spiked->filter(0x1406, centreOnly, 3, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 0), 6.0f);

    // ((0 + 1e8) + 1) - 1e8 is 0 in float; in double it would be 1.
    auto cancelling = makeVolume<float>(3, 3, 1, [](int x, int, int) { return x == 0 ? 1e8f : x == 1 ? 1.0f : -1e8f; });
    const float middleRow[9] = {0, 0, 0, 1, 1, 1, 0, 0, 0};
    out.reset(cancelling->filter(0x1406, middleRow, 3, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 0), 0.0f);
}

// ---- fillBorder -------------------------------------------------------------

TEST(FillBorder, InnerRingsTakeTheNearestValuesColumnsFirstInTheFirstFrameOnly) {
    const int w = 8, h = 8, k = 3;
    ImageBase<short> image;
    image.init(w, h, 2, 2, 1);
    auto value = [](int x, int y, int z) { return 1 + x + 8 * y + 50 * z; };
    for (int t = 0; t < 2; ++t)
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) image.setValue(float(value(x, y, z)), x, y, z, t, 0);
    image.fillBorder(k);
    // Columns 1..k-1 copy column k (in every row), then rows 1..k-1 copy row k
    // (in every column); the far side alike. Columns 0 and w-1 only take
    // values from their own column.
    auto columnSource = [&](int x) { return x >= 1 && x < k ? k : x >= w - k && x <= w - 2 ? w - k - 1 : x; };
    auto rowSource = [&](int y) { return y >= 1 && y < k ? k : y >= h - k && y <= h - 2 ? h - k - 1 : y; };
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = x == 0 || x == w - 1 ? x : columnSource(x);
                EXPECT_EQ(image.getValue(x, y, z, 0, 0), float(value(sx, rowSource(y), z))) << x << "," << y;
                EXPECT_EQ(image.getValue(x, y, z, 1, 0), float(value(x, y, z))) << x << "," << y;
            }
}

TEST(FillBorder, NarrowBordersChangeNothingAndWideOnesAreRefused) {
    auto value = [](int x, int y, int) { return x + 9 * y; };
    auto image = makeVolume<int>(5, 8, 1, value);
    const struct {
        int width;
        const char* message;
    } table[] = {{-3, ""}, {0, ""}, {1, ""}, {3, "Error: border too wide for the image!\n"}};  // 3 > 5 / 2
    for (const auto& row : table) EXPECT_EQ(captureStdout([&] { image->fillBorder(row.width); }), row.message);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(image->getValue(x, y, 0, 0, 0), float(value(x, y, 0)));

    ImageBase<float> blockless;
    blockless.init(6, 6, 1, 1, 1);
    blockless.releaseData();
    EXPECT_EQ(captureStdout([&] { blockless.fillBorder(2); }), "");
    EXPECT_EQ(blockless.m_data, nullptr);
}

}  // namespace
