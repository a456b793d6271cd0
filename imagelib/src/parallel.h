#ifndef IVORY_PARALLEL_H
#define IVORY_PARALLEL_H

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "ivory/threading.h"

namespace Ivory::detail {

// Runs body(begin, end) over [first, last) split into contiguous chunks, one
// per thread (at most threadCount(), and none smaller than minChunk items).
// Each chunk must write only its own part of the output, so results do not
// depend on the number of threads. The calling thread takes the first chunk.
template <typename Body>
void parallelFor(long first, long last, long minChunk, Body body) {
    const long count = last - first;
    if (count <= 0) return;
    const long byWork = std::max(1L, count / std::max(1L, minChunk));
    const int threads = static_cast<int>(std::min<long>(threadCount(), byWork));
    if (threads <= 1) {
        body(first, last);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(threads - 1);
    auto chunkStart = [&](int i) { return first + count * i / threads; };
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back(body, chunkStart(i), chunkStart(i + 1));
        } catch (const std::system_error&) {
            body(chunkStart(i), chunkStart(i + 1));  // no thread to be had: do it here
        }
    }
    body(chunkStart(0), chunkStart(1));
    for (std::thread& worker : workers) worker.join();
}

}  // namespace Ivory::detail

#endif
