#include "ivory/bitmap.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The pattern tools/make_bmp_fixtures.py asked the encoders to write.
struct Rgb {
    int r, g, b;
};
Rgb colour(int x, int y) {
    return {(31 * x + 7 * y + 1) & 255, (13 * x + 57 * y + 2) & 255, (5 * x * y + 3 * x + 101) & 255};
}
int alpha(int x, int y) { return (60 * x + 20 * y + 10) & 255; }
const Rgb kSixColours[6] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {10, 20, 30}};
int sixColourIndex(int x, int y) { return (x + 2 * y) % 6; }

std::string fixture(const std::string& name) { return std::string(IVORY_TEST_DATA_DIR) + "/" + name; }

void put16(Bytes& out, uint16_t v) {
    for (int i = 0; i < 2; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A BMP file built field by field; palette and pixel bytes are taken as given,
// so each case states exactly what the file holds. An information header
// longer than 40 bytes is filled up with 0xAB, and `gap` bytes of 0xCD lie
// between palette and pixel rows; bfOffBits points at the rows, give or take
// offsetError.
struct BmpFile {
    uint16_t bfType = 0x4D42;
    uint32_t biSize = 40;
    int32_t biWidth = 1;
    int32_t biHeight = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    Bytes palette;
    size_t gap = 0;
    int64_t offsetError = 0;
    Bytes pixels;

    Bytes bytes() const {
        Bytes out;
        const size_t extraHeader = biSize > 40 ? biSize - 40 : 0;
        const uint32_t offset = uint32_t(54 + extraHeader + palette.size() + gap);
        put16(out, bfType);
        put32(out, uint32_t(offset + pixels.size()));
        put16(out, 0);
        put16(out, 0);
        put32(out, uint32_t(offset + offsetError));
        put32(out, biSize);
        put32(out, uint32_t(biWidth));
        put32(out, uint32_t(biHeight));
        put16(out, 1);
        put16(out, biBitCount);
        put32(out, biCompression);
        put32(out, biSizeImage);
        put32(out, uint32_t(biXPelsPerMeter));
        put32(out, uint32_t(biYPelsPerMeter));
        put32(out, biClrUsed);
        put32(out, 0);
        out.insert(out.end(), extraHeader, 0xAB);
        out.insert(out.end(), palette.begin(), palette.end());
        out.insert(out.end(), gap, 0xCD);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

// 0, 1, 2, ... : distinct bytes whose positions are easy to follow.
Bytes counting(size_t n, uint8_t first = 0) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(first + i);
    return out;
}

Bytes fixtureBytes(const std::string& name) {
    std::ifstream in(fixture(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class BitmapTest : public ::testing::Test {
protected:
    int loadBytes(const Bytes& bytes) {
        const std::string path = dir.file("image.bmp");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    std::streamsize(bytes.size()));
        return bitmap.load(path.c_str());
    }
    int loadFile(const BmpFile& file) { return loadBytes(file.bytes()); }

    // Loads the bytes through a FIFO that a second thread writes, so the
    // reader can neither seek nor learn the length in advance.
    int loadThroughFifo(const Bytes& bytes) {
        const std::string path = dir.file("image.fifo");
        unlink(path.c_str());
        if (mkfifo(path.c_str(), 0600) != 0) {
            ADD_FAILURE() << "mkfifo failed";
            return 0;
        }
        std::thread writer([&] {
            // A reader that stops early makes write fail with EPIPE; the
            // signal stays blocked and pending in this thread alone.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            const int fd = open(path.c_str(), O_WRONLY);  // waits for the reader
            for (size_t written = 0; fd >= 0 && written < bytes.size();) {
                const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
                if (n <= 0) break;
                written += size_t(n);
            }
            if (fd >= 0) close(fd);
        });
        const int result = bitmap.load(path.c_str());
        // Had load not opened the FIFO, the writer would wait for a reader for ever.
        close(open(path.c_str(), O_RDONLY | O_NONBLOCK));
        writer.join();
        return result;
    }

    Bytes pixelsOf(const Ivory::Bitmap& b) const { return Bytes(b.m_data, b.m_data + b.m_image_size); }
    int at(int x, int y, int c) const { return bitmap.m_data[c + x * bitmap.m_channels + y * bitmap.m_stride]; }

    IvoryTest::TempDir dir;
    Ivory::Bitmap bitmap;
};

// ---- files written by real encoders ----------------------------------------

enum class Content { Colours, ColoursOpaque, ColoursWithAlpha, PaletteColours, SixColourIndices };

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
    EXPECT_EQ(bitmap.m_dim[0], c.width);
    EXPECT_EQ(bitmap.m_dim[1], c.height);
    EXPECT_EQ(bitmap.m_dim[2], 1);
    EXPECT_EQ(bitmap.m_dim[3], 1);
    EXPECT_EQ(bitmap.m_channels, c.channels);
    EXPECT_EQ(bitmap.m_bits_per_pixel, c.bits);
    EXPECT_EQ(bitmap.m_palette_size, c.paletteSize);
    EXPECT_EQ(c.paletteSize == 0, bitmap.m_palette == nullptr);
    EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[0]), IvoryTest::bitsOf(c.spacingX));
    EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[1]), IvoryTest::bitsOf(c.spacingY));
    ASSERT_NE(bitmap.m_data, nullptr);
    const bool indexed = c.paletteSize != 0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            SCOPED_TRACE(::testing::Message() << "x=" << x << " y=" << y);
            Rgb want = colour(x, y);
            if (c.content == Content::SixColourIndices) {
                ASSERT_EQ(at(x, y, 0), sixColourIndex(x, y));
                want = kSixColours[sixColourIndex(x, y)];
            }
            if (indexed) {
                ASSERT_LT(at(x, y, 0), bitmap.m_palette_size);
            }
            // Indexed pixels through their palette entry (B, G, R, 0), others B, G, R[, A].
            const unsigned char* bgr = indexed ? bitmap.m_palette + 4 * at(x, y, 0)
                                               : bitmap.m_data + x * bitmap.m_channels + y * bitmap.m_stride;
            EXPECT_EQ(bgr[0], want.b);
            EXPECT_EQ(bgr[1], want.g);
            EXPECT_EQ(bgr[2], want.r);
            if (c.content == Content::ColoursOpaque || c.content == Content::ColoursWithAlpha) {
                EXPECT_EQ(at(x, y, 3), c.content == Content::ColoursOpaque ? 255 : alpha(x, y));
            }
        }
    }
}

const float kPilSpacing5 = 5.0f / 3780.0f;  // PIL writes 3780 pixels per metre (96 dpi)
const float kPilSpacing4 = 4.0f / 3780.0f;

INSTANTIATE_TEST_SUITE_P(
    RealEncoders, EncodedBitmapTest,
    ::testing::Values(
        // 24-bit rows of 21 bytes padded to 24; netpbm writes biSizeImage 0
        EncodedCase{"im_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"netpbm_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"pil_24bit_5x4.bmp", 5, 4, 24, 3, 0, Content::Colours, kPilSpacing5, kPilSpacing4},
        EncodedCase{"pil_24bit_5x4_topdown.bmp", 5, 4, 24, 3, 0, Content::Colours, kPilSpacing5,
                    kPilSpacing4},
        EncodedCase{"im_32bit_7x3.bmp", 7, 3, 32, 4, 0, Content::ColoursOpaque, 1.0f, 1.0f},
        EncodedCase{"pil_32bit_3x2.bmp", 3, 2, 32, 4, 0, Content::ColoursWithAlpha, 3.0f / 3780.0f,
                    2.0f / 3780.0f},
        // biClrUsed 256, biClrUsed 0 (meaning 256) and biClrUsed 6
        EncodedCase{"im_8bit_7x3.bmp", 7, 3, 8, 1, 256, Content::PaletteColours, 1.0f, 1.0f},
        EncodedCase{"netpbm_8bit_7x3.bmp", 7, 3, 8, 1, 256, Content::PaletteColours, 1.0f, 1.0f},
        EncodedCase{"pil_8bit_6colours_7x3.bmp", 7, 3, 8, 1, 6, Content::SixColourIndices,
                    7.0f / 3780.0f, 3.0f / 3780.0f},
        // 108- and 124-byte information headers, pixel rows at bfOffBits 122 and 138;
        // the palette follows the 124-byte header
        EncodedCase{"im_v4_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"im_v5_24bit_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f},
        EncodedCase{"im_v5_8bit_7x3.bmp", 7, 3, 8, 1, 256, Content::PaletteColours, 1.0f, 1.0f},
        // a 588-byte colour profile between the headers and the pixel rows
        EncodedCase{"im_v5_profile_gap_7x3.bmp", 7, 3, 24, 3, 0, Content::Colours, 1.0f, 1.0f}));

// 1- and 4-bit files, compressed rows (run lengths, colour bit fields) and
// information headers of unknown size (OS/2's 12 bytes): -1, and
// m_bits_per_pixel only once the header size was known.
TEST_F(BitmapTest, FilesItCannotReadAreRefused) {
    for (auto [file, bits] : {std::pair{"pil_1bit_9x2.bmp", 1}, std::pair{"im_4bit_7x3.bmp", 4},
                              std::pair{"im_rle8_7x3.bmp", 8}, std::pair{"im_v5_32bit_bitfields_7x3.bmp", 32},
                              std::pair{"im_os2_24bit_7x3.bmp", 0}}) {
        Ivory::Bitmap fresh;
        EXPECT_EQ(fresh.load(fixture(file).c_str()), -1) << file;
        EXPECT_EQ(fresh.m_bits_per_pixel, bits) << file;
        EXPECT_EQ(fresh.m_dim[0], 0);
        EXPECT_EQ(fresh.m_data, nullptr);
        EXPECT_EQ(fresh.m_palette, nullptr);
    }
}

// ---- row order, padding, palette, sizes --------------------------------------

TEST_F(BitmapTest, RowOrderFollowsTheSignOfTheHeightAndPaddingIsSkipped) {
    // Five 24-bit pixels: 15 bytes, padded to 16. File row A then row B.
    const Bytes rowA = counting(15, 1), rowB = counting(15, 101);
    BmpFile file;
    file.biWidth = 5;
    file.pixels = rowA;
    file.pixels.push_back(0xEE);
    file.pixels.insert(file.pixels.end(), rowB.begin(), rowB.end());
    file.pixels.push_back(0xEE);
    for (auto [height, top, bottom] : {std::tuple{2, rowB, rowA}, std::tuple{-2, rowA, rowB}}) {
        file.biHeight = height;
        ASSERT_EQ(loadFile(file), 1) << height;
        EXPECT_EQ(bitmap.m_dim[1], 2);
        EXPECT_EQ(bitmap.m_stride, 15);
        Bytes want = top;
        want.insert(want.end(), bottom.begin(), bottom.end());
        EXPECT_EQ(pixelsOf(bitmap), want) << height;
    }
}

// The palette follows the information header, whatever its size; the pixel
// rows start at bfOffBits, after a gap or not.
TEST_F(BitmapTest, PaletteFollowsTheInformationHeaderAndRowsStartAtTheirOffset) {
    for (uint32_t clrUsed : {16u, 0u}) {
        for (uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
            for (size_t gap : {size_t(0), size_t(6)}) {
                SCOPED_TRACE(::testing::Message() << "biClrUsed " << clrUsed << ", biSize " << headerSize
                                                  << ", gap " << gap);
                const size_t entries = clrUsed == 0 ? 256 : clrUsed;
                BmpFile file;
                file.biSize = headerSize;
                file.biBitCount = 8;
                file.biWidth = 3;
                file.biClrUsed = clrUsed;
                file.palette = counting(entries * 4, 7);
                file.gap = gap;
                file.pixels = {9, 8, 7, 0xEE};
                ASSERT_EQ(loadFile(file), 1);
                EXPECT_EQ(bitmap.m_palette_size, int(entries));
                EXPECT_EQ(Bytes(bitmap.m_palette, bitmap.m_palette + entries * 4), file.palette);
                EXPECT_EQ(pixelsOf(bitmap), (Bytes{9, 8, 7}));
            }
        }
    }
}

// A pipe or FIFO cannot seek: the reader takes the bytes as they come, here
// a file with a gap before its rows and a picture larger than a pipe holds.
TEST_F(BitmapTest, PipesAndFifosAreReadAsTheyCome) {
    BmpFile large;
    large.biWidth = 301;
    large.biHeight = -300;
    large.pixels = counting(size_t(904) * 300, 1);  // rows of 903 bytes padded to 904
    for (const Bytes& bytes : {fixtureBytes("im_v5_profile_gap_7x3.bmp"), large.bytes()}) {
        ASSERT_EQ(loadBytes(bytes), 1);
        const Bytes fromFile = pixelsOf(bitmap);
        ASSERT_EQ(loadThroughFifo(bytes), 1);
        EXPECT_EQ(pixelsOf(bitmap), fromFile);
    }
}

TEST_F(BitmapTest, PixelArraySizeComesFromRowSizeAndHeightWhateverBiSizeImageSays) {
    BmpFile file;
    file.biWidth = 2;
    file.biHeight = -2;
    file.pixels = counting(16);  // rows of 6 bytes padded to 8
    for (uint32_t sizeImage : {0u, 1u, 8u, 16u, 17u, 0xFFFFFFFFu}) {
        file.biSizeImage = sizeImage;
        ASSERT_EQ(loadFile(file), 1) << sizeImage;
        EXPECT_EQ(pixelsOf(bitmap), (Bytes{0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13})) << sizeImage;
    }
}

TEST_F(BitmapTest, SixteenBitPixelsGiveTheirTwoBytesAsChannels) {
    BmpFile file;
    file.biBitCount = 16;
    file.biWidth = 3;
    file.pixels = counting(8, 1);
    ASSERT_EQ(loadFile(file), 1);
    EXPECT_EQ(bitmap.m_channels, 2);
    EXPECT_EQ(pixelsOf(bitmap), (Bytes{1, 2, 3, 4, 5, 6}));
}

// ---- state across loads ------------------------------------------------------

TEST_F(BitmapTest, EachLoadReplacesImageAndPalette) {
    ASSERT_EQ(bitmap.load(fixture("pil_8bit_6colours_7x3.bmp").c_str()), 1);
    ASSERT_EQ(bitmap.m_palette_size, 6);
    ASSERT_EQ(bitmap.load(fixture("pil_32bit_3x2.bmp").c_str()), 1);
    EXPECT_EQ(bitmap.m_palette, nullptr);
    EXPECT_EQ(bitmap.m_palette_size, 0);
    EXPECT_EQ(bitmap.m_image_size, 3 * 2 * 4);
    ASSERT_EQ(bitmap.load(fixture("netpbm_8bit_7x3.bmp").c_str()), 1);
    EXPECT_EQ(bitmap.m_palette_size, 256);
    EXPECT_EQ(bitmap.m_image_size, 7 * 3);
}

// ---- refused files: -1, and the previous image, spacing and palette stay -------

struct RefusedCase {
    const char* name;
    Bytes (*bytes)();
};

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
Bytes withHeader(void (*change)(BmpFile&)) {
    BmpFile file = validEightBit();
    change(file);
    return file.bytes();
}
Bytes cut(size_t length) {
    Bytes bytes = validEightBit().bytes();
    bytes.resize(length);
    return bytes;
}

class RefusedBitmapTest : public BitmapTest, public ::testing::WithParamInterface<RefusedCase> {};

// From a file, whose length is known before anything is read, and through a
// FIFO, where a short file shows only when its bytes run out.
TEST_P(RefusedBitmapTest, GivesMinusOneAndKeepsThePreviousImage) {
    ASSERT_EQ(bitmap.load(fixture("pil_8bit_6colours_7x3.bmp").c_str()), 1);
    const Bytes before = pixelsOf(bitmap);
    const unsigned char* palette = bitmap.m_palette;
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "through a FIFO" : "from a file");
        EXPECT_EQ(fifo ? loadThroughFifo(GetParam().bytes()) : loadBytes(GetParam().bytes()), -1);
        EXPECT_EQ(bitmap.m_dim[0], 7);
        EXPECT_EQ(bitmap.m_dim[1], 3);
        EXPECT_EQ(bitmap.m_channels, 1);
        EXPECT_EQ(pixelsOf(bitmap), before);
        EXPECT_EQ(bitmap.m_palette, palette);
        EXPECT_EQ(bitmap.m_palette_size, 6);
        EXPECT_EQ(IvoryTest::bitsOf(bitmap.m_spacing[0]), IvoryTest::bitsOf(7.0f / 3780.0f));
    }
}

INSTANTIATE_TEST_SUITE_P(
    HostileFiles, RefusedBitmapTest,
    ::testing::Values(
        RefusedCase{"EmptyFile", [] { return Bytes{}; }},
        RefusedCase{"OnlyTheMagic", [] { return cut(2); }},
        RefusedCase{"HeadersOneByteShort", [] { return cut(53); }},
        RefusedCase{"PaletteCutShort", [] { return cut(54 + 7); }},
        RefusedCase{"PixelRowsOneByteShort", [] { return cut(54 + 8 + 7); }},
        RefusedCase{"MagicBX", [] { return withHeader([](BmpFile& f) { f.bfType = 'B' | 'X' << 8; }); }},
        RefusedCase{"MagicMB", [] { return withHeader([](BmpFile& f) { f.bfType = 'M' | 'B' << 8; }); }},
        RefusedCase{"ZeroWidth", [] { return withHeader([](BmpFile& f) { f.biWidth = 0; }); }},
        RefusedCase{"NegativeWidth", [] { return withHeader([](BmpFile& f) { f.biWidth = -4; }); }},
        RefusedCase{"ZeroHeight", [] { return withHeader([](BmpFile& f) { f.biHeight = 0; }); }},
        RefusedCase{"MostNegativeHeight", [] { return withHeader([](BmpFile& f) { f.biHeight = INT32_MIN; }); }},
        RefusedCase{"ElementCountOverflows",
                    [] { return withHeader([](BmpFile& f) { f.biWidth = f.biHeight = 65536; }); }},
        RefusedCase{"RowSizeOverflows",  // 23 bits: 2 channels fit, the padded row does not
                    [] { return withHeader([](BmpFile& f) { f.biBitCount = 23; f.biWidth = 800000000; }); }},
        RefusedCase{"HugeDimensionsOnASmallFile",
                    [] { return withHeader([](BmpFile& f) { f.biWidth = 40000; f.biHeight = -40000; }); }},
        RefusedCase{"PaletteOf257Entries", [] { return withHeader([](BmpFile& f) { f.biClrUsed = 257; }); }},
        RefusedCase{"PaletteOfFourBillionEntries",
                    [] { return withHeader([](BmpFile& f) { f.biClrUsed = 0xFFFFFFFF; }); }},
        RefusedCase{"PaletteRunsPastTheEnd", [] { return withHeader([](BmpFile& f) { f.biClrUsed = 0; }); }},
        RefusedCase{"TwoBitsPerPixel", [] { return withHeader([](BmpFile& f) { f.biBitCount = 2; }); }},
        RefusedCase{"CoreHeaderOf12Bytes", [] { return withHeader([](BmpFile& f) { f.biSize = 12; }); }},
        RefusedCase{"UnknownHeaderOf64Bytes", [] { return withHeader([](BmpFile& f) { f.biSize = 64; }); }},
        RefusedCase{"RunLengthsOf8Bits", [] { return withHeader([](BmpFile& f) { f.biCompression = 1; }); }},
        RefusedCase{"ColourBitFields", [] {
                        return withHeader([](BmpFile& f) {
                            f.biBitCount = 16;  // rows of 8 bytes, complete
                            f.biClrUsed = 0;
                            f.palette = {};
                            f.pixels = counting(16);
                            f.biCompression = 3;
                        });
                    }},
        RefusedCase{"PixelOffsetInsideThePalette", [] { return withHeader([](BmpFile& f) { f.offsetError = -1; }); }},
        RefusedCase{"PixelOffsetInsideTheHeaders", [] { return withHeader([](BmpFile& f) { f.offsetError = -40; }); }},
        RefusedCase{"PixelRowsRunPastTheEnd", [] { return withHeader([](BmpFile& f) { f.offsetError = 1; }); }},
        RefusedCase{"PixelOffsetPastTheEnd",
                    [] { return withHeader([](BmpFile& f) { f.offsetError = 0x7FFFFFFF; }); }}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

// The loader is silent: its caller reports.
TEST_F(BitmapTest, UnreadablePathsGiveMinusOneSilentlyAndKeepThePreviousImage) {
    ASSERT_EQ(bitmap.load(fixture("im_24bit_7x3.bmp").c_str()), 1);
    const Bytes before = pixelsOf(bitmap);
    const std::string printed = IvoryTest::captureStdout([&] {
        EXPECT_EQ(bitmap.load(nullptr), -1);
        EXPECT_EQ(bitmap.load(dir.file("missing.bmp").c_str()), -1);
        EXPECT_EQ(bitmap.load(dir.path().string().c_str()), -1);  // a directory
        EXPECT_EQ(loadBytes({'B', 'M', 1}), -1);
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(bitmap.m_bits_per_pixel, 24);
    EXPECT_EQ(bitmap.m_dim[0], 7);
    EXPECT_EQ(pixelsOf(bitmap), before);
}

}  // namespace
