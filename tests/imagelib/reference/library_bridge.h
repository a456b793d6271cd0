#ifndef IVORY_REFERENCE_LIBRARY_BRIDGE_H
#define IVORY_REFERENCE_LIBRARY_BRIDGE_H

// The one comparison of the library with the plain reference, bit for bit, and its random inputs.

#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>

#include "ivory/threading.h"
#include "refimage.h"
#include "test_support.h"

namespace IvoryReference {

// Each SIMD target here: the best with one, three (an uneven split, more than the cores) and the default number of
// threads, the others with three.
struct RunSetting { int64_t target; int threads; };
inline const std::vector<RunSetting>& runSettings() {
    static const std::vector<RunSetting> settings = [] {
        std::vector<RunSetting> all;
        for (const int64_t target : hwy::SupportedAndGeneratedTargets())  // the best one first
            for (const int threads : {1, 3, 0})
                if (all.size() < 3 || threads == 3) all.push_back({target, threads});
        return all;
    }();
    return settings;
}
// Forces a SIMD target and a thread count; {0, 0} gives the library back its own choice of both.
inline void useSetting(const RunSetting& s) {
    hwy::SetSupportedTargetsForTest(s.target);
    Ivory::setThreadCount(s.threads);
}

// The library twin of a reference image.
template <typename T, typename Image = Ivory::ImageBase<T>> std::unique_ptr<Image> toLibrary(const RefImage<T>& ref) {
    auto img = std::make_unique<Image>();
    img->init(ref.dim[0], ref.dim[1], ref.dim[2], ref.dim[3], ref.channels);
    std::copy(ref.data.begin(), ref.data.end(), img->m_data);
    std::copy(ref.window.begin(), ref.window.end(), img->m_window);
    std::copy(ref.spacing.begin(), ref.spacing.end(), img->m_spacing);
    img->m_verbose = ref.verbose, img->m_type = ref.type, img->m_cursor = ref.cursor;
    return img;
}
inline Outcome& Outcome::image(const std::string& name, const Ivory::Image* img) {
#define IVORY_REFERENCE_SNAPSHOT(U, code)                                                                           \
    if (auto* t = dynamic_cast<const Ivory::ImageBase<U>*>(img)) {                                                  \
        RefImage<U> ref;                                                                                            \
        std::copy(t->m_dim, t->m_dim + 4, ref.dim.begin());                                                         \
        std::copy(t->m_spacing, t->m_spacing + 4, ref.spacing.begin());                                             \
        ref.channels = t->m_channels, ref.verbose = t->m_verbose, ref.type = t->m_type, ref.cursor = t->m_cursor;   \
        if (t->m_window) ref.window.assign(t->m_window, t->m_window + 4 * t->m_channels);                           \
        if (t->m_data) ref.data.assign(t->m_data, t->m_data + t->m_image_size);                                     \
        return image(name, ref, {t->m_stride, t->m_slice_size, t->m_frame_size, t->m_image_size});                  \
    }
    IVORY_ELEMENT_TYPES(IVORY_REFERENCE_SNAPSHOT)
#undef IVORY_REFERENCE_SNAPSHOT
    return missing(name);
}

inline Outcome made(Ivory::Image* img) {  // the caller owns it
    Outcome outcome;
    outcome.image("made", img);
    delete img;
    return outcome;
}
inline Outcome made(Outcome outcome) { return outcome; }

// A caller's output of element type U that starts as `start`: for the library a typed image, or
// one of a class that takes its values through setNext. op(out) must give back the output, filled.
template <typename U> class SetNextOutput : public Ivory::ImageBase<U> {};
template <typename T, typename U> auto outputFor(Ivory::ImageBase<T>&, const RefImage<U>& start, bool setNext) {
    return setNext ? std::unique_ptr<Ivory::ImageBase<U>>(toLibrary<U, SetNextOutput<U>>(start)) : toLibrary(start);
}
template <typename T, typename U> auto outputFor(RefImage<T>&, const RefImage<U>& start, bool) { return std::make_unique<RefImage<U>>(start); }
template <typename Img, typename U, typename Op> Outcome intoOutput(Img& img, const RefImage<U>& start, bool setNext, Op op) {
    auto out = outputFor(img, start, setNext);
    const int returned = op(out.get()) == out.get();
    return Outcome().values("returned the output", &returned, 1).image("output", out.get());
}

// Random values over the whole range of T with a share of zeros and small values; floating types
// mix magnitudes, so that the order of additions changes rounded sums.
template <typename T> T randomElement(std::mt19937& rng) {
    const int kind = int(rng() % 8);
    if constexpr (std::is_floating_point_v<T>) {
        const double sign = (rng() & 1) ? -1.0 : 1.0;
        auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
        const double values[] = {0.0, double(int(rng() % 41) - 20), uniform(-100, 100), sign * uniform(1e6, 1e8),
                                 sign * (16777216.0 + double(rng() % 64)), uniform(-1e-3, 1e-3), sign * uniform(1e20, 1e30), uniform(-3, 3)};
        return T(values[kind]);
    } else {
        using Limits = std::numeric_limits<T>;
        const long long lo = kind <= 3 ? (Limits::is_signed ? -20 : 0) : (long long)(Limits::min());
        const long long hi = kind <= 3 ? lo + 40 : (long long)(Limits::max());
        return kind == 0 ? T(0) : T(std::uniform_int_distribution<long long>(lo, hi)(rng));
    }
}

struct Shape { int w, h, d, f, c; };
inline std::string describe(const Shape& s) {
    std::ostringstream text;
    text << s.w << " x " << s.h << " x " << s.d << " x " << s.f << ", " << s.c << " channel(s)";
    return text.str();
}
// Odd extents, several slices, frames and channels, one element, and a row long enough for a ragged vector tail.
inline const std::vector<Shape>& standardShapes() {
    static const std::vector<Shape> shapes = {{7, 5, 3, 1, 1}, {13, 11, 4, 1, 1}, {6, 4, 2, 2, 3}, {5, 7, 3, 3, 2}, {1, 1, 1, 1, 1}, {149, 9, 3, 1, 1}};
    return shapes;
}
// Every whole-block operation splits this into three chunks (at least 3 * 2^18 elements a frame).
constexpr Shape kSplitShape{131, 67, 31, 1, 3};

// Random elements and spacings, NaN and infinities in floating images for odd seeds, and each
// channel's window between two of its values, with fractional ends so that truncations show.
template <typename T> RefImage<T> randomInput(const Shape& s, unsigned seed) {
    RefImage<T> img(s.w, s.h, s.d, s.f, s.c);
    std::mt19937 rng(seed);
    for (T& e : img.data) e = randomElement<T>(rng);
    for (float& spacing : img.spacing) spacing = 0.5f + 0.25f * float(rng() % 8);
    if (std::is_floating_point_v<T> && seed % 2 != 0 && img.data.size() >= 5) {
        img.data[1] = std::numeric_limits<T>::quiet_NaN();
        img.data[2] = std::numeric_limits<T>::infinity();
        img.data[3] = img.data[img.data.size() / 2] = -std::numeric_limits<T>::infinity();
    }
    for (int c = 0; c < img.channels; ++c) {
        const float low = Ivory::toFloat(img.data[rng() % img.data.size()]) - 0.25f;
        const float high = Ivory::toFloat(img.data[rng() % img.data.size()]) + 0.5f;
        img.setWindow(std::min(low, high), std::max(low, high), c);
    }
    return img;
}
template <typename T> RefImage<T> imageOf(const Shape& s, const std::vector<double>& values) {
    RefImage<T> img(s.w, s.h, s.d, s.f, s.c);
    std::transform(values.begin(), values.end(), img.data.begin(), [](double v) { return T(v); });
    return img;
}

// Equal bit for bit (-0 is not 0), but any NaN matches any NaN: which one an operation yields may follow the operand order.
inline bool same(double a, double b) { return (a == b && std::signbit(a) == std::signbit(b)) || (a != a && b != b); }
inline ::testing::AssertionResult sameOutcome(const Outcome& got, const Outcome& want) {
    if (got.printed != want.printed) return ::testing::AssertionFailure() << "printed\n" << got.printed << "instead of\n" << want.printed;
    if (got.parts.size() != want.parts.size()) return ::testing::AssertionFailure() << got.parts.size() << " parts, not " << want.parts.size();
    for (size_t i = 0; i < want.parts.size(); ++i) {
        const auto &[name, g] = got.parts[i];
        const std::vector<double>& w = want.parts[i].second;
        const auto differ = std::mismatch(g.begin(), g.end(), w.begin(), w.end(), same);
        if (name == want.parts[i].first && differ.first == g.end() && differ.second == w.end()) continue;
        auto failure = ::testing::AssertionFailure() << std::setprecision(17) << name << " instead of " << want.parts[i].first << ", "
                                                     << g.size() << " values for " << w.size() << ", first difference at " << differ.first - g.begin();
        if (differ.first != g.end() && differ.second != w.end()) failure << ": " << *differ.first << " for " << *differ.second;
        return failure;
    }
    return ::testing::AssertionSuccess();
}

// op(image) on the reference image and on its library twin; op returns nothing, an Outcome or an image it made.
// A worked example also gives the lines printed and the values of the first part whose name holds `part`.
template <typename T> struct Case {
    std::string what;
    RefImage<T> input;
    std::function<Outcome(Ivory::ImageBase<T>&)> run;
    std::function<Outcome(RefImage<T>&)> reference;
    std::vector<double> want;
    const char *printed, *part;
};
template <typename T, typename Op>
void add(std::vector<Case<T>>& cases, std::string what, RefImage<T> input, Op op, std::vector<double> want = {},
         const char* printed = nullptr, const char* part = " elements") {
    auto outcome = [op](auto& img) -> Outcome {
        if constexpr (std::is_void_v<decltype(op(img))>) return op(img), Outcome();
        else return made(op(img));
    };
    cases.push_back({std::move(what), std::move(input), outcome, outcome, std::move(want), printed, part});
}

// Every case under every run setting; an input of kSplitShape's size or more on the best target alone.
template <typename T> void expectSame(const std::vector<Case<T>>& cases) {
    for (const Case<T>& c : cases) {
        SCOPED_TRACE(c.what);
        RefImage<T> image = c.input;
        Outcome want;
        want.printed = IvoryTest::captureStdout([&] { want = c.reference(image); });
        want.image("image", image);
        auto part = std::find_if(want.parts.begin(), want.parts.end(), [&](auto& p) { return p.first.find(c.part) != std::string::npos; });
        if (c.printed != nullptr) {
            EXPECT_EQ(want.printed, c.printed);
        }
        if (!c.want.empty()) {
            EXPECT_EQ(part != want.parts.end() ? part->second : std::vector<double>(), c.want);
        }
        const bool large = c.input.data.size() >= size_t(kSplitShape.w) * kSplitShape.h * kSplitShape.d * kSplitShape.c;
        for (const RunSetting& setting : runSettings()) {
            if (large && setting.target != runSettings()[0].target) break;
            SCOPED_TRACE(std::string("target ") + hwy::TargetName(setting.target) + ", " + std::to_string(setting.threads) + " threads");
            useSetting(setting);
            auto library = toLibrary(c.input);
            Outcome got;
            got.printed = IvoryTest::captureStdout([&] { got = c.run(*library); });
            EXPECT_TRUE(sameOutcome(got.image("image", library.get()), want));
        }
        useSetting({0, 0});
    }
}

}  // namespace IvoryReference

#endif
