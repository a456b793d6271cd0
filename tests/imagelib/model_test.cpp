// Shape, block ownership and the window table. Element values of
// setWindowFromData, swapBytes and flip are compared bit for bit in the
// equivalence suite; here: sizes, refusals, ownership and worked examples.
#include <cstdint>
#include <cstring>

#include "ivory/alignedblock.h"
#include "ivory/imagebase.h"
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

template <typename T> void expectZeroedAlignedBlock(const Ivory::ImageBase<T>& image) {
    ASSERT_NE(image.m_data, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image.m_data) % 16, 0u);
    for (int32_t i = 0; i < image.m_image_size; ++i) EXPECT_EQ(image.m_data[i], T(0)) << i;
}

template <typename T> class ModelTest : public ::testing::Test {};
TYPED_TEST_SUITE(ModelTest, IvoryTest::AllElementTypes);

struct Shape {
    int width, height, depth, frames, channels;
};

TYPED_TEST(ModelTest, InitComputesSizesAndReleasesTheOldBlockThroughTheVirtualTable) {
    const struct {
        Shape shape;
        int32_t stride, slice, frame, image;
    } table[] = {{{4, 3, 1, 1, 3}, 12, 36, 36, 36}, {{3, 2, 4, 2, 2}, 6, 12, 48, 96}};
    CountingImage<TypeParam> image;
    image.init(1, 1, 1, 1, 1);
    for (const auto& row : table) {
        const Shape& s = row.shape;
        const int before = image.releases;
        EXPECT_EQ(image.init(s.width, s.height, s.depth, s.frames, s.channels), 0);
        EXPECT_EQ(image.releases, before + 1);
        EXPECT_EQ(image.m_stride, row.stride);
        EXPECT_EQ(image.m_slice_size, row.slice);
        EXPECT_EQ(image.m_frame_size, row.frame);
        EXPECT_EQ(image.m_image_size, row.image);
        expectZeroedAlignedBlock(image);
        ASSERT_NE(image.m_window, nullptr);
        for (int i = 0; i < 4 * s.channels; ++i) EXPECT_EQ(image.m_window[i], 0.0f);
        image.m_data[0] = TypeParam(5);  // the next init must not keep it
    }
}

TYPED_TEST(ModelTest, EmptyShapesHaveNoBlockAndAWindowTableOnlyWithChannels) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    EXPECT_EQ(captureStdout([&] { EXPECT_EQ(image.init(0, 0, 0, 0, 0), 0); }), "");
    EXPECT_EQ(image.m_image_size, 0);
    EXPECT_EQ(image.m_stride, 0);
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.m_window, nullptr);

    image.init(0, 5, 1, 1, 2);
    EXPECT_EQ(image.m_data, nullptr);
    ASSERT_NE(image.m_window, nullptr);
    image.setWindow(1.0f, 3.0f, 1);
    EXPECT_EQ(image.m_window[7], 3.0f);
}

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

TYPED_TEST(ModelTest, ClearZeroesElementsAndWindowsInPlaceAndAllocatesAMissingBlock) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 1, 1, 2);
    for (int32_t i = 0; i < image.m_image_size; ++i) image.m_data[i] = TypeParam(i + 1);
    image.setWindow(-1.0f, 5.0f, 0);
    image.setWindow(2.0f, 4.0f, 1);
    TypeParam* block = image.m_data;
    image.clear();
    EXPECT_EQ(image.m_data, block);
    expectZeroedAlignedBlock(image);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(image.m_window[i], 0.0f);

    image.releaseData();
    image.clear();
    expectZeroedAlignedBlock(image);
}

TYPED_TEST(ModelTest, WithoutBlockNothingIsReleasedAllocatedOrRead) {
    CountingImage<TypeParam> image;
    image.init(3, 1, 1, 1, 2);
    image.setWindow(1.0f, 2.0f, 1);
    image.releaseData();
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.m_image_size, 6);  // the shape stays
    const int releases = image.releases;
    image.releaseData();  // a second release is harmless
    image.flip(true, true, false, false);
    image.setWindowFromData();
    EXPECT_EQ(image.releases, releases + 1);
    EXPECT_EQ(image.m_window[6], 1.0f);
    EXPECT_EQ(image.m_window[7], 2.0f);
    image.m_external = true;  // a block nobody would release must not appear
    image.clear();
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.m_window[7], 0.0f);
}

// An external block on the stack: freeing or writing it anywhere would show.
// The operations that replace the block leave it as it was and make the new
// block the image's own (m_external false, so the destructor frees it; the
// sanitizer build reports a leak otherwise).
TYPED_TEST(ModelTest, ExternalBlocksAreNeitherReleasedNorWrittenAndNewBlocksAreOwned) {
    using Image = Ivory::ImageBase<TypeParam>;
    const struct {
        const char* name;
        void (*replace)(Image&);
        int32_t width;
        TypeParam first;  // element 0 afterwards
    } operations[] = {
        {"flip", [](Image& i) { i.flip(true, false, false, false); }, 3, 3},
        {"downsample in place", [](Image& i) { i.downsample(1, 2, 1, 1, false); }, 3, 3},  // (1 + 5) / 2
        {"rotate", [](Image& i) { i.rotate(2); }, 2, 3},
        {"scaleToPowerOfTwo", [](Image& i) { i.scaleToPowerOfTwo(); }, 4, 1},
    };
    const TypeParam values[6] = {1, 2, 3, 5, 6, 7};
    for (const auto& op : operations) {
        SCOPED_TRACE(op.name);
        alignas(16) TypeParam external[6];
        std::memcpy(external, values, sizeof external);
        {
            CountingImage<TypeParam> image;
            image.m_verbose = 0;
            image.init(3, 2, 1, 1, 1);
            image.releaseData();
            image.m_external = true;
            EXPECT_EQ(image.setData(external), 0);
            image.releaseData();
            EXPECT_EQ(image.m_data, external);
            image.init(3, 2, 1, 1, 1);  // neither releases nor replaces the block
            EXPECT_EQ(image.m_data, external);
            const int releases = image.releases;
            op.replace(image);
            EXPECT_EQ(image.releases, releases + 1);  // through the virtual table
            EXPECT_NE(image.m_data, external);
            EXPECT_FALSE(image.m_external);
            EXPECT_EQ(image.m_dim[0], op.width);
            EXPECT_EQ(image.m_data[0], op.first);
        }  // destruction frees the new block and leaves the external one alone
        EXPECT_EQ(std::memcmp(external, values, sizeof external), 0);
    }
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
    const struct {
        TypeParam values[6];
        float width, centre, low, high;
    } table[] = {{{5, 2, 9, 3, 4, 8}, 7.0f, 5.5f, 2.0f, 9.0f}, {{7, 7, 7, 7, 7, 7}, 0.0f, 7.0f, 7.0f, 7.0f}};
    for (const auto& row : table) {
        Ivory::ImageBase<TypeParam> image;
        image.init(3, 1, 1, 1, 2);
        std::memcpy(image.m_data, row.values, sizeof row.values);
        image.setWindowFromData();
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(image.m_window[c * 4 + 0], row.width);
            EXPECT_EQ(image.m_window[c * 4 + 1], row.centre);
            EXPECT_EQ(image.m_window[c * 4 + 2], row.low);
            EXPECT_EQ(image.m_window[c * 4 + 3], row.high);
        }
    }
}

// Values are checked for every flag combination in the equivalence suite;
// here the block handling: always a fresh aligned block, the old one released once.
TYPED_TEST(ModelTest, FlipMakesAFreshBlockAndReleasesTheOldOnce) {
    for (bool fx : {false, true}) {
        CountingImage<TypeParam> image;
        image.init(3, 1, 1, 1, 1);
        for (int i = 0; i < 3; ++i) image.m_data[i] = TypeParam(i + 1);
        TypeParam* oldBlock = image.m_data;
        const int before = image.releases;
        image.flip(fx, false, false, false);
        EXPECT_EQ(image.releases, before + 1);
        EXPECT_NE(image.m_data, oldBlock);  // even for an unchanged copy
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image.m_data) % 16, 0u);
        EXPECT_EQ(image.m_data[0], TypeParam(fx ? 3 : 1));
    }
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

}  // namespace
