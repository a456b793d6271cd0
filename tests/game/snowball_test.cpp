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

namespace {

// Two snowballs thrown in one frame are drawn as one; any difference draws both.
class SnowballTwins : public ::testing::Test {
protected:
    void SetUp() override
    {
        captureField();
        camera.position = {300.0f, 40.0f, 500.0f};
        player = new Player(&camera, field);
        player->setParent(field);
    }
    void TearDown() override { delete field; }
    void captureField()
    {
        FrostfeldTest::captureStdout([&] { field = new Field(1.0f); });
    }
    Snowball* throwOne()
    {
        player->throwSnowball();
        return static_cast<Snowball*>(field->firstChild->prev);
    }
    // The draw's step for every snowball, in walk order.
    void stepAll()
    {
        for (Node* node = player->next; node != field->firstChild; node = node->next) {
            static_cast<Snowball*>(node)->integrate(0.005f);
        }
    }

    FrostfeldTest::TempWorkingDir noData;
    Camera camera;
    Field* field = nullptr;
    Player* player = nullptr;
};

TEST_F(SnowballTwins, SameFrameThrowsCoincide)
{
    Snowball* first = throwOne();
    Snowball* second = throwOne();
    Snowball* third = throwOne();
    stepAll();
    EXPECT_FALSE(first->coincidesWithPrevious());  // its previous sibling is the player
    EXPECT_TRUE(second->coincidesWithPrevious());
    EXPECT_TRUE(third->coincidesWithPrevious());
}

TEST_F(SnowballTwins, AnyDifferenceDrawsBoth)
{
    Snowball* first = throwOne();
    stepAll();
    Snowball* later = throwOne();  // a frame later: same eye, but the first has moved on
    stepAll();
    EXPECT_FALSE(later->coincidesWithPrevious());

    Snowball* a = throwOne();
    Snowball* turned = throwOne();
    turned->yaw += 1.0f;
    Snowball* b = throwOne();
    Snowball* c = throwOne();
    b->inactive = true;
    stepAll();
    EXPECT_FALSE(turned->coincidesWithPrevious());
    EXPECT_FALSE(c->coincidesWithPrevious());  // its twin is not drawn
    EXPECT_FALSE(a->coincidesWithPrevious());
    EXPECT_FALSE(first->coincidesWithPrevious());
}

TEST(SnowballTwinsAlone, AFirstChildHasNoEarlierSibling)
{
    Object parent;
    auto* only = new Snowball;
    only->setParent(&parent);
    auto* twin = new Snowball;
    twin->setParent(&parent);
    EXPECT_FALSE(only->coincidesWithPrevious());  // its prev is the last child, drawn after it
    EXPECT_TRUE(twin->coincidesWithPrevious());
}

}  // namespace
