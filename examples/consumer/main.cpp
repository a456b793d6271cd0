// A minimal program using the installed Ivory package: builds a 2 x 2 float
// image, halves it with downsample and prints the library's version and the
// block mean.
#include <iostream>
#include <memory>

#include <ivory/ivory.h>

int main() {
    Ivory::ImageBase<float> image;
    image.m_verbose = 0;
    image.init(2, 2, 1, 1, 1);
    image.resetCursor();
    for (float v : {1.0f, 2.0f, 3.0f, 4.0f}) image.setNext(v);

    std::unique_ptr<Ivory::Image> half(image.downsample(2, 2, 1, 1, true));
    if (!half) return 1;
    std::cout << "Ivory " << IVORY_VERSION_STRING << "\n";
    std::cout << "mean " << half->getValue(0, 0, 0, 0, 0) << std::endl;
    return 0;
}
