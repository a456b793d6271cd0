#ifndef IVORY_BITMAP_H
#define IVORY_BITMAP_H

#include <cstdint>

#include "ivory/export.h"
#include "ivory/imagebase.h"

namespace Ivory {

// An 8-bit-per-channel image read from a BMP file (BITMAPINFOHEADER). Channels
// keep the file's byte order (blue, green, red[, fourth]); 8-bit files give
// palette indices. Row 0 is always the top row of the picture.
class IVORY_EXPORT Bitmap : public ImageBase<unsigned char> {
public:
    Bitmap();
    ~Bitmap() override;

    // 1 when the image was read, -1 on any failure. Prints nothing. The file
    // is untrusted and refused (-1) when it is shorter than its headers,
    // palette and pixel rows announce, has fewer than 8 bits per pixel (1-
    // and 4-bit files are not read), a width <= 0, a height of 0, a shape
    // that does not fit the 32-bit sizes, or more than 256 palette entries.
    // State after a failure: a null path, an unopenable or refused file leave
    // image, spacing and palette as they were (m_bits_per_pixel is updated as
    // soon as complete headers with the "BM" magic were read); a failure while
    // reading palette or pixel rows (out of memory, file changed underneath)
    // leaves an empty image without palette. Never a partly filled image.
    int load(const char* path);

    int32_t m_bits_per_pixel;
    int32_t m_palette_size;
    unsigned char* m_palette;  // m_palette_size entries of blue, green, red, reserved;
                               // replaced by every load that reads an image
};

}  // namespace Ivory

#endif
