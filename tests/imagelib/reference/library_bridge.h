#ifndef IVORY_REFERENCE_LIBRARY_BRIDGE_H
#define IVORY_REFERENCE_LIBRARY_BRIDGE_H

// Test glue between the reference images and the library: making library
// images from reference ones, random inputs, and exact comparisons.

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <iomanip>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "ivory/elementtypes.h"
#include "ivory/imagebase.h"
#include "refimage.h"
#include "test_support.h"
#include "ivory/threading.h"

namespace IvoryReference {

// How every library call of the suite is run: on each SIMD target this
// machine supports (the kernels are compiled for several and one is chosen
// at run time), and with one thread, more threads than cores (uneven
// splits) and the default. The best target, which the library picks by
// itself, runs with all three counts; the others, to keep the suite quick,
// with the uneven split alone. Results must depend on neither.
struct RunSetting {
    int64_t target;
    int threads;
};
inline const std::vector<RunSetting>& runSettings() {
    static const std::vector<RunSetting> settings = [] {
        std::vector<RunSetting> all;
        for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {  // the best one first
            if (all.empty()) {
                for (const int threads : {1, 3, 0}) all.push_back({target, threads});
            } else {
                all.push_back({target, 3});
            }
        }
        return all;
    }();
    return settings;
}

// Forces a SIMD target and a thread count for a scope, then restores the
// library's own choice of both.
class RunScope {
public:
    explicit RunScope(const RunSetting& setting)
        : trace_(__FILE__, __LINE__,
                 std::string("target ") + hwy::TargetName(setting.target) + ", thread count " +
                     std::to_string(setting.threads)) {
        hwy::SetSupportedTargetsForTest(setting.target);
        Ivory::setThreadCount(setting.threads);
    }
    ~RunScope() {
        Ivory::setThreadCount(0);
        hwy::SetSupportedTargetsForTest(0);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    ::testing::ScopedTrace trace_;
};

template <typename T> struct TypeTag {
    using type = T;
};

// Calls f(TypeTag<T>{}) for the element type of an element-type code; false
// for codes outside the table.
template <typename F> bool withElementType(int code, F&& f) {
    switch (code) {
#define IVORY_REFERENCE_DISPATCH(T, value) \
    case value:                            \
        f(TypeTag<T>{});                   \
        return true;
        IVORY_ELEMENT_TYPES(IVORY_REFERENCE_DISPATCH)
#undef IVORY_REFERENCE_DISPATCH
    }
    return false;
}

// A library image with the reference image's shape, elements, window table,
// spacing, verbosity, type and cursor.
template <typename T> std::unique_ptr<Ivory::ImageBase<T>> toLibrary(const RefImage<T>& ref) {
    auto img = std::make_unique<Ivory::ImageBase<T>>();
    img->init(ref.dim[0], ref.dim[1], ref.dim[2], ref.dim[3], ref.channels);
    if (!ref.data.empty()) std::memcpy(img->m_data, ref.data.data(), ref.data.size() * sizeof(T));
    if (!ref.window.empty())
        std::memcpy(img->m_window, ref.window.data(), ref.window.size() * sizeof(float));
    for (int i = 0; i < 4; ++i) img->m_spacing[i] = ref.spacing[i];
    img->m_verbose = ref.verbose;
    img->m_type = ref.type;
    img->m_cursor = ref.cursor;
    return img;
}

// Random values over the whole range of T, with a share of zeros and small
// values; the floating types mix magnitudes so that the order of additions
// changes rounded sums.
template <typename T> T randomElement(std::mt19937& rng) {
    const int kind = static_cast<int>(rng() % 8);
    if constexpr (std::is_floating_point_v<T>) {
        const double sign = (rng() & 1) ? -1.0 : 1.0;
        auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
        switch (kind) {
            case 0: return T(0);
            case 1: return static_cast<T>(static_cast<int>(rng() % 41) - 20);
            case 2: return static_cast<T>(uniform(-100.0, 100.0));
            case 3: return static_cast<T>(sign * uniform(1e6, 1e8));
            case 4: return static_cast<T>(sign * (16777216.0 + static_cast<double>(rng() % 64)));
            case 5: return static_cast<T>(uniform(-1e-3, 1e-3));
            case 6: return static_cast<T>(sign * uniform(1e20, 1e30));
            default: return static_cast<T>(uniform(-3.0, 3.0));
        }
    } else {
        using Limits = std::numeric_limits<T>;
        if (kind == 0) return T(0);
        if (kind <= 3) {
            const long long lo = Limits::is_signed ? -20 : 0;
            return static_cast<T>(std::uniform_int_distribution<long long>(lo, lo + 40)(rng));
        }
        return static_cast<T>(std::uniform_int_distribution<long long>(
            static_cast<long long>(Limits::min()), static_cast<long long>(Limits::max()))(rng));
    }
}

template <typename T>
RefImage<T> randomImage(int w, int h, int d, int f, int c, unsigned seed) {
    RefImage<T> img(w, h, d, f, c);
    std::mt19937 rng(seed);
    for (T& e : img.data) e = randomElement<T>(rng);
    for (int i = 0; i < 4; ++i) img.spacing[i] = 0.5f + 0.25f * static_cast<float>(rng() % 8);
    return img;
}

// Puts NaN and both infinities into a floating image (at elements 1, 2, 3 and
// at the middle of the block); other types stay as they are.
template <typename T> void addNonFinite(RefImage<T>& img) {
    if constexpr (std::is_floating_point_v<T>) {
        if (img.data.size() < 5) return;
        img.data[1] = std::numeric_limits<T>::quiet_NaN();
        img.data[2] = std::numeric_limits<T>::infinity();
        img.data[3] = -std::numeric_limits<T>::infinity();
        img.data[img.data.size() / 2] = std::numeric_limits<T>::infinity();
    }
}

// Gives every channel a window between two of the image's own values, with
// fractional ends so that truncations show.
template <typename T> void giveRandomWindows(RefImage<T>& img, unsigned seed) {
    std::mt19937 rng(seed);
    for (int c = 0; c < img.channels; ++c) {
        float low = Ivory::toFloat(img.data[rng() % img.data.size()]) - 0.25f;
        float high = Ivory::toFloat(img.data[rng() % img.data.size()]) + 0.5f;
        if (low > high) std::swap(low, high);
        img.setWindow(low, high, c);
    }
}

// Image shapes of the suite: odd extents, several slices, frames and
// channels, and one row long enough for vector bodies with a ragged tail.
struct Shape {
    int w, h, d, f, c;
};
inline std::string describe(const Shape& s) {
    std::ostringstream text;
    text << s.w << " x " << s.h << " x " << s.d << " x " << s.f << ", " << s.c << " channel(s)";
    return text.str();
}
inline const std::vector<Shape>& standardShapes() {
    static const std::vector<Shape> shapes = {
        {7, 5, 3, 1, 1}, {13, 11, 4, 1, 1}, {6, 4, 2, 2, 3}, {5, 7, 3, 3, 2}, {1, 1, 1, 1, 1},
        {149, 9, 3, 1, 1}};
    return shapes;
}

// A value with its bit pattern, for failure messages.
template <typename T> std::string describe(T v) {
    std::ostringstream text;
    if constexpr (std::is_floating_point_v<T>) {
        using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
        Bits bits;
        std::memcpy(&bits, &v, sizeof bits);
        text << std::setprecision(17) << v << " (0x" << std::hex << bits << ")";
    } else {
        text << +v;
    }
    return text.str();
}

// Equal bit patterns, except that any NaN matches any NaN: which NaN an
// operation yields may follow the operand order the compiler picks.
template <typename T> bool sameBits(const T& a, const T& b) {
    if (std::memcmp(&a, &b, sizeof(T)) == 0) return true;
    if constexpr (std::is_floating_point_v<T>) return std::isnan(a) && std::isnan(b);
    return false;
}

// Equal elements over n elements (see sameBits); names the first difference.
template <typename T>
::testing::AssertionResult sameElements(const T* got, const T* want, size_t n, const char* what) {
    if (n == 0 || std::memcmp(got, want, n * sizeof(T)) == 0) return ::testing::AssertionSuccess();
    for (size_t i = 0; i < n; ++i)
        if (!sameBits(got[i], want[i]))
            return ::testing::AssertionFailure() << what << " differ first at index " << i << " of "
                                                 << n << ": expected " << describe(want[i])
                                                 << ", got " << describe(got[i]);
    return ::testing::AssertionSuccess();
}

template <typename T>
::testing::AssertionResult sameElements(const T* got, const std::vector<T>& want, const char* what) {
    return sameElements(got, want.data(), want.size(), what);
}

// The library image equals the reference image in element type, shape,
// derived sizes, spacing, verbosity, type, cursor, window table and every
// element, all bit for bit.
template <typename U>
::testing::AssertionResult sameImage(const Ivory::Image* image, const RefImage<U>& want) {
    if (image == nullptr) return ::testing::AssertionFailure() << "no image";
    auto* got = dynamic_cast<const Ivory::ImageBase<U>*>(image);
    if (got == nullptr) return ::testing::AssertionFailure() << "element type differs";
    std::ostringstream diff;
    for (int i = 0; i < 4; ++i) {
        if (got->m_dim[i] != want.dim[i]) diff << " m_dim[" << i << "] " << got->m_dim[i] << " != " << want.dim[i];
        if (std::memcmp(&got->m_spacing[i], &want.spacing[i], sizeof(float)) != 0)
            diff << " m_spacing[" << i << "] " << got->m_spacing[i] << " != " << want.spacing[i];
    }
    const std::pair<int, int> fields[] = {{got->m_channels, want.channels},
                                          {got->m_stride, want.stride()},
                                          {got->m_slice_size, want.sliceSize()},
                                          {got->m_frame_size, want.frameSize()},
                                          {got->m_image_size, want.imageSize()},
                                          {got->m_verbose, want.verbose},
                                          {got->m_type, want.type},
                                          {got->m_cursor, want.cursor}};
    const char* names[] = {"m_channels", "m_stride", "m_slice_size", "m_frame_size",
                           "m_image_size", "m_verbose", "m_type", "m_cursor"};
    for (size_t i = 0; i < 8; ++i)
        if (fields[i].first != fields[i].second)
            diff << " " << names[i] << " " << fields[i].first << " != " << fields[i].second;
    if (!diff.str().empty()) return ::testing::AssertionFailure() << "fields differ:" << diff.str();
    if (!want.window.empty()) {
        if (got->m_window == nullptr) return ::testing::AssertionFailure() << "no window table";
        auto windows = sameElements(got->m_window, want.window, "window records");
        if (!windows) return windows;
    }
    if (want.data.empty()) return ::testing::AssertionSuccess();
    if (got->m_data == nullptr) return ::testing::AssertionFailure() << "no element block";
    return sameElements(got->m_data, want.data, "elements");
}

// Runs an in-place operation on a library image and on its reference twin and
// expects the same printed lines and the same image afterwards.
template <typename T, typename LibraryOp, typename ReferenceOp>
void expectSameInPlace(const RefImage<T>& start, LibraryOp&& libraryOp, ReferenceOp&& referenceOp) {
    RefImage<T> want = start;
    std::ostringstream log;
    referenceOp(want, log);
    for (const RunSetting& setting : runSettings()) {
        RunScope scope(setting);
        auto library = toLibrary(start);
        const std::string printed = IvoryTest::captureStdout([&] { libraryOp(*library); });
        EXPECT_EQ(printed, log.str());
        EXPECT_TRUE(sameImage(library.get(), want));
    }
}

}  // namespace IvoryReference

#endif
