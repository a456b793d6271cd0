#ifndef IVORY_IMAGEBASE_H
#define IVORY_IMAGEBASE_H

#include <cassert>

#include "ivory/elementtypes.h"
#include "ivory/image.h"

namespace Ivory {

// The image class for element type T (one of the eight of elementtypes.h).
//
// Memory layout: one 16-byte-aligned block of m_image_size elements, channel
// fastest, then x, y, z and t, with no gaps:
//     element (c, x, y, z, t) = m_data[c + x*m_channels + y*m_stride
//                                      + z*m_slice_size + t*m_frame_size]
// All sizes count elements, never bytes.
template <typename T>
class ImageBase : public Image {
public:
    using value_type = T;

    ImageBase();
    ~ImageBase() override;

    int readRaw(const char* path) override;
    int setData(void* block) override;
    int writeRaw(const char* path) override;
    int init(int width, int height, int depth, int frames, int channels) override;
    void clear() override;
    void releaseData() override;

    Image* downsample(int fx, int fy, int fz, int ft, bool intoNew) override;
    void rotate(int axis) override;
    void scaleToPowerOfTwo() override;

    void invert() override;
    void applyWindowLevel(bool reversed) override;

    bool getNext(float* out) override;
    bool setNext(float value) override;
    void setCurrent(float value) override;
    void setValue(float value, int x, int y, int z, int t, int c) override;
    void getPixel(float* out, float x, float y, float z) override;
    float getPixelValue(float x, float y, float z) override;
    float getValue(int x, int y, int z, int t, int c) override;
    void interpolateLinear(float* out, float x, float y, float z) override;
    float interpolateLinearValue(float x, float y, float z) override;
    void interpolateCubic(float* out, float x, float y, float z) override;
    float interpolateCubicValue(float x, float y, float z) override;

    void setWindowFromData() override;
    void swapBytes() override;
    void flip(bool fx, bool fy, bool fz, bool ft) override;

    Image* filter(int code, const float* kernel, int n, Image* out) override;
    void fillBorder(int k) override;
    Image* gradient(int code, const float* kernel, bool keepSize, Image* out) override;
    Image* hessian(int code, const float* kernel, Image* out) override;
    Image* gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                      Image* out) override;

    unsigned char* toBytes(unsigned char* out, bool powerOfTwo) override;
    unsigned short* toShorts(unsigned short* out, bool powerOfTwo) override;
    unsigned char* sliceToBytes(unsigned char* out, int slice, int channel,
                                bool powerOfTwo) override;
    float* centroid(float* out) override;

    T* getData() { return m_data; }

    // Typed read of element (c, x, y, z, t); the index must lie in the block.
    T at(int x, int y, int z, int t, int c) const {
        const long index = checkedIndex(x, y, z, t, c);
        return index < 0 ? T(0) : m_data[index];
    }

    // The block belongs to somebody else: it is never released here. An
    // operation that replaces the block (flip, downsample in place, rotate,
    // scaleToPowerOfTwo) leaves the external block untouched, still the
    // caller's to free, and the image owns the new block: m_external becomes
    // false and the destructor frees it.
    bool m_external;
    T* m_data;

protected:
    // Index of element (c, x, y, z, t), or -1 when it lies outside the block
    // (a caller error, which debug builds also assert).
    long checkedIndex(int x, int y, int z, int t, int c) const {
        const long index = static_cast<long>(c) + static_cast<long>(x) * m_channels +
                           static_cast<long>(y) * m_stride + static_cast<long>(z) * m_slice_size +
                           static_cast<long>(t) * m_frame_size;
        assert(m_data + c + x*m_channels + y*m_stride + z*m_slice_size + t*m_frame_size >= m_data);
        assert(c + x*m_channels + y*m_stride + z*m_slice_size + t*m_frame_size < m_image_size);
        if (m_data == nullptr || index < 0 || index >= m_image_size) return -1;
        return index;
    }
};

}  // namespace Ivory

#endif
