#include "ivory/image.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace Ivory {

Image::Image()
    : m_dim{0, 0, 0, 0},
      m_spacing{1.0f, 1.0f, 1.0f, 1.0f},
      m_channels(0),
      m_window(nullptr),
      m_verbose(1),
      m_stride(0),
      m_slice_size(0),
      m_frame_size(0),
      m_image_size(0),
      m_cursor(0),
      m_type(0) {}

Image::~Image() { delete[] m_window; }

int Image::query(int32_t) { return 0; }

bool Image::applyShape(int width, int height, int depth, int frames, int channels) {
    delete[] m_window;
    m_window = nullptr;
    // Each size is the previous one times an extent; checking every step
    // keeps the 64-bit products themselves from overflowing.
    const int32_t extents[4] = {channels, height, depth, frames};
    int64_t sizes[4];
    int64_t size = width;
    bool fits = width >= 0;
    for (int i = 0; i < 4 && fits; ++i) {
        size *= extents[i];
        sizes[i] = size;
        fits = extents[i] >= 0 && size <= INT32_MAX;
    }
    if (!fits) {
        // Sizes that do not describe the extents would send loops and indices
        // outside the block: leave the image empty instead.
        width = height = depth = frames = channels = 0;
        sizes[0] = sizes[1] = sizes[2] = sizes[3] = 0;
    }
    m_dim[0] = width;
    m_dim[1] = height;
    m_dim[2] = depth;
    m_dim[3] = frames;
    m_channels = channels;
    m_stride = int32_t(sizes[0]);
    m_slice_size = int32_t(sizes[1]);
    m_frame_size = int32_t(sizes[2]);
    m_image_size = int32_t(sizes[3]);
    if (channels != 0) {
        m_window = new (std::nothrow) float[std::size_t(channels) * 4]();  // null table: setWindow ignores it
    }
    return fits;
}

int Image::init(int width, int height, int depth, int frames, int channels) {
    applyShape(width, height, depth, frames, channels);
    return 0;
}

void Image::setWindow(float low, float high, int channel) {
    if (m_window == nullptr || channel < 0 || channel >= m_channels) return;
    float* record = m_window + channel * 4;
    record[0] = high - low;
    record[1] = (high + low) * 0.5f;
    record[2] = low;
    record[3] = high;
}

void Image::setSpacing(float sx, float sy, float sz, float st) {
    m_spacing[0] = sx;
    m_spacing[1] = sy;
    m_spacing[2] = sz;
    m_spacing[3] = st;
}

}  // namespace Ivory
