#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "ivory/imagebase.h"
#include "test_support.h"

namespace {

using IvoryTest::bitsOf;

// Fills element (c, x, y, z, 0) with f(x, y, z, c) in every frame.
template <typename T, typename F> void fill(Ivory::ImageBase<T>& image, F f) {
    for (int32_t i = 0; i < image.m_image_size; ++i) {
        const int c = i % image.m_channels, x = i / image.m_channels % image.m_dim[0];
        const int y = i / image.m_stride % image.m_dim[1], z = i / image.m_slice_size % image.m_dim[2];
        image.m_data[i] = T(f(x, y, z, c));
    }
}

// Small values that every element type holds, without a simple pattern.
int scrambled(int x, int y, int z, int c) { return (x * 7 + y * 13 + z * 29 + c * 5 + x * y) % 41; }

// Cubic convolution kernel with a = -1, written over the distance to the neighbour.
double keysKernel(double s) {
    s = std::fabs(s);
    if (s <= 1.0) return s * s * s - 2.0 * s * s + 1.0;
    if (s < 2.0) return -s * s * s + 5.0 * s * s - 8.0 * s + 4.0;
    return 0.0;
}

template <typename T>
double referenceCubic(Ivory::ImageBase<T>& image, double x, double y, double z, int c) {
    const int xx = int(x), yy = int(y), zz = int(z);
    double sum = 0.0;
    for (int nz = zz - 1; nz <= zz + 2; ++nz)
        for (int ny = yy - 1; ny <= yy + 2; ++ny)
            for (int nx = xx - 1; nx <= xx + 2; ++nx)
                sum += double(image.getValue(nx, ny, nz, 0, c)) * keysKernel(x - nx) * keysKernel(y - ny) *
                       keysKernel(z - nz);
    return sum;
}

template <typename T>
double referenceLinear(Ivory::ImageBase<T>& image, double x, double y, double z, int c) {
    const int xx = int(x), yy = int(y), zz = int(z);
    double sum = 0.0;
    for (int nz = zz; nz <= zz + 1; ++nz)
        for (int ny = yy; ny <= yy + 1; ++ny)
            for (int nx = xx; nx <= xx + 1; ++nx)
                sum += double(image.getValue(nx, ny, nz, 0, c)) * (1.0 - std::fabs(x - nx)) *
                       (1.0 - std::fabs(y - ny)) * (1.0 - std::fabs(z - nz));
    return sum;
}

template <typename T> class InterpolationTest : public ::testing::Test {};
TYPED_TEST_SUITE(InterpolationTest, IvoryTest::AllElementTypes);

TYPED_TEST(InterpolationTest, IntegerPositionsReproduceTheElements) {
    Ivory::ImageBase<TypeParam> image;
    image.init(6, 6, 6, 2, 2);
    fill(image, scrambled);
    float out[2];
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                image.interpolateLinear(out, float(x), float(y), float(z));
                EXPECT_EQ(out[0], image.getValue(x, y, z, 0, 0));
                EXPECT_EQ(out[1], image.getValue(x, y, z, 0, 1));
            }
    for (int z = 1; z < 4; ++z)
        for (int y = 1; y < 4; ++y)
            for (int x = 1; x < 4; ++x) {
                image.interpolateCubic(out, float(x), float(y), float(z));
                EXPECT_EQ(out[0], image.getValue(x, y, z, 0, 0));
                EXPECT_EQ(out[1], image.getValue(x, y, z, 0, 1));
                EXPECT_EQ(image.interpolateCubicValue(float(x), float(y), float(z)), out[0]);
            }
}

TYPED_TEST(InterpolationTest, LinearCentreIsTheMeanOfTheEightCorners) {
    Ivory::ImageBase<TypeParam> image;
    image.init(2, 2, 2, 1, 1);
    const int corners[8] = {3, 10, 7, 1, 20, 5, 9, 6};  // sum 61
    for (int i = 0; i < 8; ++i) image.m_data[i] = TypeParam(corners[i]);
    float out = 0.0f;
    image.interpolateLinear(&out, 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(out, 61.0f / 8.0f);
    EXPECT_EQ(image.interpolateLinearValue(0.5f, 0.5f, 0.5f), 61.0f / 8.0f);
}

// Trilinear interpolation reproduces functions linear in x, y and z exactly
// (all values here are dyadic), channel by channel.
TYPED_TEST(InterpolationTest, LinearReproducesLinearFunctionsInEveryChannel) {
    Ivory::ImageBase<TypeParam> image;
    image.init(4, 4, 4, 1, 3);
    fill(image, [](int x, int y, int z, int c) { return x + 2 * y + 3 * z + 20 * c; });
    float out[3];
    image.interpolateLinear(out, 1.25f, 0.5f, 1.75f);
    EXPECT_EQ(out[0], 7.5f);
    EXPECT_EQ(out[1], 27.5f);
    EXPECT_EQ(out[2], 47.5f);
}

TYPED_TEST(InterpolationTest, LinearValueAddressesPixelsAsElements) {
    Ivory::ImageBase<TypeParam> gray;
    gray.init(5, 4, 3, 1, 1);
    fill(gray, scrambled);
    float out;
    for (float x : {0.0f, 0.3f, 1.5f, 3.75f}) {
        gray.interpolateLinear(&out, x, 2.25f, 1.5f);
        EXPECT_EQ(bitsOf(gray.interpolateLinearValue(x, 2.25f, 1.5f)), bitsOf(out)) << x;
    }
    // Meant for one channel: on two channels pixel 1 is element 1, i.e. channel 1 of pixel 0.
    Ivory::ImageBase<TypeParam> pair;
    pair.init(3, 2, 2, 1, 2);
    for (int32_t i = 0; i < pair.m_image_size; ++i) pair.m_data[i] = TypeParam(i);
    EXPECT_EQ(pair.interpolateLinearValue(1.0f, 0.0f, 0.0f), 1.0f);
}

TYPED_TEST(InterpolationTest, CubicOfARampAlongEachAxis) {
    Ivory::ImageBase<TypeParam> image;
    image.init(6, 6, 6, 1, 1);
    // Weights for 0.25 are -0.140625, 0.890625, 0.296875, -0.046875: a ramp is not reproduced.
    fill(image, [](int x, int, int, int) { return x; });
    EXPECT_EQ(image.interpolateCubicValue(2.25f, 1.0f, 1.0f), 2.34375f);
    fill(image, [](int, int y, int, int) { return y; });
    EXPECT_EQ(image.interpolateCubicValue(1.0f, 2.25f, 3.0f), 2.34375f);
    fill(image, [](int, int, int z, int) { return z; });
    EXPECT_EQ(image.interpolateCubicValue(3.0f, 1.0f, 2.25f), 2.34375f);
}

// Many channels: the single-value form must neither overflow a scratch
// buffer nor differ from channel 0 of the full sample.
TYPED_TEST(InterpolationTest, CubicValueIsChannelZeroOfTheFullSample) {
    Ivory::ImageBase<TypeParam> image;
    const int channels = 37;
    image.init(6, 5, 5, 1, channels);
    fill(image, scrambled);
    std::vector<float> out(channels);
    for (float x : {1.0f, 1.3f, 2.71f, 3.5f}) {
        image.interpolateCubic(out.data(), x, 2.6f, 1.1f);
        EXPECT_EQ(bitsOf(image.interpolateCubicValue(x, 2.6f, 1.1f)), bitsOf(out[0])) << x;
        EXPECT_NEAR(out[channels - 1], referenceCubic(image, x, 2.6, 1.1, channels - 1), 1e-3) << x;
    }
}

TYPED_TEST(InterpolationTest, AgreesWithAStraightforwardDoubleComputation) {
    Ivory::ImageBase<TypeParam> image;
    image.init(8, 7, 6, 1, 2);
    fill(image, scrambled);
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    float out[2];
    for (int n = 0; n < 200; ++n) {
        // Inside the valid ranges: 1 <= p < dim - 2 for cubic, p < dim - 1 for linear.
        const float x = 1.0f + unit(random) * 4.999f, y = 1.0f + unit(random) * 3.999f,
                    z = 1.0f + unit(random) * 2.999f;
        SCOPED_TRACE(::testing::Message() << x << ", " << y << ", " << z);
        image.interpolateCubic(out, x, y, z);
        EXPECT_NEAR(out[0], referenceCubic(image, x, y, z, 0), 1e-4);
        EXPECT_NEAR(out[1], referenceCubic(image, x, y, z, 1), 1e-4);
        image.interpolateLinear(out, x, y, z);
        EXPECT_NEAR(out[0], referenceLinear(image, x, y, z, 0), 1e-5);
        EXPECT_NEAR(out[1], referenceLinear(image, x, y, z, 1), 1e-5);
    }
}

// The linear sum is formed in double and rounded once: contributions
// 2^24 + 0.5 + 0.5 + 0.5 give 2^24 + 2, where a float sum would stay at 2^24.
template <typename T> void expectLinearSumRoundedOnce() {
    Ivory::ImageBase<T> image;
    image.init(2, 2, 2, 1, 1);
    image.m_data[0] = T(67108864);  // (0,0,0) weighted 0.25
    image.m_data[1] = T(2);         // (1,0,0)
    image.m_data[2] = T(2);         // (0,1,0)
    image.m_data[3] = T(2);         // (1,1,0)
    float out = 0.0f;
    image.interpolateLinear(&out, 0.5f, 0.5f, 0.0f);
    EXPECT_EQ(out, 16777218.0f);
    EXPECT_EQ(image.interpolateLinearValue(0.5f, 0.5f, 0.0f), 16777218.0f);
}

TEST(InterpolationRoundingTest, LinearSumIsRoundedToFloatOnce) {
    expectLinearSumRoundedOnce<int>();
    expectLinearSumRoundedOnce<unsigned int>();
    expectLinearSumRoundedOnce<float>();
    expectLinearSumRoundedOnce<double>();
}

// The cubic running sum is rounded to float after every addition: at 2^25 the
// float spacing is 4, so adding 1.25 twice leaves 41943040, where a sum
// rounded once would give 41943044.
template <typename T> void expectCubicRunningSumInFloat() {
    Ivory::ImageBase<T> image;
    image.init(4, 4, 4, 1, 1);
    const T row[4] = {T(0), T(67108864), T(2), T(-10)};  // weights -0.125, 0.625, 0.625, -0.125
    for (int x = 0; x < 4; ++x) image.setValue(float(row[x]), x, 1, 1, 0, 0);
    float out = 0.0f;
    image.interpolateCubic(&out, 1.5f, 1.0f, 1.0f);
    EXPECT_EQ(out, 41943040.0f);
    EXPECT_EQ(image.interpolateCubicValue(1.5f, 1.0f, 1.0f), 41943040.0f);
}

TEST(InterpolationRoundingTest, CubicRunningSumIsRoundedToFloatAfterEveryAddition) {
    expectCubicRunningSumInFloat<int>();
    expectCubicRunningSumInFloat<float>();
    expectCubicRunningSumInFloat<double>();
}

// The fraction is x - trunc(x) rounded to float; with 0.1 it is not 0.1 itself
// and the weights follow the float fraction bit for bit.
TEST(InterpolationRoundingTest, FractionIsTakenFromTheFloatPosition) {
    Ivory::ImageBase<float> image;
    image.init(3, 2, 2, 1, 1);
    image.setValue(0.0f, 1, 0, 0, 0, 0);
    image.setValue(1.0f, 2, 0, 0, 0, 0);
    const float x = 1.1f;
    EXPECT_EQ(bitsOf(image.interpolateLinearValue(x, 0.0f, 0.0f)), bitsOf(float(double(x) - 1.0)));
}

// Near the edges the neighbours are clamped; in the interior they are
// addressed directly. Both must agree: sampling an image at a position inside
// it equals sampling, two pixels further in, a copy padded by two replicated
// pixels on every side, where every neighbour lies inside (positions in
// eighths, so the shift is exact and the fractions are the same).
TYPED_TEST(InterpolationTest, EdgeSamplesEqualInteriorSamplesOfAnEdgeReplicatedCopy) {
    const int w = 5, h = 4, d = 4, pad = 2, channels = 2;
    Ivory::ImageBase<TypeParam> image, padded;
    image.init(w, h, d, 1, channels);
    padded.init(w + 2 * pad, h + 2 * pad, d + 2 * pad, 1, channels);
    fill(image, scrambled);
    fill(padded, [](int x, int y, int z, int c) {
        const auto inside = [](int i, int extent) { return std::min(std::max(i - pad, 0), extent - 1); };
        return scrambled(inside(x, w), inside(y, h), inside(z, d), c);
    });
    Ivory::ImageBase<TypeParam> gray, grayPadded;  // one channel for interpolateLinearValue
    gray.init(w, h, d, 1, 1);
    grayPadded.init(w + 2 * pad, h + 2 * pad, d + 2 * pad, 1, 1);
    for (int32_t i = 0; i < gray.m_image_size; ++i) gray.m_data[i] = image.m_data[i * channels];
    for (int32_t i = 0; i < grayPadded.m_image_size; ++i) grayPadded.m_data[i] = padded.m_data[i * channels];

    std::mt19937 random(99);
    const auto eighths = [&](int extent) { return float(random() % (8 * extent - 7)) / 8.0f; };
    for (int n = 0; n < 300; ++n) {
        const float x = eighths(w), y = eighths(h), z = eighths(d);
        SCOPED_TRACE(::testing::Message() << x << ", " << y << ", " << z);
        float edge[channels], inner[channels];
        image.interpolateCubic(edge, x, y, z);
        padded.interpolateCubic(inner, x + pad, y + pad, z + pad);
        for (int c = 0; c < channels; ++c) EXPECT_EQ(bitsOf(edge[c]), bitsOf(inner[c])) << c;
        EXPECT_EQ(bitsOf(image.interpolateCubicValue(x, y, z)), bitsOf(inner[0]));
        EXPECT_EQ(bitsOf(gray.interpolateLinearValue(x, y, z)),
                  bitsOf(grayPadded.interpolateLinearValue(x + pad, y + pad, z + pad)));
    }
}

TYPED_TEST(InterpolationTest, ImageWithoutBlockGivesZeros) {
    Ivory::ImageBase<TypeParam> image;
    image.init(6, 6, 6, 1, 2);
    image.releaseData();
    float out[2] = {-1.0f, -1.0f};
    image.interpolateCubic(out, 2.5f, 2.5f, 2.5f);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(image.interpolateCubicValue(2.5f, 2.5f, 2.5f), 0.0f);
    EXPECT_EQ(image.interpolateLinearValue(2.5f, 2.5f, 2.5f), 0.0f);
}

#ifdef NDEBUG
// Debug builds assert on a single slice (assertion_death_test.cpp): the
// second slice of a trilinear sample is replaced by the first.
TYPED_TEST(InterpolationTest, LinearOnASingleSliceReplicatesIt) {
    Ivory::ImageBase<TypeParam> flat;
    flat.init(2, 2, 1, 1, 1);
    const int corners[4] = {4, 8, 12, 16};
    for (int i = 0; i < 4; ++i) flat.m_data[i] = TypeParam(corners[i]);
    float out = 0.0f;
    flat.interpolateLinear(&out, 0.5f, 0.5f, 0.0f);
    EXPECT_EQ(out, 10.0f);
}
#endif

}  // namespace
