// Window and level of 16-bit raw data.
//
//     raw_window_level FOLDER
//
// Writes FOLDER/scan.raw, eight unsigned 16-bit values of a 4 x 2 slice
// (headerless, in this machine's byte order; swapBytes converts a file of the
// other order), reads it into an image of that shape, then
//  - exports it as bytes through the window of width 400 at level 1200
//    (1000 .. 1400 maps onto 0 .. 255, values outside clamp), and
//  - applies the same window in place: values are clamped into 1000 .. 1400
//    and shifted down by 1000.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include <ivory/ivory.h>

namespace {

constexpr int kWidth = 4, kHeight = 2;
const uint16_t kScan[kWidth * kHeight] = {900, 1000, 1080, 1160, 1240, 1320, 1400, 1500};

void printBytes(const char* title, const unsigned char* bytes) {
    std::cout << title << ":\n";
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) std::cout << (x > 0 ? " " : "") << int(bytes[y * kWidth + x]);
        std::cout << "\n";
    }
}

void printValues(const char* title, Ivory::Image& image) {
    std::cout << title << ":\n";
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) std::cout << (x > 0 ? " " : "") << image.getValue(x, y, 0, 0, 0);
        std::cout << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: raw_window_level FOLDER\n";
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/scan.raw";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(kScan), sizeof kScan);

    Ivory::ImageBase<unsigned short> scan;
    scan.m_verbose = 0;  // no progress line from applyWindowLevel
    scan.init(kWidth, kHeight, 1, 1, 1);  // a raw file has no header: the shape comes first
    if (scan.readRaw(path.c_str()) != 0) {
        std::cerr << "cannot read " << path << "\n";
        return 1;
    }

    const float width = 400.0f, level = 1200.0f;
    scan.setWindow(level - width / 2, level + width / 2, 0);  // low, high, channel
    unsigned char* bytes = scan.toBytes(nullptr, false);      // ours: delete[]
    if (bytes == nullptr) return 1;
    printBytes("bytes", bytes);
    delete[] bytes;

    scan.applyWindowLevel(false);
    printValues("after applyWindowLevel", scan);
    return 0;
}
