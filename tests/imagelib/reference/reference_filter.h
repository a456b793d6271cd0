#ifndef IVORY_REFERENCE_FILTER_H
#define IVORY_REFERENCE_FILTER_H

#include "refimage.h"

namespace IvoryReference {

// The lowest and highest float result seen, starting from the operations'
// sentinels 1e16 and -1e16.
struct Range {
    float min = 1e16f;
    float max = -1e16f;
    void update(float v) {
        if (v < min) min = v;
        if (v > max) max = v;
    }
};

// The output an operation makes itself: a fresh image of the given shape that
// carries the source's spacing.
template <typename U, typename T>
RefImage<U> freshOutput(const RefImage<T>& src, int w, int h, int d, int f, int channels) {
    RefImage<U> out(w, h, d, f, channels);
    out.spacing = src.spacing;
    return out;
}

// Replicates the values at distance k from the edges outward, up to the
// outermost ring, which keeps its values: columns first, then rows (corners
// included), on every slice of the first frame read as one channel.
template <typename U> void fillBorder(RefImage<U>& img, int k) {
    const int w = img.dim[0], h = img.dim[1];
    for (int z = 0; z < img.dim[2]; ++z) {
        auto p = [&](int x, int y) -> U& { return img.data[img.pixelIndex(x, y, z)]; };
        for (int y = 0; y < h; ++y)
            for (int i = k; i >= 2; --i) {
                p(i - 1, y) = p(i, y);
                p(w - i, y) = p(w - i - 1, y);
            }
        for (int x = 0; x < w; ++x)
            for (int i = k; i >= 2; --i) {
                p(x, i - 1) = p(x, i);
                p(x, h - i) = p(x, h - i - 1);
            }
    }
}

// n x n correlation of every slice of the first frame; pixels nearer than
// (n-1)/2 to an edge get 0 before the border is completed. Zero taps are
// skipped; the sum is a float rounded after every addition.
template <typename U, typename T>
void filterInto(const RefImage<T>& src, const float* kernel, int n, RefImage<U>& out) {
    const int w = src.dim[0], h = src.dim[1];
    const int half = (n - 1) / 2;
    Range range;
    out.cursor = 0;
    for (int z = 0; z < src.dim[2]; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float sum = 0.0f;
                if (x >= half && x < w - half && y >= half && y < h - half)
                    for (int j = -half; j <= half; ++j)
                        for (int i = -half; i <= half; ++i) {
                            const float tap = kernel[(j + half) * n + (i + half)];
                            if (tap != 0.0f) sum = sum + src.pixel(x + i, y + j, z) * tap;
                        }
                range.update(sum);
                out.setNext(sum);
            }
    fillBorder(out, half);
    out.setWindow(range.min, range.max, 0);
}

}  // namespace IvoryReference

#endif
