#ifndef FROSTFELD_CAMERA_H
#define FROSTFELD_CAMERA_H

#include "scene/vec3.h"

// The player's first-person eye. Angles in degrees: yaw 0 looks along +x, 90
// along +z; pitch is positive upwards. velocity is in the camera's own frame
// (x to the right, z forward) and is damped every step.
class Camera {
public:
    Camera();

    // step, then loadView: the whole per-frame update.
    void update(float dt);
    // Clamps the angles, moves the eye, damps the velocity and sets target. No GL.
    void step(float dt);
    // Multiplies the view transform onto the current modelview matrix.
    void loadView() const;

    Vec3 target;
    float yaw;
    float pitch;
    Vec3 acceleration;
    Vec3 velocity;
    Vec3 position;
};

#endif
