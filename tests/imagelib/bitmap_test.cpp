// BMP reading: files made by real encoders, files built field by field, hostile ones, and pipes.

#include "ivory/bitmap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using IvoryTest::readFile;
using IvoryTest::writeFile;

// The pattern tools/make_bmp_fixtures.py asked the encoders to write, as blue, green, red.
std::vector<int> bgr(int x, int y) { return {(5 * x * y + 3 * x + 101) & 255, (13 * x + 57 * y + 2) & 255, (31 * x + 7 * y + 1) & 255}; }
const std::vector<int> kSixColours[6] = {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}, {30, 20, 10}};

std::string fixture(const std::string& name) { return std::string(IVORY_TEST_DATA_DIR) + "/" + name; }
// 0, 1, 2, ... from `first`: distinct bytes whose positions are easy to follow.
Bytes counting(size_t n, uint8_t first = 0) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(first + i);
    return out;
}

// A BMP file field by field: by default two top-down rows of three indices (padded to 4 bytes), two palette entries;
// headers over 40 bytes are filled with 0xAB, `gap` bytes 0xCD precede the rows, bfOffBits is off by offsetError.
struct BmpFile {
    uint16_t bfType = 0x4D42, biBitCount = 8;
    uint32_t biSize = 40, biClrUsed = 2;
    int32_t biWidth = 3, biHeight = -2;
    Bytes palette = counting(8), pixels = counting(8);
    int64_t gap = 0, offsetError = 0;

    Bytes bytes() const {
        Bytes out;
        auto put = [&](uint32_t v, int size) { for (int i = 0; i < size; ++i) out.push_back(uint8_t(v >> (8 * i))); };
        const uint32_t offset = uint32_t(54 + (biSize > 40 ? biSize - 40 : 0) + palette.size() + gap);
        put(bfType, 2), put(uint32_t(offset + pixels.size()), 4), put(0, 4), put(uint32_t(offset + offsetError), 4);
        put(biSize, 4), put(uint32_t(biWidth), 4), put(uint32_t(biHeight), 4), put(1, 2), put(biBitCount, 2);
        put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(biClrUsed, 4), put(0, 4);
        out.insert(out.end(), biSize > 40 ? biSize - 40 : 0, 0xAB);
        out.insert(out.end(), palette.begin(), palette.end());
        out.insert(out.end(), size_t(gap), 0xCD);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};
Bytes with(void (*change)(BmpFile&)) { BmpFile file; change(file); return file.bytes(); }

class BitmapTest : public ::testing::Test {
protected:
    // Through a FIFO a second thread writes, the reader can neither seek nor learn the length in advance.
    int load(const Bytes& bytes, bool throughFifo = false) {
        const std::string path = dir.file(throughFifo ? "image.fifo" : "image.bmp");
        if (!throughFifo) return writeFile(path, bytes), bitmap.load(path.c_str());
        if (mkfifo(path.c_str(), 0600) != 0) return ADD_FAILURE() << "mkfifo failed", 0;
        std::signal(SIGPIPE, SIG_IGN);  // a reader that stops early makes the writer fail, not the process
        std::thread writer([&] { writeFile(path, bytes); });  // opening waits for the reader
        const int result = bitmap.load(path.c_str());
        close(open(path.c_str(), O_RDONLY | O_NONBLOCK));  // had load not opened it, the writer would wait for ever
        writer.join();
        return result;
    }
    Bytes pixels() const { return Bytes(bitmap.m_data, bitmap.m_data + bitmap.m_image_size); }
    Bytes palette() const { return Bytes(bitmap.m_palette, bitmap.m_palette + 4 * bitmap.m_palette_size); }

    IvoryTest::TempDir dir;
    Ivory::Bitmap bitmap;
};

// PIL writes a resolution (3780 pixels per metre); the other encoders write none.
struct EncodedCase { const char* file; int width, height, bits, paletteSize; bool withResolution; };
class EncodedBitmapTest : public BitmapTest, public ::testing::WithParamInterface<EncodedCase> {};

// Each load replaces image and palette: every case goes over a 6-colour file, whose spacing stays without a resolution.
TEST_P(EncodedBitmapTest, LoadsThePatternTheEncoderWasGiven) {
    const EncodedCase& c = GetParam();
    const int channels = c.bits / 8;
    ASSERT_EQ(bitmap.load(fixture("pil_8bit_6colours_7x3.bmp").c_str()), 1);
    ASSERT_EQ(bitmap.load(fixture(c.file).c_str()), 1);
    EXPECT_EQ((std::vector<int>{bitmap.m_dim[0], bitmap.m_dim[1], bitmap.m_dim[2], bitmap.m_dim[3], bitmap.m_channels,
                                bitmap.m_image_size, bitmap.m_bits_per_pixel, bitmap.m_palette_size}),
              (std::vector<int>{c.width, c.height, 1, 1, channels, c.width * c.height * channels, c.bits, c.paletteSize}));
    EXPECT_EQ(c.paletteSize == 0, bitmap.m_palette == nullptr);
    EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[0]), IvoryTest::bitsOf(c.withResolution ? c.width / 3780.0f : 7 / 3780.0f));
    EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[1]), IvoryTest::bitsOf(c.withResolution ? c.height / 3780.0f : 3 / 3780.0f));
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const unsigned char* pixel = bitmap.m_data + x * channels + y * bitmap.m_stride;
            ASSERT_LT(pixel[0], c.paletteSize != 0 ? c.paletteSize : 256) << "x=" << x << " y=" << y;
            std::vector<int> want = c.paletteSize == 6 ? kSixColours[(x + 2 * y) % 6] : bgr(x, y);
            if (channels == 4) want.push_back((60 * x + 20 * y + 10) & 255);  // the pattern's alpha
            const unsigned char* colour = c.paletteSize != 0 ? bitmap.m_palette + 4 * pixel[0] : pixel;  // entries are B, G, R, 0
            EXPECT_EQ(std::vector<int>(colour, colour + want.size()), want) << "x=" << x << " y=" << y;
        }
}

INSTANTIATE_TEST_SUITE_P(RealEncoders, EncodedBitmapTest, ::testing::Values(
    // 24-bit rows of 15 bytes padded to 16, bottom-up and top-down
    EncodedCase{"pil_24bit_5x4.bmp", 5, 4, 24, 0, true}, EncodedCase{"pil_24bit_5x4_topdown.bmp", 5, 4, 24, 0, true},
    EncodedCase{"pil_32bit_3x2.bmp", 3, 2, 32, 0, true},
    // biClrUsed 256, biClrUsed 0 (meaning 256) and biClrUsed 6
    EncodedCase{"im_8bit_7x3.bmp", 7, 3, 8, 256, false}, EncodedCase{"netpbm_8bit_7x3.bmp", 7, 3, 8, 256, false},
    EncodedCase{"pil_8bit_6colours_7x3.bmp", 7, 3, 8, 6, true},
    // the 108- and 124-byte information headers, the latter with a 588-byte colour profile before the rows
    EncodedCase{"im_v4_24bit_7x3.bmp", 7, 3, 24, 0, false}, EncodedCase{"im_v5_profile_gap_7x3.bmp", 7, 3, 24, 0, false}));

// Row 0 is the top whatever the height's sign; the palette follows the information header of any size; rows start
// at bfOffBits, after a gap or not. A FIFO's bytes are taken as they come, here more than a pipe holds.
TEST_F(BitmapTest, RowsAndPaletteAreReadWhereTheHeadersPutThem) {
    for (const uint32_t headerSize : {40u, 52u, 56u, 108u, 124u})
        for (const int height : {2, -2}) {
            BmpFile file;
            file.biSize = headerSize, file.biHeight = height, file.gap = height > 0 ? 6 : 0;
            ASSERT_EQ(load(file.bytes()), 1) << headerSize << " " << height;
            EXPECT_EQ(palette(), file.palette);
            EXPECT_EQ(pixels(), height < 0 ? (Bytes{0, 1, 2, 4, 5, 6}) : (Bytes{4, 5, 6, 0, 1, 2}));
        }
    ASSERT_EQ(load(with([](BmpFile& f) { f.biWidth = 1000, f.biHeight = -300, f.pixels = counting(300000, 1); }), true), 1);
    EXPECT_EQ(pixels(), counting(300000, 1));
}

Bytes cut(size_t length) { Bytes whole = BmpFile().bytes(); whole.resize(length); return whole; }

// bitsAfter: m_bits_per_pixel after the refusal, the file's once headers of a known size were read.
struct RefusedCase { const char* name; Bytes bytes; int bitsAfter = 8; };
class RefusedBitmapTest : public BitmapTest, public ::testing::WithParamInterface<RefusedCase> {};

// From a file, whose length is known before reading, and through a FIFO, where shortness shows only at the end.
TEST_P(RefusedBitmapTest, GivesMinusOneAndKeepsThePreviousImage) {
    ASSERT_EQ(bitmap.load(fixture("pil_8bit_6colours_7x3.bmp").c_str()), 1);
    const Bytes before = pixels();
    const unsigned char* palette = bitmap.m_palette;
    for (const bool fifo : {false, true}) {
        EXPECT_EQ(load(GetParam().bytes, fifo), -1) << fifo;
        EXPECT_EQ((std::vector<int>{bitmap.m_dim[0], bitmap.m_dim[1], bitmap.m_channels, bitmap.m_palette_size, bitmap.m_bits_per_pixel}),
                  (std::vector<int>{7, 3, 1, 6, GetParam().bitsAfter}));
        EXPECT_EQ(pixels(), before);
        EXPECT_EQ(bitmap.m_palette, palette);
        EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[0]), IvoryTest::bitsOf(7.0f / 3780.0f));
    }
}

INSTANTIATE_TEST_SUITE_P(HostileFiles, RefusedBitmapTest, ::testing::Values(
    // from real encoders: 1- and 4-bit, compressed rows (run lengths, colour bit fields), the 12-byte OS/2 header
    RefusedCase{"OneBit", readFile(fixture("pil_1bit_9x2.bmp")), 1}, RefusedCase{"FourBits", readFile(fixture("im_4bit_7x3.bmp")), 4},
    RefusedCase{"RunLengths", readFile(fixture("im_rle8_7x3.bmp"))},
    RefusedCase{"ColourBitFields", readFile(fixture("im_v5_32bit_bitfields_7x3.bmp")), 32},
    RefusedCase{"Os2Header", readFile(fixture("im_os2_24bit_7x3.bmp"))},
    RefusedCase{"EmptyFile", {}}, RefusedCase{"HeadersOneByteShort", cut(53)},
    RefusedCase{"PaletteCutShort", cut(54 + 7)}, RefusedCase{"PixelRowsOneByteShort", cut(54 + 8 + 7)},
    RefusedCase{"MagicBX", with([](BmpFile& f) { f.bfType = 'B' | 'X' << 8; })},
    RefusedCase{"ZeroWidth", with([](BmpFile& f) { f.biWidth = 0; })},
    RefusedCase{"ZeroHeight", with([](BmpFile& f) { f.biHeight = 0; })},
    RefusedCase{"MostNegativeHeight", with([](BmpFile& f) { f.biHeight = INT32_MIN; })},
    RefusedCase{"ElementCountOverflows", with([](BmpFile& f) { f.biWidth = f.biHeight = 65536; })},
    // 23 bits: one row of 2 channels fits, its padded file row does not
    RefusedCase{"RowSizeOverflows", with([](BmpFile& f) { f.biBitCount = 23, f.biWidth = 800000000, f.biHeight = 1; }), 23},
    RefusedCase{"PaletteOf257Entries", with([](BmpFile& f) { f.biClrUsed = 257; })},
    RefusedCase{"PixelOffsetInsideThePalette", with([](BmpFile& f) { f.offsetError = -1; })},
    RefusedCase{"PixelOffsetPastTheEnd", with([](BmpFile& f) { f.offsetError = 0x7FFFFFFF; })}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST_F(BitmapTest, UnreadablePathsGiveMinusOne) {
    EXPECT_EQ(bitmap.load(nullptr), -1);
    EXPECT_EQ(bitmap.load(dir.file("missing.bmp").c_str()), -1);
    EXPECT_EQ(bitmap.load(dir.path().string().c_str()), -1);  // a directory
}

}  // namespace
