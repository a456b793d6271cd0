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
    glColor3f(0.7f, 0.7f, 0.7f);
    glEnable(GL_TEXTURE_2D);  // whatever texture was bound last (the snow) applies
    glTranslatef(flightPosition.x, flightPosition.y, flightPosition.z);
    glRotatef(-yaw, 0.0f, 1.0f, 0.0f);
    glRotatef(pitch, 0.0f, 0.0f, 1.0f);
    glScalef(0.025f, 0.025f, 0.025f);
    glutSolidSphere(25.5, 5, 5);
    integrate(kFlightStep);
    glDisable(GL_TEXTURE_2D);
}

void Snowball::onCollision(Object*) {}

// A snowball's pass calls onCollision only on the snowball, its children (it has
// none) and its later siblings with their subtrees. Snowballs are always appended
// last under the field, so those are all snowballs, whose onCollision does nothing:
// the pass can have no effect. Run once per snowball per frame it would cost
// O(n^2) and more, since every snowball meets the field's sphere. It is not run.
void Snowball::update() {}
