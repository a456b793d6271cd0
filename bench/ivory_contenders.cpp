#include "ivory_contenders.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "ivory/elementtypes.h"
#include "ivory/imagebase.h"
#include "rows.h"

namespace bench::ivory {

using Ivory::Image;
using Ivory::ImageBase;

template <typename T>
std::shared_ptr<ImageBase<T>> blankImage(int width, int height, int depth, int channels) {
    auto image = std::make_shared<ImageBase<T>>();
    image->init(width, height, depth, 1, channels);
    image->m_verbose = 0;  // progress lines would be timed too
    return image;
}

template <typename T>
void restore(ImageBase<T>& image, const Volume<T>& from) {
    if (image.m_data != nullptr && size_t(image.m_image_size) == from.size())
        std::memcpy(image.m_data, from.data.data(), from.bytes());
}

template <typename T>
std::shared_ptr<ImageBase<T>> imageOf(const Volume<T>& v) {
    auto image = blankImage<T>(v.width, v.height, v.depth, 1);
    restore(*image, v);
    return image;
}

double valueAt(Image* image, Point p, int channel = 0) {
    if (image == nullptr || image->m_dim[0] <= p.x || image->m_dim[1] <= p.y ||
        image->m_dim[2] <= p.z || image->m_channels <= channel)
        return NAN;  // no output (yet) to look at
    return image->getValue(p.x, p.y, p.z, 0, channel);
}

// Filters and derivatives write into an output made once, outside the
// timing, as the peers write into their preallocated results.
void addFilter(Workload& row, std::shared_ptr<ImageBase<float>> source, const std::vector<float>& kernel,
               int n) {
    auto out = blankImage<float>(source->m_dim[0], source->m_dim[1], source->m_dim[2], 1);
    row[Library::Ivory].run = [=] { source->filter(Ivory::kTypeFloat, kernel.data(), n, out.get()); };
    row[Library::Ivory].probe = [=] { return valueAt(out.get(), kProbe); };
}

// A result the operation makes itself is deleted in the next untimed
// prepare step.
struct OwnedResult {
    Image* image = nullptr;
    void drop() {
        delete image;
        image = nullptr;
    }
    ~OwnedResult() { drop(); }
};

template <typename T>
void addDownsample(Workload& row, const Volume<T>& v) {
    auto source = imageOf(v);
    auto result = std::make_shared<OwnedResult>();
    row[Library::Ivory].prepare = [=] { result->drop(); };
    row[Library::Ivory].run = [=] { result->image = source->downsample(2, 2, 2, 1, true); };
    row[Library::Ivory].probe = [=] { return valueAt(result->image, kProbeHalf); };
}

// In-place operations work on their own image, restored from the input in
// the untimed prepare step before every run, so each run starts from the
// same data and the same cache state as the peers' runs.
template <typename T, typename Run>
void addInPlace(Workload& row, const Volume<T>& v, Point probe, Run run,
                std::shared_ptr<ImageBase<T>> image) {
    row[Library::Ivory].prepare = [=, &v] { restore(*image, v); };
    row[Library::Ivory].run = [=] { run(*image); };
    row[Library::Ivory].probe = [=] { return valueAt(image.get(), probe); };
}

void addInterpolation(Workload& row, const Inputs& in, std::shared_ptr<ImageBase<float>> cube,
                      bool cubic) {
    auto samples = std::make_shared<std::vector<float>>(in.px.size());
    row[Library::Ivory].run = [=, &in] {
        float* out = samples->data();
        const size_t n = in.px.size();
        if (cubic) {
            for (size_t i = 0; i < n; ++i) out[i] = cube->interpolateCubicValue(in.px[i], in.py[i], in.pz[i]);
        } else {
            for (size_t i = 0; i < n; ++i) out[i] = cube->interpolateLinearValue(in.px[i], in.py[i], in.pz[i]);
        }
    };
    row[Library::Ivory].probe = [=] { return double((*samples)[0]); };
}

// The batch samplers: every point in one call, over the pool.
template <typename Sample>
void addBatchSampling(Workload& row, const Inputs& in, std::shared_ptr<ImageBase<float>> cube, Sample sample) {
    auto samples = std::make_shared<std::vector<float>>(in.px.size());
    row[Library::Ivory].run = [=, &in] {
        ((*cube).*sample)(in.px.data(), in.py.data(), in.pz.data(), int64_t(in.px.size()), samples->data());
    };
    row[Library::Ivory].probe = [=] { return double((*samples)[0]); };
}

}  // namespace bench::ivory

namespace bench {

void addIvoryContenders(Workloads& rows, const Inputs& in) {
    using namespace ivory;
    auto floats = imageOf(in.floats);
    auto cube = imageOf(in.cube);
    const int w = in.floats.width, h = in.floats.height, d = in.floats.depth;

    addFilter(rows.get(op::filter3), floats, in.kernel3, 3);
    addFilter(rows.get(op::filter7), floats, in.kernel7, 7);

    {
        auto out = blankImage<float>(w, h, d, 2);
        Workload& row = rows.get(op::gradient);
        row[Library::Ivory].run = [=] { floats->gradient(Ivory::kTypeFloat, nullptr, true, out.get()); };
        row[Library::Ivory].probe = [=] { return valueAt(out.get(), kProbe); };
    }
    {
        auto out = blankImage<float>(in.cube.width, in.cube.height, in.cube.depth, 3);
        Workload& row = rows.get(op::gradient3D);
        row[Library::Ivory].run = [=] {
            cube->gradient3D(Ivory::kTypeFloat, nullptr, true, false, out.get());
        };
        row[Library::Ivory].probe = [=] { return valueAt(out.get(), kProbeCube); };
    }

    addDownsample(rows.get(op::downsampleBytes), in.bytes);
    addDownsample(rows.get(op::downsampleFloat), in.floats);

    // rotate and flip make a new block each run, as their contract says; the
    // peers likewise make a fresh output each run.
    addInPlace(rows.get(op::rotate), in.floats, kProbeRotated, [](ImageBase<float>& i) { i.rotate(2); },
               imageOf(in.floats));

    auto windowed = [&] {
        auto image = imageOf(in.shorts);
        image->setWindow(in.windowLow, in.windowHigh, 0);
        return image;
    };
    {
        // Written into a caller's buffer, as convertTo writes into its Mat.
        auto shorts = windowed();
        auto bytes = std::make_shared<std::vector<unsigned char>>(in.shorts.size());
        Workload& row = rows.get(op::toBytes);
        row[Library::Ivory].run = [=] { shorts->toBytes(bytes->data(), false); };
        row[Library::Ivory].probe = [=, &in] { return double((*bytes)[in.shorts.index(kProbe.x, kProbe.y, kProbe.z)]); };
    }

    addInterpolation(rows.get(op::linear), in, cube, false);
    addInterpolation(rows.get(op::cubic), in, cube, true);
    addBatchSampling(rows.get(op::linearBatch), in, cube, &ImageBase<float>::interpolateLinearValues);
    addBatchSampling(rows.get(op::cubicBatch), in, cube, &ImageBase<float>::interpolateCubicValues);
    addBatchSampling(rows.get(op::nearestBatch), in, cube, &ImageBase<float>::getPixelValues);

    addInPlace(rows.get(op::invert), in.shorts, kProbe, [](ImageBase<short>& i) { i.invert(); }, windowed());
    addInPlace(rows.get(op::windowLevel), in.shorts, kProbe,
               [](ImageBase<short>& i) { i.applyWindowLevel(false); }, windowed());
    addInPlace(rows.get(op::flip), in.shorts, kProbeFlipped,
               [](ImageBase<short>& i) { i.flip(true, true, false, false); }, imageOf(in.shorts));
    addInPlace(rows.get(op::swapBytes), in.shorts, kProbe, [](ImageBase<short>& i) { i.swapBytes(); },
               imageOf(in.shorts));
    {
        auto shorts = imageOf(in.shorts);
        Workload& row = rows.get(op::windowFromData);
        row[Library::Ivory].prepare = [=] { shorts->setWindow(0, 0, 0); };
        row[Library::Ivory].run = [=] { shorts->setWindowFromData(); };
        row[Library::Ivory].probe = [=] { return double(shorts->m_window[3]); };
    }
}

}  // namespace bench
