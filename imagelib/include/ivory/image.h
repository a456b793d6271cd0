#ifndef IVORY_IMAGE_H
#define IVORY_IMAGE_H

#include <cstdint>

namespace Ivory {

// An image of up to four dimensions (x, y, z, t) with any number of channels,
// seen through element values passed as float so that callers need not know
// the element type. ImageBase<T> implements every operation for the eight
// element types. Errors are integer results and single lines on standard
// output; nothing throws.
//
// The order of the virtual operations is part of the interface: keep it.
class Image {
public:
    Image();
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // "Prints:" lists every line an operation can report (through the message
    // handler, see messages.h); "verbose:" lines only while m_verbose is
    // non-zero. An operation without such a note prints nothing.

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
    // Prints (ImageBase): "Error while initializing!"
    virtual int init(int width, int height, int depth, int frames, int channels);
    virtual void clear() = 0;
    virtual void releaseData() = 0;

    // Resampling. The operations that replace the element block (downsample
    // in place, rotate, scaleToPowerOfTwo, and flip) leave an external block
    // untouched, still the caller's to free, and the image owns the new one:
    // m_external becomes false (see ImageBase::m_external).

    // In place: replaces the block, owned by the image from then on.
    // Prints: "Error: downsampling factors must be at least 1!",
    //   "Error while initializing!" (intoNew: the new image's block);
    //   verbose, in place: "Image downsampled, new size W x H x D".
    virtual Image* downsample(int fx, int fy, int fz, int ft, bool intoNew) = 0;
    // Replaces the block, owned by the image from then on.
    // Prints: "Error: rotation axis must be 0, 1 or 2!";
    //   verbose: "Rotated image around axis A".
    virtual void rotate(int axis) = 0;
    // Pads width and height with zeros to the smallest powers of two not below
    // them, in a new block owned by the image from then on.
    // Prints, verbose: "Scaled to power of two, new width = W, height = H".
    virtual void scaleToPowerOfTwo() = 0;

    // Intensity mapping
    virtual void invert() = 0;
    // Prints, verbose: "Window/Level setting applied".
    virtual void applyWindowLevel(bool reversed) = 0;

    // Element access and interpolation. The positional reads and samples take
    // a position outside the image as its nearest edge: each coordinate is
    // clamped into 0 .. extent-1 first (NaN to 0, infinities to the edge).
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

    // Model
    virtual void setWindowFromData() = 0;
    virtual void swapBytes() = 0;
    // Replaces the block, owned by the image from then on (see Resampling).
    // Prints: "Error: not enough memory to flip the image!"
    virtual void flip(bool fx, bool fy, bool fz, bool ft) = 0;

    // Filtering and derivatives. Those that make their output image can also
    // print "Error: unknown data type, cannot create output image!" and
    // "Error while initializing!"; with a caller's output image too small for
    // the result, "Error: output image too small!".

    // Prints, checked in this order:
    //   "Error: unsigned data type, cannot compute filtered image!"
    //   "Error: Cannot compute filtered image without filter!"
    //   "Error: Window size must be positive!"
    //   "Error: Window size must be an odd number!"
    //   "Error: Window size exceeds the image!"
    //   then the output errors.
    virtual Image* filter(int code, const float* kernel, int n, Image* out) = 0;
    // Prints: "Error: border too wide for the image!"
    virtual void fillBorder(int k) = 0;
    // Prints: "Error: unsigned data type, cannot compute gradient!",
    //   "Error: image too small, cannot compute gradient!", the output errors.
    virtual Image* gradient(int code, const float* kernel, bool keepSize, Image* out) = 0;
    // Prints: "Error: unsigned data type, cannot compute hessian!", the output errors.
    virtual Image* hessian(int code, const float* kernel, Image* out) = 0;
    // Prints: "Error: unsigned data type, cannot compute gradient!",
    //   "Error: image too small, cannot compute gradient!", the output errors,
    //   "Warning: N values exceeded." (results clamped to the output type);
    //   verbose: "Computing 3D gradient...", "Done. Range = [MIN..MAX]".
    virtual Image* gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                              Image* out) = 0;

    // Export and statistics. The three exports map each element e through its
    // channel's window to q = (e - low) * top / (high - low), top 255 or 65535
    // (in single precision; sliceToBytes of double elements in double), then
    // clamp q to 0..top and only then truncate it; NaN gives 0. So a quotient
    // beyond the integer range still gives 0 or top.
    virtual unsigned char* toBytes(unsigned char* out, bool powerOfTwo) = 0;
    virtual unsigned short* toShorts(unsigned short* out, bool powerOfTwo) = 0;
    // Prints: "Error: no such slice or channel!"
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
