// Window-based intensity operations, the 8/16-bit exports and the centroid
// against the plain reference, bit for bit.

#include "library_bridge.h"
#include "reference_intensity.h"

namespace Ref = IvoryReference;

namespace {

template <typename T>
class IntensityEquivalence : public ::testing::Test {
protected:
    // A random image with random windows; floating images also hold NaN and
    // both infinities, and the last channel may get a window of zero width.
    static Ref::RefImage<T> input(const Ref::Shape& s, unsigned seed, bool zeroWidthLast = false) {
        auto img = Ref::randomImage<T>(s.w, s.h, s.d, s.f, s.c, seed);
        Ref::giveRandomWindows(img, seed);
        Ref::addNonFinite(img);
        if (zeroWidthLast) {
            const float value = Ivory::toFloat(img.data[0]);
            img.setWindow(value, value, img.channels - 1);
        }
        return img;
    }
};
TYPED_TEST_SUITE(IntensityEquivalence, IvoryTest::AllElementTypes);

TYPED_TEST(IntensityEquivalence, InvertMatches) {
    unsigned seed = 1000;
    for (const Ref::Shape& shape : Ref::standardShapes()) {
        SCOPED_TRACE(Ref::describe(shape));
        Ref::expectSameInPlace(
            this->input(shape, ++seed), [](Ivory::Image& img) { img.invert(); },
            [](Ref::RefImage<TypeParam>& img, std::ostream&) { Ref::invert(img); });
    }
}

TYPED_TEST(IntensityEquivalence, ApplyWindowLevelBothWaysMatches) {
    unsigned seed = 1100;
    for (const bool reversed : {false, true})
        for (const int verbose : {1, 0})
            for (const Ref::Shape& shape : Ref::standardShapes()) {
                SCOPED_TRACE(Ref::describe(shape) + (reversed ? ", reversed" : ", not reversed"));
                auto src = this->input(shape, ++seed);
                src.verbose = verbose;
                Ref::expectSameInPlace(
                    src, [&](Ivory::Image& img) { img.applyWindowLevel(reversed); },
                    [&](Ref::RefImage<TypeParam>& img, std::ostream& log) {
                        Ref::applyWindowLevel(img, reversed, log);
                    });
            }
}

// One run of expectSameExport with the thread count in force.
template <typename Out, typename T, typename Export>
void expectSameExportOnce(const Ref::RefImage<T>& src, bool powerOfTwo,
                          const std::vector<Out>& want, Export& exportTo) {
    auto library = Ref::toLibrary(src);

    Out* made = exportTo(*library, nullptr, powerOfTwo);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(Ref::sameElements(made, want, "exported values (own buffer)"));
    delete[] made;

    std::vector<Out> callers(want.size() + 16, Out(0xAB));
    std::vector<Out> wantCallers(callers);
    std::copy(want.begin(), want.end(), wantCallers.begin());
    EXPECT_EQ(exportTo(*library, callers.data(), powerOfTwo), callers.data());
    EXPECT_TRUE(
        Ref::sameElements(callers.data(), wantCallers, "exported values (caller's buffer)"));
    EXPECT_TRUE(Ref::sameImage(library.get(), src));
}

// toBytes and toShorts into their own buffer and into a caller's buffer
// (which must be cleared up to the output size and left alone beyond it).
template <typename Out, typename T, typename Export>
void expectSameExport(const Ref::RefImage<T>& src, bool powerOfTwo, float top, Export exportTo) {
    std::vector<Out> want;
    Ref::mapToBuffer(src, want, powerOfTwo, top);
    for (const Ref::RunSetting& setting : Ref::runSettings()) {
        Ref::RunScope scope(setting);
        expectSameExportOnce(src, powerOfTwo, want, exportTo);
    }
}

TYPED_TEST(IntensityEquivalence, ToBytesAndToShortsMatch) {
    unsigned seed = 1200;
    for (const bool powerOfTwo : {false, true})
        for (const bool zeroWidth : {false, true})
            for (const Ref::Shape& shape : Ref::standardShapes()) {
                SCOPED_TRACE(Ref::describe(shape) + (powerOfTwo ? ", power of two" : "") +
                             (zeroWidth ? ", zero-width window" : ""));
                const auto src = this->input(shape, ++seed, zeroWidth);
                expectSameExport<unsigned char>(src, powerOfTwo, 255.0f,
                                                [](Ivory::Image& img, unsigned char* out, bool p) {
                                                    return img.toBytes(out, p);
                                                });
                expectSameExport<unsigned short>(
                    src, powerOfTwo, 65535.0f, [](Ivory::Image& img, unsigned short* out, bool p) {
                        return img.toShorts(out, p);
                    });
            }
}

// Elements whose window positions land on integers and right next to them,
// where a mapping without a division per element must still truncate
// exactly: every value of the 8- and 16-bit types; whole numbers for int and
// unsigned int; whole numbers and their neighbouring floats otherwise.
template <typename T> std::vector<T> valuesAroundWholeNumbers() {
    std::vector<T> values;
    if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
        for (long long v = std::numeric_limits<T>::min(); v <= std::numeric_limits<T>::max(); ++v)
            values.push_back(static_cast<T>(v));
    } else if constexpr (std::is_integral_v<T>) {
        for (long long v = std::is_signed_v<T> ? -400 : 0; v < 21600; ++v) values.push_back(static_cast<T>(v));
    } else {
        for (int v = -300; v < 7000; ++v)
            for (const T e : {T(v), std::nextafter(T(v), T(-1e9)), std::nextafter(T(v), T(1e9))}) values.push_back(e);
    }
    return values;
}

TYPED_TEST(IntensityEquivalence, ExportsTruncateExactlyAtWholeWindowPositions) {
    using T = TypeParam;
    const std::vector<std::pair<float, float>> windows = {{0, 255}, {0, 65535}, {-200, 800}, {3, 20}, {0.5f, 256.5f}};
    const std::vector<T> values = valuesAroundWholeNumbers<T>();
    for (const int channels : {1, 3})
        for (size_t first = 0; first < windows.size(); ++first) {
            const int width = static_cast<int>(values.size()) / channels;
            Ref::RefImage<T> src(width, 1, 1, 1, channels);
            std::copy(values.begin(), values.begin() + static_cast<long>(src.data.size()), src.data.begin());
            for (int c = 0; c < channels; ++c) {
                const auto& window = windows[(first + static_cast<size_t>(c)) % windows.size()];
                src.setWindow(window.first, window.second, c);
            }
            SCOPED_TRACE(std::to_string(channels) + " channel(s), first window " + std::to_string(first));
            expectSameExport<unsigned char>(src, false, 255.0f, [](Ivory::Image& img, unsigned char* out, bool p) {
                return img.toBytes(out, p);
            });
            expectSameExport<unsigned short>(src, false, 65535.0f,
                                             [](Ivory::Image& img, unsigned short* out, bool p) {
                                                 return img.toShorts(out, p);
                                             });
            std::vector<unsigned char> want(static_cast<size_t>(width));
            Ref::sliceToBuffer(src, want, 0, channels - 1, false);
            for (const Ref::RunSetting& setting : Ref::runSettings()) {
                Ref::RunScope scope(setting);
                std::vector<unsigned char> got(static_cast<size_t>(width));
                Ref::toLibrary(src)->sliceToBytes(got.data(), 0, channels - 1, false);
                EXPECT_TRUE(Ref::sameElements(got.data(), want, "slice bytes"));
            }
        }
}

TYPED_TEST(IntensityEquivalence, SliceToBytesMatchesAndWritesOnlyTheSlice) {
    unsigned seed = 1300;
    for (const bool powerOfTwo : {false, true})
        for (const Ref::Shape& shape : Ref::standardShapes()) {
            const auto src = this->input(shape, ++seed, true);
            for (const Ref::RunSetting& setting : Ref::runSettings())
                for (const int slice : {0, shape.d - 1, shape.d, 2 * shape.d + 1})
                    for (int channel = 0; channel < shape.c; ++channel) {
                        Ref::RunScope scope(setting);
                        auto library = Ref::toLibrary(src);
                        SCOPED_TRACE(Ref::describe(shape) + ", slice " + std::to_string(slice) +
                                     ", channel " + std::to_string(channel) +
                                     (powerOfTwo ? ", power of two" : ""));
                        const int w2 = powerOfTwo ? Ref::nextPowerOfTwo(shape.w) : shape.w;
                        const int h2 = powerOfTwo ? Ref::nextPowerOfTwo(shape.h) : shape.h;
                        const size_t size = static_cast<size_t>(w2) * h2;
                        std::vector<unsigned char> want(size + 16, 0xAB);
                        Ref::sliceToBuffer(src, want, slice, channel, powerOfTwo);
                        std::vector<unsigned char> callers(size + 16, 0xAB);
                        EXPECT_EQ(library->sliceToBytes(callers.data(), slice, channel, powerOfTwo),
                                  callers.data());
                        EXPECT_TRUE(Ref::sameElements(callers.data(), want, "slice bytes"));

                        unsigned char* made =
                            library->sliceToBytes(nullptr, slice, channel, powerOfTwo);
                        ASSERT_NE(made, nullptr);
                        for (int i = 0; i < shape.w * shape.h; ++i) {
                            const size_t at = static_cast<size_t>(i / shape.w) * w2 + i % shape.w;
                            EXPECT_EQ(made[at], want[at]) << "pixel " << i;
                        }
                        delete[] made;
                        EXPECT_TRUE(Ref::sameImage(library.get(), src));
                    }
        }
}

TYPED_TEST(IntensityEquivalence, CentroidMatches) {
    unsigned seed = 1400;
    for (const Ref::Shape& shape : Ref::standardShapes()) {
        SCOPED_TRACE(Ref::describe(shape));
        auto src = Ref::randomImage<TypeParam>(shape.w, shape.h, shape.d, shape.f, shape.c, ++seed);
        if (seed % 2 == 0) Ref::addNonFinite(src);
        Ref::giveRandomWindows(src, seed);
        const auto want = Ref::centroid(src);
        for (const Ref::RunSetting& setting : Ref::runSettings()) {
            Ref::RunScope scope(setting);
            auto library = Ref::toLibrary(src);
            float got[3] = {-1.0f, -1.0f, -1.0f};
            EXPECT_EQ(library->centroid(got), got);
            EXPECT_TRUE(Ref::sameElements(got, want.data(), 3, "centroid"));
        }
    }
}

}  // namespace
