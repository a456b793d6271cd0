#ifndef IVORY_WORKERPOOL_H
#define IVORY_WORKERPOOL_H

// The library's one set of worker threads, started at first use and kept
// until the process ends. A job is a number of chunks; the calling thread
// queues it, takes chunks itself like any worker and returns when the last
// one has run. Nothing here allocates, and nothing throws.

namespace Ivory::detail::workerpool {

struct Job {
    void (*run)(void* context, int chunk);
    void* context;
    int chunks;
    // Kept by the pool, under its lock.
    int claimed = 0;     // chunks handed out so far
    int unfinished = 0;  // chunks not yet run to the end
    Job* next = nullptr;
};

// Runs every chunk of the job once, on the pool's workers and the calling
// thread, and returns when all have finished. From inside a worker (a job
// whose chunks start jobs of their own) the chunks run inline, one after
// the other, so that no worker ever waits for another.
void run(Job& job);

// Lets the pool try again to start the workers it once failed to start.
void retryWorkerStarts();

}  // namespace Ivory::detail::workerpool

#endif
