#include "timing.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench::timing {

// Touches every line of a buffer four times the last-level cache, writing
// it so that its lines displace the cached data, so every run starts from the
// same cache state: no contender profits from what the one before it, or its
// own prepare step, left in the cache.
unsigned evictCaches() {
    static std::vector<unsigned char> flush(std::size_t(128) << 20, 1);
    unsigned sum = 0;
    for (std::size_t i = 0; i < flush.size(); i += 64) sum += ++flush[i];
    return sum;
}

volatile unsigned evictionSink;  // keeps the eviction reads from being optimised away

double timedMs(const Contender& contender) {
    if (contender.prepare) contender.prepare();
    evictionSink = evictCaches();
    const auto start = std::chrono::steady_clock::now();
    contender.run();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

}  // namespace bench::timing

namespace bench {

Measurement measure(const Contender& contender, const Budget& budget) {
    Measurement m;
    const double firstMs = timing::timedMs(contender);
    if (contender.probe) m.probe = contender.probe();

    const double wanted = budget.seconds * 1000.0 / std::max(firstMs, 1e-3);
    m.runs = std::clamp(static_cast<int>(wanted), budget.minRuns, budget.maxRuns);
    std::vector<double> times;
    times.reserve(m.runs);
    for (int i = 0; i < m.runs; ++i) times.push_back(timing::timedMs(contender));
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    m.medianMs = times[times.size() / 2];
    return m;
}

}  // namespace bench
