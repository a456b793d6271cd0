// Headerless raw files: the block and nothing else, read back bit for bit,
// and every result code.

#include <fstream>
#include <iterator>

#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
template <typename T> Bytes blockOf(const Ivory::ImageBase<T>& image) {
    const auto* first = reinterpret_cast<const unsigned char*>(image.m_data);
    return Bytes(first, first + size_t(image.m_image_size) * sizeof(T));
}
// Bytes that depend on seed; as floats and doubles they hold NaN and denormal
// patterns, which must survive too.
Bytes pattern(size_t count, unsigned seed) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 37 + seed * 11 + 0x7f);
    return bytes;
}
template <typename T> Ivory::ImageBase<T>& filled(Ivory::ImageBase<T>& image, unsigned seed) {
    const Bytes bytes = pattern(size_t(image.m_image_size) * sizeof(T), seed);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<unsigned char*>(image.m_data));
    return image;
}

template <typename T> class RawFileTest : public ::testing::Test {
protected:
    IvoryTest::TempDir dir;
};
TYPED_TEST_SUITE(RawFileTest, IvoryTest::AllElementTypes);

// A 3 x 4 image of two channels (rows of 6 elements) writing its block and
// reading files of other lengths: what was read replaces the start of the
// block, the rest stays; the shape is the caller's.
TYPED_TEST(RawFileTest, FilesHoldTheBlockAndReadBackIntoWhatTheyHold) {
    Ivory::ImageBase<TypeParam> written, reshaped;
    written.init(3, 4, 1, 1, 2);
    const std::string path = this->dir.file("image.raw");
    EXPECT_EQ(filled(written, 1).writeRaw(path.c_str()), 0);
    EXPECT_EQ(readFile(path), blockOf(written));
    reshaped.init(2, 3, 1, 1, 4);
    EXPECT_EQ(reshaped.readRaw(path.c_str()), 0);
    EXPECT_EQ(blockOf(reshaped), blockOf(written));
    const size_t blockBytes = 24 * sizeof(TypeParam);
    for (const auto& [length, result] : {std::pair<long, int>{-1, 1}, {long(12 * sizeof(TypeParam)), 2}, {long(blockBytes + 5), 0}}) {
        Ivory::ImageBase<TypeParam> image;
        image.init(3, 4, 1, 1, 2);
        Bytes expected = blockOf(filled(image, 5));
        const std::string file = this->dir.file(std::to_string(length) + ".raw");
        const Bytes contents = pattern(length < 0 ? 0 : size_t(length), 9);
        if (length >= 0) writeFile(file, contents);
        std::copy_n(contents.begin(), std::min(contents.size(), blockBytes), expected.begin());
        EXPECT_EQ(image.readRaw(file.c_str()), result) << length;
        EXPECT_EQ(blockOf(image), expected) << length;
    }
}

TYPED_TEST(RawFileTest, EmptyImagesBlocklessImagesDirectoriesAndFullDevices) {
    Ivory::ImageBase<TypeParam> empty, blockless, image;
    const std::string path = this->dir.file("existing.raw"), fresh = this->dir.file("fresh.raw"), folder = this->dir.path().string();
    writeFile(path, Bytes{1, 2, 3});
    empty.init(0, 3, 1, 1, 2);
    EXPECT_EQ(empty.readRaw(path.c_str()), 0);
    EXPECT_EQ(empty.writeRaw(path.c_str()), 0);
    EXPECT_EQ(readFile(path), Bytes());
    // Elements without a block: no file is opened or touched.
    writeFile(path, Bytes{1, 2, 3});
    blockless.init(2, 2, 1, 1, 1);
    blockless.releaseData();
    EXPECT_EQ(blockless.readRaw(path.c_str()), 2);
    EXPECT_EQ(blockless.writeRaw(path.c_str()), 2);
    EXPECT_EQ(blockless.writeRaw(fresh.c_str()), 2);
    EXPECT_EQ(readFile(path), (Bytes{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(fresh));
    image.init(256, 256, 1, 1, 2);  // larger than any stdio buffer: fails in fwrite, not only in fclose
    const Bytes before = blockOf(filled(image, 6));
    EXPECT_EQ(image.writeRaw(folder.c_str()), 1);
    EXPECT_EQ(image.writeRaw(this->dir.file("no/such/folder.raw").c_str()), 1);
    EXPECT_EQ(image.readRaw(folder.c_str()), 2);  // opening a directory for reading succeeds on Linux
    EXPECT_EQ(blockOf(image), before);
    EXPECT_EQ(image.writeRaw("/dev/full"), 2);
    empty.init(1, 1, 1, 1, 1);  // stays in the stdio buffer: fails when closing
    EXPECT_EQ(empty.writeRaw("/dev/full"), 2);
}

}  // namespace
