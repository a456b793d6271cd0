#ifndef FROSTFELD_SNOWBALL_H
#define FROSTFELD_SNOWBALL_H

#include "scene/object.h"
#include "shell/gametimer.h"

// A thrown snowball: flies straight on from the eye where the camera looked, 0.6
// world units per drawn frame, drawn as a small grey sphere. position follows
// flightPosition, so the bounding sphere (the drawn radius) is where it is drawn.
class Snowball : public Object {
public:
    explicit Snowball(const ClockSource& clock = steadyClock());
    ~Snowball() override;

    // The flight step: speed * dt along the heading yaw and elevation pitch.
    void integrate(float dt) override;
    // Draws the sphere where the snowball is, then advances the flight by 0.005.
    void draw(Camera* camera) override;
    void onCollision(Object* other) override;
    // Always empty: see the note in snowball.cpp on why it runs no collision pass.
    void update() override;

    float speed;
    Vec3 flightPosition;
    float yaw;
    float pitch;
    bool inactive;  // when set, the snowball is neither drawn nor moved, and is due for removal
    GameTimer* timer;
};

#endif
