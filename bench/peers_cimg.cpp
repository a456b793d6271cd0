#include "peers_cimg.h"

#include <memory>

#define cimg_display 0  // no X11: the benchmark opens no window
#include <CImg.h>

#include "rows.h"

namespace bench::cimg {

using Volume3 = cimg_library::CImg<float>;

Volume3 copyOf(const Volume<float>& v) { return Volume3(v.data.data(), v.width, v.height, v.depth, 1); }

// The 3 x 3 x 3 correlation kernel, indexed (x, y, z), of one gradient3D
// component: entry k of the 27-entry kernel weighs offsets that depend on
// the component, as gradient3D applies it.
Volume3 gradientKernel(int component) {
    Volume3 kernel(3, 3, 3, 1, 0.0f);
    for (int k = 0; k < 27; ++k) {
        const int a = k % 3, b = k % 9 / 3, c = k / 9;
        if (component == 0) kernel(c, b, a) = kGradient3DKernel[k];
        if (component == 1) kernel(a, c, b) = kGradient3DKernel[k];
        if (component == 2) kernel(a, b, c) = kGradient3DKernel[k];
    }
    return kernel;
}

// get_correlate makes its result; CImg has no call that writes into a
// caller's image.
void addGradient3D(Workload& row, const Volume<float>& v) {
    struct State {
        Volume3 source;
        Volume3 kernel[3];
        Volume3 out[3];
    };
    auto s = std::make_shared<State>();
    s->source = copyOf(v);
    for (int c = 0; c < 3; ++c) s->kernel[c] = gradientKernel(c);
    row[Library::CImg].prepare = [=] {
        for (Volume3& out : s->out) out.assign();
    };
    row[Library::CImg].run = [=] {
        for (int c = 0; c < 3; ++c) s->out[c] = s->source.get_correlate(s->kernel[c]);
    };
    row[Library::CImg].probe = [=] {
        return s->out[0].is_empty() ? NAN : double(s->out[0](kProbeCube.x, kProbeCube.y, kProbeCube.z));
    };
}

// cubic_atXYZ is Catmull-Rom (a = -1/2), interpolateCubic uses a = -1: the
// values differ by design, so only the linear samples are compared.
// The point loop is CImg's way to sample many points, so it is the peer of
// the per-point rows and of the batch rows alike.
void addSampling(Workload& row, const Inputs& in, bool cubic) {
    auto source = std::make_shared<Volume3>(copyOf(in.cube));
    auto samples = std::make_shared<std::vector<float>>(in.px.size());
    row[Library::CImg].run = [=, &in] {
        float* out = samples->data();
        const size_t n = in.px.size();
        if (cubic) {
            for (size_t i = 0; i < n; ++i) out[i] = source->cubic_atXYZ(in.px[i], in.py[i], in.pz[i]);
        } else {
            for (size_t i = 0; i < n; ++i) out[i] = source->linear_atXYZ(in.px[i], in.py[i], in.pz[i]);
        }
    };
    if (!cubic) row[Library::CImg].probe = [=] { return double((*samples)[0]); };
}

}  // namespace bench::cimg

namespace bench {

void addCImgContenders(Workloads& rows, const Inputs& in) {
    cimg::addGradient3D(rows.get(op::gradient3D), in.cube);
    cimg::addSampling(rows.get(op::linear), in, false);
    cimg::addSampling(rows.get(op::cubic), in, true);
    cimg::addSampling(rows.get(op::linearBatch), in, false);
    cimg::addSampling(rows.get(op::cubicBatch), in, true);
}

}  // namespace bench
