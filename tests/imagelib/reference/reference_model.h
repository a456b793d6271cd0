#ifndef IVORY_REFERENCE_MODEL_H
#define IVORY_REFERENCE_MODEL_H

#include <algorithm>
#include <cstring>
#include <vector>

#include "refimage.h"

namespace IvoryReference {

// Every channel's window becomes the smallest and largest element of the
// whole block, compared in T.
template <typename T> void setWindowFromData(RefImage<T>& img) {
    if (img.data.empty()) return;
    T lowest = img.data[0], highest = img.data[0];
    for (T e : img.data) {
        if (e < lowest) lowest = e;
        if (e > highest) highest = e;
    }
    for (int c = 0; c < img.channels; ++c)
        img.setWindow(Ivory::toFloat(lowest), Ivory::toFloat(highest), c);
}

// Reverses the bytes of 2- and 4-byte elements; 1- and 8-byte ones stay.
template <typename T> void swapBytes(RefImage<T>& img) {
    if (sizeof(T) != 2 && sizeof(T) != 4) return;
    for (T& e : img.data) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &e, sizeof(T));
        std::reverse(bytes, bytes + sizeof(T));
        std::memcpy(&e, bytes, sizeof(T));
    }
}

// Mirrors along each flagged axis; channels keep their order.
template <typename T> void flip(RefImage<T>& img, bool fx, bool fy, bool fz, bool ft) {
    RefImage<T> mirrored = img;
    for (int t = 0; t < img.dim[3]; ++t)
        for (int z = 0; z < img.dim[2]; ++z)
            for (int y = 0; y < img.dim[1]; ++y)
                for (int x = 0; x < img.dim[0]; ++x)
                    for (int c = 0; c < img.channels; ++c)
                        mirrored.at(fx ? img.dim[0] - 1 - x : x, fy ? img.dim[1] - 1 - y : y,
                                    fz ? img.dim[2] - 1 - z : z, ft ? img.dim[3] - 1 - t : t, c) =
                            img.at(x, y, z, t, c);
    img.data = std::move(mirrored.data);
}

}  // namespace IvoryReference

#endif
