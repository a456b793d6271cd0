#include "ivory/threading.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "workerpool.h"

namespace Ivory {

namespace {

std::atomic<int> requestedCount{0};  // 0: the default

int boundedCount(long n) { return static_cast<int>(std::min<long>(n, kMaxThreadCount)); }

// IVORY_NUM_THREADS when it holds a whole number above 0, otherwise the CPUs
// this process may run on (which a container or taskset may keep well below
// the machine's).
int defaultThreadCount() {
    if (const char* text = std::getenv("IVORY_NUM_THREADS")) {
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(text, &end, 10);
        if (errno == 0 && end != text && *end == '\0' && n > 0) return boundedCount(n);
    }
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) {
        return boundedCount(CPU_COUNT(&allowed));
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);  // more CPUs than a cpu_set_t holds
    return online > 0 ? boundedCount(online) : 1;
}

}  // namespace

void setThreadCount(int n) {
    requestedCount = n <= 0 ? 0 : boundedCount(n);
    detail::workerpool::retryWorkerStarts();
}

int threadCount() {
    const int requested = requestedCount;
    if (requested > 0) return requested;
    static const int byDefault = defaultThreadCount();  // read once, when the pool is first used
    return byDefault;
}

}  // namespace Ivory
