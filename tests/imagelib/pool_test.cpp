// The worker pool: where its size comes from, work done when no worker can be
// started, and calls from several threads and from inside chunks.

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

// Settings read once per process: `body` runs in a fresh one (re-executed, so
// the pool starts there anew), its result the exit code; it gives up after 30 s.
template <typename Body> void expectInFreshProcess(Body body, int code) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((alarm(30), std::exit(body())), ::testing::ExitedWithCode(code), "");
}

TEST(WorkerPool, CountFollowsAffinityThenEnvironmentThenSetThreadCount) {
    const struct {
        const char* environment;  // IVORY_NUM_THREADS, or null for none
        std::vector<int> counts;  // given to setThreadCount in turn
        int expected;
    } cases[] = {{nullptr, {}, 1}, {"3", {}, 3}, {"junk", {}, 1}, {"0", {}, 1}, {"3", {5}, 5}, {"3", {7, -1}, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.environment ? c.environment : "no variable") + ", " + std::to_string(c.counts.size()) + " calls");
        c.environment ? setenv("IVORY_NUM_THREADS", c.environment, 1) : unsetenv("IVORY_NUM_THREADS");
        expectInFreshProcess(
            [&] {
                // Kept to one CPU: the default is 1 where the machine may have more.
                cpu_set_t one;
                CPU_ZERO(&one);
                CPU_SET(sched_getcpu(), &one);
                if (sched_setaffinity(0, sizeof one, &one) != 0) return 100;
                for (const int count : c.counts) Ivory::setThreadCount(count);
                return Ivory::threadCount();
            },
            c.expected);
    }
    unsetenv("IVORY_NUM_THREADS");
}

// With a default thread stack too large to be mapped, every worker start
// fails; the caller then does all the work itself.
TEST(WorkerPool, WithoutWorkersTheCallerDoesAllTheWork) {
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t(1) << 44);  // 16 TiB
    pthread_t probe;
    if (pthread_create(&probe, &huge, [](void*) -> void* { return nullptr; }, nullptr) == 0 && pthread_join(probe, nullptr) == 0)
        GTEST_SKIP() << "this system maps even such a stack";
    expectInFreshProcess(
        [&] {
            pthread_setattr_default_np(&huge);
            Ivory::setThreadCount(4);
            std::vector<int> visits(1000, 0);
            bool onCaller = true;
            const pthread_t caller = pthread_self();
            Ivory::detail::parallelFor(0, 1000, 1, [&](int64_t first, int64_t last) {
                onCaller = onCaller && pthread_equal(pthread_self(), caller);
                for (int64_t i = first; i < last; ++i) ++visits[size_t(i)];
            });
            return visits == std::vector<int>(1000, 1) && onCaller ? 0 : 1;
        },
        0);
    pthread_attr_destroy(&huge);
}

// Four threads at once, each splitting its range, and every chunk splitting
// again (run inline on a worker): each item is visited exactly once.
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
