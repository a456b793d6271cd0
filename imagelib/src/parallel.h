#ifndef IVORY_PARALLEL_H
#define IVORY_PARALLEL_H

// Work split into contiguous chunks over the worker pool. Chunk i of
// [first, last) split into n is [first + count*i/n, first + count*(i+1)/n);
// each chunk must write only its own part of the output, so that results
// never depend on the number of chunks. Nothing here allocates.

#include <algorithm>
#include <cstdint>

#include "ivory/threading.h"
#include "workerpool.h"

namespace Ivory::detail {

// Chunks for `count` items: one per thread (threadCount()), but none smaller
// than minChunk items, and at least one.
inline int chunkCount(int64_t count, int64_t minChunk) {
    const int64_t byWork = std::max<int64_t>(1, count / std::max<int64_t>(1, minChunk));
    return static_cast<int>(std::min<int64_t>(threadCount(), byWork));
}

// Runs body(chunk, begin, end) for the `chunks` chunks of [first, last).
template <typename Body> void runChunks(int64_t first, int64_t last, int chunks, Body& body) {
    if (last <= first) return;
    struct Split {
        Body* body;
        int64_t first, count;
        int chunks;
    } split{&body, first, last - first, chunks};
    workerpool::Job job;
    job.run = [](void* context, int chunk) {
        const Split& s = *static_cast<const Split*>(context);
        (*s.body)(chunk, s.first + s.count * chunk / s.chunks, s.first + s.count * (chunk + 1) / s.chunks);
    };
    job.context = &split;
    job.chunks = chunks;
    workerpool::run(job);
}

// Runs body(begin, end) over [first, last) in chunkCount(last - first, minChunk) chunks.
template <typename Body> void parallelFor(int64_t first, int64_t last, int64_t minChunk, Body body) {
    auto chunkBody = [&body](int, int64_t begin, int64_t end) { body(begin, end); };
    runChunks(first, last, chunkCount(last - first, minChunk), chunkBody);
}

}  // namespace Ivory::detail

#endif
