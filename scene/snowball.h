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
    // Draws the sphere where the snowball is, then advances the flight by 0.005. A
    // snowball that coincides with the one drawn just before it is not drawn again:
    // the same opaque sphere twice gives the same pixels, and snowballs thrown in one
    // frame would otherwise multiply the fill cost. A snowball fresh from the eye
    // encloses the eye and fills the view for its first frame or two, so the fill
    // cost of a frame grows with the throws per frame, not with the snowballs in flight.
    void draw(Camera* camera) override;
    // True when the previous sibling, already drawn and stepped in this walk, is a
    // snowball in the same place flying the same way (both after their step).
    bool coincidesWithPrevious() const;
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
