#ifndef IVORY_IMAGEBASE_H
#define IVORY_IMAGEBASE_H

#include <cassert>
#include <cstdint>

#include "ivory/elementtypes.h"
#include "ivory/export.h"
#include "ivory/image.h"

namespace Ivory {

/// \file
/// The image of one element type, Ivory::ImageBase, and its eight instantiations.

/// The image of element type T, one of the eight of elementtypes.h; it
/// implements every operation of Image (documented there).
///
/// Memory layout: one 16-byte-aligned block of #m_image_size elements,
/// channel fastest, then x, y, z and t, with no gaps between rows, slices or
/// frames:
///
///     element (c, x, y, z, t) = m_data[c + x*m_channels + y*m_stride
///                                      + z*m_slice_size + t*m_frame_size]
///
/// All sizes count elements, never bytes. The image owns its block (released
/// with releaseAligned) unless #m_external is set.
///
/// \tparam T `char`, `unsigned char`, `short`, `unsigned short`, `int`,
/// `unsigned int`, `float` or `double`; `char` is the signed 8-bit type.
template <typename T>
class ImageBase : public Image {
public:
    using value_type = T;  ///< The element type.

    /// An empty image (see Image::Image): no block, not external.
    ImageBase();
    /// Releases the block unless it is external, then the window table.
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

    /// The element block (#m_data): null until init, or after releaseData.
    /// \return the block, which stays the image's.
    T* getData() { return m_data; }

    /// Typed read of element (c, x, y, z, t), without conversion to float. The
    /// element must lie in the block: debug builds assert it; release builds
    /// read 0 outside it.
    /// \param x column, 0 … width − 1.
    /// \param y row, 0 … height − 1.
    /// \param z slice, 0 … depth − 1.
    /// \param t frame, 0 … frames − 1.
    /// \param c channel, 0 … #m_channels − 1.
    /// \return the element.
    T at(int x, int y, int z, int t, int c) const {
        const long index = checkedIndex(x, y, z, t, c);
        return index < 0 ? T(0) : m_data[index];
    }

    /// Trilinear samples at many positions: out[i] = interpolateLinearValue(
    /// x[i], y[i], z[i]) for every i < count, bit for bit, positions outside
    /// the image clamped onto its edge as there; without a block every
    /// sample is 0. The points are vectorised and split over the worker pool
    /// (see threading.h); results never depend on the thread count. Nothing
    /// is allocated, nothing is reported.
    /// \param x count positions along x.
    /// \param y count positions along y.
    /// \param z count positions along z.
    /// \param count how many points; 0 or less samples none.
    /// \param out receives count samples; must not overlap x, y or z.
    void interpolateLinearValues(const float* x, const float* y, const float* z, int64_t count,
                                 float* out) const;
    /// Tricubic samples of channel 0 at many positions: out[i] =
    /// interpolateCubicValue(x[i], y[i], z[i]) for every i < count, bit for
    /// bit, positions outside the image clamped onto its edge as there;
    /// without a block every sample is 0. Vectorised and split over the pool
    /// as interpolateLinearValues.
    /// \param x count positions along x.
    /// \param y count positions along y.
    /// \param z count positions along z.
    /// \param count how many points; 0 or less samples none.
    /// \param out receives count samples; must not overlap x, y or z.
    void interpolateCubicValues(const float* x, const float* y, const float* z, int64_t count,
                                float* out) const;
    /// Channel 0 of the pixels under many positions: out[i] =
    /// getPixelValue(x[i], y[i], z[i]) for every i < count, bit for bit
    /// (positions truncated, clamped into the image); without a block every
    /// value is 0. Vectorised and split over the pool as
    /// interpolateLinearValues.
    /// \param x count positions along x.
    /// \param y count positions along y.
    /// \param z count positions along z.
    /// \param count how many points; 0 or less reads none.
    /// \param out receives count values; must not overlap x, y or z.
    void getPixelValues(const float* x, const float* y, const float* z, int64_t count, float* out) const;

    /// The block belongs to somebody else: never released by the image. False
    /// at first. An operation that replaces the block (flip, downsample in
    /// place, rotate, scaleToPowerOfTwo) leaves the external block untouched,
    /// still the caller's to free, and the image owns the new block:
    /// m_external becomes false and the destructor frees it.
    bool m_external;
    T* m_data;  ///< The element block of #m_image_size elements, or null.

protected:
    /// Index of element (c, x, y, z, t) in the block. Debug builds assert
    /// that it lies in the block.
    /// \param x column.
    /// \param y row.
    /// \param z slice.
    /// \param t frame.
    /// \param c channel.
    /// \return the index, or −1 when it lies outside the block or there is none.
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

// The eight instantiations live in the library, and only they are exported.
/// \cond IVORY_INTERNAL
#define IVORY_DECLARE_INSTANTIATION(T, code) extern template class IVORY_EXPORT ImageBase<T>;
IVORY_ELEMENT_TYPES(IVORY_DECLARE_INSTANTIATION)
#undef IVORY_DECLARE_INSTANTIATION
/// \endcond

}  // namespace Ivory

#endif
