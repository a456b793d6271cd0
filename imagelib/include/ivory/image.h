#ifndef IVORY_IMAGE_H
#define IVORY_IMAGE_H

/// \file
/// The image interface, Ivory::Image.

#include <cstdint>

#include "ivory/export.h"

namespace Ivory {

/// An image of up to four dimensions (x, y, z, t) with any number of channels
/// per position, seen through element values passed as `float`, so that
/// callers need not know the element type.
///
/// ImageBase<T> implements every operation for the eight element types (see
/// ImageBase for the memory layout); create one directly, with createImage,
/// or as a Bitmap. An image is empty (no element block, no window table) until
/// init gives it a shape.
///
/// Conventions of all operations:
/// - Nothing throws. Results are integer codes or null pointers; errors are
///   reported as one line through the message handler (setMessageHandler; by
///   default standard output). Each operation below quotes its lines. Progress
///   lines appear only while #m_verbose is non-zero; error lines always do.
/// - An image returned by an operation belongs to the caller, who releases it
///   with `delete`. An export buffer the library allocates (toBytes, toShorts,
///   sliceToBytes with `out` null) is released with `delete[]`.
/// - A float becomes an integer element by truncation toward zero, keeping the
///   low bits of the integer, without saturation (300.7 stored in an
///   `unsigned char` gives 44).
/// - The operations that process a volume (filters, derivatives, exports,
///   interpolation, centroid) work on the first frame (t = 0).
/// - The positional reads and the samplers take a position outside the image
///   as its nearest edge: each coordinate is clamped into 0 … extent − 1
///   first (NaN to 0, infinities to the edge).
/// - The operations that replace the element block (flip, downsample in
///   place, rotate, scaleToPowerOfTwo) leave an external block
///   (ImageBase::m_external) untouched, still the caller's to free; the image
///   owns the new block, and m_external becomes false.
/// - One image is used from one thread at a time; operations may split their
///   own work over threadCount() threads, with the same results.
/// - Memory: an operation allocates all it needs (a new block or output
///   image, a copy of the source, working rows) before it changes anything.
///   When some of it cannot be had, nothing is changed (neither the image nor
///   an output image passed in), the operation reports one line ("Error: not
///   enough memory to …", quoted at each operation) and gives its error
///   result. A new output image whose init fails reports "Error while
///   initializing!", as init does.
///
/// The order of the virtual operations is part of the interface.
class IVORY_EXPORT Image {
public:
    /// An empty image: all extents and sizes 0, spacings 1, #m_verbose 1, no
    /// window table, #m_type 0.
    Image();
    /// Releases the window table (ImageBase also releases an owned block).
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    /// Holds its place in the interface; answers 0 to any `what`.
    virtual int query(int32_t what);

    /// Reads the element block from a headerless raw file: the elements
    /// exactly as they lie in memory (this machine's byte order; swapBytes
    /// converts). The caller gives the image its shape with init first.
    /// \param path the file to read.
    /// \return 0 when the whole block was read (a longer file is read only as
    /// far as the block reaches); 1 when the file cannot be opened (no element
    /// changed); 2 when the file is shorter than the block (the elements read
    /// are replaced, the rest keep their values), or when the image has
    /// elements but no block (nothing is read, no file is opened). Prints
    /// nothing.
    virtual int readRaw(const char* path) = 0;
    /// Makes `block` the element block. The previous block is not released
    /// and ImageBase::m_external is not changed: an image that owns its block (the
    /// default) takes over `block`, which must then come from allocateAligned
    /// and hold #m_image_size elements; an external image only uses it.
    /// \param block the new element block.
    /// \return 0.
    virtual int setData(void* block) = 0;
    /// Writes the element block as a headerless raw file (see readRaw).
    /// \param path the file to write (replaced if it exists).
    /// \return 0 when the whole block was written; 1 when the file cannot be
    /// opened; 2 when writing or closing failed (the file holds what could be
    /// written), or when the image has elements but no block (no file is
    /// touched). Prints nothing.
    virtual int writeRaw(const char* path) = 0;
    /// Gives the image its shape: the four extents and the channel count, the
    /// derived sizes (#m_stride, #m_slice_size, #m_frame_size, #m_image_size)
    /// and a fresh window table of zeros; ImageBase::init also replaces the
    /// element block by a zeroed one (unless the image is external). May be
    /// called again at any time.
    ///
    /// A shape with a negative extent or count, or more elements than the
    /// 32-bit sizes hold, is refused: the image is left empty (all extents
    /// and sizes 0, no block) and "Error while initializing!" is reported, as
    /// when the block or the window table cannot be allocated (the image then
    /// keeps its shape without them).
    /// \param width extent along x.
    /// \param height extent along y.
    /// \param depth extent along z (slices).
    /// \param frames extent along t.
    /// \param channels values per position.
    /// \return 0, whatever happened.
    virtual int init(int width, int height, int depth, int frames, int channels);
    /// Sets every element and every window record to 0, first allocating a
    /// block of #m_image_size elements when the image has none (an external
    /// image gets none). When that block cannot be allocated, "Error: not
    /// enough memory to clear the image!" is reported (the window table is
    /// cleared all the same).
    virtual void clear() = 0;
    /// Releases the element block if the image owns it (ImageBase::m_external false)
    /// and leaves ImageBase::m_data null; an external block is left alone. The shape is
    /// kept.
    virtual void releaseData() = 0;

    /// Averages blocks of fx × fy × fz × ft elements of each channel into one
    /// (the mean in single precision, truncated toward zero for the integer
    /// types). The new extents are the old ones divided by the factors, an
    /// incomplete block at the far end of an axis is dropped; the spacings are
    /// multiplied by the factors.
    ///
    /// Refused with "Error: downsampling factors must be at least 1!" when a
    /// factor is below 1 (nothing changes, null). An image without a block
    /// gives null silently. When memory runs out: "Error: not enough memory
    /// to downsample the image!" (or, for the new image's block, "Error while
    /// initializing!"), null, nothing changed.
    /// \param fx factor along x, at least 1.
    /// \param fy factor along y, at least 1.
    /// \param fz factor along z, at least 1.
    /// \param ft factor along t, at least 1.
    /// \param intoNew true: this image stays as it is and the result is a
    /// new ImageBase of the same element type (never a Bitmap), with a zeroed
    /// window table, which the caller deletes. False: this image is changed
    /// in place and "Image downsampled, new size W x H x D" is reported while
    /// #m_verbose is set.
    /// \return the new image with `intoNew`, otherwise null.
    virtual Image* downsample(int fx, int fy, int fz, int ft, bool intoNew) = 0;
    /// Turns every frame by a quarter turn about one axis. The extents and
    /// spacings of the two other axes trade places: about x (0) the shape
    /// (w, h, d) becomes (w, d, h) and the new z runs against the old y;
    /// about y (1) it becomes (d, h, w), the new x running against the old z;
    /// about z (2) it becomes (h, w, d), the new y running against the old x.
    /// Reports "Rotated image around axis N" while #m_verbose is set.
    ///
    /// An axis other than 0, 1 or 2 is refused with "Error: rotation axis
    /// must be 0, 1 or 2!". Without a block nothing changes. When the new
    /// block cannot be allocated, "Error: not enough memory to rotate the
    /// image!" is reported and nothing changes.
    /// \param axis 0 (x), 1 (y) or 2 (z).
    virtual void rotate(int axis) = 0;
    /// Pads width and height with zero elements up to the next powers of two
    /// (1 stays 1, 5 becomes 8); the elements keep their coordinates, every
    /// frame is kept, depth, frames and spacings are unchanged. Reports
    /// "Scaled to power of two, new width = W, height = H" while #m_verbose
    /// is set. Without a block, or when the padded shape does not fit the
    /// 32-bit sizes, nothing changes. When the new block cannot be allocated,
    /// "Error: not enough memory to scale the image!" is reported and nothing
    /// changes.
    virtual void scaleToPowerOfTwo() = 0;

    /// Mirrors every element inside its channel's window: e becomes
    /// (low + high) − e, computed in floating point and converted back to the
    /// element type (an integer result outside the type keeps its low bits).
    /// Without a block nothing changes. Prints nothing.
    virtual void invert() = 0;
    /// Clamps every element, whatever its channel, into channel 0's window
    /// [low, high] and shifts it: e − low, or high − e when `reversed`.
    /// Reports "Window/Level setting applied" while #m_verbose is set.
    /// Without a block nothing changes.
    /// \param reversed false: low maps to 0; true: high maps to 0.
    virtual void applyWindowLevel(bool reversed) = 0;

    /// Sequential read: stores the element at #m_cursor in `*out` and advances
    /// the cursor. Reading a whole image: resetCursor, then getNext until it
    /// returns false.
    /// \param out receives the value.
    /// \return false (nothing stored) when the cursor is at the end of the
    /// block or there is no block; true otherwise.
    virtual bool getNext(float* out) = 0;
    /// Sequential write: stores `value` at #m_cursor and advances the cursor.
    /// Filling a whole image: resetCursor, then #m_image_size calls.
    /// \param value the value to store.
    /// \return false (nothing stored) at the end of the block or without a
    /// block; true otherwise.
    virtual bool setNext(float value) = 0;
    /// Rewrites the element last visited by getNext or setNext (the one
    /// before #m_cursor); does nothing before the first visit or without a
    /// block.
    /// \param value the value to store.
    virtual void setCurrent(float value) = 0;
    /// Writes element (c, x, y, z, t). The element must lie in the block:
    /// debug builds assert it; release builds ignore a write outside it.
    /// \param value the value to store.
    /// \param x column, 0 … width − 1.
    /// \param y row, 0 … height − 1.
    /// \param z slice, 0 … depth − 1.
    /// \param t frame, 0 … frames − 1.
    /// \param c channel, 0 … #m_channels − 1.
    virtual void setValue(float value, int x, int y, int z, int t, int c) = 0;
    /// Reads all channels of the pixel under a position of the first frame:
    /// each coordinate truncated toward zero and clamped into the image.
    /// Without a block every channel reads 0.
    /// \param out receives #m_channels values.
    /// \param x position along x.
    /// \param y position along y.
    /// \param z position along z.
    virtual void getPixel(float* out, float x, float y, float z) = 0;
    /// Channel 0 of getPixel.
    /// \param x position along x.
    /// \param y position along y.
    /// \param z position along z.
    /// \return the value, or 0 without a block.
    virtual float getPixelValue(float x, float y, float z) = 0;
    /// Reads element (c, x, y, z, t). The element must lie in the block:
    /// debug builds assert it; release builds read 0 outside it.
    /// \param x column, 0 … width − 1.
    /// \param y row, 0 … height − 1.
    /// \param z slice, 0 … depth − 1.
    /// \param t frame, 0 … frames − 1.
    /// \param c channel, 0 … #m_channels − 1.
    /// \return the element as float.
    virtual float getValue(int x, int y, int z, int t, int c) = 0;
    /// Trilinear sample of every channel of the first frame from the eight
    /// elements around the position (arithmetic in double, rounded to float
    /// once). Valid positions: 0 ≤ x < width − 1, 0 ≤ y < height − 1,
    /// 0 ≤ z < depth − 1 (debug builds assert the integer parts against
    /// these bounds); beyond them the position is clamped onto the edge.
    /// Without a block every channel reads 0.
    /// \param out receives #m_channels values.
    /// \param x position along x.
    /// \param y position along y.
    /// \param z position along z.
    virtual void interpolateLinear(float* out, float x, float y, float z) = 0;
    /// Trilinear sample of a one-channel image (the pixel index is taken as
    /// the element index), as interpolateLinear, without the assertion.
    /// \param x position along x.
    /// \param y position along y.
    /// \param z position along z.
    /// \return the sample, or 0 without a block.
    virtual float interpolateLinearValue(float x, float y, float z) = 0;
    /// Tricubic sample of every channel of the first frame: separable cubic
    /// convolution (parameter a = −1, which sharpens and does not reproduce
    /// linear ramps between samples) over the 4 × 4 × 4 elements around the
    /// position, the weights and the running sum rounded to float. Valid
    /// positions: 1 ≤ x < width − 2, 1 ≤ y < height − 2, 1 ≤ z < depth − 2;
    /// beyond them the position is clamped onto the edge. Without a block
    /// every channel reads 0.
    /// \param out receives #m_channels values.
    /// \param x position along x.
    /// \param y position along y.
    /// \param z position along z.
    virtual void interpolateCubic(float* out, float x, float y, float z) = 0;
    /// Channel 0 of interpolateCubic.
    /// \param x position along x.
    /// \param y position along y.
    /// \param z position along z.
    /// \return the sample, or 0 without a block.
    virtual float interpolateCubicValue(float x, float y, float z) = 0;

    /// Sets the window of every channel to the smallest and largest element of
    /// the whole block, all channels pooled (compared in the element type).
    /// Without a block nothing changes.
    virtual void setWindowFromData() = 0;
    /// Reverses the bytes of every element of a 2- or 4-byte type in place
    /// (converts between little- and big-endian data); 1- and 8-byte elements
    /// are left unchanged.
    virtual void swapBytes() = 0;
    /// Mirrors the image along the chosen axes into a new block; channels keep
    /// their order. The image owns the new block (an external block is left
    /// to its owner, and ImageBase::m_external becomes false). When the new
    /// block cannot be allocated, "Error: not enough memory to flip the
    /// image!" is reported and nothing changes.
    /// \param fx mirror along x.
    /// \param fy mirror along y.
    /// \param fz mirror along z.
    /// \param ft mirror along t.
    virtual void flip(bool fx, bool fy, bool fz, bool ft) = 0;

    /// Correlates every slice of the first frame, read as one channel (pixel
    /// (x, y, z) is element (z·height + y)·width + x), with an n × n kernel,
    /// summing in single precision. Pixels nearer than (n − 1) / 2 to an edge
    /// get 0, then fillBorder((n − 1) / 2) replicates the computed values
    /// outward, leaving the outermost ring 0. The result is written through
    /// setNext (converted to the output's type) and its channel-0 window is
    /// set to the range of the results.
    ///
    /// Refusals, checked in this order, each reported and answered with null:
    /// - "Error: unsigned data type, cannot compute filtered image!": the code
    ///   (after 0 is resolved) is an unsigned type, even when `out` is given;
    /// - "Error: Cannot compute filtered image without filter!": `kernel` is null;
    /// - "Error: Window size must be positive!": n is below 1;
    /// - "Error: Window size must be an odd number!": n is even;
    /// - "Error: Window size exceeds the image!": n exceeds width or height;
    /// - "Error: output image too small!": `out` holds fewer than
    ///   width·height·depth elements, or no block;
    /// - "Error: unknown data type, cannot create output image!": no `out`
    ///   and the code names no element type;
    /// - "Error while initializing!": the new output could not be allocated;
    /// - "Error: not enough memory to filter the image!": the new output or
    ///   the working memory could not be had.
    ///
    /// An image without a block gives null silently.
    /// \param code element-type code of a new output (elementtypes.h); 0 means
    /// #m_type.
    /// \param kernel n·n weights, row by row: entry (j + h)·n + (i + h), with
    /// h = (n − 1) / 2, weighs column offset i and row offset j. Applied
    /// unflipped and not normalised.
    /// \param n the kernel's size: odd, at most width and height.
    /// \param out the image to write into, or null for a new one with this
    /// image's extents and spacings and one channel, which the caller deletes.
    /// \return `out` or the new image; null after a refusal.
    virtual Image* filter(int code, const float* kernel, int n, Image* out) = 0;
    /// Completes a border of width k that a filter left at 0, in every slice
    /// of the first frame read as one channel: columns 1 … k − 1 take the
    /// values of column k, the last columns likewise, then the rows (corners
    /// included). The outermost ring keeps its values; k ≤ 1 changes nothing.
    /// A border wider than half the width or height is refused with "Error:
    /// border too wide for the image!".
    /// \param k the border width.
    virtual void fillBorder(int k) = 0;
    /// The 2D gradient of every slice of the first frame, read as one channel:
    /// channel 0 correlates the slice with the 3 × 3 kernel, channel 1 with its
    /// transpose; sums in single precision, written through setNext. Both
    /// channels' windows are set to the range of all results.
    ///
    /// Refused (reported, null) with "Error: unsigned data type, cannot
    /// compute gradient!" for an unsigned code and, without `keepSize`, with
    /// "Error: image too small, cannot compute gradient!" when width or height
    /// is below 3; the output refusals of filter apply too ("Error: output
    /// image too small!", "Error: unknown data type, cannot create output
    /// image!", "Error while initializing!"), and when memory runs out,
    /// "Error: not enough memory to compute the gradient!". An image without
    /// a block gives null silently.
    /// \param code element-type code of a new output; 0 means #m_type.
    /// \param kernel 9 weights, entry k weighing column offset k % 3 − 1 and
    /// row offset k / 3 − 1; null for {1, 2, 1, 0, 0, 0, −1, −2, −1}.
    /// \param keepSize true: the output has the slice's extents and its
    /// one-pixel frame is 0; false: the frame is left out (width − 2 ×
    /// height − 2).
    /// \param out the image to write into (2 elements per output pixel), or
    /// null for a new two-channel image, which the caller deletes.
    /// \return `out` or the new image; null after a refusal.
    virtual Image* gradient(int code, const float* kernel, bool keepSize, Image* out) = 0;
    /// Second derivatives of every slice of the first frame, three channels:
    /// of a one-channel image, the Hessian of its gradient (keepSize true);
    /// of a gradient image (channels 0 and 1 of every pixel), channel 0 is
    /// channel 0 correlated with the kernel, channels 1 and 2 are channels 0
    /// and 1 correlated with its transpose. The one-pixel frame is 0; each
    /// channel's window is set to its range.
    ///
    /// Refused (reported, null) with "Error: unsigned data type, cannot
    /// compute hessian!" for an unsigned code; the output refusals of filter
    /// apply too, and when memory runs out, "Error: not enough memory to
    /// compute the hessian!". An image without a block gives null silently.
    /// \param code element-type code of a new output; 0 means #m_type.
    /// \param kernel 9 weights as in gradient; null for the default.
    /// \param out the image to write into (3 elements per pixel), or null
    /// for a new three-channel image with the slice's extents, which the
    /// caller deletes.
    /// \return `out` or the new image; null after a refusal.
    virtual Image* hessian(int code, const float* kernel, Image* out) = 0;
    /// The 3D gradient of the first frame, read as one channel: three
    /// channels, the correlations with the kernel laid along x, y and z;
    /// with `withValue` a fourth channel repeats the source value. For a
    /// `char` or `short` output each component is clamped to the type's
    /// range, and when any was, "Warning: N values exceeded." reports how
    /// many (whatever #m_verbose says). While #m_verbose is set it reports
    /// "Computing 3D gradient..." and then "Done. Range = [MIN..MAX]". The
    /// windows of channels 0 to 2 are set to the range of all three; the
    /// value channel gets this image's channel-0 window.
    ///
    /// Refused (reported, null) with "Error: unsigned data type, cannot
    /// compute gradient!" for an unsigned code and, without `keepSize`, with
    /// "Error: image too small, cannot compute gradient!" when an extent is
    /// below 3; the output refusals of filter apply too, and when memory runs
    /// out, "Error: not enough memory to compute the gradient!". An image
    /// without a block gives null silently.
    /// \param code element-type code of a new output; 0 means #m_type.
    /// \param kernel 27 weights: entry k weighs offset k / 9 − 1 along the
    /// derivative's own axis and offsets k % 3 − 1 and (k % 9) / 3 − 1 across
    /// it; null for the default, whose two outer planes weigh
    /// 1 1 1 / 1 2 1 / 1 1 1 with + behind and − ahead.
    /// \param keepSize true: the output has the volume's extents and its
    /// one-voxel faces are 0; false: the faces are left out (each extent − 2).
    /// \param withValue add the value channel.
    /// \param out the image to write into (3 or 4 elements per output voxel),
    /// or null for a new image, which the caller deletes.
    /// \return `out` or the new image; null after a refusal.
    virtual Image* gradient3D(int code, const float* kernel, bool keepSize, bool withValue,
                              Image* out) = 0;

    /// An 8-bit copy of the first frame, every channel through its window:
    /// q = (e − low) · 255 / (high − low) in single precision, clamped to
    /// 0 … 255 and only then truncated (NaN gives 0), so a quotient beyond the
    /// integer range still gives 0 or 255. toShorts and sliceToBytes follow
    /// the same rule. Channels stay interleaved as in the image. Prints
    /// nothing.
    /// \param out a buffer of width·height·depth·#m_channels bytes (the padded
    /// extents with `powerOfTwo`), or null for a new one allocated with
    /// `new[]`, which the caller releases with `delete[]`.
    /// \param powerOfTwo pad width, height and depth with zeros up to powers
    /// of two (the volume sits in the corner of lowest x, y and z).
    /// \return the buffer, or null when none could be allocated ("Error: not
    /// enough memory to export the image!").
    virtual unsigned char* toBytes(unsigned char* out, bool powerOfTwo) = 0;
    /// A 16-bit copy of the first frame, as toBytes with the top value 65535.
    /// \param out a buffer of as many `unsigned short` as toBytes needs bytes,
    /// or null for a new one (`new[]`; the caller releases it with `delete[]`).
    /// \param powerOfTwo pad with zeros up to powers of two, as toBytes.
    /// \return the buffer, or null when none could be allocated ("Error: not
    /// enough memory to export the image!").
    virtual unsigned short* toShorts(unsigned short* out, bool powerOfTwo) = 0;
    /// An 8-bit copy of one channel of one slice of the first frame through
    /// that channel's window, as toBytes (computed in the element's own
    /// arithmetic). Refused with "Error: no such slice or channel!" (null,
    /// nothing allocated) for a negative slice, a channel outside 0 …
    /// #m_channels − 1, or an image of depth 0.
    /// \param out a buffer of width·height bytes (the padded extents with
    /// `powerOfTwo`; its padding is not written), or null for a new, zeroed
    /// one (`new[]`; the caller releases it with `delete[]`).
    /// \param slice the slice; numbers from the depth on wrap around.
    /// \param channel the channel.
    /// \param powerOfTwo pad width and height up to powers of two.
    /// \return the buffer, or null after the refusal or when none could be
    /// allocated ("Error: not enough memory to export the image!").
    virtual unsigned char* sliceToBytes(unsigned char* out, int slice, int channel,
                                        bool powerOfTwo) = 0;
    /// The intensity-weighted centre of the first frame, read as one channel,
    /// in voxel units: each voxel weighs its value minus channel 0's low.
    /// When the weights sum to 0 (or there are none) the centre is NaN.
    /// \param out receives x, y and z.
    /// \return `out`.
    virtual float* centroid(float* out) = 0;

    /// Sets one channel's window record to {high − low, (high + low) · 0.5,
    /// low, high}. A channel outside 0 … #m_channels − 1 is ignored.
    /// \param low the value mapped to 0 by the exports.
    /// \param high the value mapped to the top by the exports.
    /// \param channel the channel.
    void setWindow(float low, float high, int channel);
    /// Sets the distances between neighbouring elements along x, y, z and t.
    /// \param sx spacing along x.
    /// \param sy spacing along y.
    /// \param sz spacing along z.
    /// \param st spacing along t.
    void setSpacing(float sx, float sy, float sz, float st);
    /// Moves the sequential cursor (getNext, setNext) to element 0.
    void resetCursor() { m_cursor = 0; }

    int32_t m_dim[4];      ///< Extents along x (width), y (height), z (depth) and t (frames).
    float m_spacing[4];    ///< Distance between neighbouring elements along x, y, z, t; 1 at first.
    int32_t m_channels;    ///< Values per position.
    float* m_window;       ///< #m_channels records of {window, level, low, high}; owned, null until init.
    int32_t m_verbose;     ///< Non-zero (the default, 1): operations report progress lines.
    int32_t m_stride;      ///< Elements per row: width · channels.
    int32_t m_slice_size;  ///< Elements per slice: #m_stride · height.
    int32_t m_frame_size;  ///< Elements per frame: #m_slice_size · depth.
    int32_t m_image_size;  ///< Elements of the whole image, channels included: #m_frame_size · frames.
    int32_t m_cursor;      ///< Element index of the sequential access (getNext, setNext).
    int32_t m_type;        ///< Element-type code results are made in when an operation is given 0; 0 = none.

protected:
    /// The work of init: stores the shape and sizes and makes a fresh, zeroed
    /// window table.
    /// \param width extent along x.
    /// \param height extent along y.
    /// \param depth extent along z.
    /// \param frames extent along t.
    /// \param channels values per position.
    /// \return false when the shape was refused and the image left empty.
    bool applyShape(int width, int height, int depth, int frames, int channels);
};

}  // namespace Ivory

#endif
