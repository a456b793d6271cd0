#include "scene/snowball.h"

#include <cmath>
#include <iostream>

#include <GL/freeglut.h>

namespace {

const double kPiAsFloat = 3.1415927410125732;  // the single-precision pi, widened
const float kFlightStep = 0.005f;
const float kDrawnRadius = 25.5f * 0.025f;  // 0.6375 world units after the draw's scale

float toRadians(float degrees)
{
    return static_cast<float>(degrees * kPiAsFloat / 180.0);
}

}  // namespace

Snowball::Snowball(const ClockSource& clock)
    : speed(120.0f), yaw(0.0f), pitch(0.0f), inactive(false), timer(new GameTimer(clock))
{
    radius = kDrawnRadius;
    if (!timer->started()) {
        std::cout << "Timer funktioniert nicht!" << std::endl;
    }
}

Snowball::~Snowball()
{
    delete timer;
}

void Snowball::integrate(float dt)
{
    const float p = toRadians(pitch);
    const float h = toRadians(yaw);
    const float step = speed * dt;
    flightPosition.x += std::cos(h) * std::cos(p) * step;
    flightPosition.y += std::sin(p) * step;
    flightPosition.z += std::sin(h) * std::cos(p) * step;
    position = flightPosition;
}

void Snowball::draw(Camera*)
{
    if (inactive) {
        return;
    }
    const Vec3 drawnAt = flightPosition;  // each frame shows where it was before its step
    integrate(kFlightStep);
    if (coincidesWithPrevious()) {
        return;  // the twin just drew these pixels and left this very GL state
    }
    glColor3f(0.7f, 0.7f, 0.7f);
    glEnable(GL_TEXTURE_2D);  // whatever texture was bound last (the snow) applies
    glTranslatef(drawnAt.x, drawnAt.y, drawnAt.z);
    glRotatef(-yaw, 0.0f, 1.0f, 0.0f);
    glRotatef(pitch, 0.0f, 0.0f, 1.0f);
    glScalef(0.025f, 0.025f, 0.025f);
    glutSolidSphere(25.5, 5, 5);
    glDisable(GL_TEXTURE_2D);
}

bool Snowball::coincidesWithPrevious() const
{
    if (parent == nullptr || parent->firstChild == this) {
        return false;  // the previous sibling is not drawn before this one
    }
    const auto* earlier = dynamic_cast<const Snowball*>(prev);
    return earlier != nullptr && !earlier->inactive && earlier->yaw == yaw &&
           earlier->pitch == pitch && earlier->speed == speed &&
           earlier->flightPosition.x == flightPosition.x &&
           earlier->flightPosition.y == flightPosition.y &&
           earlier->flightPosition.z == flightPosition.z;
}

void Snowball::onCollision(Object*) {}

// A snowball's pass calls onCollision only on the snowball, its children (it has
// none) and its later siblings with their subtrees. Snowballs are always appended
// last under the field, so those are all snowballs, whose onCollision does nothing:
// the pass can have no effect. Run once per snowball per frame it would cost
// O(n^2) and more, since every snowball meets the field's sphere. It is not run.
void Snowball::update() {}
