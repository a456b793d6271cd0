// Snowball flight, throwing, drawing coincident twins once, and the timer.
#include <cmath>
#include <cstdint>

#include "game_test_support.h"
#include "scene/player.h"
#include "scene/snowball.h"
#include "shell/camera.h"
#include "shell/gametimer.h"
#include "terrain/field.h"

namespace {

const float kFlightStep = 0.005f;  // the draw's step: 120 * 0.005 = 0.6 units

TEST(SnowballFlight, PointSixPerDrawAlongTheHeadingWithPositionInStep)
{
    Snowball level;
    level.flightPosition = {100.0f, 50.0f, 200.0f};
    EXPECT_FLOAT_EQ(level.radius, 0.6375f);
    for (int frame = 1; frame <= 3; ++frame) {
        level.integrate(kFlightStep);
        EXPECT_NEAR(level.flightPosition.x, 100.0f + 0.6f * frame, 1e-4f);
        EXPECT_EQ(level.flightPosition.y, 50.0f);
        EXPECT_EQ(level.flightPosition.z, 200.0f);
    }
    EXPECT_EQ(level.position.x, level.flightPosition.x);
    EXPECT_EQ(level.position.z, 200.0f);

    Snowball climbing;
    climbing.pitch = 30.0f;
    climbing.yaw = 90.0f;
    climbing.integrate(kFlightStep);
    climbing.integrate(kFlightStep);
    EXPECT_NEAR(climbing.flightPosition.y, 0.6f, 1e-6f);
    EXPECT_NEAR(climbing.flightPosition.z, 1.2f * std::cos(0.5235988f), 1e-6f);
    EXPECT_NEAR(climbing.flightPosition.x, 0.0f, 1e-6f);
    EXPECT_EQ(climbing.position.y, climbing.flightPosition.y);
}

class Throwing : public ::testing::Test {
protected:
    void SetUp() override
    {
        FrostfeldTest::captureStdout([&] { field = new Field(1.0f); });
        camera.position = {300.0f, 40.0f, 500.0f};
        camera.yaw = 33.0f;
        camera.pitch = -12.0f;
        player = new Player(&camera, field);
        player->setParent(field);
    }
    void TearDown() override { delete field; }
    Snowball* throwOne()
    {
        player->throwSnowball();
        return static_cast<Snowball*>(field->firstChild->prev);
    }
    void drawStepAll()  // the draw walk's flight steps, in walk order
    {
        for (Node* node = player->next; node != field->firstChild; node = node->next) {
            static_cast<Snowball*>(node)->integrate(kFlightStep);
        }
    }

    FrostfeldTest::TempWorkingDir noData;
    Camera camera;
    Field* field = nullptr;
    Player* player = nullptr;
};

TEST_F(Throwing, StartsAtTheEyeWithTheCamerasAnglesAfterEarlierChildren)
{
    Snowball* first = throwOne();
    Snowball* second = throwOne();
    EXPECT_EQ(player->next, first);
    EXPECT_EQ(first->next, second);
    for (Snowball* s : {first, second}) {
        EXPECT_EQ(s->flightPosition.x, 300.0f);
        EXPECT_EQ(s->flightPosition.y, 40.0f);
        EXPECT_EQ(s->position.z, 500.0f);
        EXPECT_EQ(s->yaw, 33.0f);
        EXPECT_EQ(s->pitch, -12.0f);
    }
}

TEST_F(Throwing, OnlySameFrameTwinsAreDrawnOnce)
{
    Snowball* first = throwOne();
    Snowball* twin = throwOne();
    drawStepAll();
    Snowball* nextFrame = throwOne();  // same eye, but the earlier ones have moved on
    Snowball* turned = throwOne();
    turned->yaw += 1.0f;
    Snowball* hidden = throwOne();
    Snowball* twinOfHidden = throwOne();
    hidden->inactive = true;
    drawStepAll();
    EXPECT_FALSE(first->coincidesWithPrevious());  // after the player
    EXPECT_TRUE(twin->coincidesWithPrevious());
    EXPECT_FALSE(nextFrame->coincidesWithPrevious());
    EXPECT_FALSE(turned->coincidesWithPrevious());
    EXPECT_FALSE(twinOfHidden->coincidesWithPrevious());  // its twin is not drawn

    Object parent;  // a first child's prev is the last child, drawn after it
    auto* alone = new Snowball;
    alone->setParent(&parent);
    (new Snowball)->setParent(&parent);
    EXPECT_FALSE(alone->coincidesWithPrevious());
    EXPECT_TRUE(static_cast<Snowball*>(alone->next)->coincidesWithPrevious());
}

int g_counterReads = 0;
bool noFrequency(int64_t*) { return false; }
bool countedCounter(int64_t* count)
{
    ++g_counterReads;
    *count = 77;
    return true;
}

TEST(GameTimer, SteadyClockStartsAndAFailingClockIsReportedBySnowballs)
{
    GameTimer steady;
    EXPECT_EQ(steady.frequency, 1000000000);
    EXPECT_GT(steady.startCount, 0);
    EXPECT_EQ(FrostfeldTest::captureStdout([] { Snowball quiet; }), "");

    const ClockSource broken{noFrequency, countedCounter};
    Snowball* snowball = nullptr;
    EXPECT_EQ(FrostfeldTest::captureStdout([&] { snowball = new Snowball(broken); }),
              "Timer funktioniert nicht!\n");
    EXPECT_EQ(g_counterReads, 0);
    EXPECT_EQ(snowball->timer->startCount, 0);
    snowball->integrate(kFlightStep);  // it flies all the same
    EXPECT_NEAR(snowball->flightPosition.x, 0.6f, 1e-6f);
    delete snowball;
}

}  // namespace
