// The worker pool: its size, work done when no worker starts, and calls from several threads and from inside chunks.

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "ivory/threading.h"
#include "parallel.h"
#include "test_support.h"

namespace {

// The count settings are read once per process: each row runs in a fresh one (giving up after 30 s), on one CPU
// so the default is 1, and with a default thread stack too large to map, so the caller must do all the work.
TEST(WorkerPool, CountFollowsAffinityThenEnvironmentThenSetThreadCountAndWithoutWorkersTheCallerWorks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct { const char* numThreadsEnv; std::vector<int> setCounts; int expected; } cases[] = {
        {nullptr, {}, 1}, {"3", {}, 3}, {"junk", {}, 1}, {"0", {}, 1}, {"3", {5}, 5}, {"3", {7, -1}, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.numThreadsEnv ? c.numThreadsEnv : "unset") << ", " << c.setCounts.size() << " calls");
        c.numThreadsEnv ? setenv("IVORY_NUM_THREADS", c.numThreadsEnv, 1) : unsetenv("IVORY_NUM_THREADS");
        const auto body = [&] {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(sched_getcpu(), &one);
            pthread_attr_t huge;
            pthread_attr_init(&huge);
            pthread_attr_setstacksize(&huge, size_t(1) << 60);
            if (sched_setaffinity(0, sizeof one, &one) != 0 || pthread_setattr_default_np(&huge) != 0) return 100;
            for (const int count : c.setCounts) Ivory::setThreadCount(count);
            std::vector<int> visits(1000, 0);
            bool onCaller = true;
            Ivory::detail::parallelFor(0, 1000, 1, [&, caller = pthread_self()](int64_t first, int64_t last) {
                onCaller = onCaller && pthread_equal(pthread_self(), caller);
                for (int64_t i = first; i < last; ++i) ++visits[size_t(i)];
            });
            return visits == std::vector<int>(1000, 1) && onCaller ? Ivory::threadCount() : 101;
        };
        EXPECT_EXIT((alarm(30), std::exit(body())), ::testing::ExitedWithCode(c.expected), "");
    }
    unsetenv("IVORY_NUM_THREADS");
}

// Four threads at once, each splitting its range and every chunk splitting again: each item is visited once.
TEST(WorkerPool, ConcurrentAndNestedCallsCoverTheirRangesOnce) {
    Ivory::setThreadCount(3);
    constexpr int kOuter = 64, kInner = 100;
    std::vector<std::atomic<int>> visits(4 * kOuter * kInner);
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                Ivory::detail::parallelFor(0, kOuter, 1, [&](int64_t first, int64_t last) {
                    for (int64_t i = first; i < last; ++i)
                        Ivory::detail::parallelFor(0, kInner, 1, [&](int64_t a, int64_t b) {
                            for (int64_t j = a; j < b; ++j) ++visits[size_t((t * kOuter + i) * kInner + j)];
                        });
                });
        });
    for (std::thread& caller : callers) caller.join();
    Ivory::setThreadCount(0);
    for (size_t i = 0; i < visits.size(); ++i) ASSERT_EQ(visits[i].load(), 20) << "item " << i;
}

}  // namespace
