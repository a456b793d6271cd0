#ifndef IVORY_BITMAP_H
#define IVORY_BITMAP_H

#include <cstdint>

#include "imagebase.h"

namespace Ivory {

// An 8-bit-per-channel image read from a BMP file (BITMAPINFOHEADER). Channels
// keep the file's byte order (blue, green, red[, fourth]); 8-bit files give
// palette indices. Row 0 is always the top row of the picture.
class Bitmap : public ImageBase<unsigned char> {
public:
    Bitmap();
    ~Bitmap() override;

    // 1 when the image was read, -1 on any failure. Prints nothing.
    int load(const char* path);

    int32_t m_bits_per_pixel;
    int32_t m_palette_size;
    unsigned char* m_palette;  // m_palette_size entries of blue, green, red, reserved
};

}  // namespace Ivory

#endif
