// Sampling a volume between its voxels, trilinear and tricubic.
//
//     volume_sampling
//
// The 4 x 4 x 4 volume holds the ramp x + 10y + 100z. Trilinear sampling
// reproduces a ramp exactly: 1.5 + 12.5 + 150 = 164 at (1.5, 1.25, 1.5). The
// tricubic sample weighs four neighbours per axis (here 0 .. 3 on each) with
// cubic-convolution weights that sharpen: at the fraction 0.5 they still
// reproduce a ramp, but at 0.25 they are -0.140625, 0.890625, 0.296875,
// -0.046875 for y = 0 .. 3, which reads the ramp at y = 1.34375 and so gives
// 1.5 + 13.4375 + 150 = 164.9375. (Neighbours beyond the edge are clamped onto
// it, so near the edge both samplers see a flattened ramp.)
#include <iostream>

#include <ivory/ivory.h>

int main() {
    Ivory::ImageBase<float> volume;
    volume.init(4, 4, 4, 1, 1);
    volume.resetCursor();
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) volume.setNext(float(x + 10 * y + 100 * z));

    // Positions are in voxels; the first frame and the first channel are sampled.
    const float x = 1.5f, y = 1.25f, z = 1.5f;
    std::cout.precision(8);
    std::cout << "trilinear at (1.5, 1.25, 1.5): " << volume.interpolateLinearValue(x, y, z) << "\n";
    std::cout << "tricubic at (1.5, 1.25, 1.5): " << volume.interpolateCubicValue(x, y, z) << "\n";
    return 0;
}
