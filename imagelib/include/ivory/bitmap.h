#ifndef IVORY_BITMAP_H
#define IVORY_BITMAP_H

/// \file
/// Reading BMP files, Ivory::Bitmap.

#include <cstdint>

#include "ivory/export.h"
#include "ivory/imagebase.h"

namespace Ivory {

/// An 8-bit-per-channel image read from a BMP file (BITMAPINFOHEADER,
/// uncompressed, 8, 24 or 32 bits per pixel). Channels keep the file's byte
/// order (blue, green, red[, fourth]); 8-bit files give one channel of palette
/// indices, with the palette in #m_palette. Row 0 is always the top row of
/// the picture. Everything else is ImageBase<unsigned char>.
class IVORY_EXPORT Bitmap : public ImageBase<unsigned char> {
public:
    /// An empty image without palette.
    Bitmap();
    /// Releases the palette and the image.
    ~Bitmap() override;

    /// Reads a BMP file into this image, replacing its shape, elements and
    /// palette. Prints nothing: the caller reports.
    ///
    /// The file is untrusted and refused when it is shorter than its headers,
    /// palette and pixel rows announce, has fewer than 8 bits per pixel (1-
    /// and 4-bit files are not read), a width ≤ 0, a height of 0, a shape that
    /// does not fit the 32-bit sizes, or more than 256 palette entries.
    /// State after a failure: a null path, an unopenable or refused file leave
    /// image, spacing and palette as they were (#m_bits_per_pixel is updated
    /// as soon as complete headers with the "BM" magic were read); a failure
    /// while reading palette or pixel rows (out of memory, file changed
    /// underneath) leaves an empty image without palette. Never a partly
    /// filled image.
    /// \param path the file to read.
    /// \return 1 when the image was read, −1 on any failure.
    int load(const char* path);

    int32_t m_bits_per_pixel;  ///< Bits per pixel of the last file whose headers were read.
    int32_t m_palette_size;    ///< Entries in #m_palette.
    /// #m_palette_size entries of blue, green, red, reserved; owned, replaced
    /// by every load that reads an image.
    unsigned char* m_palette;
};

}  // namespace Ivory

#endif
