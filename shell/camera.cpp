#include "shell/camera.h"

#include <algorithm>
#include <cmath>

#include <GL/glu.h>

#include "shell/angles.h"

namespace {

const float kMaxPitch = 60.0f;
const float kMaxStep = 15.0f;
const float kDamping = -1.5f;

}  // namespace

Camera::Camera() : yaw(0.0f), pitch(0.0f)
{
    target.z = 1.0f;
}

void Camera::update(float dt)
{
    step(dt);
    loadView();
}

void Camera::step(float dt)
{
    if (yaw >= 360.0f || yaw <= -360.0f) {
        yaw = 0.0f;  // reset, not reduced by 360
    }
    pitch = std::clamp(pitch, -kMaxPitch, kMaxPitch);

    const float yawRadians = degreesToRadians(yaw);
    const float pitchRadians = degreesToRadians(pitch);
    const float cy = std::cos(yawRadians);
    const float sy = std::sin(yawRadians);
    const float sp = std::sin(pitchRadians);
    const float cp = std::cos(pitchRadians);

    const float sx = std::clamp(velocity.x * dt, -kMaxStep, kMaxStep);
    const float sz = std::clamp(velocity.z * dt, -kMaxStep, kMaxStep);

    const float speed = std::sqrt(velocity.x * velocity.x + velocity.y * velocity.y +
                                  velocity.z * velocity.z);
    if (speed > 0.0f) {  // a zero velocity keeps the stale acceleration
        acceleration.x = kDamping * velocity.x;
        acceleration.y = kDamping * velocity.y;
        acceleration.z = kDamping * velocity.z;
    }
    velocity.x += acceleration.x * dt;
    velocity.y += acceleration.y * dt;
    velocity.z += acceleration.z * dt;

    const float sideRadians = degreesToRadians(yaw + 90.0f);
    position.x += sx * std::cos(sideRadians) + sz * cy;
    position.z += sx * std::sin(sideRadians) + sz * sy;

    target.x = position.x + cp * cy;
    target.y = position.y + sp;
    target.z = position.z + cp * sy;
}

void Camera::loadView() const
{
    gluLookAt(position.x, position.y, position.z, target.x, target.y, target.z, 0.0, 1.0, 0.0);
}
