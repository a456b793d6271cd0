// The camera's per-frame step: damping, step clamp, angle reset and clamp, motion.
#include <vector>

#include <gtest/gtest.h>

#include "shell/camera.h"

namespace {

TEST(CameraStep, APushDiesAwayWithAlternatingSign)
{
    Camera camera;
    camera.velocity.z = 3.5f;
    std::vector<float> positions;
    for (int k = 0; k < 4; ++k) {
        camera.step(1.0f);
        positions.push_back(camera.position.x);
    }
    EXPECT_EQ(positions, (std::vector<float>{3.5f, 1.75f, 2.625f, 2.1875f}));
    for (int k = 0; k < 60; ++k) camera.step(1.0f);
    EXPECT_NEAR(camera.position.x, 7.0f / 3.0f, 1e-5f);
    EXPECT_EQ(camera.position.z, 0.0f);
}

TEST(CameraStep, StepIsClampedTo15OnEachAxis)
{
    Camera camera;
    camera.velocity = {30.0f, 0.0f, 40.0f};  // right and forward at yaw 0: +z and +x
    camera.step(1.0f);
    EXPECT_FLOAT_EQ(camera.position.x, 15.0f);
    EXPECT_FLOAT_EQ(camera.position.z, 15.0f);
    EXPECT_EQ(camera.velocity.z, -20.0f);
    camera.step(1.0f);
    EXPECT_NEAR(camera.position.x, 0.0f, 1e-5f);
    EXPECT_EQ(camera.velocity.z, 10.0f);
}

TEST(CameraStep, YawResetsToZeroAndPitchIsClamped)
{
    struct Case {
        float yaw, pitch, expectedYaw, expectedPitch;
    };
    for (const Case& c : {Case{359.9f, 60.0f, 359.9f, 60.0f}, Case{360.0f, 75.0f, 0.0f, 60.0f},
                          Case{361.0f, -61.0f, 0.0f, -60.0f}, Case{-360.0f, -60.0f, 0.0f, -60.0f}}) {
        Camera camera;
        camera.yaw = c.yaw;
        camera.pitch = c.pitch;
        camera.step(1.0f);
        EXPECT_EQ(camera.yaw, c.expectedYaw);
        EXPECT_EQ(camera.pitch, c.expectedPitch);
    }
}

TEST(CameraStep, TargetIsOneUnitAlongTheViewAndPitchDoesNotLift)
{
    Camera camera;
    EXPECT_EQ(camera.target.z, 1.0f);
    camera.position = {10.0f, 5.0f, 20.0f};
    camera.step(1.0f);
    EXPECT_EQ(camera.target.x, 11.0f);
    EXPECT_EQ(camera.target.y, 5.0f);
    EXPECT_EQ(camera.target.z, 20.0f);

    camera.yaw = 90.0f;
    camera.pitch = 30.0f;
    camera.velocity.z = 2.0f;
    camera.step(1.0f);
    EXPECT_FLOAT_EQ(camera.position.z, 22.0f);
    EXPECT_EQ(camera.position.y, 5.0f);
    EXPECT_FLOAT_EQ(camera.target.y, 5.5f);
    EXPECT_FLOAT_EQ(camera.target.z, 22.0f + 0.8660254f);
}

TEST(CameraStep, ZeroVelocityKeepsTheStaleAcceleration)
{
    Camera camera;
    camera.acceleration = {1.0f, 0.0f, 0.0f};
    camera.step(1.0f);
    EXPECT_EQ(camera.velocity.x, 1.0f);
    EXPECT_EQ(camera.position.z, 0.0f);  // the step came from the zero velocity
    camera.step(1.0f);
    EXPECT_EQ(camera.velocity.x, -0.5f);
}

}  // namespace
