#include "ivory/threading.h"

#include <atomic>
#include <thread>

namespace Ivory {

namespace detail::threading {
std::atomic<int> requestedCount{0};  // 0: all cores
}

void setThreadCount(int n) { detail::threading::requestedCount = n <= 0 ? 0 : n; }

int threadCount() {
    const int requested = detail::threading::requestedCount;
    if (requested > 0) return requested;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace Ivory
