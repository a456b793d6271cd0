#include "peers_opencv.h"

#include <memory>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "rows.h"

namespace bench::opencv {

template <typename T> constexpr int matType();
template <> constexpr int matType<float>() { return CV_32F; }
template <> constexpr int matType<unsigned char>() { return CV_8U; }
template <> constexpr int matType<short>() { return CV_16S; }

// A view of the input volume, never written.
template <typename T>
cv::Mat view(const Volume<T>& v) {
    return cv::Mat(v.depth * v.height, v.width, matType<T>(), const_cast<T*>(v.data.data()));
}

cv::Mat slice(const cv::Mat& volume, int height, int z) { return volume.rowRange(z * height, (z + 1) * height); }

double at(const cv::Mat& volume, int height, Point p) {
    if (volume.empty()) return NAN;
    const int row = p.z * height + p.y;
    switch (volume.type()) {
        case CV_32F: return volume.at<float>(row, p.x);
        case CV_8U: return volume.at<unsigned char>(row, p.x);
        case CV_16S: return volume.at<short>(row, p.x);
    }
    return NAN;
}

void addFilter(Workload& row, const Volume<float>& v, const std::vector<float>& taps, int n) {
    const cv::Mat source = view(v);
    const cv::Mat kernel = cv::Mat(n, n, CV_32F, const_cast<float*>(taps.data())).clone();
    auto out = std::make_shared<cv::Mat>(source.size(), CV_32F);
    row[Library::OpenCV].run = [=, h = v.height, d = v.depth] {
        for (int z = 0; z < d; ++z) {
            cv::Mat target = slice(*out, h, z);
            cv::filter2D(slice(source, h, z), target, CV_32F, kernel, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
        }
    };
    row[Library::OpenCV].probe = [=, h = v.height] { return at(*out, h, kProbe); };
}

void addGradient(Workload& row, const Volume<float>& v) {
    const cv::Mat source = view(v);
    auto dx = std::make_shared<cv::Mat>(source.size(), CV_32F);
    auto dy = std::make_shared<cv::Mat>(source.size(), CV_32F);
    row[Library::OpenCV].run = [=, h = v.height, d = v.depth] {
        for (int z = 0; z < d; ++z) {
            cv::Mat x = slice(*dx, h, z), y = slice(*dy, h, z);
            cv::Sobel(slice(source, h, z), x, CV_32F, 1, 0, 3, 1, 0, cv::BORDER_CONSTANT);
            cv::Sobel(slice(source, h, z), y, CV_32F, 0, 1, 3, 1, 0, cv::BORDER_CONSTANT);
        }
    };
    // gradient's default kernel weighs row -1 positively: channel 0 is -dy.
    row[Library::OpenCV].probe = [=, h = v.height] { return -at(*dy, h, kProbe); };
}

// One 2-D pass of the 3-D gradient: a 3 x 3 kernel applied to the slice at
// an offset from the output slice.
struct PlaneTerm {
    int sliceOffset;
    cv::Mat kernel;
};

// The 27-entry kernel split into per-slice 3 x 3 kernels for one component;
// all-zero planes are dropped, as Ivory skips zero taps.
std::vector<PlaneTerm> planeTerms(int component) {
    std::vector<PlaneTerm> terms;
    for (int offset = -1; offset <= 1; ++offset) {
        cv::Mat kernel = cv::Mat::zeros(3, 3, CV_32F);
        for (int k = 0; k < 27; ++k) {
            const int a = k % 3 - 1, b = k % 9 / 3 - 1, c = k / 9 - 1;
            // Offsets along (x, y, z) of entry k for the component.
            const int dx = component == 0 ? c : a;
            const int dy = component == 1 ? c : b;
            const int dz = component == 0 ? a : component == 1 ? b : c;
            if (dz == offset) kernel.at<float>(dy + 1, dx + 1) = kGradient3DKernel[k];
        }
        if (cv::countNonZero(kernel) > 0) terms.push_back({offset, kernel});
    }
    return terms;
}

void addGradient3D(Workload& row, const Volume<float>& v) {
    const cv::Mat source = view(v);
    struct State {
        cv::Mat out[3];
        std::vector<PlaneTerm> terms[3];
        cv::Mat scratch;
    };
    auto s = std::make_shared<State>();
    for (int c = 0; c < 3; ++c) {
        s->out[c] = cv::Mat::zeros(source.size(), CV_32F);  // the first and last slice stay 0, as in Ivory
        s->terms[c] = planeTerms(c);
    }
    s->scratch.create(v.height, v.width, CV_32F);
    row[Library::OpenCV].run = [=, h = v.height, d = v.depth] {
        for (int z = 1; z < d - 1; ++z) {
            for (int c = 0; c < 3; ++c) {
                cv::Mat target = slice(s->out[c], h, z);
                bool first = true;
                for (const PlaneTerm& term : s->terms[c]) {
                    cv::Mat into = first ? target : s->scratch;
                    cv::filter2D(slice(source, h, z + term.sliceOffset), into, CV_32F, term.kernel,
                                 cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
                    if (!first) cv::add(target, s->scratch, target);
                    first = false;
                }
            }
        }
    };
    row[Library::OpenCV].probe = [=, h = v.height] { return at(s->out[0], h, kProbeCube); };
}

// INTER_AREA halves each slice; the two halves of a slice pair are then
// averaged, which completes the 2x2x2 mean. The output is made fresh each
// run, as Ivory's downsample makes a new image.
template <typename T>
void addDownsample(Workload& row, const Volume<T>& v) {
    const cv::Mat source = view(v);
    struct State {
        cv::Mat out, even, odd;
    };
    auto s = std::make_shared<State>();
    const cv::Size half(v.width / 2, v.height / 2);
    row[Library::OpenCV].prepare = [=] { s->out.release(); };
    row[Library::OpenCV].run = [=, h = v.height, d = v.depth] {
        s->out.create((d / 2) * half.height, half.width, matType<T>());
        for (int z = 0; z < d / 2; ++z) {
            cv::resize(slice(source, h, 2 * z), s->even, half, 0, 0, cv::INTER_AREA);
            cv::resize(slice(source, h, 2 * z + 1), s->odd, half, 0, 0, cv::INTER_AREA);
            cv::Mat target = slice(s->out, half.height, z);
            cv::addWeighted(s->even, 0.5, s->odd, 0.5, 0, target);
        }
    };
    row[Library::OpenCV].probe = [=] { return at(s->out, half.height, kProbeHalf); };
}

// A fresh output each run, as Ivory's rotate and flip make a new block.
template <typename T, typename PerSlice>
void addSliceCopy(Workload& row, const Volume<T>& v, cv::Size sliceSize, Point probe, PerSlice perSlice) {
    const cv::Mat source = view(v);
    auto out = std::make_shared<cv::Mat>();
    row[Library::OpenCV].prepare = [=] { out->release(); };
    row[Library::OpenCV].run = [=, h = v.height, d = v.depth] {
        out->create(d * sliceSize.height, sliceSize.width, matType<T>());
        for (int z = 0; z < d; ++z) {
            cv::Mat target = slice(*out, sliceSize.height, z);
            perSlice(slice(source, h, z), target);
        }
    };
    row[Library::OpenCV].probe = [=] { return at(*out, sliceSize.height, probe); };
}

// In place on a copy restored before every run, as for Ivory.
template <typename Run>
void addInPlace(Workload& row, const Volume<short>& v, Run run) {
    const cv::Mat source = view(v);
    auto work = std::make_shared<cv::Mat>(source.clone());
    row[Library::OpenCV].prepare = [=] { source.copyTo(*work); };
    row[Library::OpenCV].run = [=] { run(*work); };
    row[Library::OpenCV].probe = [=, h = v.height] { return at(*work, h, kProbe); };
}

}  // namespace bench::opencv

namespace bench {

void setOpenCvThreads(int n) { cv::setNumThreads(n); }

void addOpenCvContenders(Workloads& rows, const Inputs& in) {
    using namespace opencv;
    addFilter(rows.get(op::filter3), in.floats, in.kernel3, 3);
    addFilter(rows.get(op::filter7), in.floats, in.kernel7, 7);
    addGradient(rows.get(op::gradient), in.floats);
    addGradient3D(rows.get(op::gradient3D), in.cube);
    addDownsample(rows.get(op::downsampleBytes), in.bytes);
    addDownsample(rows.get(op::downsampleFloat), in.floats);
    addSliceCopy(rows.get(op::rotate), in.floats, cv::Size(in.floats.height, in.floats.width), kProbeRotated,
                 [](const cv::Mat& from, cv::Mat& to) { cv::rotate(from, to, cv::ROTATE_90_COUNTERCLOCKWISE); });
    addSliceCopy(rows.get(op::flip), in.shorts, cv::Size(in.shorts.width, in.shorts.height), kProbeFlipped,
                 [](const cv::Mat& from, cv::Mat& to) { cv::flip(from, to, -1); });

    {
        const double low = in.windowLow, high = in.windowHigh;
        const cv::Mat source = view(in.shorts);
        auto bytes = std::make_shared<cv::Mat>(source.size(), CV_8U);
        Workload& row = rows.get(op::toBytes);
        row[Library::OpenCV].run = [=] { source.convertTo(*bytes, CV_8U, 255.0 / (high - low), -low * 255.0 / (high - low)); };
        row[Library::OpenCV].probe = [=, h = in.shorts.height] { return at(*bytes, h, kProbe); };
    }

    const double low = in.windowLow, high = in.windowHigh;
    addInPlace(rows.get(op::invert), in.shorts, [=](cv::Mat& m) { cv::subtract(cv::Scalar(low + high), m, m); });
    addInPlace(rows.get(op::windowLevel), in.shorts, [=](cv::Mat& m) {
        cv::max(m, low, m);
        cv::min(m, high, m);
        cv::subtract(m, cv::Scalar(low), m);
    });
    {
        const cv::Mat source = view(in.shorts);
        auto high = std::make_shared<double>(0);
        Workload& row = rows.get(op::windowFromData);
        row[Library::OpenCV].run = [=] { cv::minMaxLoc(source, nullptr, high.get()); };
        row[Library::OpenCV].probe = [=] { return *high; };
    }
}

}  // namespace bench
