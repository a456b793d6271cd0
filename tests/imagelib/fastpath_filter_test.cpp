// The row-at-a-time paths of filter, gradient, hessian and gradient3D: the
// same bits whatever the thread count, whatever the class of the output, and
// when the output shares the source's block.

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "ivory/imagebase.h"
#include "test_support.h"
#include "ivory/threading.h"

namespace {

using Ivory::Image;
using Ivory::ImageBase;

// An output that is not exactly one of the eight ImageBase<U>: every value
// reaches it through setNext.
template <typename U> class PlainOutput : public ImageBase<U> {};

// Wide enough for whole 64-pixel blocks plus a ragged tail, and enough rows
// to be split over three threads.
constexpr int kWidth = 150, kHeight = 48, kDepth = 16;

struct Shape {
    int width, height, depth, channels;
};

struct Operation {
    const char* name;
    Shape shape;  // of the output
    std::function<Image*(Image& source, Image* out)> run;
};

const float kKernel3[9] = {0.5f, -1.25f, 0.0f, 2.0f, 0.0f, -0.75f, 1.0f, 0.0f, -3.0f};

std::vector<float> kernel7() {
    std::vector<float> k(49);
    for (int i = 0; i < 49; ++i) k[i] = i % 5 == 0 ? 0.0f : float(i % 7) * 0.25f - 0.8f;
    return k;
}

// gradient3D with GL_BYTE clamps and counts, so the warning line and the
// merged count are checked too.
std::vector<Operation> operations() {
    static const std::vector<float> k7 = kernel7();
    const int w = kWidth, h = kHeight, d = kDepth;
    return {
        {"filter 3x3", {w, h, d, 1}, [](Image& s, Image* o) { return s.filter(Ivory::kTypeFloat, kKernel3, 3, o); }},
        {"filter 7x7", {w, h, d, 1}, [](Image& s, Image* o) { return s.filter(Ivory::kTypeFloat, k7.data(), 7, o); }},
        {"gradient keepSize", {w, h, d, 2},
         [](Image& s, Image* o) { return s.gradient(Ivory::kTypeFloat, kKernel3, true, o); }},
        {"gradient", {w - 2, h - 2, d, 2}, [](Image& s, Image* o) { return s.gradient(Ivory::kTypeFloat, nullptr, false, o); }},
        {"hessian", {w, h, d, 3}, [](Image& s, Image* o) { return s.hessian(Ivory::kTypeFloat, kKernel3, o); }},
        {"gradient3D withValue", {w, h, d, 4},
         [](Image& s, Image* o) { return s.gradient3D(Ivory::kTypeByte, nullptr, true, true, o); }},
        {"gradient3D", {w - 2, h - 2, d - 2, 3},
         [](Image& s, Image* o) { return s.gradient3D(Ivory::kTypeShort, nullptr, false, false, o); }},
    };
}

// Random values of the element type; floating sources also get infinities
// and whole NaN slices, so that some thread sees nothing but NaN.
template <typename T> std::unique_ptr<ImageBase<T>> randomSource(unsigned seed) {
    auto image = std::make_unique<ImageBase<T>>();
    image->m_verbose = 0;
    image->init(kWidth, kHeight, kDepth, 1, 1);
    image->setWindow(-5.0f, 90.0f, 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(std::is_signed_v<T> ? -120 : 0, 120);
    for (int i = 0; i < image->m_image_size; ++i) image->m_data[i] = T(value(rng));
    if constexpr (std::is_floating_point_v<T>) {
        for (int i = 0; i < kWidth * kHeight * 3; ++i) image->m_data[i] = std::numeric_limits<T>::quiet_NaN();
        image->m_data[kWidth * kHeight * 9 + 77] = std::numeric_limits<T>::infinity();
        image->m_data[kWidth * kHeight * 12 + 200] = -std::numeric_limits<T>::infinity();
    }
    return image;
}

// Everything a run leaves behind: elements (as bits), windows, cursor and
// what it printed.
struct Outcome {
    std::vector<uint64_t> elements;
    std::vector<uint32_t> windows;
    int32_t cursor = -1;
    std::string printed;
    bool operator==(const Outcome& o) const {
        return elements == o.elements && windows == o.windows && cursor == o.cursor && printed == o.printed;
    }
};

template <typename U> Outcome outcomeOf(ImageBase<U>& out, const std::string& printed) {
    Outcome outcome;
    for (int i = 0; i < out.m_image_size; ++i) outcome.elements.push_back(IvoryTest::bitsOf(out.m_data[i]));
    for (int i = 0; i < 4 * out.m_channels; ++i) outcome.windows.push_back(IvoryTest::bitsOf(out.m_window[i]));
    outcome.cursor = out.m_cursor;
    outcome.printed = printed;
    return outcome;
}

template <typename U, typename Out = ImageBase<U>> Outcome runInto(const Operation& op, Image& source) {
    Out out;
    out.m_verbose = 0;
    out.init(op.shape.width, op.shape.height, op.shape.depth, 1, op.shape.channels);
    Image* result = nullptr;
    const std::string printed = IvoryTest::captureStdout([&] { result = op.run(source, &out); });
    EXPECT_EQ(result, &out) << op.name;
    return outcomeOf<U>(out, printed);
}

class ThreadCountGuard : public ::testing::Test {
protected:
    void TearDown() override { Ivory::setThreadCount(0); }
};

template <typename T> class FastPathThreads : public ThreadCountGuard {};
TYPED_TEST_SUITE(FastPathThreads, IvoryTest::AllElementTypes);

TYPED_TEST(FastPathThreads, SameBitsWithOneTwoAndThreeThreads) {
    auto source = randomSource<TypeParam>(41);
    for (const Operation& op : operations()) {
        SCOPED_TRACE(op.name);
        Ivory::setThreadCount(1);
        const Outcome single = runInto<float>(op, *source);
        for (const int threads : {2, 3}) {
            Ivory::setThreadCount(threads);
            EXPECT_TRUE(runInto<float>(op, *source) == single) << threads << " threads";
        }
    }
}

TYPED_TEST(FastPathThreads, ClampedValuesAreCountedOnceWhateverTheSplit) {
    // A step of 100 along x: each row has two voxels whose g0 (-1000) is
    // clamped to -128, on every inner row of every inner slice.
    ImageBase<TypeParam> source;
    source.m_verbose = 0;
    source.init(kWidth, kHeight, kDepth, 1, 1);
    for (int i = 0; i < source.m_image_size; ++i) source.m_data[i] = TypeParam(i % kWidth < 70 ? 0 : 100);
    const int64_t clamped = int64_t(2) * (kHeight - 2) * (kDepth - 2);
    const std::string expected = "Warning: " + std::to_string(clamped) + " values exceeded.\n";
    for (const int threads : {1, 2, 3}) {
        Ivory::setThreadCount(threads);
        std::unique_ptr<Image> out;
        EXPECT_EQ(IvoryTest::captureStdout(
                      [&] { out.reset(source.gradient3D(Ivory::kTypeByte, nullptr, true, false, nullptr)); }),
                  expected);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->getValue(69, 5, 5, 0, 0), -128.0f);
        EXPECT_EQ(out->getValue(70, 5, 5, 0, 0), -128.0f);
        EXPECT_EQ(out->m_window[2], -128.0f);
    }
}

template <typename U> class FastPathOutputs : public ThreadCountGuard {};
TYPED_TEST_SUITE(FastPathOutputs, IvoryTest::AllElementTypes);

TYPED_TEST(FastPathOutputs, TypedOutputsMatchTheSetNextPath) {
    using U = TypeParam;
    Ivory::setThreadCount(2);
    auto source = randomSource<float>(7);
    for (const Operation& op : operations()) {
        SCOPED_TRACE(op.name);
        const Outcome typed = runInto<U>(op, *source);
        const Outcome plain = runInto<U, PlainOutput<U>>(op, *source);
        EXPECT_TRUE(typed == plain);
        EXPECT_EQ(typed.cursor, op.shape.width * op.shape.height * op.shape.depth * op.shape.channels);
    }
}

template <typename T> class FastPathShared : public ThreadCountGuard {};
TYPED_TEST_SUITE(FastPathShared, IvoryTest::AllElementTypes);

TYPED_TEST(FastPathShared, FilterIntoItsOwnBlockReadsTheSourceAsItWas) {
    Ivory::setThreadCount(2);
    auto inPlace = randomSource<TypeParam>(99);
    auto untouched = randomSource<TypeParam>(99);
    ImageBase<TypeParam> expected;
    expected.m_verbose = 0;
    expected.init(kWidth, kHeight, kDepth, 1, 1);
    ASSERT_EQ(untouched->filter(Ivory::kTypeFloat, kKernel3, 3, &expected), &expected);
    ASSERT_EQ(inPlace->filter(Ivory::kTypeFloat, kKernel3, 3, inPlace.get()), inPlace.get());
    EXPECT_TRUE(outcomeOf<TypeParam>(*inPlace, "") == outcomeOf<TypeParam>(expected, ""));
}

}  // namespace
