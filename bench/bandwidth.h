#ifndef IVORY_BENCH_BANDWIDTH_H
#define IVORY_BENCH_BANDWIDTH_H

namespace bench {

// Memory bandwidth in bytes per second (bytes read plus bytes written) of
// the fastest of a few large memcpy runs, split over `threads` threads. The
// buffers are far larger than the caches, so this is main-memory bandwidth.
double measureCopyBandwidth(int threads);

}  // namespace bench

#endif
