#ifndef IVORY_REFERENCE_MODEL_H
#define IVORY_REFERENCE_MODEL_H

#include <algorithm>

#include "refimage.h"

namespace IvoryReference {

// Every channel's window becomes the smallest and largest element of the
// whole block, compared in T from the first element on.
template <typename T> void RefImage<T>::setWindowFromData() {
    if (data.empty()) return;
    T lowest = data[0], highest = data[0];
    for (T e : data) {
        if (e < lowest) lowest = e;
        if (e > highest) highest = e;
    }
    for (int c = 0; c < channels; ++c) setWindow(Ivory::toFloat(lowest), Ivory::toFloat(highest), c);
}

// Reverses the bytes of 2- and 4-byte elements; 1- and 8-byte ones stay.
template <typename T> void RefImage<T>::swapBytes() {
    for (T& e : data) {
        auto* bytes = reinterpret_cast<unsigned char*>(&e);
        if (sizeof(T) == 2 || sizeof(T) == 4) std::reverse(bytes, bytes + sizeof(T));
    }
}

// Mirrors along each flagged axis; channels keep their order.
template <typename T> void RefImage<T>::flip(bool fx, bool fy, bool fz, bool ft) {
    const RefImage<T> old = *this;
    for (int t = 0; t < dim[3]; ++t)
        for (int z = 0; z < dim[2]; ++z)
            for (int y = 0; y < dim[1]; ++y)
                for (int x = 0; x < dim[0]; ++x)
                    for (int c = 0; c < channels; ++c)
                        at(fx ? dim[0] - 1 - x : x, fy ? dim[1] - 1 - y : y, fz ? dim[2] - 1 - z : z,
                           ft ? dim[3] - 1 - t : t, c) = old.at(x, y, z, t, c);
}

}  // namespace IvoryReference

#endif
