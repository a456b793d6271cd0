#ifndef FROSTFELD_ANGLES_H
#define FROSTFELD_ANGLES_H

// Pi as the nearest single-precision value; the game's angles are converted with it.
const float kPi = 3.1415927f;

// Degrees to radians in single precision, as angle * pi / 180.
inline float degreesToRadians(float degrees)
{
    return degrees * kPi / 180.0f;
}

#endif
