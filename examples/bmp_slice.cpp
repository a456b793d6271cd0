// Load a BMP file and export one of its channels as 8-bit bytes through a
// display window.
//
//     bmp_slice FOLDER
//
// The program first writes its own small picture, FOLDER/ramp.bmp: 4 x 2
// pixels in 24 bits whose red channel rises from 0 to 85. It prints the shape
// that was read and the exported bytes, top row first; with the window 0..85
// every red value comes out three times as large.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include <ivory/ivory.h>

namespace {

constexpr int kWidth = 4;
constexpr int kHeight = 2;
const unsigned char kRed[kHeight][kWidth] = {{0, 15, 30, 45}, {50, 60, 75, 85}};  // top row first

void put16(std::ofstream& file, uint16_t v) {
    const char bytes[2] = {char(v & 0xFF), char(v >> 8)};
    file.write(bytes, 2);
}

void put32(std::ofstream& file, uint32_t v) {
    put16(file, uint16_t(v & 0xFFFF));
    put16(file, uint16_t(v >> 16));
}

// A 24-bit BMP: file header, information header, then the rows bottom-up, each
// pixel blue, green, red. 4 pixels of 3 bytes need no row padding.
bool writeRamp(const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    const uint32_t pixelBytes = kWidth * 3 * kHeight;
    put16(file, 0x4D42);  // "BM"
    put32(file, 14 + 40 + pixelBytes);
    put32(file, 0);
    put32(file, 14 + 40);  // where the pixels start
    put32(file, 40);
    put32(file, kWidth);
    put32(file, kHeight);  // positive: bottom row first
    put16(file, 1);
    put16(file, 24);
    for (int field = 0; field < 6; ++field) put32(file, 0);  // no compression, no palette
    for (int y = kHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kWidth; ++x) {
            const char pixel[3] = {0, 100, char(kRed[y][x])};
            file.write(pixel, 3);
        }
    }
    return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: bmp_slice FOLDER\n";
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/ramp.bmp";
    if (!writeRamp(path)) {
        std::cerr << "cannot write " << path << "\n";
        return 1;
    }

    Ivory::Bitmap bitmap;
    if (bitmap.load(path.c_str()) != 1) {
        std::cerr << "cannot read " << path << "\n";
        return 1;
    }
    std::cout << "loaded " << bitmap.m_dim[0] << " x " << bitmap.m_dim[1] << ", " << bitmap.m_channels
              << " channels\n";

    // Channels keep the file's order (blue, green, red): red is channel 2.
    // Its window 0..85 maps 0 to 0 and 85 to 255.
    const int red = 2;
    bitmap.setWindow(0.0f, 85.0f, red);
    unsigned char* bytes = bitmap.sliceToBytes(nullptr, 0, red, false);  // ours: delete[]
    if (bytes == nullptr) {
        std::cerr << "out of memory\n";
        return 1;
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) std::cout << (x > 0 ? " " : "") << int(bytes[y * kWidth + x]);
        std::cout << "\n";
    }
    delete[] bytes;
    return 0;
}
