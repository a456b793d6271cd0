#include "scene/player.h"

#include <typeinfo>

#include "scene/snowball.h"
#include "shell/camera.h"
#include "terrain/field.h"

Player::Player() : Player(nullptr, nullptr) {}

Player::Player(Camera* camera, Field* field) : camera(camera), field(field), health(100.0f)
{
    radius = 7.0f;
}

void Player::update()
{
    if (camera == nullptr) {
        return;
    }
    position = camera->position;
}

void Player::onCollision(Object* other)
{
    if (typeid(*other) != typeid(Field)) {
        return;
    }
    const Field* ground = static_cast<const Field*>(other);
    position.y = ground->heightAt(position.x, position.z) + radius;
}

void Player::throwSnowball()
{
    Snowball* snowball = new Snowball();
    snowball->pitch = camera->pitch;
    snowball->yaw = camera->yaw;
    snowball->flightPosition = camera->position;
    snowball->position = snowball->flightPosition;
    snowball->setParent(field);
}
