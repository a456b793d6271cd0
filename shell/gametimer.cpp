#include "shell/gametimer.h"

#include <chrono>

namespace {

bool querySteadyFrequency(int64_t* countsPerSecond)
{
    using Period = std::chrono::steady_clock::period;
    *countsPerSecond = Period::den / Period::num;
    return *countsPerSecond > 0;
}

bool querySteadyCounter(int64_t* count)
{
    *count = std::chrono::steady_clock::now().time_since_epoch().count();
    return true;
}

}  // namespace

const ClockSource& steadyClock()
{
    static const ClockSource clock{querySteadyFrequency, querySteadyCounter};
    return clock;
}

GameTimer::GameTimer(const ClockSource& clock) : startCount(0), frequency(0)
{
    if (!clock.queryFrequency(&frequency)) {
        frequency = 0;
        return;
    }
    clock.queryCounter(&startCount);
}
