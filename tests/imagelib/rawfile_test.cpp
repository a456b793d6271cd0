// Headerless raw files: the block and nothing else, read back bit for bit,
// and every result code.

#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

template <typename T> Bytes blockOf(const Ivory::ImageBase<T>& image) {
    const auto* first = reinterpret_cast<const unsigned char*>(image.m_data);
    return Bytes(first, first + size_t(image.m_image_size) * sizeof(T));
}
// Bytes that depend on seed; as floats and doubles they hold NaN and denormal
// patterns, which must survive too.
template <typename T> Ivory::ImageBase<T>& filled(Ivory::ImageBase<T>& image, unsigned seed) {
    auto* bytes = reinterpret_cast<unsigned char*>(image.m_data);
    for (size_t i = 0; i < size_t(image.m_image_size) * sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(i * 37 + seed * 11 + 0x7f);
    return image;
}

template <typename T> class RawFileTest : public ::testing::Test {};
TYPED_TEST_SUITE(RawFileTest, IvoryTest::AllElementTypes);

// A 3 x 4 image of two channels (rows of 6 elements) writes its block, which
// is read back, missing, cut short and with more bytes behind, into a 2 x 3
// image of four channels: what was read replaces the start of the block, the
// rest stays; the shape is the caller's.
TYPED_TEST(RawFileTest, FilesHoldTheBlockAndReadBackIntoWhatTheyHold) {
    const size_t blockBytes = 24 * sizeof(TypeParam);
    const IvoryTest::TempDir dir;
    Ivory::ImageBase<TypeParam> written;
    written.init(3, 4, 1, 1, 2);
    const std::string path = dir.file("image.raw");
    EXPECT_EQ(filled(written, 1).writeRaw(path.c_str()), 0);
    EXPECT_EQ(IvoryTest::readFile(path), blockOf(written));
    for (const auto& [length, result] : {std::pair<long, int>{-1, 1}, {long(12 * sizeof(TypeParam)), 2}, {long(blockBytes + 5), 0}}) {
        Ivory::ImageBase<TypeParam> image;
        image.init(2, 3, 1, 1, 4);
        Bytes expected = blockOf(filled(image, 5));
        const std::string file = dir.file(std::to_string(length) + ".raw");
        Bytes contents = blockOf(written);  // cut short, or with bytes beyond the block
        contents.resize(length < 0 ? 0 : size_t(length), 0xEE);
        if (length >= 0) IvoryTest::writeFile(file, contents);
        std::copy_n(contents.begin(), std::min(contents.size(), blockBytes), expected.begin());
        EXPECT_EQ(image.readRaw(file.c_str()), result) << length;
        EXPECT_EQ(blockOf(image), expected) << length;
    }
}

TYPED_TEST(RawFileTest, EmptyImagesBlocklessImagesDirectoriesAndFullDevices) {
    const IvoryTest::TempDir dir;
    Ivory::ImageBase<TypeParam> empty, blockless, image;
    const std::string path = dir.file("existing.raw");
    IvoryTest::writeFile(path, Bytes{1, 2, 3});
    empty.init(0, 3, 1, 1, 2);
    EXPECT_EQ(empty.readRaw(path.c_str()), 0);
    EXPECT_EQ(empty.writeRaw(path.c_str()), 0);
    EXPECT_EQ(IvoryTest::readFile(path), Bytes());
    // Elements without a block: no file is opened, so none is truncated.
    IvoryTest::writeFile(path, Bytes{1, 2, 3});
    blockless.init(2, 2, 1, 1, 1);
    blockless.releaseData();
    EXPECT_EQ(blockless.readRaw(path.c_str()), 2);
    EXPECT_EQ(blockless.writeRaw(path.c_str()), 2);
    EXPECT_EQ(IvoryTest::readFile(path), (Bytes{1, 2, 3}));
    image.init(1, 1, 1, 1, 1);
    EXPECT_EQ(image.writeRaw(dir.path().c_str()), 1);  // a directory
    EXPECT_EQ(image.writeRaw("/dev/full"), 2);  // the byte waits in the stdio buffer: the failure shows when closing
}

}  // namespace
