#include "rows.h"

#include <algorithm>
#include <cstdint>

namespace bench {

const float kGradientKernel[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};
const float kGradient3DKernel[27] = {1,  1,  1,  1,  2,  1,  1,  1,  1,  0,  0,  0,  0, 0,
                                     0,  0,  0,  0,  -1, -1, -1, -1, -2, -1, -1, -1, -1};

}  // namespace bench

namespace bench::rows {

double correlate2D(const Volume<float>& v, const std::vector<float>& kernel, int n, Point p) {
    const int h = (n - 1) / 2;
    double sum = 0;
    for (int j = -h; j <= h; ++j)
        for (int i = -h; i <= h; ++i)
            sum += double(kernel[(j + h) * n + (i + h)]) * v.at(p.x + i, p.y + j, p.z);
    return sum;
}

double gradientX3D(const Volume<float>& v, Point p) {
    double sum = 0;
    for (int k = 0; k < 27; ++k) {
        const int a = k % 3 - 1, b = k % 9 / 3 - 1, c = k / 9 - 1;
        sum += double(kGradient3DKernel[k]) * v.at(p.x + c, p.y + b, p.z + a);
    }
    return sum;
}

template <typename T>
double blockMean(const Volume<T>& v, Point half) {
    double sum = 0;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) sum += v.at(2 * half.x + i, 2 * half.y + j, 2 * half.z + k);
    return sum / 8;
}

double trilinear(const Volume<float>& v, float x, float y, float z) {
    const int ix = int(x), iy = int(y), iz = int(z);
    const double fx = x - ix, fy = y - iy, fz = z - iz;
    double sum = 0;
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i)
                sum += v.at(ix + i, iy + j, iz + k) * (i ? fx : 1 - fx) * (j ? fy : 1 - fy) *
                       (k ? fz : 1 - fz);
    return sum;
}

// Cubic convolution with a = -1, as interpolateCubic weighs its neighbours.
void cubicWeights(double t, double w[4]) {
    w[0] = ((2 - t) * t - 1) * t;
    w[1] = (t - 2) * t * t + 1;
    w[2] = ((1 - t) * t + 1) * t;
    w[3] = (t - 1) * t * t;
}

double tricubic(const Volume<float>& v, float x, float y, float z) {
    const int ix = int(x), iy = int(y), iz = int(z);
    double wx[4], wy[4], wz[4];
    cubicWeights(x - ix, wx);
    cubicWeights(y - iy, wy);
    cubicWeights(z - iz, wz);
    double sum = 0;
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                sum += v.at(ix - 1 + i, iy - 1 + j, iz - 1 + k) * wx[i] * wy[j] * wz[k];
    return sum;
}

double windowedByte(double e, double low, double high) {
    const double v = (e - low) * 255.0 / (high - low);
    return std::clamp(double(int64_t(v)), 0.0, 255.0);
}

// Relative tolerance for float sums of many terms.
double floatTolerance(double value) { return 1e-4 * std::abs(value) + 1e-2; }

}  // namespace bench::rows

namespace bench {

Workloads makeRows(const Inputs& in) {
    using namespace rows;
    Workloads w;
    const double floatBytes = double(in.floats.bytes());
    const double byteBytes = double(in.bytes.bytes());
    const double shortBytes = double(in.shorts.bytes());
    const double cubeBytes = double(in.cube.bytes());
    const short probeShort = in.shorts.at(kProbe.x, kProbe.y, kProbe.z);

    auto row = [&](const char* name, double bytes, double expected, double tolerance) {
        Workload& r = w.add(name);
        r.bytesMoved = bytes;
        r.expected = expected;
        r.tolerance = tolerance;
    };
    const double f3 = correlate2D(in.floats, in.kernel3, 3, kProbe);
    const double f7 = correlate2D(in.floats, in.kernel7, 7, kProbe);
    const double g = correlate2D(in.floats, {kGradientKernel, kGradientKernel + 9}, 3, kProbe);
    const double g3 = gradientX3D(in.cube, kProbeCube);
    row(op::filter3, 2 * floatBytes, f3, floatTolerance(f3));
    row(op::filter7, 2 * floatBytes, f7, floatTolerance(f7));
    row(op::gradient, 3 * floatBytes, g, floatTolerance(g));  // two output channels
    row(op::gradient3D, 4 * cubeBytes, g3, floatTolerance(g3));  // three output channels
    // A 2x2x2 mean of bytes: truncated by Ivory, rounded twice by the
    // composed per-slice peer, so within one step either way.
    row(op::downsampleBytes, byteBytes * 9 / 8, blockMean(in.bytes, kProbeHalf), 1.0);
    row(op::downsampleFloat, floatBytes * 9 / 8, blockMean(in.floats, kProbeHalf), 1e-3);
    row(op::rotate, 2 * floatBytes, in.floats.at(kProbe.x, kProbe.y, kProbe.z), 0);
    row(op::toBytes, shortBytes * 3 / 2, windowedByte(probeShort, in.windowLow, in.windowHigh),
        1.0);  // Ivory truncates, convertTo rounds
    // Random gathers: compute-bound, no bandwidth bound.
    row(op::linear, 0, trilinear(in.cube, in.px[0], in.py[0], in.pz[0]), 1e-2);
    row(op::cubic, 0, tricubic(in.cube, in.px[0], in.py[0], in.pz[0]), 5e-2);
    row(op::linearBatch, 0, trilinear(in.cube, in.px[0], in.py[0], in.pz[0]), 1e-2);
    row(op::cubicBatch, 0, tricubic(in.cube, in.px[0], in.py[0], in.pz[0]), 5e-2);
    row(op::nearestBatch, 0, in.cube.at(int(in.px[0]), int(in.py[0]), int(in.pz[0])), 0);
    row(op::invert, 2 * shortBytes, in.windowLow + in.windowHigh - probeShort, 0);
    row(op::windowLevel, 2 * shortBytes,
        std::clamp<double>(probeShort, in.windowLow, in.windowHigh) - in.windowLow, 0);
    row(op::flip, 2 * shortBytes, probeShort, 0);
    row(op::swapBytes, 2 * shortBytes,
        double(int16_t(uint16_t(uint16_t(probeShort) << 8 | uint16_t(probeShort) >> 8))), 0);
    row(op::windowFromData, shortBytes, *std::max_element(in.shorts.data.begin(), in.shorts.data.end()),
        0);  // probe: the high end of the window
    return w;
}

}  // namespace bench
