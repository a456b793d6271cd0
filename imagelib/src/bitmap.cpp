#include "ivory/bitmap.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>

namespace Ivory::detail::bitmap {

constexpr uint16_t kMagic = 0x4D42;  // "BM" read as one little-endian 16-bit value
constexpr int64_t kHeadersSize = 14 + 40;
constexpr int64_t kMaxPaletteEntries = 256;
constexpr int64_t kPaletteEntrySize = 4;

// The file header and the information header, in file order.
struct Headers {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

// What the headers announce, once checked against the image model and the file.
struct Layout {
    int32_t width;
    int32_t height;
    int32_t channels;
    int64_t rowSize;  // bytes per file row, padded to a multiple of 4
    bool topDown;
    int64_t paletteEntries;
    int64_t pixelBytes;
};

// Missing bytes read as 0; the caller checks the stream once after a run of fields.
uint16_t readU16(std::istream& in) {
    unsigned char b[2] = {0, 0};
    in.read(reinterpret_cast<char*>(b), sizeof b);
    return uint16_t(b[0] | b[1] << 8);
}

uint32_t readU32(std::istream& in) {
    unsigned char b[4] = {0, 0, 0, 0};
    in.read(reinterpret_cast<char*>(b), sizeof b);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

int32_t readI32(std::istream& in) { return static_cast<int32_t>(readU32(in)); }

bool readHeaders(std::istream& in, Headers& h) {
    h.bfType = readU16(in);
    h.bfSize = readU32(in);
    h.bfReserved1 = readU16(in);
    h.bfReserved2 = readU16(in);
    h.bfOffBits = readU32(in);
    h.biSize = readU32(in);
    h.biWidth = readI32(in);
    h.biHeight = readI32(in);
    h.biPlanes = readU16(in);
    h.biBitCount = readU16(in);
    h.biCompression = readU32(in);
    h.biSizeImage = readU32(in);
    h.biXPelsPerMeter = readI32(in);
    h.biYPelsPerMeter = readI32(in);
    h.biClrUsed = readU32(in);
    h.biClrImportant = readU32(in);
    return bool(in);
}

// Length of the file behind the stream, which is left at its start; -1 if unknown.
int64_t fileLength(std::istream& in) {
    in.seekg(0, std::ios::end);
    const int64_t length = in.tellg();
    in.seekg(0, std::ios::beg);
    return in ? length : -1;
}

// Refuses every shape the image model cannot hold and every file too short for
// what its headers announce, before anything is allocated: allocations are
// thereby bounded by the file's length. biSizeImage plays no part: the pixel
// array is always the padded rows times the height (0 is legal for
// uncompressed files, and a larger value adds nothing that is read).
bool planLayout(const Headers& h, int64_t fileSize, Layout& out) {
    const int64_t width = h.biWidth;
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (width <= 0 || height <= 0 || height > INT32_MAX) return false;

    const int64_t channels = h.biBitCount / 8;
    const int64_t stride = width * channels;
    const int64_t rowSize = ((int64_t(h.biBitCount) * width + 31) & ~int64_t(31)) / 8;
    if (stride > INT32_MAX || stride * height > INT32_MAX || rowSize > INT32_MAX) return false;

    int64_t paletteEntries = 0;
    if (h.biBitCount == 8) paletteEntries = h.biClrUsed != 0 ? int64_t(h.biClrUsed) : 1 << h.biBitCount;
    if (paletteEntries > kMaxPaletteEntries) return false;

    const int64_t pixelBytes = rowSize * height;
    if (fileSize < kHeadersSize + paletteEntries * kPaletteEntrySize + pixelBytes) return false;

    out.width = int32_t(width);
    out.height = int32_t(height);
    out.channels = int32_t(channels);
    out.rowSize = rowSize;
    out.topDown = h.biHeight < 0;
    out.paletteEntries = paletteEntries;
    out.pixelBytes = pixelBytes;
    return true;
}

void releasePalette(Bitmap& image) {
    delete[] image.m_palette;
    image.m_palette = nullptr;
    image.m_palette_size = 0;
}

bool readPalette(std::istream& in, int64_t entries, Bitmap& image) {
    const int64_t bytes = entries * kPaletteEntrySize;
    image.m_palette = new (std::nothrow) unsigned char[size_t(bytes)];
    if (image.m_palette == nullptr) return false;
    image.m_palette_size = int32_t(entries);
    in.read(reinterpret_cast<char*>(image.m_palette), bytes);
    return in.gcount() == bytes;
}

// Reads the pixel rows that follow the headers (and palette) and stores them
// with row 0 at the top of the picture; each copy stays inside the rows read.
bool readPixelRows(std::istream& in, const Layout& layout, Bitmap& image) {
    std::unique_ptr<unsigned char[]> rows(new (std::nothrow) unsigned char[size_t(layout.pixelBytes)]);
    if (!rows) return false;
    in.read(reinterpret_cast<char*>(rows.get()), layout.pixelBytes);
    if (in.gcount() != layout.pixelBytes) return false;
    for (int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
        const int32_t imageRow = layout.topDown ? fileRow : layout.height - 1 - fileRow;
        std::memcpy(image.m_data + int64_t(imageRow) * image.m_stride,
                    rows.get() + int64_t(fileRow) * layout.rowSize, size_t(image.m_stride));
    }
    return true;
}

float spacing(int32_t extent, int32_t pixelsPerMetre, float current) {
    return pixelsPerMetre != 0 ? float(extent) / float(pixelsPerMetre) : current;
}

}  // namespace Ivory::detail::bitmap

namespace Ivory {

Bitmap::Bitmap() : m_bits_per_pixel(0), m_palette_size(0), m_palette(nullptr) {
    ImageBase<unsigned char>::init(0, 0, 0, 0, 0);
}

Bitmap::~Bitmap() { delete[] m_palette; }

int Bitmap::load(const char* path) {
    using namespace detail::bitmap;
    if (path == nullptr) return -1;
    std::ifstream in(path, std::ios::binary);
    if (!in.good()) return -1;

    const int64_t fileSize = fileLength(in);
    Headers h;
    if (!readHeaders(in, h)) return -1;
    if (h.bfType != kMagic) return -1;
    m_bits_per_pixel = h.biBitCount;
    if (h.biBitCount != 8 && h.biBitCount < 16) return -1;  // 1- and 4-bit files are not read
    Layout layout;
    if (!planLayout(h, fileSize, layout)) return -1;

    ImageBase<unsigned char>::init(layout.width, layout.height, 1, 1, layout.channels);
    releasePalette(*this);
    const bool complete = m_data != nullptr &&
                          (layout.paletteEntries == 0 || readPalette(in, layout.paletteEntries, *this)) &&
                          readPixelRows(in, layout, *this);
    if (!complete) {  // out of memory, or the file shrank or failed while being read
        releasePalette(*this);
        ImageBase<unsigned char>::init(0, 0, 0, 0, 0);
        return -1;
    }
    m_spacing[0] = spacing(layout.width, h.biXPelsPerMeter, m_spacing[0]);
    m_spacing[1] = spacing(layout.height, h.biYPelsPerMeter, m_spacing[1]);
    return 1;
}

}  // namespace Ivory
