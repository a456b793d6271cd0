#ifndef IVORY_IMAGE_H
#define IVORY_IMAGE_H

#include <cstdint>

namespace Ivory {

// An image of up to four dimensions (x, y, z, t) with any number of channels,
// seen through element values passed as float so that callers need not know
// the element type. ImageBase<T> implements every operation for the eight
// element types. Errors are integer results and single lines on standard
// output (see messages.h); nothing throws.
//
// Memory: an operation allocates all it needs (a new block or output image,
// a copy of the source, working rows) before it changes anything. When some
// of it cannot be had, nothing is changed (neither the image nor an output
// image passed in), the operation reports one line and gives its error
// result; nothing throws or ends the process. A new output image whose init
// fails reports "Error while initializing!", as init does.
//
// The order of the virtual operations is part of the interface: keep it.
class Image {
public:
    Image();
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    virtual int query(int32_t what);  // always 0

    // Raw files hold the element block exactly as it lies in memory, without
    // a header; the caller gives the image its shape with init before reading.
    // readRaw: 0 when the whole block was read (a longer file is read only as
    // far as the block reaches); 1 when the file cannot be opened (no element
    // changed); 2 when the file is shorter than the block (the elements read
    // are replaced, the rest keep their values), or when the image has
    // elements but no block (nothing is read, no file is opened).
    virtual int readRaw(const char* path) = 0;
    virtual int setData(void* block) = 0;
    // writeRaw: 0 when the whole block was written; 1 when the file cannot be
    // opened; 2 when writing or closing failed (the file holds what could be
    // written), or when the image has elements but no block (no file is
    // touched).
    virtual int writeRaw(const char* path) = 0;
    // Always 0. A shape with a negative extent or more elements than the
    // 32-bit sizes hold is refused: the image is left empty (all extents and
    // sizes 0) and ImageBase::init reports it like a failed allocation.
    // "Error while initializing!" when the block or the window table cannot
    // be allocated; the image keeps its shape without them.
    virtual int init(int width, int height, int depth, int frames, int channels);
    // "Error: not enough memory to clear the image!" when a missing block
    // cannot be allocated (the window table is cleared all the same).
    virtual void clear() = 0;
    virtual void releaseData() = 0;

    // Resampling. When the new block cannot be allocated: "Error: not enough
    // memory to downsample the image!" (null), "Error: not enough memory to
    // rotate the image!", "Error: not enough memory to scale the image!".
    virtual Image* downsample(int fx, int fy, int fz, int ft, bool intoNew) = 0;
    virtual void rotate(int axis) = 0;
    virtual void scaleToPowerOfTwo() = 0;

    // Intensity mapping
    virtual void invert() = 0;
    virtual void applyWindowLevel(bool reversed) = 0;

    // Element access and interpolation
    virtual bool getNext(float* out) = 0;
    virtual bool setNext(float value) = 0;
    virtual void setCurrent(float value) = 0;
    virtual void setValue(float value, int x, int y, int z, int t, int c) = 0;
    virtual void getPixel(float* out, float x, float y, float z) = 0;
    virtual float getPixelValue(float x, float y, float z) = 0;
    virtual float getValue(int x, int y, int z, int t, int c) = 0;
    virtual void interpolateLinear(float* out, float x, float y, float z) = 0;
    virtual float interpolateLinearValue(float x, float y, float z) = 0;
    virtual void interpolateCubic(float* out, float x, float y, float z) = 0;
    virtual float interpolateCubicValue(float x, float y, float z) = 0;

    // Model. flip: "Error: not enough memory to flip the image!".
    virtual void setWindowFromData() = 0;
    virtual void swapBytes() = 0;
    virtual void flip(bool fx, bool fy, bool fz, bool ft) = 0;

    // Filtering and derivatives. When memory cannot be had they return null:
    // filter "Error: not enough memory to filter the image!", gradient and
    // gradient3D "Error: not enough memory to compute the gradient!", hessian
    // "Error: not enough memory to compute the hessian!".
    virtual Image* filter(int code, const float* kernel, int n, Image* out) = 0;
    virtual void fillBorder(int k) = 0;
    virtual Image* gradient(int code, const float* kernel, bool keepSize, Image* out) = 0;
    virtual Image* hessian(int code, const float* kernel, Image* out) = 0;
    virtual Image* gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                              Image* out) = 0;

    // Export and statistics. When the exports cannot allocate their result:
    // "Error: not enough memory to export the image!" (null).
    virtual unsigned char* toBytes(unsigned char* out, bool powerOfTwo) = 0;
    virtual unsigned short* toShorts(unsigned short* out, bool powerOfTwo) = 0;
    virtual unsigned char* sliceToBytes(unsigned char* out, int slice, int channel,
                                        bool powerOfTwo) = 0;
    virtual float* centroid(float* out) = 0;

    // Sets {window, level, low, high} of one channel's window record.
    void setWindow(float low, float high, int channel);
    void setSpacing(float sx, float sy, float sz, float st);
    void resetCursor() { m_cursor = 0; }

    int32_t m_dim[4];
    float m_spacing[4];
    int32_t m_channels;
    float* m_window;  // m_channels records of {window, level, low, high}
    int32_t m_verbose;
    int32_t m_stride;
    int32_t m_slice_size;
    int32_t m_frame_size;
    int32_t m_image_size;  // elements, channels included
    int32_t m_cursor;
    int32_t m_type;  // default element-type code of result images; 0 = none

protected:
    // The work of init: stores the shape and sizes and makes a fresh, zeroed
    // window table. Returns false when the shape was refused.
    bool applyShape(int width, int height, int depth, int frames, int channels);
};

}  // namespace Ivory

#endif
