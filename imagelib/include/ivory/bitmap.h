#ifndef IVORY_BITMAP_H
#define IVORY_BITMAP_H

/// \file
/// Reading BMP files, Ivory::Bitmap.

#include <cstdint>

#include "ivory/export.h"
#include "ivory/imagebase.h"

namespace Ivory {

/// An 8-bit-per-channel image read from an uncompressed BMP file with the
/// 40-byte information header (BITMAPINFOHEADER) or a longer one that begins
/// with its fields (52, 56, 108 or 124 bytes; what they add is skipped), 8, 24
/// or 32 bits per pixel. Channels keep the file's byte order (blue, green,
/// red[, fourth]); 8-bit files give one channel of palette indices, with the
/// palette in #m_palette. Row 0 is always the top row of the picture.
/// Everything else is ImageBase<unsigned char>.
class IVORY_EXPORT Bitmap : public ImageBase<unsigned char> {
public:
    /// An empty image without palette.
    Bitmap();
    /// Releases the palette and the image.
    ~Bitmap() override;

    /// Reads a BMP file into this image, replacing its shape, elements and
    /// palette. Prints nothing: the caller reports.
    ///
    /// The palette is read right after the information header, the pixel
    /// rows from bfOffBits (a gap before them is skipped). The file is
    /// untrusted and refused when it is shorter than its headers, palette and
    /// pixel rows announce, has an information header of another size (such
    /// as the 12-byte OS/2 header), compressed rows (run lengths, colour bit
    /// fields: anything but BI_RGB), pixel rows that would start inside the
    /// headers or the palette, fewer than 8 bits per pixel (1- and 4-bit
    /// files are not read), a width ≤ 0, a height of 0, a shape that does not
    /// fit the 32-bit sizes, or more than 256 palette entries.
    ///
    /// The path may name a pipe or FIFO ("/dev/stdin"): the file is read
    /// forward only, and where its length cannot be learnt beforehand the
    /// memory used grows only with the bytes that actually arrive.
    ///
    /// State after a failure: the image, spacing and palette stay as they
    /// were (#m_bits_per_pixel is updated as soon as complete headers with the
    /// "BM" magic and a known information header size were read), except when
    /// no memory can be had for the new image's block or window table, which
    /// leaves an empty image without palette (and init reports "Error while
    /// initializing!"). Never a partly filled image.
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
