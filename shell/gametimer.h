#ifndef FROSTFELD_GAMETIMER_H
#define FROSTFELD_GAMETIMER_H

#include <cstdint>

// Where a timer reads its counter: each query answers false when the clock cannot tell.
struct ClockSource {
    bool (*queryFrequency)(int64_t* countsPerSecond);
    bool (*queryCounter)(int64_t* count);
};

// The process's monotonic clock (std::chrono::steady_clock).
const ClockSource& steadyClock();

// A high-resolution start stamp. The counter is read only when the frequency query
// succeeds; otherwise startCount stays 0 and started() is false.
class GameTimer {
public:
    explicit GameTimer(const ClockSource& clock = steadyClock());

    bool started() const { return frequency > 0; }

    int64_t startCount;
    int64_t frequency;
};

#endif
