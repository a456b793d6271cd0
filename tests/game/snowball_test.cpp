// Snowball flight, its bounding sphere, and throwing.
#include <cmath>
#include <string>

#include "game_test_support.h"
#include "scene/player.h"
#include "scene/snowball.h"
#include "shell/camera.h"
#include "terrain/field.h"

namespace {

const float kFlightStep = 0.005f;  // the draw's step: 120 * 0.005 = 0.6 units

TEST(SnowballFlight, LevelThrowMovesPointSixAlongX)
{
    Snowball snowball;
    snowball.flightPosition = {100.0f, 50.0f, 200.0f};
    for (int frame = 1; frame <= 3; ++frame) {
        snowball.integrate(kFlightStep);
        EXPECT_NEAR(snowball.flightPosition.x, 100.0f + 0.6f * frame, 1e-4f);
        EXPECT_EQ(snowball.flightPosition.y, 50.0f);
        EXPECT_EQ(snowball.flightPosition.z, 200.0f);
    }
}

TEST(SnowballFlight, PitchThirtyClimbsPointThreePerStep)
{
    Snowball snowball;
    snowball.pitch = 30.0f;
    snowball.integrate(kFlightStep);
    EXPECT_NEAR(snowball.flightPosition.y, 0.3f, 1e-6f);
    EXPECT_NEAR(snowball.flightPosition.x, 0.6f * std::cos(0.5235988f), 1e-6f);
    snowball.integrate(kFlightStep);
    EXPECT_NEAR(snowball.flightPosition.y, 0.6f, 1e-6f);
}

TEST(SnowballFlight, HeadingNinetyFliesAlongZ)
{
    Snowball snowball;
    snowball.yaw = 90.0f;
    snowball.integrate(kFlightStep);
    EXPECT_NEAR(snowball.flightPosition.z, 0.6f, 1e-6f);
    EXPECT_NEAR(snowball.flightPosition.x, 0.0f, 1e-6f);
}

TEST(SnowballFlight, BoundingSphereIsTheDrawnSphereAndFollowsTheFlight)
{
    Snowball snowball;
    EXPECT_FLOAT_EQ(snowball.radius, 0.6375f);
    EXPECT_EQ(snowball.speed, 120.0f);
    EXPECT_FALSE(snowball.inactive);
    snowball.yaw = 45.0f;
    snowball.integrate(kFlightStep);
    EXPECT_EQ(snowball.position.x, snowball.flightPosition.x);
    EXPECT_EQ(snowball.position.y, snowball.flightPosition.y);
    EXPECT_EQ(snowball.position.z, snowball.flightPosition.z);
    EXPECT_EQ(snowball.velocity.x, 0.0f);
}

TEST(SnowballThrow, StartsAtTheEyeWithTheCamerasAnglesAfterEarlierChildren)
{
    FrostfeldTest::TempWorkingDir noData;
    Field* field = nullptr;
    FrostfeldTest::captureStdout([&] { field = new Field(1.0f); });
    Camera camera;
    camera.position = {300.0f, 40.0f, 500.0f};
    camera.yaw = 33.0f;
    camera.pitch = -12.0f;
    Player* player = new Player(&camera, field);
    player->setParent(field);

    player->throwSnowball();
    player->throwSnowball();  // two in one frame: same place, same way

    auto* first = dynamic_cast<Snowball*>(player->next);
    auto* second = dynamic_cast<Snowball*>(player->next->next);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(field->firstChild, player);
    EXPECT_EQ(field->firstChild->prev, second);
    for (Snowball* s : {first, second}) {
        EXPECT_EQ(s->flightPosition.x, 300.0f);
        EXPECT_EQ(s->flightPosition.y, 40.0f);
        EXPECT_EQ(s->flightPosition.z, 500.0f);
        EXPECT_EQ(s->position.x, 300.0f);
        EXPECT_EQ(s->yaw, 33.0f);
        EXPECT_EQ(s->pitch, -12.0f);
    }
    delete field;
}

}  // namespace
