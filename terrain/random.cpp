#include "terrain/random.h"

RandomSource::RandomSource() : state_(1u) {}

int RandomSource::next()
{
    state_ = state_ * 1103515245u + 12345u;  // unsigned: wraps modulo 2^32
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
}
