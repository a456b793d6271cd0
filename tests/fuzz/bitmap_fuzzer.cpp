// Bitmap::load reads by path, so the input goes into an in-memory file opened through /proc/self/fd.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ivory/bitmap.h"

namespace {

volatile unsigned g_sink;  // takes every byte read, so that the reads stay

// A loaded image is whole: every byte readable, the sizes those of the announced shape.
void checkLoaded(const Ivory::Bitmap& bitmap) {
    if (bitmap.m_data == nullptr || bitmap.m_dim[0] <= 0 || bitmap.m_dim[1] <= 0 ||
        bitmap.m_image_size != bitmap.m_dim[0] * bitmap.m_dim[1] * bitmap.m_channels ||
        bitmap.m_palette_size < 0 || bitmap.m_palette_size > 256 ||
        (bitmap.m_palette_size > 0) != (bitmap.m_palette != nullptr)) {
        std::abort();
    }
    for (int32_t i = 0; i < bitmap.m_image_size; ++i) g_sink = g_sink + bitmap.m_data[i];
    for (int32_t i = 0; i < bitmap.m_palette_size * 4; ++i) g_sink = g_sink + bitmap.m_palette[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("bitmap-fuzz", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0) std::abort();
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    static Ivory::Bitmap reused;  // also exercises replacing an earlier image and palette
    Ivory::Bitmap fresh;
    const int result = fresh.load(path.c_str());
    if (result != reused.load(path.c_str()) || (result != 1 && result != -1)) std::abort();
    if (result == 1) {
        checkLoaded(fresh);
        checkLoaded(reused);
    }
    return 0;
}
