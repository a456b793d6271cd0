#ifndef FROSTFELD_PLAYER_H
#define FROSTFELD_PLAYER_H

#include "scene/object.h"

class Field;

// The person at the keyboard: follows the camera, carries the health, throws snowballs.
// Its radius (7.0) is also the eye height above the ground.
class Player : public Object {
public:
    Player();
    Player(Camera* camera, Field* field);

    // Copies the camera's eye into position; runs no collision pass.
    void update() override;
    // Stands on a Field (exact type): centre radius above the ground. Other objects: nothing.
    void onCollision(Object* other) override;
    // Makes a snowball from the camera's view and appends it under field.
    void throwSnowball();

    Camera* camera;
    Field* field;
    float health;
};

#endif
