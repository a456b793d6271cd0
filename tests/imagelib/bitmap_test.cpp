// BMP reading: files made by real encoders, files built field by field, the
// hostile ones, and pipes.

#include "ivory/bitmap.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The pattern tools/make_bmp_fixtures.py asked the encoders to write.
struct Rgb {
    int r, g, b;
};
Rgb colour(int x, int y) { return {(31 * x + 7 * y + 1) & 255, (13 * x + 57 * y + 2) & 255, (5 * x * y + 3 * x + 101) & 255}; }
int alpha(int x, int y) { return (60 * x + 20 * y + 10) & 255; }
const Rgb kSixColours[6] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {10, 20, 30}};

std::string fixture(const std::string& name) { return std::string(IVORY_TEST_DATA_DIR) + "/" + name; }
Bytes fixtureBytes(const std::string& name) {
    std::ifstream in(fixture(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// 0, 1, 2, ... from `first`: distinct bytes whose positions are easy to follow.
Bytes counting(size_t n, uint8_t first = 0) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(first + i);
    return out;
}

// A BMP file built field by field; palette and pixel bytes are taken as given.
// An information header longer than 40 bytes is filled up with 0xAB, `gap`
// bytes of 0xCD lie between palette and pixel rows, and bfOffBits points at
// the rows, give or take offsetError.
struct BmpFile {
    uint16_t bfType = 0x4D42, biBitCount = 24;
    uint32_t biSize = 40, biCompression = 0, biSizeImage = 0, biClrUsed = 0;
    int32_t biWidth = 1, biHeight = 1;
    Bytes palette;
    size_t gap = 0;
    int64_t offsetError = 0;
    Bytes pixels;

    Bytes bytes() const {
        Bytes out;
        auto put = [&](uint32_t v, int size) {
            for (int i = 0; i < size; ++i) out.push_back(uint8_t(v >> (8 * i)));
        };
        const uint32_t offset = uint32_t(54 + (biSize > 40 ? biSize - 40 : 0) + palette.size() + gap);
        put(bfType, 2), put(uint32_t(offset + pixels.size()), 4), put(0, 4), put(uint32_t(offset + offsetError), 4);
        put(biSize, 4), put(uint32_t(biWidth), 4), put(uint32_t(biHeight), 4), put(1, 2), put(biBitCount, 2);
        put(biCompression, 4), put(biSizeImage, 4), put(0, 4), put(0, 4), put(biClrUsed, 4), put(0, 4);
        out.insert(out.end(), biSize > 40 ? biSize - 40 : 0, 0xAB);
        out.insert(out.end(), palette.begin(), palette.end());
        out.insert(out.end(), gap, 0xCD);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

class BitmapTest : public ::testing::Test {
protected:
    int loadBytes(const Bytes& bytes) {
        const std::string path = dir.file("image.bmp");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return bitmap.load(path.c_str());
    }
    // Through a FIFO that a second thread writes: the reader can neither seek
    // nor learn the length in advance.
    int loadThroughFifo(const Bytes& bytes) {
        const std::string path = dir.file("image.fifo");
        unlink(path.c_str());
        if (mkfifo(path.c_str(), 0600) != 0) return ADD_FAILURE() << "mkfifo failed", 0;
        std::thread writer([&] {
            // A reader that stops early makes write fail with EPIPE; the signal
            // stays blocked and pending in this thread alone.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            const int fd = open(path.c_str(), O_WRONLY);  // waits for the reader
            for (size_t done = 0; fd >= 0 && done < bytes.size();) {
                const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0) break;
                done += size_t(n);
            }
            if (fd >= 0) close(fd);
        });
        const int result = bitmap.load(path.c_str());
        close(open(path.c_str(), O_RDONLY | O_NONBLOCK));  // had load not opened it, the writer would wait for ever
        writer.join();
        return result;
    }
    Bytes pixels() const { return Bytes(bitmap.m_data, bitmap.m_data + bitmap.m_image_size); }
    int at(int x, int y, int c) const { return bitmap.m_data[c + x * bitmap.m_channels + y * bitmap.m_stride]; }

    IvoryTest::TempDir dir;
    Ivory::Bitmap bitmap;
};

// ---- files written by real encoders ------------------------------------------

enum class Content { Colours, Opaque, WithAlpha, Palette, SixColours };
struct EncodedCase {
    const char* file;
    int width, height, bits, channels, paletteSize;
    Content content;
    float spacingX, spacingY;
};
class EncodedBitmapTest : public BitmapTest, public ::testing::WithParamInterface<EncodedCase> {};

TEST_P(EncodedBitmapTest, LoadsThePatternTheEncoderWasGiven) {
    const EncodedCase& c = GetParam();
    ASSERT_EQ(bitmap.load(fixture(c.file).c_str()), 1);
    EXPECT_EQ((std::vector<int>{bitmap.m_dim[0], bitmap.m_dim[1], bitmap.m_dim[2], bitmap.m_dim[3], bitmap.m_channels,
                                bitmap.m_bits_per_pixel, bitmap.m_palette_size}),
              (std::vector<int>{c.width, c.height, 1, 1, c.channels, c.bits, c.paletteSize}));
    EXPECT_EQ(c.paletteSize == 0, bitmap.m_palette == nullptr);
    EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[0]), IvoryTest::bitsOf(c.spacingX));
    EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[1]), IvoryTest::bitsOf(c.spacingY));
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            SCOPED_TRACE(::testing::Message() << "x=" << x << " y=" << y);
            Rgb want = colour(x, y);
            if (c.content == Content::SixColours) {
                ASSERT_EQ(at(x, y, 0), (x + 2 * y) % 6);
                want = kSixColours[(x + 2 * y) % 6];
            }
            if (c.paletteSize != 0) {
                ASSERT_LT(at(x, y, 0), bitmap.m_palette_size);
            }
            // Indexed pixels through their palette entry (B, G, R, 0), others B, G, R[, A].
            const unsigned char* bgr = c.paletteSize != 0 ? bitmap.m_palette + 4 * at(x, y, 0)
                                                          : bitmap.m_data + x * bitmap.m_channels + y * bitmap.m_stride;
            EXPECT_EQ((std::vector<int>{bgr[0], bgr[1], bgr[2]}), (std::vector<int>{want.b, want.g, want.r}));
            if (c.channels == 4) {
                EXPECT_EQ(at(x, y, 3), c.content == Content::Opaque ? 255 : alpha(x, y));
            }
        }
}

const float kPil = 1.0f / 3780.0f;  // PIL writes 3780 pixels per metre (96 dpi)

INSTANTIATE_TEST_SUITE_P(
    RealEncoders, EncodedBitmapTest,
    ::testing::Values(
        // 24-bit rows of 21 bytes padded to 24; netpbm writes biSizeImage 0
        EncodedCase{"im_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"netpbm_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"pil_24bit_5x4.bmp", 5, 4, 24, 3, 0, Content::Colours, 5.0f / 3780.0f, 4.0f / 3780.0f},
        EncodedCase{"pil_24bit_5x4_topdown.bmp", 5, 4, 24, 3, 0, Content::Colours, 5.0f / 3780.0f, 4.0f / 3780.0f},
        EncodedCase{"im_32bit_7x3.bmp", 7, 3, 32, 4, 0, Content::Opaque, 1.0f, 1.0f},
        EncodedCase{"pil_32bit_3x2.bmp", 3, 2, 32, 4, 0, Content::WithAlpha, 3.0f / 3780.0f, 2.0f / 3780.0f},
        // biClrUsed 256, biClrUsed 0 (meaning 256) and biClrUsed 6
        EncodedCase{"im_8bit_7x3.bmp", 7, 3, 8, 1, 256, Content::Palette, 1.0f, 1.0f},
        EncodedCase{"netpbm_8bit_7x3.bmp", 7, 3, 8, 1, 256, Content::Palette, 1.0f, 1.0f},
        EncodedCase{"pil_8bit_6colours_7x3.bmp", 7, 3, 8, 1, 6, Content::SixColours, 7.0f / 3780.0f, 3.0f / 3780.0f},
        // 108- and 124-byte information headers, rows at bfOffBits 122 and 138;
        // the palette follows the 124-byte header; a 588-byte colour profile
        // between the headers and the rows
        EncodedCase{"im_v4_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"im_v5_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"im_v5_8bit_7x3.bmp", 7, 3, 8, 1, 256, Content::Palette, 1.0f, 1.0f},
        EncodedCase{"im_v5_profile_gap_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f}));

// 1- and 4-bit files, compressed rows (run lengths, colour bit fields) and
// the 12-byte OS/2 header: -1, and m_bits_per_pixel only once the header size
// was known to be one that is read.
TEST_F(BitmapTest, FilesItCannotReadAreRefused) {
    const std::pair<const char*, int> files[] = {{"pil_1bit_9x2.bmp", 1}, {"im_4bit_7x3.bmp", 4}, {"im_rle8_7x3.bmp", 8},
                                                 {"im_v5_32bit_bitfields_7x3.bmp", 32}, {"im_os2_24bit_7x3.bmp", 0}};
    for (const auto& [file, bits] : files) {
        Ivory::Bitmap fresh;
        EXPECT_EQ(fresh.load(fixture(file).c_str()), -1) << file;
        EXPECT_EQ(fresh.m_bits_per_pixel, bits) << file;
        EXPECT_TRUE(fresh.m_dim[0] == 0 && fresh.m_data == nullptr && fresh.m_palette == nullptr) << file;
    }
}

// ---- row order, padding, palette, sizes, pipes --------------------------------

TEST_F(BitmapTest, RowOrderFollowsTheSignOfTheHeightAndPaddingAndBiSizeImageAreIgnored) {
    BmpFile file;  // rows of five 24-bit pixels: 15 bytes padded to 16
    file.biWidth = 5;
    file.pixels = counting(32, 1);
    for (const int height : {2, -2})
        for (const uint32_t sizeImage : {0u, 1u, 32u, 33u, 0xFFFFFFFFu}) {
            file.biHeight = height;
            file.biSizeImage = sizeImage;
            ASSERT_EQ(loadBytes(file.bytes()), 1);
            EXPECT_EQ(bitmap.m_stride, 15);
            Bytes top = counting(15, height > 0 ? 17 : 1), bottom = counting(15, height > 0 ? 1 : 17);
            top.insert(top.end(), bottom.begin(), bottom.end());
            EXPECT_EQ(pixels(), top) << height << " " << sizeImage;
        }
    file.biBitCount = 16;  // two bytes a pixel give two channels
    file.biWidth = 3;
    file.biHeight = 1;
    file.pixels = counting(8, 1);
    ASSERT_EQ(loadBytes(file.bytes()), 1);
    EXPECT_EQ(bitmap.m_channels, 2);
    EXPECT_EQ(pixels(), (Bytes{1, 2, 3, 4, 5, 6}));
}

// The palette follows the information header, whatever its size; the pixel
// rows start at bfOffBits, after a gap or not.
TEST_F(BitmapTest, PaletteFollowsTheInformationHeaderAndRowsStartAtTheirOffset) {
    for (const uint32_t clrUsed : {16u, 0u})
        for (const uint32_t headerSize : {40u, 52u, 56u, 108u, 124u})
            for (const size_t gap : {0, 6}) {
                const size_t entries = clrUsed == 0 ? 256 : clrUsed;
                BmpFile file;
                file.biSize = headerSize;
                file.biBitCount = 8;
                file.biWidth = 3;
                file.biClrUsed = clrUsed;
                file.palette = counting(entries * 4, 7);
                file.gap = gap;
                file.pixels = {9, 8, 7, 0xEE};
                ASSERT_EQ(loadBytes(file.bytes()), 1) << headerSize << " " << gap;
                EXPECT_EQ(Bytes(bitmap.m_palette, bitmap.m_palette + 4 * bitmap.m_palette_size), file.palette);
                EXPECT_EQ(pixels(), (Bytes{9, 8, 7}));
            }
}

// A pipe or FIFO cannot seek: the reader takes the bytes as they come, here a
// file with a gap before its rows and a picture larger than a pipe holds.
TEST_F(BitmapTest, PipesAndFifosAreReadAsTheyCome) {
    BmpFile large;
    large.biWidth = 301;
    large.biHeight = -300;
    large.pixels = counting(size_t(904) * 300, 1);  // rows of 903 bytes padded to 904
    for (const Bytes& bytes : {fixtureBytes("im_v5_profile_gap_7x3.bmp"), large.bytes()}) {
        ASSERT_EQ(loadBytes(bytes), 1);
        const Bytes fromFile = pixels();
        ASSERT_EQ(loadThroughFifo(bytes), 1);
        EXPECT_EQ(pixels(), fromFile);
    }
}

TEST_F(BitmapTest, EachLoadReplacesImageAndPalette) {
    ASSERT_EQ(bitmap.load(fixture("pil_8bit_6colours_7x3.bmp").c_str()), 1);
    ASSERT_EQ(bitmap.load(fixture("pil_32bit_3x2.bmp").c_str()), 1);
    EXPECT_TRUE(bitmap.m_palette == nullptr && bitmap.m_palette_size == 0 && bitmap.m_image_size == 24);
    ASSERT_EQ(bitmap.load(fixture("netpbm_8bit_7x3.bmp").c_str()), 1);
    EXPECT_TRUE(bitmap.m_palette_size == 256 && bitmap.m_image_size == 21);
}

// ---- refused files: -1, and the previous image, spacing and palette stay ------

BmpFile validEightBit() {
    BmpFile file;
    file.biBitCount = 8;
    file.biWidth = 4;
    file.biHeight = 2;
    file.biClrUsed = 2;
    file.palette = counting(8);
    file.pixels = counting(8);
    return file;
}
Bytes with(void (*change)(BmpFile&)) {
    BmpFile file = validEightBit();
    change(file);
    return file.bytes();
}
Bytes cut(size_t length) {
    Bytes bytes = validEightBit().bytes();
    bytes.resize(length);
    return bytes;
}

struct RefusedCase {
    const char* name;
    Bytes bytes;
};
class RefusedBitmapTest : public BitmapTest, public ::testing::WithParamInterface<RefusedCase> {};

// From a file, whose length is known before anything is read, and through a
// FIFO, where a short file shows only when its bytes run out.
TEST_P(RefusedBitmapTest, GivesMinusOneAndKeepsThePreviousImage) {
    ASSERT_EQ(bitmap.load(fixture("pil_8bit_6colours_7x3.bmp").c_str()), 1);
    const Bytes before = pixels();
    const unsigned char* palette = bitmap.m_palette;
    for (const bool fifo : {false, true}) {
        EXPECT_EQ(fifo ? loadThroughFifo(GetParam().bytes) : loadBytes(GetParam().bytes), -1) << fifo;
        EXPECT_EQ((std::vector<int>{bitmap.m_dim[0], bitmap.m_dim[1], bitmap.m_channels, bitmap.m_palette_size}),
                  (std::vector<int>{7, 3, 1, 6}));
        EXPECT_EQ(pixels(), before);
        EXPECT_EQ(bitmap.m_palette, palette);
        EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[0]), IvoryTest::bitsOf(7.0f / 3780.0f));
    }
}

INSTANTIATE_TEST_SUITE_P(
    HostileFiles, RefusedBitmapTest,
    ::testing::Values(
        RefusedCase{"EmptyFile", {}}, RefusedCase{"OnlyTheMagic", cut(2)}, RefusedCase{"HeadersOneByteShort", cut(53)},
        RefusedCase{"PaletteCutShort", cut(54 + 7)}, RefusedCase{"PixelRowsOneByteShort", cut(54 + 8 + 7)},
        RefusedCase{"MagicBX", with([](BmpFile& f) { f.bfType = 'B' | 'X' << 8; })},
        RefusedCase{"MagicMB", with([](BmpFile& f) { f.bfType = 'M' | 'B' << 8; })},
        RefusedCase{"ZeroWidth", with([](BmpFile& f) { f.biWidth = 0; })},
        RefusedCase{"NegativeWidth", with([](BmpFile& f) { f.biWidth = -4; })},
        RefusedCase{"ZeroHeight", with([](BmpFile& f) { f.biHeight = 0; })},
        RefusedCase{"MostNegativeHeight", with([](BmpFile& f) { f.biHeight = INT32_MIN; })},
        RefusedCase{"ElementCountOverflows", with([](BmpFile& f) { f.biWidth = f.biHeight = 65536; })},
        // 23 bits: 2 channels fit, the padded row does not
        RefusedCase{"RowSizeOverflows", with([](BmpFile& f) { f.biBitCount = 23, f.biWidth = 800000000; })},
        RefusedCase{"HugeDimensionsOnASmallFile", with([](BmpFile& f) { f.biWidth = 40000, f.biHeight = -40000; })},
        RefusedCase{"PaletteOf257Entries", with([](BmpFile& f) { f.biClrUsed = 257; })},
        RefusedCase{"PaletteOfFourBillionEntries", with([](BmpFile& f) { f.biClrUsed = 0xFFFFFFFF; })},
        RefusedCase{"PaletteRunsPastTheEnd", with([](BmpFile& f) { f.biClrUsed = 0; })},
        RefusedCase{"TwoBitsPerPixel", with([](BmpFile& f) { f.biBitCount = 2; })},
        RefusedCase{"CoreHeaderOf12Bytes", with([](BmpFile& f) { f.biSize = 12; })},
        RefusedCase{"UnknownHeaderOf64Bytes", with([](BmpFile& f) { f.biSize = 64; })},
        RefusedCase{"RunLengthsOf8Bits", with([](BmpFile& f) { f.biCompression = 1; })},
        RefusedCase{"ColourBitFields",  // 16 bits, rows of 8 bytes, complete
                    with([](BmpFile& f) { f.biBitCount = 16, f.biClrUsed = 0, f.palette = {}, f.pixels = counting(16), f.biCompression = 3; })},
        RefusedCase{"PixelOffsetInsideThePalette", with([](BmpFile& f) { f.offsetError = -1; })},
        RefusedCase{"PixelOffsetInsideTheHeaders", with([](BmpFile& f) { f.offsetError = -40; })},
        RefusedCase{"PixelRowsRunPastTheEnd", with([](BmpFile& f) { f.offsetError = 1; })},
        RefusedCase{"PixelOffsetPastTheEnd", with([](BmpFile& f) { f.offsetError = 0x7FFFFFFF; })}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

// The loader is silent: its caller reports.
TEST_F(BitmapTest, UnreadablePathsGiveMinusOneSilentlyAndKeepThePreviousImage) {
    ASSERT_EQ(bitmap.load(fixture("im_24bit_7x3.bmp").c_str()), 1);
    const Bytes before = pixels();
    EXPECT_EQ(IvoryTest::captureStdout([&] {
                  EXPECT_EQ(bitmap.load(nullptr), -1);
                  EXPECT_EQ(bitmap.load(dir.file("missing.bmp").c_str()), -1);
                  EXPECT_EQ(bitmap.load(dir.path().string().c_str()), -1);  // a directory
                  EXPECT_EQ(loadBytes({'B', 'M', 1}), -1);
              }),
              "");
    EXPECT_EQ(bitmap.m_bits_per_pixel, 24);
    EXPECT_EQ(pixels(), before);
}

}  // namespace
