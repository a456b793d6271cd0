#ifndef IVORY_REFERENCE_RESAMPLE_H
#define IVORY_REFERENCE_RESAMPLE_H

#include <ostream>
#include <utility>

#include "refimage.h"

namespace IvoryReference {

// Block means by integer factors; incomplete blocks at the far ends are
// dropped. The sum is a float rounded after every addition, for every type.
template <typename T>
RefImage<T> downsampledCopy(const RefImage<T>& src, int fx, int fy, int fz, int ft) {
    RefImage<T> dst(src.dim[0] / fx, src.dim[1] / fy, src.dim[2] / fz, src.dim[3] / ft,
                    src.channels);
    const float count = static_cast<float>(fx * fy * fz * ft);
    for (int t = 0; t < dst.dim[3]; ++t)
        for (int z = 0; z < dst.dim[2]; ++z)
            for (int y = 0; y < dst.dim[1]; ++y)
                for (int x = 0; x < dst.dim[0]; ++x)
                    for (int c = 0; c < src.channels; ++c) {
                        float sum = 0.0f;
                        for (int l = 0; l < ft; ++l)
                            for (int k = 0; k < fz; ++k)
                                for (int j = 0; j < fy; ++j)
                                    for (int i = 0; i < fx; ++i)
                                        sum = sum + Ivory::toFloat(src.at(x * fx + i, y * fy + j,
                                                                          z * fz + k, t * ft + l, c));
                        dst.at(x, y, z, t, c) = Ivory::fromFloat<T>(sum / count);
                    }
    return dst;
}

// downsample(..., intoNew = true): the source stays as it is; the result is a
// fresh image (zeroed window table, verbose 1, no type) with scaled spacing.
template <typename T>
RefImage<T> downsampleIntoNew(const RefImage<T>& src, int fx, int fy, int fz, int ft) {
    RefImage<T> dst = downsampledCopy(src, fx, fy, fz, ft);
    dst.spacing = {src.spacing[0] * fx, src.spacing[1] * fy, src.spacing[2] * fz,
                   src.spacing[3] * ft};
    return dst;
}

// downsample(..., intoNew = false): the image itself takes the new shape; its
// window table, verbosity, type and cursor stay.
template <typename T>
void downsampleInPlace(RefImage<T>& img, int fx, int fy, int fz, int ft, std::ostream& log) {
    RefImage<T> small = downsampledCopy(img, fx, fy, fz, ft);
    img.dim = small.dim;
    img.data = std::move(small.data);
    img.spacing = {img.spacing[0] * fx, img.spacing[1] * fy, img.spacing[2] * fz,
                   img.spacing[3] * ft};
    if (img.verbose != 0)
        log << "Image downsampled, new size " << img.dim[0] << " x " << img.dim[1] << " x "
            << img.dim[2] << std::endl;
}

// A quarter turn of every frame about one axis. The destination pixel of
// source pixel (x, y, z) follows the three formulas of the operation.
template <typename T> void rotate(RefImage<T>& img, int axis, std::ostream& log) {
    const int w = img.dim[0], h = img.dim[1], d = img.dim[2];
    const size_t frame = static_cast<size_t>(img.frameSize());
    std::vector<T> turned(img.data.size());
    for (int t = 0; t < img.dim[3]; ++t)
        for (int z = 0; z < d; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    size_t target = 0;
                    if (axis == 0) target = (static_cast<size_t>(h - 1 - y) * d + z) * w + x;
                    if (axis == 1) target = (static_cast<size_t>(x) * h + y) * d + (d - 1 - z);
                    if (axis == 2) target = (static_cast<size_t>(z) * w + (w - 1 - x)) * h + y;
                    for (int c = 0; c < img.channels; ++c)
                        turned[t * frame + target * img.channels + c] = img.at(x, y, z, t, c);
                }
    img.data = std::move(turned);
    const int a = axis == 0 ? 1 : 0;
    const int b = axis == 2 ? 1 : 2;
    std::swap(img.dim[a], img.dim[b]);
    std::swap(img.spacing[a], img.spacing[b]);
    if (img.verbose != 0) log << "Rotated image around axis " << axis << std::endl;
}

// The smallest power of two not below n; 0 stays 0.
inline int powerOfTwoExtent(int n) {
    if (n == 0) return 0;
    int power = 1;
    while (power < n) power *= 2;
    return power;
}

// Pads width and height to powers of two with zeros. Every frame keeps its
// elements (the library does not drop the frames after the first).
template <typename T> void scaleToPowerOfTwo(RefImage<T>& img, std::ostream& log) {
    RefImage<T> padded(powerOfTwoExtent(img.dim[0]), powerOfTwoExtent(img.dim[1]), img.dim[2],
                       img.dim[3], img.channels);
    for (int t = 0; t < img.dim[3]; ++t)
        for (int z = 0; z < img.dim[2]; ++z)
            for (int y = 0; y < img.dim[1]; ++y)
                for (int x = 0; x < img.dim[0]; ++x)
                    for (int c = 0; c < img.channels; ++c)
                        padded.at(x, y, z, t, c) = img.at(x, y, z, t, c);
    img.dim = padded.dim;
    img.data = std::move(padded.data);
    if (img.verbose != 0)
        log << "Scaled to power of two, new width = " << img.dim[0] << ", height = " << img.dim[1]
            << std::endl;
}

}  // namespace IvoryReference

#endif
