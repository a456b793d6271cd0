#ifndef FROSTFELD_LIGHT_H
#define FROSTFELD_LIGHT_H

// The parameters of the one OpenGL light (light 0): white, a point light at (0, 0, 10).
struct Light {
    float ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float position[4] = {0.0f, 0.0f, 10.0f, 1.0f};  // w = 1: a point light
};

#endif
