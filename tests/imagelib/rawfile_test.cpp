#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "imagebase.h"
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

// Fills the block with a byte pattern that depends on seed; for float and
// double it includes NaN and denormal bit patterns, which must survive too.
template <typename T> void fillBytes(Ivory::ImageBase<T>& image, unsigned seed) {
    auto* bytes = reinterpret_cast<unsigned char*>(image.m_data);
    const size_t count = size_t(image.m_image_size) * sizeof(T);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 37 + seed * 11 + 0x7f);
}

template <typename T> class RawFileTest : public ::testing::Test {
protected:
    IvoryTest::TempDir dir;
};
TYPED_TEST_SUITE(RawFileTest, IvoryTest::AllElementTypes);

TYPED_TEST(RawFileTest, FileHoldsTheBlockAndNothingElse) {
    Ivory::ImageBase<TypeParam> image;
    image.init(4, 3, 2, 1, 2);
    fillBytes(image, 1);
    const std::string path = this->dir.file("image.raw");
    EXPECT_EQ(image.writeRaw(path.c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 4u * 3 * 2 * 1 * 2 * sizeof(TypeParam));
    EXPECT_EQ(readFile(path), blockOf(image));
}

TYPED_TEST(RawFileTest, RoundTripIsBitExact) {
    Ivory::ImageBase<TypeParam> written;
    written.init(5, 3, 2, 2, 3);
    fillBytes(written, 2);
    const std::string path = this->dir.file("image.raw");
    ASSERT_EQ(written.writeRaw(path.c_str()), 0);

    Ivory::ImageBase<TypeParam> read;
    read.init(5, 3, 2, 2, 3);
    EXPECT_EQ(read.readRaw(path.c_str()), 0);
    EXPECT_EQ(blockOf(read), blockOf(written));
    EXPECT_EQ(read.m_dim[0], 5);  // the shape is the caller's and stays
    EXPECT_EQ(read.m_channels, 3);
}

TYPED_TEST(RawFileTest, AnotherShapeOfTheSameByteCountReadsTheSameBytes) {
    Ivory::ImageBase<TypeParam> written;
    written.init(4, 3, 2, 1, 2);
    fillBytes(written, 3);
    const std::string path = this->dir.file("image.raw");
    ASSERT_EQ(written.writeRaw(path.c_str()), 0);

    Ivory::ImageBase<TypeParam> reshaped;
    reshaped.init(2, 3, 2, 1, 4);
    EXPECT_EQ(reshaped.readRaw(path.c_str()), 0);
    EXPECT_EQ(blockOf(reshaped), blockOf(written));
}

TYPED_TEST(RawFileTest, MissingFileKeepsEveryElement) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 2, 1, 1, 1);
    fillBytes(image, 4);
    const Bytes before = blockOf(image);
    const std::string path = this->dir.file("missing.raw");
    EXPECT_EQ(image.readRaw(path.c_str()), 1);
    EXPECT_EQ(blockOf(image), before);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TYPED_TEST(RawFileTest, ShortFileReplacesWhatWasReadAndReportsIt) {
    Ivory::ImageBase<TypeParam> image;
    image.init(3, 4, 1, 1, 2);  // rows of 6 elements
    fillBytes(image, 5);
    const Bytes before = blockOf(image);
    const size_t rowBytes = 6 * sizeof(TypeParam);
    Bytes twoRows(2 * rowBytes);
    for (size_t i = 0; i < twoRows.size(); ++i) twoRows[i] = static_cast<unsigned char>(0xA0 ^ i);
    const std::string path = this->dir.file("short.raw");
    writeFile(path, twoRows);

    EXPECT_EQ(image.readRaw(path.c_str()), 2);
    Bytes expected = before;
    std::copy(twoRows.begin(), twoRows.end(), expected.begin());
    EXPECT_EQ(blockOf(image), expected);
}

TYPED_TEST(RawFileTest, LongerFileFillsOnlyTheBlock) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 1, 1, 1);
    Bytes contents(4 * sizeof(TypeParam) + 5);
    for (size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<unsigned char>(3 * i + 1);
    const std::string path = this->dir.file("long.raw");
    writeFile(path, contents);
    EXPECT_EQ(image.readRaw(path.c_str()), 0);
    EXPECT_EQ(blockOf(image), Bytes(contents.begin(), contents.end() - 5));
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

TYPED_TEST(RawFileTest, DirectoryCannotBeWrittenAndReadsNothing) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 1, 1, 1, 1);
    fillBytes(image, 6);
    const Bytes before = blockOf(image);
    const std::string folder = this->dir.path().string();
    EXPECT_EQ(image.writeRaw(folder.c_str()), 1);
    // Opening a directory for reading succeeds on Linux; reading it does not.
    EXPECT_EQ(image.readRaw(folder.c_str()), 2);
    EXPECT_EQ(blockOf(image), before);
    const std::string inMissingFolder = this->dir.file("no/such/folder.raw");
    EXPECT_EQ(image.writeRaw(inMissingFolder.c_str()), 1);
}

TYPED_TEST(RawFileTest, FullDeviceIsAFailedWrite) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    Ivory::ImageBase<TypeParam> small;  // stays in the stdio buffer: fails when closing
    small.init(2, 2, 1, 1, 1);
    EXPECT_EQ(small.writeRaw("/dev/full"), 2);
    Ivory::ImageBase<TypeParam> large;  // larger than any stdio buffer: fails in fwrite
    large.init(256, 256, 1, 1, 2);
    EXPECT_EQ(large.writeRaw("/dev/full"), 2);
}

}  // namespace
