#include "loop_contenders.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "rows.h"

namespace bench::loops {

using Shorts = std::vector<short>;

// In-place loops work on their own copy, restored before every run in the
// untimed prepare step, as Ivory's in-place operations are.
template <typename Run>
void addInPlace(Workload& row, const Volume<short>& v, Run run) {
    auto work = std::make_shared<Shorts>(v.data);
    row[Library::Loop].prepare = [work, &v] { std::copy(v.data.begin(), v.data.end(), work->begin()); };
    row[Library::Loop].run = [work, run] { run(*work); };
    row[Library::Loop].probe = [work, &v] { return double((*work)[v.index(kProbe.x, kProbe.y, kProbe.z)]); };
}

// The 2 x 2 x 2 block mean into an output allocated once, outside the
// timing: the fair peer of downsample, which must also make its result.
template <typename T>
void addDownsample(Workload& row, const Volume<T>& v) {
    const int w = v.width / 2, h = v.height / 2, d = v.depth / 2;
    auto out = std::make_shared<std::vector<T>>(std::size_t(w) * h * d);
    row[Library::Loop].run = [out, &v, w, h, d] {
        T* target = out->data();
        for (int z = 0; z < d; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    float sum = 0;
                    for (int k = 0; k < 2; ++k)
                        for (int j = 0; j < 2; ++j)
                            for (int i = 0; i < 2; ++i) sum += float(v.at(2 * x + i, 2 * y + j, 2 * z + k));
                    *target++ = static_cast<T>(sum / 8);
                }
    };
    row[Library::Loop].probe = [out, w, h] {
        return double((*out)[(std::size_t(kProbeHalf.z) * h + kProbeHalf.y) * w + kProbeHalf.x]);
    };
}

// The element under each point (positions are interior, so truncation
// alone finds it), into an output allocated once, outside the timing.
void addNearest(Workload& row, const Inputs& in) {
    auto out = std::make_shared<std::vector<float>>(in.px.size());
    row[Library::Loop].run = [out, &in] {
        const Volume<float>& v = in.cube;
        for (std::size_t i = 0; i < in.px.size(); ++i) (*out)[i] = v.at(int(in.px[i]), int(in.py[i]), int(in.pz[i]));
    };
    row[Library::Loop].probe = [out] { return double((*out)[0]); };
}

}  // namespace bench::loops

namespace bench {

void addLoopContenders(Workloads& rows, const Inputs& in) {
    using loops::Shorts;
    const float low = in.windowLow, high = in.windowHigh;
    const Volume<short>& v = in.shorts;

    loops::addDownsample(rows.get(op::downsampleBytes), in.bytes);
    loops::addDownsample(rows.get(op::downsampleFloat), in.floats);
    loops::addNearest(rows.get(op::nearestBatch), in);

    loops::addInPlace(rows.get(op::invert), v, [sum = low + high](Shorts& s) {
        for (short& e : s) e = static_cast<short>(static_cast<int>(sum - e));
    });
    loops::addInPlace(rows.get(op::windowLevel), v, [lo = short(low), hi = short(high)](Shorts& s) {
        for (short& e : s) e = static_cast<short>(std::clamp(e, lo, hi) - lo);
    });
    loops::addInPlace(rows.get(op::swapBytes), v, [](Shorts& s) {
        for (short& e : s) e = static_cast<short>(__builtin_bswap16(static_cast<uint16_t>(e)));
    });

    {
        // Like Ivory's flip, a fresh block each run (released untimed).
        auto flipped = std::make_shared<std::unique_ptr<short[]>>();
        Workload& row = rows.get(op::flip);
        row[Library::Loop].prepare = [flipped] { flipped->reset(); };
        row[Library::Loop].run = [flipped, &v] {
            flipped->reset(new short[v.size()]);
            for (int z = 0; z < v.depth; ++z)
                for (int y = 0; y < v.height; ++y) {
                    const short* row = &v.data[v.index(0, y, z)];
                    std::reverse_copy(row, row + v.width, flipped->get() + v.index(0, v.height - 1 - y, z));
                }
        };
        row[Library::Loop].probe = [flipped, &v] {
            return double(flipped->get()[v.index(kProbeFlipped.x, kProbeFlipped.y, kProbeFlipped.z)]);
        };
    }
    {
        auto window = std::make_shared<std::pair<short, short>>();  // low, high
        Workload& row = rows.get(op::windowFromData);
        row[Library::Loop].run = [window, &v] {
            short lo = v.data[0], hi = v.data[0];
            for (short e : v.data) {
                lo = std::min(lo, e);
                hi = std::max(hi, e);
            }
            *window = {lo, hi};
        };
        row[Library::Loop].probe = [window] { return double(window->second); };
    }
}

}  // namespace bench
