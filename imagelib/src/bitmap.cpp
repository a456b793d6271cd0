// STUB: replaced by the BMP reader.
#include "bitmap.h"
namespace Ivory {
Bitmap::Bitmap() : m_bits_per_pixel(0), m_palette_size(0), m_palette(nullptr) { ImageBase<unsigned char>::init(0, 0, 0, 0, 0); }
Bitmap::~Bitmap() { delete[] m_palette; }
int Bitmap::load(const char*) { return -1; }
}  // namespace Ivory
