#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "ivory/imagebase.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

template <typename T> Bytes blockOf(const Ivory::ImageBase<T>& image) {
    const auto* first = reinterpret_cast<const unsigned char*>(image.m_data);
    return Bytes(first, first + size_t(image.m_image_size) * sizeof(T));
}

// A byte pattern that depends on seed; for float and double it includes NaN
// and denormal bit patterns, which must survive too.
Bytes pattern(size_t count, unsigned seed) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 37 + seed * 11 + 0x7f);
    return bytes;
}

template <typename T> void fillBytes(Ivory::ImageBase<T>& image, unsigned seed) {
    const Bytes bytes = pattern(size_t(image.m_image_size) * sizeof(T), seed);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<unsigned char*>(image.m_data));
}

template <typename T> class RawFileTest : public ::testing::Test {
protected:
    IvoryTest::TempDir dir;
};
TYPED_TEST_SUITE(RawFileTest, IvoryTest::AllElementTypes);

TYPED_TEST(RawFileTest, FileHoldsTheBlockAndReadsBackBitExactIntoAnyShapeOfTheSameSize) {
    Ivory::ImageBase<TypeParam> written;
    written.init(4, 3, 2, 1, 2);
    fillBytes(written, 1);
    const std::string path = this->dir.file("image.raw");
    EXPECT_EQ(written.writeRaw(path.c_str()), 0);
    EXPECT_EQ(readFile(path), blockOf(written));  // the block and nothing else

    Ivory::ImageBase<TypeParam> reshaped;
    reshaped.init(2, 3, 2, 1, 4);
    EXPECT_EQ(reshaped.readRaw(path.c_str()), 0);
    EXPECT_EQ(blockOf(reshaped), blockOf(written));
    EXPECT_EQ(reshaped.m_dim[0], 2);  // the shape is the caller's and stays
    EXPECT_EQ(reshaped.m_channels, 4);
}

// A 3 x 4 image of two channels (rows of 6 elements) reading files of other lengths:
// what was read replaces the start of the block, the rest stays.
TYPED_TEST(RawFileTest, MissingShortAndLongFilesFillOnlyWhatTheyHold) {
    const size_t blockBytes = 24 * sizeof(TypeParam);
    const struct {
        long length;  // -1: no file
        int result;
    } table[] = {{-1, 1}, {long(12 * sizeof(TypeParam)), 2}, {long(blockBytes + 5), 0}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.length);
        Ivory::ImageBase<TypeParam> image;
        image.init(3, 4, 1, 1, 2);
        fillBytes(image, 5);
        Bytes expected = blockOf(image);
        const std::string path = this->dir.file("file" + std::to_string(row.length) + ".raw");
        const Bytes contents = pattern(row.length < 0 ? 0 : size_t(row.length), 9);
        if (row.length >= 0) writeFile(path, contents);
        std::copy_n(contents.begin(), std::min(contents.size(), blockBytes), expected.begin());
        EXPECT_EQ(image.readRaw(path.c_str()), row.result);
        EXPECT_EQ(blockOf(image), expected);
    }
}

TYPED_TEST(RawFileTest, EmptyImageWritesAnEmptyFileAndReadsNothing) {
    Ivory::ImageBase<TypeParam> image;
    image.init(0, 3, 1, 1, 2);
    const std::string path = this->dir.file("empty.raw");
    writeFile(path, Bytes{1, 2, 3});
    EXPECT_EQ(image.writeRaw(path.c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    writeFile(path, Bytes{1, 2, 3});
    EXPECT_EQ(image.readRaw(path.c_str()), 0);
    EXPECT_EQ(image.m_data, nullptr);
}

TYPED_TEST(RawFileTest, ImageWithoutBlockTouchesNoFile) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    image.releaseData();
    const std::string existing = this->dir.file("existing.raw");
    writeFile(existing, Bytes(4 * sizeof(TypeParam), 0x55));
    EXPECT_EQ(image.readRaw(existing.c_str()), 2);
    EXPECT_EQ(image.m_data, nullptr);
    EXPECT_EQ(image.writeRaw(existing.c_str()), 2);
    EXPECT_EQ(readFile(existing), Bytes(4 * sizeof(TypeParam), 0x55));
    const std::string fresh = this->dir.file("fresh.raw");
    EXPECT_EQ(image.writeRaw(fresh.c_str()), 2);
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TYPED_TEST(RawFileTest, DirectoriesAndFullDevicesFail) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    fillBytes(image, 6);
    const Bytes before = blockOf(image);
    const std::string folder = this->dir.path().string();
    EXPECT_EQ(image.writeRaw(folder.c_str()), 1);
    // Opening a directory for reading succeeds on Linux; reading it does not.
    EXPECT_EQ(image.readRaw(folder.c_str()), 2);
    EXPECT_EQ(blockOf(image), before);
    EXPECT_EQ(image.writeRaw(this->dir.file("no/such/folder.raw").c_str()), 1);

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    EXPECT_EQ(image.writeRaw("/dev/full"), 2);  // stays in the stdio buffer: fails when closing
    Ivory::ImageBase<TypeParam> large;          // larger than any stdio buffer: fails in fwrite
    large.init(256, 256, 1, 1, 2);
    EXPECT_EQ(large.writeRaw("/dev/full"), 2);
}

}  // namespace
