#ifndef IVORY_VOLUME_SUPPORT_H
#define IVORY_VOLUME_SUPPORT_H

#include <memory>

#include "ivory/imagebase.h"

namespace IvoryTest {

// A one-channel, one-frame image whose pixel (x, y, z) holds value(x, y, z),
// stored through the float interface.
template <typename T, typename F>
std::unique_ptr<Ivory::ImageBase<T>> makeVolume(int width, int height, int depth, F value) {
    auto image = std::make_unique<Ivory::ImageBase<T>>();
    image->init(width, height, depth, 1, 1);
    for (int z = 0; z < depth; ++z)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->setValue(float(value(x, y, z)), x, y, z, 0, 0);
    return image;
}

// Owns an image handed back by an operation.
using ImagePtr = std::unique_ptr<Ivory::Image>;

}  // namespace IvoryTest

#endif
