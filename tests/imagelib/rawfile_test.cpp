// Headerless raw files: the block and nothing else, read back bit for bit, and every result code.

#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

template <typename T> Bytes blockOf(const Ivory::ImageBase<T>& image) {
    const auto* first = reinterpret_cast<const unsigned char*>(image.m_data);
    return Bytes(first, first + size_t(image.m_image_size) * sizeof(T));
}
// Seeded bytes; as floats and doubles they hold NaN and denormal patterns, which must survive too.
template <typename T> Ivory::ImageBase<T>& filled(Ivory::ImageBase<T>& image, unsigned seed) {
    auto* bytes = reinterpret_cast<unsigned char*>(image.m_data);
    for (size_t i = 0; i < size_t(image.m_image_size) * sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(i * 37 + seed * 11 + 0x7f);
    return image;
}

template <typename T> class RawFileTest : public ::testing::Test {};
TYPED_TEST_SUITE(RawFileTest, IvoryTest::AllElementTypes);

TYPED_TEST(RawFileTest, FilesHoldTheBlockAndReadBackIntoWhatTheyHold) {
    const size_t blockBytes = 24 * sizeof(TypeParam);
    const IvoryTest::TempDir dir;
    Ivory::ImageBase<TypeParam> written;
    written.init(3, 4, 1, 1, 2);
    const std::string path = dir.file("image.raw");
    EXPECT_EQ(filled(written, 1).writeRaw(path.c_str()), 0);
    EXPECT_EQ(IvoryTest::readFile(path), blockOf(written));
    // Missing, cut short or with more behind, read into a 2 x 3 x 4-channel image: it replaces the block's start only.
    for (const auto& [length, result] : {std::pair<long, int>{-1, 1}, {long(12 * sizeof(TypeParam)), 2}, {long(blockBytes + 5), 0}}) {
        Ivory::ImageBase<TypeParam> image;
        image.init(2, 3, 1, 1, 4);
        Bytes expected = blockOf(filled(image, 5));
        const std::string file = dir.file(std::to_string(length) + ".raw");
        Bytes contents = blockOf(written);
        contents.resize(length < 0 ? 0 : size_t(length), 0xEE);
        if (length >= 0) IvoryTest::writeFile(file, contents);
        std::copy_n(contents.begin(), std::min(contents.size(), blockBytes), expected.begin());
        EXPECT_EQ(image.readRaw(file.c_str()), result) << length;
        EXPECT_EQ(blockOf(image), expected) << length;
    }
    // Elements without a block open no file, so none is truncated.
    Ivory::ImageBase<TypeParam> empty, blockless;
    empty.init(0, 3, 1, 1, 2);
    blockless.init(2, 2, 1, 1, 1);
    blockless.releaseData();
    IvoryTest::writeFile(path, Bytes{1, 2, 3});
    const struct { Ivory::ImageBase<TypeParam>& image; bool write; const char* file; int result; Bytes pathHolds; } calls[] = {
        {blockless, false, path.c_str(), 2, {1, 2, 3}}, {blockless, true, path.c_str(), 2, {1, 2, 3}},
        {empty, false, path.c_str(), 0, {1, 2, 3}}, {empty, true, path.c_str(), 0, {}}, {written, true, dir.path().c_str(), 1, {}},
        {written, true, "/dev/full", 2, {}}};  // the bytes wait in the stdio buffer: the failure shows when closing
    for (const auto& c : calls) {
        EXPECT_EQ(c.write ? c.image.writeRaw(c.file) : c.image.readRaw(c.file), c.result) << c.file << " " << c.write;
        EXPECT_EQ(IvoryTest::readFile(path), c.pathHolds) << c.file << " " << c.write;
    }
}

}  // namespace
