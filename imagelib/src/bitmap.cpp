#include "ivory/bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>

namespace Ivory::detail::bitmap {

constexpr std::size_t kStreamBufferSize = 8192;

constexpr uint16_t kMagic = 0x4D42;  // "BM" read as one little-endian 16-bit value
constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kFieldsSize = kFileHeaderSize + 40;  // the header fields read
constexpr uint32_t kUncompressed = 0;                 // BI_RGB
constexpr int64_t kMaxPaletteEntries = 256;
constexpr int64_t kPaletteEntrySize = 4;
// Pixel bytes read at first from a stream of unknown length (a pipe); the
// buffer then doubles each time it is full, so the memory held stays within
// three times (old and new buffer while it grows) what the stream delivered.
constexpr int64_t kFirstReadSize = int64_t(1) << 16;

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

// Information headers that begin with the 40-byte header's fields; what the
// longer ones add (colour masks, colour space, profile) is skipped. The
// 12-byte OS/2 header and unknown sizes are refused.
bool knownInfoHeaderSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// What the headers announce, once checked against the image model and the file.
struct Layout {
    int32_t width;
    int32_t height;
    int32_t channels;
    int64_t rowSize;  // bytes per file row, padded to a multiple of 4
    bool topDown;
    int64_t paletteOffset;  // the palette follows the information header
    int64_t paletteEntries;
    int64_t pixelOffset;  // bfOffBits
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

// Length of the file behind the stream, which is left at its start; -1 when
// the stream cannot seek (a pipe or FIFO), which is then read as it comes.
int64_t fileLength(std::istream& in) {
    in.seekg(0, std::ios::end);
    const int64_t length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (in) return length;
    in.clear();
    return -1;
}

// Refuses every shape the image model cannot hold, pixel rows that would
// start inside the headers or the palette, and, when the file's length is
// known (fileSize >= 0), every file too short for what its headers announce,
// before anything is allocated: allocations are thereby bounded by the
// file's length. biSizeImage plays no part: the pixel array is always the
// padded rows times the height (0 is legal for uncompressed files, and a
// larger value adds nothing that is read).
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

    const int64_t paletteOffset = kFileHeaderSize + h.biSize;
    const int64_t pixelBytes = rowSize * height;
    if (h.bfOffBits < paletteOffset + paletteEntries * kPaletteEntrySize) return false;
    if (fileSize >= 0 && fileSize < int64_t(h.bfOffBits) + pixelBytes) return false;

    out.width = int32_t(width);
    out.height = int32_t(height);
    out.channels = int32_t(channels);
    out.rowSize = rowSize;
    out.topDown = h.biHeight < 0;
    out.paletteOffset = paletteOffset;
    out.paletteEntries = paletteEntries;
    out.pixelOffset = h.bfOffBits;
    out.pixelBytes = pixelBytes;
    return true;
}

void releasePalette(Bitmap& image) {
    delete[] image.m_palette;
    image.m_palette = nullptr;
    image.m_palette_size = 0;
}

// Passes over `count` bytes of the stream (reading, since it may not seek).
bool skip(std::istream& in, int64_t count) {
    if (count == 0) return true;
    in.ignore(count);
    return in.gcount() == count;
}

// Exactly `count` bytes of the stream, or null when it ends before (or memory
// runs out). With allAtOnce (the file's length is known to cover them, or
// they are few) the buffer is made at once; otherwise it grows only as the
// bytes arrive.
std::unique_ptr<unsigned char[]> readBytes(std::istream& in, int64_t count, bool allAtOnce) {
    int64_t capacity = allAtOnce ? count : std::min(count, kFirstReadSize);
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size_t(capacity)]);
    int64_t filled = 0;
    while (bytes) {
        in.read(reinterpret_cast<char*>(bytes.get() + filled), capacity - filled);
        filled += in.gcount();
        if (filled == count) return bytes;
        if (filled < capacity) return nullptr;  // the stream ended early
        const int64_t grown = std::min(count, 2 * capacity);
        std::unique_ptr<unsigned char[]> larger(new (std::nothrow) unsigned char[size_t(grown)]);
        if (larger) std::memcpy(larger.get(), bytes.get(), size_t(filled));
        bytes = std::move(larger);
        capacity = grown;
    }
    return nullptr;
}

// Stores the file's pixel rows with row 0 at the top of the picture; each
// copy stays inside the rows read.
void storeRows(const unsigned char* rows, const Layout& layout, Bitmap& image) {
    for (int32_t fileRow = 0; fileRow < layout.height; ++fileRow) {
        const int32_t imageRow = layout.topDown ? fileRow : layout.height - 1 - fileRow;
        std::memcpy(image.m_data + int64_t(imageRow) * image.m_stride,
                    rows + int64_t(fileRow) * layout.rowSize, size_t(image.m_stride));
    }
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
    // The stream reads through a buffer of ours: the one it would allocate
    // itself comes from a new that throws when memory runs out.
    char streamBuffer[kStreamBufferSize];
    std::ifstream in;
    in.rdbuf()->pubsetbuf(streamBuffer, sizeof streamBuffer);
    in.open(path, std::ios::binary);
    if (!in.good()) return -1;

    const int64_t fileSize = fileLength(in);
    Headers h;
    if (!readHeaders(in, h)) return -1;
    if (h.bfType != kMagic || !knownInfoHeaderSize(h.biSize)) return -1;
    m_bits_per_pixel = h.biBitCount;
    if (h.biBitCount != 8 && h.biBitCount < 16) return -1;  // 1- and 4-bit files are not read
    if (h.biCompression != kUncompressed) return -1;        // run lengths, colour bit fields, ...
    Layout layout;
    if (!planLayout(h, fileSize, layout)) return -1;

    // Palette and pixel rows are read in file order, only forward, so that a
    // pipe serves as well as a file; the image changes only once all is there.
    const int64_t paletteBytes = layout.paletteEntries * kPaletteEntrySize;
    std::unique_ptr<unsigned char[]> palette;
    if (!skip(in, layout.paletteOffset - kFieldsSize)) return -1;
    if (paletteBytes > 0 && !(palette = readBytes(in, paletteBytes, true))) return -1;  // 1 KiB at most
    if (!skip(in, layout.pixelOffset - layout.paletteOffset - paletteBytes)) return -1;
    const std::unique_ptr<unsigned char[]> rows = readBytes(in, layout.pixelBytes, fileSize >= 0);
    if (!rows) return -1;

    releasePalette(*this);
    ImageBase<unsigned char>::init(layout.width, layout.height, 1, 1, layout.channels);
    if (m_data == nullptr || m_window == nullptr) {  // out of memory: init has said so
        ImageBase<unsigned char>::init(0, 0, 0, 0, 0);
        return -1;
    }
    storeRows(rows.get(), layout, *this);
    m_palette = palette.release();
    m_palette_size = int32_t(layout.paletteEntries);
    m_spacing[0] = spacing(layout.width, h.biXPelsPerMeter, m_spacing[0]);
    m_spacing[1] = spacing(layout.height, h.biYPelsPerMeter, m_spacing[1]);
    return 1;
}

}  // namespace Ivory
