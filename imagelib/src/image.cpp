#include "image.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

bool Image::updateSizes() {
    int64_t stride = int64_t(m_dim[0]) * m_channels;
    int64_t slice = stride * m_dim[1];
    int64_t frame = slice * m_dim[2];
    int64_t image = frame * m_dim[3];
    for (int64_t size : {stride, slice, frame, image}) {
        if (size < 0 || size > INT32_MAX) return false;
    }
    m_stride = int32_t(stride);
    m_slice_size = int32_t(slice);
    m_frame_size = int32_t(frame);
    m_image_size = int32_t(image);
    return true;
}

int Image::init(int width, int height, int depth, int frames, int channels) {
    m_dim[0] = width;
    m_dim[1] = height;
    m_dim[2] = depth;
    m_dim[3] = frames;
    m_channels = channels;
    delete[] m_window;
    m_window = nullptr;
    // A shape whose element count does not fit the 32-bit sizes (or has a
    // negative extent) cannot be stored: the image is left empty, and
    // ImageBase::init reports it like a failed allocation.
    if (!updateSizes()) {
        m_dim[0] = m_dim[1] = m_dim[2] = m_dim[3] = 0;
        m_channels = 0;
        m_stride = m_slice_size = m_frame_size = m_image_size = 0;
        return 0;
    }
    if (channels == 0) return 0;
    m_window = new (std::nothrow) float[std::size_t(channels) * 4]();  // null table: setWindow ignores it
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
