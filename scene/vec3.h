#ifndef FROSTFELD_VEC3_H
#define FROSTFELD_VEC3_H

// A position, velocity or direction in world units; +y is up.
struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

#endif
