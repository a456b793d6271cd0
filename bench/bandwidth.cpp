#include "bandwidth.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace bench {

double measureCopyBandwidth(int threads) {
    const std::size_t bytes = std::size_t(256) << 20;
    std::vector<char> source(bytes, 1);  // filled: every page is touched before timing
    std::vector<char> target(bytes, 0);
    const std::size_t share = bytes / threads;

    double bestSeconds = 1e30;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> workers;
        for (int t = 1; t < threads; ++t) {
            workers.emplace_back([&, t] { std::memcpy(&target[t * share], &source[t * share], share); });
        }
        std::memcpy(target.data(), source.data(), share);
        for (std::thread& worker : workers) worker.join();
        const auto stop = std::chrono::steady_clock::now();
        bestSeconds = std::min(bestSeconds, std::chrono::duration<double>(stop - start).count());
    }
    return 2.0 * static_cast<double>(share) * threads / bestSeconds;
}

}  // namespace bench
