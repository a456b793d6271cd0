// Filter and gradient of a volume.
//
//     filter_gradient
//
// Smooths a point of value 16 in a 5 x 5 x 3 float volume with a 3 x 3
// binomial kernel, which spreads it into the kernel's shape (the filter
// correlates each slice; its outermost ring stays 0), then takes the 3D
// gradient of the ramp x + 2y + 3z with a central-difference kernel, which is
// (1, 2, 3) everywhere inside.
#include <iostream>
#include <memory>

#include <ivory/ivory.h>

namespace {

constexpr int kWidth = 5, kHeight = 5, kDepth = 3;

// A new one-channel float volume, silent (no progress lines).
std::unique_ptr<Ivory::ImageBase<float>> makeVolume() {
    auto volume = std::make_unique<Ivory::ImageBase<float>>();
    volume->m_verbose = 0;
    volume->init(kWidth, kHeight, kDepth, 1, 1);
    return volume;
}

}  // namespace

int main() {
    auto point = makeVolume();
    point->setValue(16.0f, 2, 2, 0, 0, 0);

    // Weights 1 2 1 / 2 4 2 / 1 2 1, divided by 16; row by row, n x n entries.
    const float binomial[9] = {1 / 16.0f, 2 / 16.0f, 1 / 16.0f, 2 / 16.0f, 4 / 16.0f,
                               2 / 16.0f, 1 / 16.0f, 2 / 16.0f, 1 / 16.0f};
    std::unique_ptr<Ivory::Image> smooth(point->filter(Ivory::kTypeFloat, binomial, 3, nullptr));
    if (!smooth) return 1;  // the library has printed why
    std::cout << "smoothed slice 0:\n";
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) std::cout << (x > 0 ? " " : "") << smooth->getValue(x, y, 0, 0, 0);
        std::cout << "\n";
    }

    auto ramp = makeVolume();
    ramp->resetCursor();
    for (int z = 0; z < kDepth; ++z)
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) ramp->setNext(float(x + 2 * y + 3 * z));

    // Entry k of the 3 x 3 x 3 kernel weighs offset k / 9 - 1 along the
    // derivative's own axis (and k % 9 across it): -1/2 behind, +1/2 ahead.
    float centralDifference[27] = {};
    centralDifference[4] = -0.5f;
    centralDifference[22] = 0.5f;
    // Without keepSize the result leaves out the faces: 3 x 3 x 1 voxels, 3 channels.
    std::unique_ptr<Ivory::Image> gradient(
        ramp->gradient3D(Ivory::kTypeFloat, centralDifference, false, false, nullptr));
    if (!gradient) return 1;
    std::cout << "gradient at (1, 1, 1): " << gradient->getValue(0, 0, 0, 0, 0) << " "
              << gradient->getValue(0, 0, 0, 0, 1) << " " << gradient->getValue(0, 0, 0, 0, 2) << "\n";
    // The result's window records its range (low and high of each channel).
    std::cout << "gradient range: " << gradient->m_window[2] << " .. " << gradient->m_window[3] << "\n";
    return 0;
}
