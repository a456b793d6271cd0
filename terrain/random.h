#ifndef FROSTFELD_RANDOM_H
#define FROSTFELD_RANDOM_H

#include <cstdint>

// The terrain's random source: a linear congruential generator with a fixed
// initial state, yielding 0..32767. Used instead of the platform rand so the
// landscape is the same on every run and every machine.
class RandomSource {
public:
    static const int kMax = 32767;

    RandomSource();

    int next();

private:
    uint32_t state_;
};

#endif
