// The world's scene, the eye's ground step, snowball retirement, and why the
// field's and the snowballs' passes may be skipped.
#include <vector>

#include "game_test_support.h"
#include "scene/enemy.h"
#include "scene/light.h"
#include "scene/player.h"
#include "scene/snowball.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "terrain/field.h"

namespace {

class WorldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FrostfeldTest::captureStdout([&] { world = new World(&camera); });
    }
    void TearDown() override { delete world->field; }

    Snowball* throwFrom(Vec3 eye)
    {
        camera.position = eye;
        world->player->throwSnowball();
        return static_cast<Snowball*>(world->field->firstChild->prev);
    }
    std::vector<Node*> children() const
    {
        std::vector<Node*> nodes{world->field->firstChild};
        while (nodes.back()->next != world->field->firstChild) nodes.push_back(nodes.back()->next);
        return nodes;
    }

    FrostfeldTest::TempWorkingDir noData;
    Camera camera;
    World* world = nullptr;
};

TEST_F(WorldTest, BuildsFieldWithPlayerThenEnemyAndAWhitePointLight)
{
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy}));
    EXPECT_EQ(world->player->camera, &camera);
    EXPECT_EQ(world->enemy->camera, &camera);
    EXPECT_EQ(world->enemy->field, world->field);
    const Light& light = *world->light;
    EXPECT_EQ(light.ambient[0] + light.diffuse[1] + light.specular[2] + light.specular[3], 4.0f);
    EXPECT_EQ(light.position[2], 10.0f);
    EXPECT_EQ(light.position[3], 1.0f);

    camera.position = {500.0f, 60.0f, 700.0f};
    world->field->updateTree();
    EXPECT_EQ(world->player->position.x, 500.0f);
    EXPECT_EQ(world->enemy->position.z, 700.0f);
}

TEST_F(WorldTest, EyeTakesTheGroundWhereItWasThenStaysInsideTheMargins)
{
    const struct {
        float x, z, expectedX, expectedZ;
    } table[] = {{10.0f, 1600.0f, 80.0f, 1520.0f}, {80.0f, 1520.0f, 80.0f, 1520.0f},
                 {0.0f, 0.0f, 80.0f, 80.0f}, {700.5f, 300.0f, 700.5f, 300.0f}};
    for (const auto& row : table) {
        camera.position = {row.x, -99.0f, row.z};
        world->placeEyeOnGround();
        EXPECT_EQ(camera.position.x, row.expectedX);
        EXPECT_EQ(camera.position.z, row.expectedZ);
        EXPECT_EQ(camera.position.y, world->field->heightAt(row.x, row.z) + 7.0f);
    }
}

// Only the player's and the enemy's onCollision react, and only to the field. Every
// generic pass that the field and the snowballs would run, over a crowd of snowballs
// at the eye, must change nothing.
TEST_F(WorldTest, TheSkippedPassesHaveNoEffect)
{
    for (int k = 0; k < 6; ++k) throwFrom({80.0f + 0.3f * k, 30.0f, 80.0f});
    world->field->updateTree();
    world->player->position.y = -5.0f;  // a contact with the field would lift these
    world->enemy->modelPosition.y = -5.0f;
    for (Node* node : children()) {
        if (auto* snowball = dynamic_cast<Snowball*>(node)) snowball->Object::update();
    }
    world->field->Object::update();
    EXPECT_EQ(world->player->position.y, -5.0f);
    EXPECT_EQ(world->enemy->modelPosition.y, -5.0f);
}

TEST_F(WorldTest, SnowballsRetireOnlyOutOfSightAndTheRestKeepTheirOrder)
{
    const Vec3 eye{800.0f, 50.0f, 800.0f};
    Snowball* nearby = throwFrom(eye);
    Snowball* far = throwFrom(eye);
    Snowball* stopped = throwFrom(eye);
    Snowball* justInside = throwFrom(eye);
    far->flightPosition.x += 263.1f;         // beyond the view's farthest corner
    justInside->flightPosition.x += 262.9f;  // may still show in a corner of the view
    stopped->inactive = true;
    world->retireSnowballs();
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy, nearby, justInside}));
    camera.position.x -= 100.0f;  // walking away leaves them behind too
    world->retireSnowballs();
    EXPECT_EQ(world->snowballCount(), 1);
}

TEST_F(WorldTest, AFlyingSnowballRetiresAfterItsLastVisibleFrame)
{
    Snowball* snowball = throwFrom({800.0f, 50.0f, 800.0f});
    int frames = 0;
    for (; world->snowballCount() == 1 && frames < 1000; ++frames) {
        snowball->integrate(0.005f);
        world->retireSnowballs();
    }
    EXPECT_EQ(frames, 439);  // 0.6 a frame until 262.39 + the radius is passed
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy}));
}

}  // namespace
