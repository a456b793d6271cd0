#include <string>
#include <typeinfo>
#include <vector>

#include "ivory/createimage.h"
#include "ivory/imagebase.h"
#include "test_support.h"
#include "volume_support.h"

// gradient, hessian and gradient3D: refusals with their messages, and the
// worked examples that define the results. Outputs over random data, kernels,
// every output code and caller outputs of every type are compared bit for bit
// in the equivalence suite.
namespace {

using Ivory::Image;
using Ivory::ImageBase;
using IvoryTest::captureStdout;
using IvoryTest::ImagePtr;
using IvoryTest::makeVolume;

// Rows 0 0 0 / 1 1 1 / 2 2 2 in slice z, scaled by z + 1.
float rowRamp(int, int y, int z) { return float(y * (z + 1)); }

// ---- refused calls -------------------------------------------------------

struct RefusedDerivative {
    const char* what;
    int width, height, depth;
    int type;  // m_type of the source
    Image* (*call)(Image& source, Image* out);
    const char* message;
};

Image* gradientOf(int code, bool keepSize, Image& s, Image* out) { return s.gradient(code, nullptr, keepSize, out); }
Image* gradient3DOf(int code, bool keepSize, Image& s, Image* out) {
    return s.gradient3D(code, nullptr, keepSize, false, out);
}

const RefusedDerivative kRefused[] = {
    {"GradientUnsigned", 4, 4, 1, 0, [](Image& s, Image* o) { return gradientOf(0x1401, true, s, o); },
     "Error: unsigned data type, cannot compute gradient!"},
    {"GradientOwnTypeUnsigned", 4, 4, 1, 0x1405, [](Image& s, Image* o) { return gradientOf(0, true, s, o); },
     "Error: unsigned data type, cannot compute gradient!"},
    {"Gradient3DUnsigned", 4, 4, 4, 0, [](Image& s, Image* o) { return gradient3DOf(0x1405, true, s, o); },
     "Error: unsigned data type, cannot compute gradient!"},
    {"HessianUnsigned", 4, 4, 1, 0, [](Image& s, Image* o) { return s.hessian(0x1403, nullptr, o); },
     "Error: unsigned data type, cannot compute hessian!"},
    {"GradientNarrow", 2, 5, 1, 0, [](Image& s, Image* o) { return gradientOf(0x1406, false, s, o); },
     "Error: image too small, cannot compute gradient!"},
    {"GradientLow", 5, 2, 1, 0, [](Image& s, Image* o) { return gradientOf(0x1406, false, s, o); },
     "Error: image too small, cannot compute gradient!"},
    {"Gradient3DFlat", 5, 5, 2, 0, [](Image& s, Image* o) { return gradient3DOf(0x1406, false, s, o); },
     "Error: image too small, cannot compute gradient!"},
};

class DerivativeRefusal : public ::testing::TestWithParam<RefusedDerivative> {};

TEST_P(DerivativeRefusal, PrintsOneLineReturnsNullAndLeavesTheOutputAlone) {
    const RefusedDerivative& c = GetParam();
    auto source = makeVolume<float>(c.width, c.height, c.depth, [](int x, int y, int z) { return x * y + z; });
    source->m_type = c.type;
    ImageBase<float> out;
    out.init(c.width, c.height, c.depth, 1, 4);
    out.setValue(7.0f, 0, 0, 0, 0, 0);
    for (Image* target : {static_cast<Image*>(nullptr), static_cast<Image*>(&out)}) {
        Image* result = reinterpret_cast<Image*>(1);
        EXPECT_EQ(captureStdout([&] { result = c.call(*source, target); }), std::string(c.message) + "\n");
        EXPECT_EQ(result, nullptr);
    }
    EXPECT_EQ(out.getValue(0, 0, 0, 0, 0), 7.0f);
}

INSTANTIATE_TEST_SUITE_P(Derivatives, DerivativeRefusal, ::testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.what); });

// Each operation without output and an unknown code, with an output one
// element too small, and with a source without block.
struct DerivativeCall {
    const char* what;
    int outChannels, shrink;  // elements written: outChannels per pixel of the shrunk volume
    Image* (*call)(Image& source, int code, Image* out);
};

const DerivativeCall kCalls[] = {
    {"Gradient", 2, 1, [](Image& s, int code, Image* o) { return s.gradient(code, nullptr, false, o); }},
    {"GradientKeepSize", 2, 0, [](Image& s, int code, Image* o) { return s.gradient(code, nullptr, true, o); }},
    {"Hessian", 3, 0, [](Image& s, int code, Image* o) { return s.hessian(code, nullptr, o); }},
    {"Gradient3D", 3, 1, [](Image& s, int code, Image* o) { return s.gradient3D(code, nullptr, false, false, o); }},
    {"Gradient3DWithValue", 4, 0,
     [](Image& s, int code, Image* o) { return s.gradient3D(code, nullptr, true, true, o); }},
};

class DerivativeCaller : public ::testing::TestWithParam<DerivativeCall> {};

TEST_P(DerivativeCaller, RefusesUnknownCodesShortOutputsAndSourcesWithoutBlock) {
    const DerivativeCall& c = GetParam();
    auto source = makeVolume<float>(5, 4, 3, [](int x, int y, int z) { return x * x + y + z; });
    source->m_verbose = 0;
    for (int code : {0x1408, 0}) {  // unknown to the factory; 0 stands for m_type, which is 0
        Image* result = reinterpret_cast<Image*>(1);
        EXPECT_EQ(captureStdout([&] { result = c.call(*source, code, nullptr); }),
                  "Error: unknown data type, cannot create output image!\n");
        EXPECT_EQ(result, nullptr);
    }

    const bool volume = std::string(c.what).find("3D") != std::string::npos;
    const int s = c.shrink;
    const int written = (5 - 2 * s) * (4 - 2 * s) * (volume ? 3 - 2 * s : 3) * c.outChannels;
    ImageBase<double> small;
    small.init(written - 1, 1, 1, 1, 1);
    small.setValue(5.0f, 0, 0, 0, 0, 0);
    Image* result = reinterpret_cast<Image*>(1);
    EXPECT_EQ(captureStdout([&] { result = c.call(*source, 0x1406, &small); }), "Error: output image too small!\n");
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(small.getValue(0, 0, 0, 0, 0), 5.0f);
    ImageBase<double> exact;  // one element more is enough, whatever its shape
    exact.init(written, 1, 1, 1, 1);
    EXPECT_EQ(c.call(*source, 0x1406, &exact), &exact);

    source->releaseData();
    result = reinterpret_cast<Image*>(1);
    EXPECT_EQ(captureStdout([&] { result = c.call(*source, 0x1406, nullptr); }), "");
    EXPECT_EQ(result, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Derivatives, DerivativeCaller, ::testing::ValuesIn(kCalls),
                         [](const auto& info) { return std::string(info.param.what); });

// ---- gradient -----------------------------------------------------------

class GradientOutputCode : public ::testing::TestWithParam<int> {};

TEST_P(GradientOutputCode, RampGivesMinusEightAcrossRowsAndZeroAlongInTheCodesType) {
    auto source = makeVolume<char>(3, 3, 1, rowRamp);
    source->setSpacing(2.0f, 3.0f, 4.0f, 5.0f);
    ImagePtr out(source->gradient(GetParam(), nullptr, false, nullptr));
    ASSERT_NE(out, nullptr);
    ImagePtr sameType(Ivory::createImage(GetParam()));
    const Ivory::Image &made = *out, &expected = *sameType;
    EXPECT_EQ(typeid(made), typeid(expected));
    EXPECT_EQ(out->m_dim[0], 1);
    EXPECT_EQ(out->m_dim[1], 1);
    EXPECT_EQ(out->m_channels, 2);
    EXPECT_EQ(out->getValue(0, 0, 0, 0, 0), -8.0f);
    EXPECT_EQ(out->getValue(0, 0, 0, 0, 1), 0.0f);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(out->m_window[4 * c + 2], -8.0f);
        EXPECT_EQ(out->m_window[4 * c + 3], 0.0f);
    }
    EXPECT_EQ(out->m_spacing[0], 2.0f);
    EXPECT_EQ(out->m_spacing[3], 5.0f);

    out.reset(source->gradient(GetParam(), nullptr, true, nullptr));  // keep size: only inner pixels
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->m_dim[0], 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(out->getValue(x, y, 0, 0, 0), x == 1 && y == 1 ? -8.0f : 0.0f);
            EXPECT_EQ(out->getValue(x, y, 0, 0, 1), 0.0f);
        }
}

INSTANTIATE_TEST_SUITE_P(Gradient, GradientOutputCode, ::testing::Values(0x1400, 0x1402, 0x1404, 0x1406, 0x140A));

TEST(Gradient, CallerKernelAndItsTranspose) {
    auto source = makeVolume<float>(3, 3, 1, [](int x, int y, int) { return x + 10 * y; });
    const float rightMinusLeft[9] = {0, 0, 0, -1, 0, 1, 0, 0, 0};  // c = -1 and c = +1 on row 0
    ImagePtr out(source->gradient(0x1404, rightMinusLeft, false, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->getValue(0, 0, 0, 0, 0), 2.0f);   // I(2,1) - I(0,1)
    EXPECT_EQ(out->getValue(0, 0, 0, 0, 1), 20.0f);  // I(1,2) - I(1,0)
}

// ---- hessian -------------------------------------------------------------

TEST(Hessian, OfTheProductSurface) {
    // f = x*y: the default gradient is (-8x, -8y) inside, 0 on the border.
    auto source = makeVolume<float>(5, 5, 1, [](int x, int y, int) { return x * y; });
    ImagePtr out(source->hessian(0x1406, nullptr, nullptr));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->m_dim[0], 5);
    EXPECT_EQ(out->m_dim[1], 5);
    EXPECT_EQ(out->m_channels, 3);
    EXPECT_EQ(out->getValue(2, 2, 0, 0, 0), 0.0f);
    EXPECT_EQ(out->getValue(2, 2, 0, 0, 1), 64.0f);
    EXPECT_EQ(out->getValue(2, 2, 0, 0, 2), 0.0f);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 0), 32.0f);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 1), 48.0f);
    EXPECT_EQ(out->getValue(1, 1, 0, 0, 2), 32.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(out->getValue(0, 3, 0, 0, c), 0.0f);
        EXPECT_EQ(out->getValue(4, 4, 0, 0, c), 0.0f);
    }
}

// ---- gradient3D ----------------------------------------------------------

// A 4 x 3 x 3 volume stepping between `before` (x < 2) and `after` along x.
template <typename T> auto stepVolume(float before, float after) {
    return makeVolume<T>(4, 3, 3, [=](int x, int, int) { return x < 2 ? before : after; });
}

TEST(Gradient3D, ByteOutputClampsTheStepAndCountsIt) {
    auto source = stepVolume<short>(0, 100);
    Image* result = nullptr;
    const std::string printed =
        captureStdout([&] { result = source->gradient3D(0x1400, nullptr, true, false, nullptr); });
    ImagePtr out(result);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(printed, "Computing 3D gradient...\nDone. Range = [-128..0]\nWarning: 2 values exceeded.\n");
    auto* bytes = dynamic_cast<ImageBase<char>*>(out.get());
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(out->m_channels, 3);
    EXPECT_EQ(out->m_dim[2], 3);
    // Kept size: only the two inner pixels see the step; the border stays 0.
    const int stepped[][3] = {{1, 1, 1}, {2, 1, 1}}, border[][3] = {{0, 1, 1}, {1, 0, 1}, {2, 1, 2}};
    for (const auto& p : stepped) {
        EXPECT_EQ(bytes->at(p[0], p[1], p[2], 0, 0), -128);
        EXPECT_EQ(bytes->at(p[0], p[1], p[2], 0, 1), 0);
        EXPECT_EQ(bytes->at(p[0], p[1], p[2], 0, 2), 0);
    }
    for (const auto& p : border) EXPECT_EQ(bytes->at(p[0], p[1], p[2], 0, 0), 0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(out->m_window[4 * c + 2], -128.0f);
        EXPECT_EQ(out->m_window[4 * c + 3], 0.0f);
    }
}

TEST(Gradient3D, WithValueRepeatsTheSourceAndItsWindow) {
    auto source = makeVolume<int>(3, 4, 5, [](int x, int y, int z) { return x + 3 * y + 12 * z; });
    source->setWindow(-5.0f, 250.0f, 0);
    source->m_verbose = 0;
    ImagePtr out(source->gradient3D(0x1406, nullptr, false, true, nullptr));
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->m_channels, 4);
    ASSERT_EQ(out->m_dim[0], 1);
    ASSERT_EQ(out->m_dim[1], 2);
    ASSERT_EQ(out->m_dim[2], 3);
    for (int z = 0; z < 3; ++z) {
        for (int y = 0; y < 2; ++y) {
            const float inner = float(1 + 3 * (y + 1) + 12 * (z + 1));
            EXPECT_EQ(out->getValue(0, y, z, 0, 3), inner);
            // Each kernel plane weighs 10: the derivative is -20 per unit slope.
            EXPECT_EQ(out->getValue(0, y, z, 0, 0), -20.0f);
            EXPECT_EQ(out->getValue(0, y, z, 0, 1), -60.0f);
            EXPECT_EQ(out->getValue(0, y, z, 0, 2), -240.0f);
        }
    }
    EXPECT_EQ(out->m_window[4 * 3 + 2], -5.0f);
    EXPECT_EQ(out->m_window[4 * 3 + 3], 250.0f);
    EXPECT_EQ(out->m_window[2], -240.0f);  // the value channel does not count
    EXPECT_EQ(out->m_window[3], -20.0f);
}

struct ClampCase {
    int code;
    float before, after;
    float stored;
    const char* warning;
};

class Gradient3DClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(Gradient3DClamp, ClampsOnlyForByteAndShort) {
    const ClampCase& c = GetParam();
    auto source = stepVolume<float>(c.before, c.after);
    source->m_verbose = 0;
    Image* result = nullptr;
    const std::string printed = captureStdout([&] { result = source->gradient3D(c.code, nullptr, false, false, nullptr); });
    ImagePtr out(result);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(printed, c.warning);
    EXPECT_EQ(out->getValue(0, 0, 0, 0, 0), c.stored);
    EXPECT_EQ(out->getValue(1, 0, 0, 0, 0), c.stored);
    EXPECT_EQ(out->getValue(1, 0, 0, 0, 1), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Gradient3D, Gradient3DClamp,
    ::testing::Values(ClampCase{0x1400, 0, 100, -128, "Warning: 2 values exceeded.\n"},
                      ClampCase{0x1400, 100, 0, 127, "Warning: 2 values exceeded.\n"},
                      ClampCase{0x1400, 0, 12, -120, ""},
                      ClampCase{0x1402, 0, 5000, -32768, "Warning: 2 values exceeded.\n"},
                      ClampCase{0x1402, 5000, 0, 32767, "Warning: 2 values exceeded.\n"},
                      ClampCase{0x1404, 0, 5000, -50000, ""},
                      ClampCase{0x1406, 0, 5000, -50000, ""}));

}  // namespace
