// The reference implementations on small hand-worked cases, so that a
// disagreement with the library points at the library, not at the reference.

#include <sstream>

#include "library_bridge.h"
#include "reference_gradient.h"
#include "reference_intensity.h"
#include "reference_interpolation.h"
#include "reference_resample.h"

namespace Ref = IvoryReference;

namespace {

TEST(ReferenceSelfCheck, DownsampleTruncatesTheBlockMean) {
    Ref::RefImage<unsigned char> img(5, 4, 1, 1, 1);
    img.data.assign(20, 2);
    img.at(0, 0, 0, 0, 0) = 1;
    std::ostringstream log;
    Ref::downsampleInPlace(img, 2, 2, 1, 1, log);
    EXPECT_EQ(img.dim, (std::array<int, 4>{2, 2, 1, 1}));
    EXPECT_EQ(img.data, (std::vector<unsigned char>{1, 2, 2, 2}));  // 7/4 truncated
    EXPECT_EQ(img.spacing[0], 2.0f);
    EXPECT_EQ(log.str(), "Image downsampled, new size 2 x 2 x 1\n");

    Ref::RefImage<short> negative(2, 1, 1, 1, 1);
    negative.data = {-1, -2};
    EXPECT_EQ(Ref::downsampleIntoNew(negative, 2, 1, 1, 1).data, (std::vector<short>{-1}));
}

TEST(ReferenceSelfCheck, FourQuarterTurnsRestoreTheVolume) {
    auto img = Ref::randomImage<int>(4, 3, 2, 1, 2, 7);
    const auto start = img;
    std::ostringstream log;
    Ref::rotate(img, 2, log);
    EXPECT_EQ(img.dim, (std::array<int, 4>{3, 4, 2, 1}));
    EXPECT_EQ(img.stride(), 6);
    for (int i = 0; i < 3; ++i) Ref::rotate(img, 2, log);
    EXPECT_EQ(img.data, start.data);
}

TEST(ReferenceSelfCheck, WindowOperationsOnTheWorkedValues) {
    Ref::RefImage<unsigned char> img(2, 1, 1, 1, 1);
    img.setWindow(0.0f, 100.0f, 0);
    img.data = {30, 120};
    auto inverted = img;
    Ref::invert(inverted);
    EXPECT_EQ(inverted.data, (std::vector<unsigned char>{70, 236}));
    std::ostringstream log;
    auto shifted = img;
    Ref::applyWindowLevel(shifted, false, log);
    EXPECT_EQ(shifted.data, (std::vector<unsigned char>{30, 100}));
    auto mirrored = img;
    Ref::applyWindowLevel(mirrored, true, log);
    EXPECT_EQ(mirrored.data, (std::vector<unsigned char>{70, 0}));

    Ref::RefImage<short> shorts(3, 1, 1, 1, 1);
    shorts.setWindow(0.0f, 100.0f, 0);
    shorts.data = {50, -10, 200};
    std::vector<unsigned char> bytes;
    Ref::mapToBuffer(shorts, bytes, false, 255.0f);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{127, 0, 255}));
}

TEST(ReferenceSelfCheck, GradientOfTheRampRows) {
    Ref::RefImage<float> img(3, 3, 1, 1, 1);
    img.data = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    Ref::RefImage<float> out(1, 1, 1, 1, 2);
    Ref::gradientInto(img, nullptr, false, out);
    EXPECT_EQ(out.data, (std::vector<float>{-8.0f, 0.0f}));
    EXPECT_EQ(out.window, (std::vector<float>{8.0f, -4.0f, -8.0f, 0.0f, 8.0f, -4.0f, -8.0f, 0.0f}));
}

TEST(ReferenceSelfCheck, Gradient3DClampsTheStepAndCountsIt) {
    Ref::RefImage<float> img(4, 3, 3, 1, 1);
    for (int z = 0; z < 3; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 2; x < 4; ++x) img.at(x, y, z, 0, 0) = 100.0f;
    Ref::RefImage<float> out(4, 3, 3, 1, 3);
    std::ostringstream log;
    Ref::gradient3DInto(img, nullptr, true, false, 0x1400, out, log);
    EXPECT_EQ(out.at(1, 1, 1, 0, 0), -128.0f);  // -1000 clamped
    EXPECT_EQ(out.at(2, 1, 1, 0, 0), -128.0f);
    EXPECT_EQ(log.str(), "Computing 3D gradient...\nDone. Range = [-128..0]\nWarning: 2 values exceeded.\n");
}

TEST(ReferenceSelfCheck, CubicSampleOfARampIsNotTheRamp) {
    Ref::RefImage<float> img(6, 4, 4, 1, 1);
    for (size_t i = 0; i < img.data.size(); ++i) img.data[i] = static_cast<float>(i % 6);
    EXPECT_EQ(Ref::interpolateCubic(img, 2.25f, 1.0f, 1.0f)[0], 2.34375f);
    EXPECT_EQ(Ref::interpolateCubic(img, 2.0f, 1.0f, 1.0f)[0], 2.0f);
    EXPECT_EQ(Ref::interpolateLinear(img, 2.5f, 1.5f, 1.5f)[0], 2.5f);
}

}  // namespace
