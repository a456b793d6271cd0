// The camera's per-frame step: damping, step clamp, angle reset and clamp, motion.
#include <vector>

#include <gtest/gtest.h>

#include "shell/camera.h"

namespace {

std::vector<float> forwardPositions(Camera& camera, int frames)
{
    std::vector<float> positions;
    for (int k = 0; k < frames; ++k) {
        camera.step(1.0f);
        positions.push_back(camera.position.x);
    }
    return positions;
}

TEST(CameraStep, InitialState)
{
    Camera camera;
    EXPECT_EQ(camera.target.z, 1.0f);
    EXPECT_EQ(camera.yaw, 0.0f);
    EXPECT_EQ(camera.position.x, 0.0f);
}

TEST(CameraStep, APushDiesAwayWithAlternatingSign)
{
    Camera camera;
    camera.velocity.z = 3.5f;
    EXPECT_EQ(forwardPositions(camera, 4), (std::vector<float>{3.5f, 1.75f, 2.625f, 2.1875f}));
    EXPECT_FLOAT_EQ(camera.velocity.z, 0.21875f);
    for (int k = 0; k < 60; ++k) camera.step(1.0f);
    EXPECT_NEAR(camera.position.x, 7.0f / 3.0f, 1e-5f);
    EXPECT_EQ(camera.position.z, 0.0f);
}

TEST(CameraStep, StepIsClampedTo15PerAxis)
{
    Camera camera;
    camera.velocity.z = 40.0f;
    camera.step(1.0f);
    EXPECT_EQ(camera.position.x, 15.0f);
    EXPECT_EQ(camera.velocity.z, -20.0f);
    camera.step(1.0f);
    EXPECT_EQ(camera.position.x, 0.0f);
    EXPECT_EQ(camera.velocity.z, 10.0f);
}

TEST(CameraStep, DiagonalStepReaches15OnBothAxes)
{
    Camera camera;
    camera.velocity = {30.0f, 0.0f, 30.0f};  // right and forward at yaw 0: +z and +x
    camera.step(1.0f);
    EXPECT_FLOAT_EQ(camera.position.x, 15.0f);
    EXPECT_FLOAT_EQ(camera.position.z, 15.0f);
}

struct AngleCase {
    float yaw, pitch, expectedYaw, expectedPitch;
};

class CameraAngles : public ::testing::TestWithParam<AngleCase> {};

TEST_P(CameraAngles, YawResetsToZeroAndPitchIsClamped)
{
    Camera camera;
    camera.yaw = GetParam().yaw;
    camera.pitch = GetParam().pitch;
    camera.step(1.0f);
    EXPECT_EQ(camera.yaw, GetParam().expectedYaw);
    EXPECT_EQ(camera.pitch, GetParam().expectedPitch);
}

INSTANTIATE_TEST_SUITE_P(Table, CameraAngles,
                         ::testing::Values(AngleCase{359.9f, 60.0f, 359.9f, 60.0f},
                                           AngleCase{360.0f, 75.0f, 0.0f, 60.0f},
                                           AngleCase{361.0f, -61.0f, 0.0f, -60.0f},
                                           AngleCase{-360.0f, -60.0f, 0.0f, -60.0f},
                                           AngleCase{-359.0f, 10.0f, -359.0f, 10.0f}));

TEST(CameraStep, TargetIsOneUnitAlongTheView)
{
    Camera camera;
    camera.position = {10.0f, 5.0f, 20.0f};
    camera.step(1.0f);
    EXPECT_EQ(camera.target.x, 11.0f);
    EXPECT_EQ(camera.target.y, 5.0f);
    EXPECT_EQ(camera.target.z, 20.0f);

    camera.yaw = 90.0f;
    camera.pitch = 30.0f;
    camera.step(1.0f);
    EXPECT_NEAR(camera.target.x, 10.0f, 1e-6f);
    EXPECT_FLOAT_EQ(camera.target.y, 5.5f);
    EXPECT_FLOAT_EQ(camera.target.z, 20.0f + 0.8660254f);
}

TEST(CameraStep, SidewaysMovesTowardPlusZAtYawZeroAndPitchDoesNotLift)
{
    Camera camera;
    camera.pitch = 45.0f;
    camera.velocity.x = 2.0f;
    camera.step(1.0f);
    EXPECT_FLOAT_EQ(camera.position.z, 2.0f);
    EXPECT_NEAR(camera.position.x, 0.0f, 1e-6f);
    EXPECT_EQ(camera.position.y, 0.0f);
}

TEST(CameraStep, ZeroVelocityKeepsTheStaleAcceleration)
{
    Camera camera;
    camera.acceleration = {1.0f, 0.0f, 0.0f};
    camera.step(1.0f);
    EXPECT_EQ(camera.velocity.x, 1.0f);
    EXPECT_EQ(camera.position.z, 0.0f);  // the step was taken from the zero velocity
    camera.step(1.0f);
    EXPECT_EQ(camera.acceleration.x, -1.5f);
    EXPECT_EQ(camera.velocity.x, -0.5f);
}

}  // namespace
