#include <cstdint>
#include <cstring>
#include <vector>

#include "alignedblock.h"
#include "imagebase.h"
#include "test_support.h"

namespace {

using IvoryTest::captureStdout;

// Counts releaseData calls, which the library must make through the virtual table.
template <typename T> class CountingImage : public Ivory::ImageBase<T> {
public:
    void releaseData() override {
        ++releases;
        Ivory::ImageBase<T>::releaseData();
    }
    int releases = 0;
};

template <typename T> void fillWithIndices(Ivory::ImageBase<T>& image) {
    for (int32_t i = 0; i < image.m_image_size; ++i) image.m_data[i] = static_cast<T>(i);
}

template <typename T> class ModelTest : public ::testing::Test {};
TYPED_TEST_SUITE(ModelTest, IvoryTest::AllElementTypes);

TYPED_TEST(ModelTest, InitComputesSizesAndZeroesBlockAndWindowTable) {
    Ivory::ImageBase<TypeParam> image;
    EXPECT_EQ(image.init(4, 3, 1, 1, 3), 0);
    EXPECT_EQ(image.m_stride, 12);
    EXPECT_EQ(image.m_slice_size, 36);
    EXPECT_EQ(image.m_frame_size, 36);
    EXPECT_EQ(image.m_image_size, 36);
    ASSERT_NE(image.m_data, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image.m_data) % 16, 0u);
    for (int32_t i = 0; i < 36; ++i) EXPECT_EQ(image.m_data[i], TypeParam(0)) << i;
    ASSERT_NE(image.m_window, nullptr);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(image.m_window[i], 0.0f);
}

TYPED_TEST(ModelTest, FourDimensionalSizes) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 4, 2, 2);
    EXPECT_EQ(image.m_stride, 6);
    EXPECT_EQ(image.m_slice_size, 12);
    EXPECT_EQ(image.m_frame_size, 48);
    EXPECT_EQ(image.m_image_size, 96);
}

TYPED_TEST(ModelTest, EmptyShapeHasNoBlockAndNoWindowTable) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    const std::string printed = captureStdout([&] { EXPECT_EQ(image.init(0, 0, 0, 0, 0), 0); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(image.m_image_size, 0);
    EXPECT_EQ(image.m_stride, 0);
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.m_window, nullptr);
}

TYPED_TEST(ModelTest, ChannelsWithoutPixelsGetAWindowTableButNoBlock) {
    Ivory::ImageBase<TypeParam> image;
    image.init(0, 5, 1, 1, 2);
    EXPECT_EQ(image.m_image_size, 0);
    EXPECT_EQ(image.m_data, nullptr);
    ASSERT_NE(image.m_window, nullptr);
    image.setWindow(1.0f, 3.0f, 1);
    EXPECT_EQ(image.m_window[7], 3.0f);
}

TYPED_TEST(ModelTest, InitAgainReleasesTheOldBlockThroughTheVirtualTable) {
    CountingImage<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    fillWithIndices(image);
    const int before = image.releases;
    image.init(3, 1, 1, 1, 2);
    EXPECT_EQ(image.releases, before + 1);
    EXPECT_EQ(image.m_image_size, 6);
    ASSERT_NE(image.m_data, nullptr);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(image.m_data[i], TypeParam(0));
}

struct Shape {
    int width, height, depth, frames, channels;
};

// Shapes whose sizes do not fit 32 bits, or with a negative extent.
const Shape kUnstorableShapes[] = {
    {65536, 65536, 1, 1, 1},       // 2^32 elements
    {46341, 46341, 1, 1, 1},       // just above 2^31
    {2147483647, 1, 1, 1, 2},      // overflows already in the stride
    {70000, 0, 1, 1, 70000},       // stride overflows although the image holds nothing
    {1024, 1024, 1024, 1024, 1},   // 64-bit product would overflow without stepwise checks
    {-1, 4, 1, 1, 1},
    {4, 4, 1, 1, -3},
    {-2, 4, 1, 1, -1},             // negative extents whose product is positive
};

TYPED_TEST(ModelTest, UnstorableShapesAreReportedAndLeaveNoBlock) {
    for (const Shape& s : kUnstorableShapes) {
        SCOPED_TRACE(::testing::Message() << s.width << "x" << s.height << "x" << s.depth << "x"
                                          << s.frames << "x" << s.channels);
        Ivory::ImageBase<TypeParam> image;
        image.init(2, 2, 1, 1, 1);
        int result = -1;
        const std::string printed = captureStdout(
            [&] { result = image.init(s.width, s.height, s.depth, s.frames, s.channels); });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed, "Error while initializing!\n");
        EXPECT_EQ(image.m_data, nullptr);
        EXPECT_EQ(image.m_window, nullptr);
        EXPECT_EQ(image.m_image_size, 0);
        EXPECT_EQ(image.m_stride, 0);
        EXPECT_EQ(image.m_channels, 0);
        for (int32_t extent : image.m_dim) EXPECT_EQ(extent, 0);
        // Every operation must stay safe on the refused image.
        image.flip(true, true, true, true);
        image.swapBytes();
        image.setWindowFromData();
        EXPECT_EQ(image.m_data, nullptr);
    }
}

TYPED_TEST(ModelTest, ClearZeroesElementsAndWindowRecords) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 1, 1, 2);
    fillWithIndices(image);
    image.setWindow(-1.0f, 5.0f, 0);
    image.setWindow(2.0f, 4.0f, 1);
    TypeParam* block = image.m_data;
    image.clear();
    EXPECT_EQ(image.m_data, block);
    for (int32_t i = 0; i < image.m_image_size; ++i) EXPECT_EQ(image.m_data[i], TypeParam(0));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(image.m_window[i], 0.0f);
}

TYPED_TEST(ModelTest, ClearAllocatesAMissingBlock) {
    Ivory::ImageBase<TypeParam> image;
    image.init(5, 1, 1, 1, 1);
    image.releaseData();
    ASSERT_EQ(image.m_data, nullptr);
    image.clear();
    ASSERT_NE(image.m_data, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image.m_data) % 16, 0u);
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(image.m_data[i], TypeParam(0));
}

TYPED_TEST(ModelTest, ClearOfAnExternalImageWithoutBlockAllocatesNothing) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 1, 1, 1, 2);
    image.releaseData();
    image.m_external = true;  // a block nobody would release must not appear
    image.setWindow(1.0f, 2.0f, 1);
    image.clear();
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.m_window[7], 0.0f);
}

TYPED_TEST(ModelTest, ReleaseDataDropsAnOwnedBlockAndKeepsTheShape) {
    Ivory::ImageBase<TypeParam> image;
    image.init(4, 2, 1, 1, 1);
    image.releaseData();
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.m_image_size, 8);
    image.releaseData();  // a second release is harmless
    EXPECT_EQ(image.m_data, nullptr);
}

// An external block on the stack: freeing it anywhere would crash the test.
TYPED_TEST(ModelTest, ExternalBlocksAreNeverReleased) {
    alignas(16) TypeParam external[6] = {1, 2, 3, 4, 5, 6};
    {
        CountingImage<TypeParam> image;
        image.init(3, 2, 1, 1, 1);
        image.releaseData();
        image.m_external = true;
        EXPECT_EQ(image.setData(external), 0);
        image.releaseData();
        EXPECT_EQ(image.m_data, external);
        image.init(3, 2, 1, 1, 1);  // neither releases nor replaces the block
        EXPECT_EQ(image.m_data, external);
        image.flip(true, false, false, false);
        EXPECT_EQ(image.m_data, external);
    }  // destruction leaves the block alone as well
    const TypeParam flipped[6] = {3, 2, 1, 6, 5, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(external[i], flipped[i]) << i;
}

TYPED_TEST(ModelTest, SetDataHandsOverAnAlignedBlockWithoutReleasingTheOldOne) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 1, 1, 1, 1);
    TypeParam* old = image.m_data;
    auto* block = static_cast<TypeParam*>(Ivory::allocateAligned(2 * sizeof(TypeParam)));
    block[0] = TypeParam(7);
    block[1] = TypeParam(9);
    EXPECT_EQ(image.setData(block), 0);
    EXPECT_EQ(image.getValue(1, 0, 0, 0, 0), 9.0f);
    EXPECT_FALSE(image.m_external);
    // The old block is the caller's now; had the image released it, this
    // would be a double release.
    Ivory::releaseAligned(old);
}

TYPED_TEST(ModelTest, WindowFromDataPoolsAllChannels) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 2);
    const TypeParam values[8] = {5, 2, 9, 3, 4, 4, 8, 6};
    std::memcpy(image.m_data, values, sizeof values);
    image.setWindowFromData();
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(image.m_window[c * 4 + 0], 7.0f);
        EXPECT_EQ(image.m_window[c * 4 + 1], 5.5f);
        EXPECT_EQ(image.m_window[c * 4 + 2], 2.0f);
        EXPECT_EQ(image.m_window[c * 4 + 3], 9.0f);
    }
}

TYPED_TEST(ModelTest, WindowFromDataOfAConstantImage) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 1, 1, 1, 3);
    for (int32_t i = 0; i < 9; ++i) image.m_data[i] = TypeParam(7);
    image.setWindowFromData();
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(image.m_window[c * 4 + 0], 0.0f);
        EXPECT_EQ(image.m_window[c * 4 + 1], 7.0f);
        EXPECT_EQ(image.m_window[c * 4 + 2], 7.0f);
        EXPECT_EQ(image.m_window[c * 4 + 3], 7.0f);
    }
}

TYPED_TEST(ModelTest, WindowFromDataWithoutElementsChangesNothing) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 1, 1, 1, 1);
    image.setWindow(1.0f, 2.0f, 0);
    image.releaseData();
    image.setWindowFromData();
    EXPECT_EQ(image.m_window[2], 1.0f);
    EXPECT_EQ(image.m_window[3], 2.0f);
}

TEST(ModelWindowTest, ComparesInTheElementType) {
    Ivory::ImageBase<unsigned char> bytes;
    bytes.init(3, 1, 1, 1, 1);
    const unsigned char byteValues[3] = {100, 200, 150};  // 200 is negative as a signed byte
    std::memcpy(bytes.m_data, byteValues, 3);
    bytes.setWindowFromData();
    EXPECT_EQ(bytes.m_window[2], 100.0f);
    EXPECT_EQ(bytes.m_window[3], 200.0f);

    Ivory::ImageBase<char> signedBytes;
    signedBytes.init(3, 1, 1, 1, 1);
    const char charValues[3] = {-100, 20, -5};
    std::memcpy(signedBytes.m_data, charValues, 3);
    signedBytes.setWindowFromData();
    EXPECT_EQ(signedBytes.m_window[2], -100.0f);
    EXPECT_EQ(signedBytes.m_window[3], 20.0f);

    Ivory::ImageBase<unsigned int> words;
    words.init(2, 1, 1, 1, 1);
    words.m_data[0] = 3000000000u;
    words.m_data[1] = 1u;
    words.setWindowFromData();
    EXPECT_EQ(words.m_window[2], 1.0f);
    EXPECT_EQ(words.m_window[3], 3000000000.0f);
}

// Every element gets distinct bytes (01 02 | 03 04 ...), so a swap, or a
// missing one, shows.
TYPED_TEST(ModelTest, SwapBytesReversesTwoAndFourByteElementsOnly) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 1, 1, 1, 1);
    const size_t bytes = 3 * sizeof(TypeParam);
    std::vector<unsigned char> original(bytes);
    for (size_t i = 0; i < bytes; ++i) original[i] = static_cast<unsigned char>(i + 1);
    std::memcpy(image.m_data, original.data(), bytes);
    image.swapBytes();
    std::vector<unsigned char> expected = original;
    if (sizeof(TypeParam) == 2 || sizeof(TypeParam) == 4) {
        for (size_t e = 0; e < bytes; e += sizeof(TypeParam)) {
            for (size_t b = 0; b < sizeof(TypeParam); ++b) {
                expected[e + b] = original[e + sizeof(TypeParam) - 1 - b];
            }
        }
    }
    std::vector<unsigned char> actual(bytes);
    std::memcpy(actual.data(), image.m_data, bytes);
    EXPECT_EQ(actual, expected);
}

TEST(ModelFlipTest, MirroringXKeepsChannelOrder) {
    Ivory::ImageBase<unsigned char> image;
    image.init(3, 1, 1, 1, 3);
    const unsigned char abc[9] = {'a', 'A', '1', 'b', 'B', '2', 'c', 'C', '3'};
    std::memcpy(image.m_data, abc, 9);
    image.flip(true, false, false, false);
    const unsigned char cba[9] = {'c', 'C', '3', 'b', 'B', '2', 'a', 'A', '1'};
    EXPECT_EQ(std::memcmp(image.m_data, cba, 9), 0);
}

TYPED_TEST(ModelTest, FlipMirrorsEveryCombinationOfAxes) {
    const int w = 3, h = 2, d = 2, f = 2, ch = 2;
    for (int flags = 0; flags < 16; ++flags) {
        const bool fx = flags & 1, fy = flags & 2, fz = flags & 4, ft = flags & 8;
        SCOPED_TRACE(flags);
        CountingImage<TypeParam> image;
        image.init(w, h, d, f, ch);
        fillWithIndices(image);
        TypeParam* oldBlock = image.m_data;
        const int before = image.releases;
        image.flip(fx, fy, fz, ft);
        EXPECT_EQ(image.releases, before + 1);
        ASSERT_NE(image.m_data, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image.m_data) % 16, 0u);
        EXPECT_NE(image.m_data, oldBlock);  // always a new block, even for an unchanged copy
        // Element (c, x, y, z, t) of the result is the source element at the mirrored position.
        int mismatches = 0;
        for (int t = 0; t < f; ++t) {
            for (int z = 0; z < d; ++z) {
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        for (int c = 0; c < ch; ++c) {
                            const int sx = fx ? w - 1 - x : x, sy = fy ? h - 1 - y : y;
                            const int sz = fz ? d - 1 - z : z, st = ft ? f - 1 - t : t;
                            const int from = c + ch * (sx + w * (sy + h * (sz + d * st)));
                            if (image.at(x, y, z, t, c) != TypeParam(from)) ++mismatches;
                        }
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TYPED_TEST(ModelTest, FlipWithoutBlockDoesNothing) {
    CountingImage<TypeParam> image;
    image.init(3, 2, 1, 1, 1);
    image.releaseData();
    const int before = image.releases;
    image.flip(true, true, false, false);
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.releases, before);
}

}  // namespace
