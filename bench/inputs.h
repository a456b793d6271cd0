#ifndef IVORY_BENCH_INPUTS_H
#define IVORY_BENCH_INPUTS_H

#include <cstddef>
#include <vector>

namespace bench {

// A one-channel volume in Ivory's packed layout: x fastest, then y, then z.
template <typename T>
struct Volume {
    int width = 0, height = 0, depth = 0;
    std::vector<T> data;

    std::size_t size() const { return data.size(); }
    std::size_t bytes() const { return data.size() * sizeof(T); }
    std::size_t index(int x, int y, int z) const {
        return (std::size_t(z) * height + y) * width + x;
    }
    T at(int x, int y, int z) const { return data[index(x, y, z)]; }
};

// Every input of the run, generated once from fixed seeds so that every run
// measures the same data.
struct Inputs {
    Volume<float> floats;         // 512 x 512 x 64
    Volume<unsigned char> bytes;  // 512 x 512 x 64
    Volume<short> shorts;         // 512 x 512 x 64, CT-like values
    Volume<float> cube;           // 256 x 256 x 128, for gradient3D and interpolation
    std::vector<float> px, py, pz;  // 1,000,000 interior sample points of cube
    std::vector<float> kernel3;   // 3 x 3, no zero tap
    std::vector<float> kernel7;   // 7 x 7, no zero tap
    float windowLow = -200, windowHigh = 800;  // window of the short volume
};

Inputs makeInputs();

}  // namespace bench

#endif
