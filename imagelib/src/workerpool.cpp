#include "workerpool.h"

#include <pthread.h>

#include <climits>

namespace Ivory::detail::workerpool {

namespace {

// Plain pthread objects with static initialisers: the pool needs no
// constructor, has no destructor, and so is never torn down while a worker
// might still use it at exit.
struct Pool {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t queued = PTHREAD_COND_INITIALIZER;    // a job with unclaimed chunks arrived
    pthread_cond_t finished = PTHREAD_COND_INITIALIZER;  // some job's last chunk finished
    Job* queue = nullptr;                                // jobs with unclaimed chunks, oldest first
    int workers = 0;
    int startLimit = INT_MAX;  // after a failed start: the workers the pool settles for
};

Pool pool;

thread_local bool insideWorker = false;

class Locked {
public:
    Locked() { pthread_mutex_lock(&pool.lock); }
    ~Locked() { pthread_mutex_unlock(&pool.lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// Hands out the job's next chunk; a job whose last chunk is out leaves the
// queue. Under the lock.
int claim(Job& job) {
    const int chunk = job.claimed++;
    if (job.claimed == job.chunks) {
        Job** link = &pool.queue;
        while (*link != &job) link = &(*link)->next;
        *link = job.next;
    }
    return chunk;
}

void runClaimed(Job& job, int chunk) {
    pthread_mutex_unlock(&pool.lock);
    job.run(job.context, chunk);
    pthread_mutex_lock(&pool.lock);
    --job.unfinished;
}

void* workerMain(void*) {
    insideWorker = true;
    Locked locked;
    for (;;) {
        while (pool.queue == nullptr) pthread_cond_wait(&pool.queued, &pool.lock);
        Job& job = *pool.queue;
        runClaimed(job, claim(job));
        if (job.unfinished == 0) pthread_cond_broadcast(&pool.finished);
    }
    return nullptr;
}

// Starts workers until there are `wanted`; a start that fails (it reports an
// error code, never throws) leaves the pool with the workers it has. Under
// the lock.
void startWorkers(int wanted) {
    if (wanted > pool.startLimit) wanted = pool.startLimit;
    if (pool.workers >= wanted) return;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        pool.startLimit = pool.workers;
        return;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    while (pool.workers < wanted) {
        pthread_t thread;
        if (pthread_create(&thread, &attributes, workerMain, nullptr) != 0) {
            pool.startLimit = pool.workers;
            break;
        }
        ++pool.workers;
    }
    pthread_attr_destroy(&attributes);
}

void runInline(Job& job) {
    for (int chunk = 0; chunk < job.chunks; ++chunk) job.run(job.context, chunk);
}

// Queues the job and wakes workers for it; false when the pool has none.
bool queued(Job& job) {
    Locked locked;
    startWorkers(job.chunks - 1);
    if (pool.workers == 0) return false;
    job.claimed = 0;
    job.unfinished = job.chunks;
    job.next = nullptr;
    Job** tail = &pool.queue;
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = &job;
    if (job.chunks - 1 >= pool.workers) {
        pthread_cond_broadcast(&pool.queued);
    } else {
        for (int i = 1; i < job.chunks; ++i) pthread_cond_signal(&pool.queued);
    }
    return true;
}

}  // namespace

void run(Job& job) {
    if (job.chunks <= 1 || insideWorker || !queued(job)) {
        runInline(job);
        return;
    }
    // The caller works on its own job until every chunk is out, then waits
    // for the ones still running elsewhere.
    Locked locked;
    while (job.claimed < job.chunks) runClaimed(job, claim(job));
    while (job.unfinished > 0) pthread_cond_wait(&pool.finished, &pool.lock);
}

void retryWorkerStarts() {
    Locked locked;
    pool.startLimit = INT_MAX;
}

}  // namespace Ivory::detail::workerpool
